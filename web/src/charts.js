// Time charts of the station page: uPlot with one series, time in UTC seconds, redrawn by
// the page's timer when new points came.

import uPlot from 'uplot';

// Whole seconds and minutes only, labelled in UTC whatever the browser's zone and language.
const Steps = [1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400];
const Height = 120;

function timeLabels(u, splits) {
    const span = u.scales.x.max - u.scales.x.min;
    return splits.map((t) => {
        const text = new Date(t * 1000).toISOString();
        return span > 86400 ? `${text.slice(5, 10)} ${text.slice(11, 16)}` : text.slice(11, span > 3600 ? 16 : 19);
    });
}

export class TimeChart {
    constructor(holder, title, color, width) {
        this.times = [];
        this.values = [];
        this.dirty = false;
        this.plot = new uPlot({
            title,
            width,
            height: Height,
            legend: { show: false },
            axes: [{ values: timeLabels, incrs: Steps, space: 70 }, { size: 80 }],
            series: [{}, { label: title, stroke: color, width: 1, spanGaps: false }],
        }, [[], []], holder);
    }

    // Points come in time order but may repeat (QoS 1); older than the last are ignored.
    add(time, value) {
        const last = this.times.at(-1);
        if (last !== undefined && time <= last) return;
        this.times.push(time);
        this.values.push(value);
        this.dirty = true;
    }

    // Replaces all points: the history, with the live points past its end kept.
    replace(times, values) {
        const end = times.at(-1) ?? -Infinity;
        const keep = this.times.findIndex((t) => t > end);
        const liveTimes = keep < 0 ? [] : this.times.slice(keep);
        const liveValues = keep < 0 ? [] : this.values.slice(keep);
        this.times = [...times, ...liveTimes];
        this.values = [...values, ...liveValues];
        this.dirty = true;
    }

    dropBefore(time) {
        let drop = 0;
        while (drop < this.times.length && this.times[drop] < time) drop++;
        if (drop) {
            this.times.splice(0, drop);
            this.values.splice(0, drop);
        }
    }

    redraw() {
        if (!this.dirty) return;
        this.dirty = false;
        this.plot.setData([this.times, this.values]);
    }

    destroy() { this.plot.destroy(); }
}
