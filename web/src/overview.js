// The table of stations. Redrawn by a timer, never per message: with 1,000 stations publishing
// once a second, a redraw per message would keep the page busy. Per tick only the rows on
// screen are written (a row scrolled into view is brought up to date at once), only the cells
// whose text changed, and rows move only when the order changed.

import { age, utcTime, value } from './format.js';
import { drawSparkline } from './sparkline.js';

const RedrawEvery = 500;  // ms
const Columns = ['state', 'name', 'last', 'delay', 'x', 'y', 'z', 'behind', 'spark', 'note'];

export class Overview {
    constructor(root, store, now) {
        this.store = store;
        this.now = now;
        this.rows = new Map();  // station name -> <tr>
        this.order = [];
        this.body = root.querySelector('tbody');
        this.summary = root.querySelector('.summary');
        this.filterBox = root.querySelector('input[type=search]');
        this.filterBox.addEventListener('input', () => this.redraw());
        // Sparklines are drawn only for rows on screen; a row scrolled into view gets its own.
        this.visible = new Set();
        this.watcher = new IntersectionObserver((entries) => {
            for (const entry of entries) {
                const tr = entry.target;
                if (entry.isIntersecting) {
                    this.visible.add(tr);
                    tr.sparkDirty = true;
                    const record = this.store.stations.get(tr.dataset.station);
                    const now = this.now();
                    if (record) this.update(tr, record, this.store.state(record, now), now);
                } else this.visible.delete(tr);
            }
        });
        this.timer = setInterval(() => this.redraw(), RedrawEvery);
    }

    redraw() {
        const now = this.now();
        const rows = this.store.sorted(this.filterBox.value, now);
        const counts = { online: 0, silent: 0, offline: 0, unknown: 0 };
        for (const { record, state } of rows) {
            counts[state]++;
            this.update(this.rowOf(record), record, state, now);
        }
        const order = rows.map(({ record }) => record.name);
        if (order.length !== this.order.length || order.some((name, i) => name !== this.order[i])) {
            this.body.replaceChildren(...order.map((name) => this.rows.get(name)));
            this.order = order;
        }
        const refused = this.store.refused ? `; messages of ${this.store.refused} more stations ignored (too many stations)` : '';
        this.summary.textContent = `${rows.length} of ${this.store.stations.size} stations: ${counts.online} online, ` +
            `${counts.silent} silent, ${counts.offline} offline, ${counts.unknown} without status${refused}`;
    }

    rowOf(record) {
        let tr = this.rows.get(record.name);
        if (tr) return tr;
        tr = document.createElement('tr');
        tr.cells_ = {};
        for (const column of Columns) {
            const td = document.createElement('td');
            td.className = column;
            tr.append(td);
            tr.cells_[column] = td;
        }
        const link = document.createElement('a');
        link.href = `#station=${encodeURIComponent(record.name)}`;
        link.textContent = record.name;
        const stationName = document.createElement('span');
        stationName.className = 'station-name';
        tr.cells_.name.append(link, stationName);
        tr.stationName = stationName;
        tr.texts = {};
        tr.dataset.station = record.name;
        this.rows.set(record.name, tr);
        this.watcher.observe(tr);
        return tr;
    }

    update(tr, record, state, now) {
        if (record.minutesChanged) {
            tr.sparkDirty = true;
            record.minutesChanged = false;
        }
        if (!this.visible.has(tr)) return;
        const behind = this.store.linesBehind(record);
        const texts = {
            state,
            last: utcTime(record.lastTime),
            delay: record.lastTime === null ? '' : age(now - record.lastTime),
            x: value(record.lastValues?.[0]),
            y: value(record.lastValues?.[1]),
            z: value(record.lastValues?.[2]),
            behind: behind === null ? '' : String(behind),
            note: record.problem,
        };
        for (const [column, text] of Object.entries(texts)) {
            if (tr.texts[column] === text) continue;
            tr.texts[column] = text;
            tr.cells_[column].textContent = text;
        }
        if (tr.className !== state) tr.className = state;
        const stationName = record.meta?.stationName ?? '';
        if (tr.stationName.textContent !== stationName) tr.stationName.textContent = stationName;
        if (tr.sparkDirty && record.minutes.length >= 2) {
            drawSparkline(tr.cells_.spark, record.minutes);
            tr.sparkDirty = false;
        }
    }
}
