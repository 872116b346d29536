// Reading what the broker delivers. Any client may publish anything the broker's ACL allows, so
// every reader here returns either a value or a `problem` text the page can show; none throws.

export const Kinds = ['status', 'meta', 'lines', 'minute'];

// Messages larger than this are refused unread: no station sends one (a batch of 250 lines is
// about 16 kB), and parsing a huge one would freeze the page.
export const LargestPayload = 256 * 1024;

function jsonObject(text, what) {
    if (text.length > LargestPayload) return { problem: `${what}: a message of ${text.length} characters was ignored` };
    let value;
    try {
        value = JSON.parse(text);
    } catch {
        return { problem: `${what}: not JSON` };
    }
    if (value === null || typeof value !== 'object' || Array.isArray(value))
        return { problem: `${what}: not a JSON object` };
    return { value };
}

const isCount = (n) => Number.isSafeInteger(n) && n >= 0;

// "<prefix>/<station>/<kind>" split into station and kind; null when it is not ours.
export function splitTopic(topic, prefix) {
    if (!topic.startsWith(prefix + '/')) return null;
    const parts = topic.slice(prefix.length + 1).split('/');
    if (parts.length !== 2 || parts[0] === '') return null;
    return { station: parts[0], kind: parts[1] };
}

// {"state":"online","time":"...Z","version":"0.1.0","next":1234}; `next` is the sequence
// number of the next line the station will publish, where the station says it.
export function decodeStatus(text) {
    const { value, problem } = jsonObject(text, 'status');
    if (problem) return { problem };
    if (value.state !== 'online' && value.state !== 'offline')
        return { problem: 'status: the state is neither "online" nor "offline"' };
    const status = { state: value.state };
    if (typeof value.version === 'string') status.version = value.version;
    if (typeof value.time === 'string') status.since = value.time;
    if ('next' in value) {
        if (!isCount(value.next)) return { problem: 'status: "next" is not a line number' };
        status.next = value.next;
    }
    return { status };
}

// The station's description: only the parts the page shows, all of them texts or numbers.
export function decodeMeta(text) {
    const { value, problem } = jsonObject(text, 'meta');
    if (problem) return { problem };
    const texts = (object) => {
        const out = [];
        if (object && typeof object === 'object' && !Array.isArray(object))
            for (const [key, item] of Object.entries(object))
                if (['string', 'number', 'boolean'].includes(typeof item)) out.push([key, String(item)]);
        return out;
    };
    const meta = {
        station: typeof value.station === 'string' ? value.station : '',
        intermagnet: texts(value.intermagnet),
        iaga2002: texts(value.iaga2002),
        program: typeof value.program === 'string' ? value.program : '',
        filterLength: isCount(value.coefficientCount) ? value.coefficientCount
            : Array.isArray(value.coefficients) ? value.coefficients.length : null,
        fromSeq: isCount(value.fromSeq) ? value.fromSeq : null,
    };
    const stationName = meta.iaga2002.find(([key]) => key === 'StationName');
    meta.stationName = stationName ? stationName[1] : '';
    return { meta };
}

// One archive line: "2024 01 05 12 34 56  21345.67  -1234.50  45678.90  21.5  20.2", stamped
// in UTC. `time` is in seconds since 1970 (the charts' unit).
export function parseInstrumentLine(line) {
    if (typeof line !== 'string') return null;
    const fields = line.trim().split(/\s+/);
    if (fields.length !== 11) return null;
    const numbers = fields.map(Number);
    if (numbers.some((n) => !Number.isFinite(n))) return null;
    const [year, month, day, hour, minute, second] = numbers;
    const time = Date.UTC(year, month - 1, day, hour, minute, second) / 1000;
    if (!Number.isFinite(time) || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 60) return null;
    return { time, values: numbers.slice(6) };
}

// {"seq":N,"lines":[...]} or {"seq":N,"skip":K}. Returns the batch's extent and its lines
// parsed (a line that does not read is left out and counted).
export function decodeLines(text) {
    const { value, problem } = jsonObject(text, 'lines');
    if (problem) return { problem };
    if (!isCount(value.seq)) return { problem: 'lines: "seq" is not a line number' };
    if ('skip' in value) {
        if (!isCount(value.skip)) return { problem: 'lines: "skip" is not a count' };
        return { batch: { seq: value.seq, count: value.skip, samples: [], unreadable: 0, skip: true } };
    }
    if (!Array.isArray(value.lines)) return { problem: 'lines: no "lines" list' };
    const samples = [];
    for (const line of value.lines) {
        const sample = parseInstrumentLine(line);
        if (sample) samples.push(sample);
    }
    const batch = { seq: value.seq, count: value.lines.length, samples, unreadable: value.lines.length - samples.length };
    if (batch.unreadable > 0) batch.problem = `lines: ${batch.unreadable} of ${value.lines.length} lines are not instrument lines`;
    return { batch };
}

// "2024-01-05T12:35:00" (UTC, as the station writes it; a trailing Z is accepted) in seconds.
export function parseUtc(text) {
    if (typeof text !== 'string') return null;
    const match = /^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})Z?$/.exec(text);
    if (!match) return null;
    const [year, month, day, hour, minute, second] = match.slice(1).map(Number);
    const time = Date.UTC(year, month - 1, day, hour, minute, second);
    return Number.isFinite(time) ? time / 1000 : null;
}

export function formatUtc(seconds) {
    return new Date(seconds * 1000).toISOString().slice(0, 19);
}

const isValue = (v) => typeof v === 'number' && Number.isFinite(v);

// {"time":"2024-01-05T12:35:00","x":..,"y":..,"z":..}
export function decodeMinute(text) {
    const { value, problem } = jsonObject(text, 'minute');
    if (problem) return { problem };
    const time = parseUtc(value.time);
    if (time === null) return { problem: 'minute: "time" is not a UTC time' };
    if (![value.x, value.y, value.z].every(isValue)) return { problem: 'minute: x, y and z are not all numbers' };
    return { minute: { time, x: value.x, y: value.y, z: value.z } };
}

// The history request, on "<prefix>/<station>/history": the minute values of [from, to).
export function encodeHistoryRequest(from, to) {
    return JSON.stringify({ from: formatUtc(from), to: formatUtc(to) });
}

// The history answer: {"from":"...","step":60,"x":[...],"y":[...],"z":[...]} (value i at
// from + i * step, null where the minute is missing) or {"error":"..."}.
export const LargestHistory = 100000;
export function decodeHistoryAnswer(text) {
    const { value, problem } = jsonObject(text, 'history answer');
    if (problem) return { problem };
    if (typeof value.error === 'string') return { problem: `the collector answered: ${value.error}` };
    const from = parseUtc(value.from);
    if (from === null) return { problem: 'history answer: "from" is not a UTC time' };
    if (!Number.isSafeInteger(value.step) || value.step <= 0) return { problem: 'history answer: "step" is not a number of seconds' };
    const columns = [value.x, value.y, value.z];
    if (!columns.every(Array.isArray) || columns.some((c) => c.length !== value.x.length))
        return { problem: 'history answer: x, y and z are not lists of one length' };
    if (value.x.length > LargestHistory) return { problem: 'history answer: too many values' };
    if (columns.some((c) => c.some((v) => v !== null && !isValue(v))))
        return { problem: 'history answer: a value is neither a number nor null' };
    const minutes = [];
    value.x.forEach((x, i) => {
        if (x !== null || value.y[i] !== null || value.z[i] !== null)
            minutes.push({ time: from + i * value.step, x, y: value.y[i], z: value.z[i] });
    });
    return { minutes };
}
