// How the page writes times, ages and values: fixed formats, whatever the browser's language.

export function utcTime(seconds) {
    return seconds === null ? '' : new Date(seconds * 1000).toISOString().replace('T', ' ').slice(0, 19);
}

export function age(seconds) {
    if (seconds === null) return '';
    const s = Math.max(0, Math.round(seconds));
    if (s < 120) return `${s} s`;
    if (s < 7200) return `${Math.floor(s / 60)} min`;
    if (s < 172800) return `${Math.floor(s / 3600)} h`;
    return `${Math.floor(s / 86400)} d`;
}

export function value(v) {
    return typeof v === 'number' && Number.isFinite(v) ? v.toFixed(2) : '';
}
