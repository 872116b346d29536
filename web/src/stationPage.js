// One station: its five channels live (the second values of `lines`), its minute values (the
// collector's history of the last 24 hours, then the live `minute` messages) and its
// description.

import { TimeChart } from './charts.js';
import { requestHistory } from './history.js';
import { decodeLines, decodeMinute } from './payloads.js';
import { age, utcTime } from './format.js';

const Channels = [['Bx (nT)', '#b0402a'], ['By (nT)', '#2a8a3a'], ['Bz (nT)', '#2a6fb0'],
                  ['Ts (°C)', '#7a5aa0'], ['Te (°C)', '#a07a2a']];
const Components = [['X (nT, minute values)', '#b0402a', 'x'], ['Y (nT, minute values)', '#2a8a3a', 'y'],
                    ['Z (nT, minute values)', '#2a6fb0', 'z']];
const LiveSpan = 600;          // seconds of second values kept on the live charts
const HistorySpan = 24 * 3600;
const RedrawEvery = 500;       // ms

export class StationPage {
    constructor(root, { store, client, prefix, station, now }) {
        this.root = root;
        this.store = store;
        this.station = station;
        this.now = now;
        root.querySelector('h2').textContent = station;
        const width = Math.max(400, root.clientWidth - 24);
        const live = root.querySelector('.live');
        const minutes = root.querySelector('.minutes');
        live.replaceChildren();
        minutes.replaceChildren();
        this.live = Channels.map(([title, color]) => new TimeChart(live, title, color, width));
        this.minutes = Components.map(([title, color]) => new TimeChart(minutes, title, color, width));
        this.historyNote = root.querySelector('.history');
        this.problem = root.querySelector('.problem');
        this.problem.textContent = '';
        this.describe();
        this.seedMinutes();
        this.timer = setInterval(() => this.redraw(), RedrawEvery);
        this.askHistory(client, prefix);
    }

    async askHistory(client, prefix) {
        // A name typed into the address may hold what a topic cannot (a wildcard would even
        // subscribe to other stations' answers).
        if (/[/+#]/.test(this.station) || this.station === '') {
            this.historyNote.textContent = 'History is not available: this is not a station\'s name.';
            this.historyNote.className = 'history unavailable';
            return;
        }
        this.historyNote.textContent = 'Asking the collector for the last 24 hours of minute values…';
        this.historyNote.className = 'history waiting';
        const to = Math.floor(this.now() / 60) * 60 + 60;
        const result = await requestHistory(client, prefix, this.station, to - HistorySpan, to);
        if (this.closed) return;
        if (result.problem) {
            this.historyNote.textContent = `History is not available (${result.problem}); live data only.`;
            this.historyNote.className = 'history unavailable';
            return;
        }
        this.minutes.forEach((chart, i) => chart.replace(
            result.minutes.map((m) => m.time), result.minutes.map((m) => m[Components[i][2]])));
        this.historyNote.textContent = `History: ${result.minutes.length} minute values from the collector, then live.`;
        this.historyNote.className = 'history answered';
    }

    // The minute values the overview already holds for its sparkline.
    seedMinutes() {
        const record = this.store.stations.get(this.station);
        for (const m of record?.minutes ?? []) this.addMinute(m);
    }

    addMinute(minute) {
        this.minutes.forEach((chart, i) => chart.add(minute.time, minute[Components[i][2]]));
    }

    // A message of this station, as the overview's store received it.
    receive(kind, text) {
        if (kind === 'lines') {
            const { batch } = decodeLines(text);
            for (const sample of batch?.samples ?? [])
                this.live.forEach((chart, i) => chart.add(sample.time, sample.values[i]));
        } else if (kind === 'minute') {
            const { minute } = decodeMinute(text);
            if (minute) this.addMinute(minute);
        } else if (kind === 'meta') {
            this.describe();
        }
    }

    redraw() {
        const now = this.now();
        for (const chart of this.live) chart.dropBefore(now - LiveSpan);
        for (const chart of [...this.live, ...this.minutes]) chart.redraw();
        const record = this.store.stations.get(this.station);
        const state = record ? this.store.state(record, now) : 'unknown';
        const stateText = this.root.querySelector('.state');
        const last = record?.lastTime ?? null;
        const text = `${state}${last === null ? '' : `; last line ${utcTime(last)} UTC, ${age(now - last)} ago`}`;
        if (stateText.textContent !== text) stateText.textContent = text;
        stateText.className = `state ${state}`;
        const problem = record?.problem ?? '';
        if (this.problem.textContent !== problem) this.problem.textContent = problem;
    }

    describe() {
        const meta = this.store.stations.get(this.station)?.meta;
        const table = this.root.querySelector('.description');
        if (!meta) {
            table.replaceChildren(row('Description', 'not received yet (the station\'s retained meta)'));
            return;
        }
        const rows = [
            row('Station name', meta.stationName),
            row('Program', meta.program),
            row('Filter length', meta.filterLength === null ? '' : `${meta.filterLength} coefficients`),
            row('Holds from line', meta.fromSeq === null ? '' : String(meta.fromSeq)),
            ...meta.intermagnet.map(([key, text]) => row(`INTERMAGNET ${key}`, text)),
            ...meta.iaga2002.map(([key, text]) => row(`IAGA-2002 ${key}`, text)),
        ];
        table.replaceChildren(...rows);
    }

    close() {
        this.closed = true;
        clearInterval(this.timer);
        for (const chart of [...this.live, ...this.minutes]) chart.destroy();
    }
}

// A table row of two texts; peers' texts go in as text, never as markup.
function row(key, text) {
    const tr = document.createElement('tr');
    const th = document.createElement('th');
    const td = document.createElement('td');
    th.textContent = key;
    td.textContent = text;
    tr.append(th, td);
    return tr;
}
