// The overview's small chart of a station's last hour of X minute values: uPlot without axes,
// legend or cursor, created only for rows the user can see.

import uPlot from 'uplot';

const Size = { width: 120, height: 24 };

export function drawSparkline(holder, minutes) {
    const data = [minutes.map((m) => m.time), minutes.map((m) => m.x)];
    if (holder.chart) {
        holder.chart.setData(data);
        return;
    }
    holder.chart = new uPlot({
        ...Size,
        class: 'sparkline',
        pxAlign: false,
        cursor: { show: false },
        select: { show: false },
        legend: { show: false },
        scales: { x: { time: false } },
        axes: [{ show: false }, { show: false }],
        series: [{}, { stroke: '#2a6fb0', width: 1, points: { show: false } }],
    }, data, holder);
}
