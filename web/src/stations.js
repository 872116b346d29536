// What the page knows of each station, from the messages of the network. Pure: the caller
// passes the time (seconds), so the rules below are tested without a browser or a clock.

import { decodeLines, decodeMeta, decodeMinute, decodeStatus } from './payloads.js';

// A station online whose last line arrived longer ago than this is "silent".
export const SilentAfter = 10;
// Minute values kept per station for its sparkline.
export const SparklineSpan = 3600;
// A network larger than this is refused past it: a flood of made-up station names (any client
// may publish where the ACL lets it) must not exhaust the page.
export const MostStations = 5000;

// Trouble first: silent, offline, then stations that have said nothing of their state.
const StateRank = { silent: 0, offline: 1, unknown: 2, online: 3 };

export class StationStore {
    constructor(now) {
        this.stations = new Map();
        this.openedAt = now;  // a station heard of later than its last line counts from here
        this.refused = 0;
        this.listeners = new Set();
    }

    // Applies one message; returns the station's record, or null when the message is refused.
    apply(station, kind, text, now) {
        let record = this.stations.get(station);
        if (!record) {
            if (this.stations.size >= MostStations) {
                this.refused++;
                return null;
            }
            record = newRecord(station);
            this.stations.set(station, record);
        }
        const problem = readInto(record, kind, text, now);
        if (problem) record.problem = problem;
        for (const listener of this.listeners) listener(station, kind, record);
        return record;
    }

    state(record, now) {
        if (!record.status) return 'unknown';
        if (record.status.state === 'offline') return 'offline';
        const heard = record.lastArrival ?? Math.max(this.openedAt, record.statusArrival);
        return now - heard > SilentAfter ? 'silent' : 'online';
    }

    // How many lines the station has published that the page has not seen; null when either
    // side is unknown.
    linesBehind(record) {
        if (record.status?.next === undefined || record.seenNext === null) return null;
        return Math.max(0, record.status.next - record.seenNext);
    }

    // The stations whose name, station name or state contains `filter`, trouble first.
    sorted(filter, now) {
        const needle = filter.trim().toLowerCase();
        const rows = [];
        for (const record of this.stations.values()) {
            const state = this.state(record, now);
            if (needle && !`${record.name} ${record.meta?.stationName ?? ''} ${state}`.toLowerCase().includes(needle))
                continue;
            rows.push({ record, state });
        }
        rows.sort((a, b) => StateRank[a.state] - StateRank[b.state] ||
                            (a.record.name < b.record.name ? -1 : a.record.name > b.record.name ? 1 : 0));
        return rows;
    }
}

function newRecord(name) {
    return {
        name, status: null, statusArrival: null, meta: null, problem: '',
        lastArrival: null, lastTime: null, lastValues: null, seenNext: null,
        minutes: [], minutesChanged: false,
    };
}

function readInto(record, kind, text, now) {
    switch (kind) {
    case 'status': {
        const { status, problem } = decodeStatus(text);
        if (problem) return problem;
        record.status = status;
        record.statusArrival = now;
        return '';
    }
    case 'meta': {
        const { meta, problem } = decodeMeta(text);
        if (problem) return problem;
        record.meta = meta;
        return '';
    }
    case 'lines': {
        const { batch, problem } = decodeLines(text);
        if (problem) return problem;
        // Lines repeat on the wire (QoS 1, republishing after a reconnect): only a later one
        // moves what the row shows.
        const end = batch.seq + batch.count;
        if (record.seenNext === null || end > record.seenNext) record.seenNext = end;
        const last = batch.samples.at(-1);
        if (last && (record.lastTime === null || last.time >= record.lastTime)) {
            record.lastTime = last.time;
            record.lastValues = last.values;
        }
        if (batch.count > 0 && !batch.skip) record.lastArrival = now;
        return batch.problem ?? '';
    }
    case 'minute': {
        const { minute, problem } = decodeMinute(text);
        if (problem) return problem;
        addMinute(record.minutes, minute, SparklineSpan);
        record.minutesChanged = true;
        return '';
    }
    default:
        return '';
    }
}

// Keeps `minutes` in time order without repeats, no longer than `span` seconds.
export function addMinute(minutes, minute, span) {
    let at = minutes.length;
    while (at > 0 && minutes[at - 1].time > minute.time) at--;
    if (at > 0 && minutes[at - 1].time === minute.time) minutes[at - 1] = minute;
    else minutes.splice(at, 0, minute);
    const oldest = minutes.at(-1).time - span;
    let drop = 0;
    while (minutes[drop].time < oldest) drop++;
    if (drop) minutes.splice(0, drop);
}
