// The overview page under a large network: a load generator plays N stations publishing a line
// each once a second (retained status with the next line's number, retained description, a
// minute value a minute) to a local mosquitto; the built page opens in headless Chromium.
// Prints the time from opening the page to all N rows shown online with values, and the page's
// CPU while the stations publish (the renderer's main thread from Chromium's own metrics, and
// all of Chromium's processes from /proc).
//
//   node bench/web-overview-load.mjs [--stations 1000] [--seconds 60]   (after scripts/build)

import { mkdtempSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { parseArgs } from 'node:util';

import { startBroker } from '../tests/web/support/broker.mjs';
import { openBrowser } from '../tests/web/support/browser.mjs';
import { waitFor } from '../tests/web/support/ports.mjs';
import { Processes } from '../tests/web/support/processes.mjs';
import { webModule } from '../tests/web/support/webModules.mjs';

const { values: options } = parseArgs({ options: { stations: { type: 'string', default: '1000' }, seconds: { type: 'string', default: '60' } } });
const stations = Number(options.stations);
const seconds = Number(options.seconds);
const webDir = process.env.ORVANT_WEB_DIR ?? new URL('../build/web/page', import.meta.url).pathname;
const mqtt = await webModule('mqtt');

const names = Array.from({ length: stations }, (_, i) => `S${String(i).padStart(4, '0')}`);
const pad = (n) => String(n).padStart(2, '0');
function line(seconds, i) {
    const t = new Date(seconds * 1000);
    const x = (21000 + i + 20 * Math.sin(seconds / 300)).toFixed(2).padStart(9);
    return `${t.getUTCFullYear()} ${pad(t.getUTCMonth() + 1)} ${pad(t.getUTCDate())} ${pad(t.getUTCHours())} ` +
           `${pad(t.getUTCMinutes())} ${pad(t.getUTCSeconds())} ${x}  -1234.50  45678.90  21.5  20.2`;
}

// Every station once a second, spread over the second as real stations are.
function startGenerator(client) {
    let seq = 0;
    let tick = 0;
    const timer = setInterval(() => {
        const now = Math.floor(Date.now() / 1000);
        const slice = tick++ % 10;
        for (let i = slice; i < stations; i += 10) {
            const topic = `orvant3k/v1/${names[i]}`;
            client.publish(`${topic}/lines`, JSON.stringify({ seq, lines: [line(now, i)] }), { qos: 1 });
            if (now % 10 === i % 10)
                client.publish(`${topic}/status`, JSON.stringify({ state: 'online', time: '2026-12-10T00:00:00Z', version: '0.1.0', next: seq + 1 }), { qos: 1, retain: true });
            if (now % 60 === i % 60)
                client.publish(`${topic}/minute`, JSON.stringify({ time: new Date(Math.floor(now / 60) * 60000).toISOString().slice(0, 19), x: 21000 + i, y: -1234.5, z: 45678.9 }), { qos: 1 });
        }
        if (slice === 9) seq++;
    }, 100);
    return () => clearInterval(timer);
}

function chromiumCpuSeconds(rootPid) {
    const ticks = 100;  // clock ticks a second (USER_HZ) on Linux
    let total = 0;
    const children = new Map();
    for (const entry of readdirSync('/proc')) {
        if (!/^\d+$/.test(entry)) continue;
        try {
            const stat = readFileSync(`/proc/${entry}/stat`, 'utf8');
            const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
            children.set(Number(entry), { parent: Number(fields[1]), cpu: (Number(fields[11]) + Number(fields[12])) / ticks });
        } catch { /* ended meanwhile */ }
    }
    const within = (pid) => { for (let p = pid; p > 1; p = children.get(p)?.parent ?? 0) if (p === rootPid) return true; return false; };
    for (const [pid, { cpu }] of children) if (within(pid)) total += cpu;
    return total;
}

const processes = new Processes();
const folder = mkdtempSync(join(tmpdir(), 'orvant3k-bench-'));
let browser, client, stopGenerator;
try {
    const broker = await startBroker(processes, folder, webDir, { open: true });
    client = await mqtt.connectAsync(broker.mqttUrl, { protocolVersion: 5, reconnectPeriod: 0 });
    for (const [i, name] of names.entries()) {
        client.publish(`orvant3k/v1/${name}/status`, JSON.stringify({ state: 'online', time: '2026-12-10T00:00:00Z', version: '0.1.0', next: 0 }), { qos: 1, retain: true });
        client.publish(`orvant3k/v1/${name}/meta`, JSON.stringify({ station: name, program: 'orvant3k 0.1.0', coefficientCount: 91, iaga2002: { StationName: `Station ${i}` } }), { qos: 1, retain: true });
    }
    stopGenerator = startGenerator(client);
    browser = await openBrowser();
    const page = await browser.browser.newPage();
    await page.setViewport({ width: 1280, height: 800 });
    const opened = Date.now();
    await page.goto(broker.pageUrl);
    await page.type('#login input[name=username]', 'viewer');
    await page.click('#login button');
    await waitFor('the connection', () => page.$eval('#link', (span) => span.textContent === 'Broker: connected'), 60);
    const connected = (Date.now() - opened) / 1000;
    await waitFor('all rows', () => page.$$eval('tbody tr', (rows, n) => rows.length === n, stations), 120);
    const rowsIn = (Date.now() - opened) / 1000;
    // All rows in the table and counted online; the rows on screen (the only ones the page
    // writes until they are scrolled to) with their values.
    await waitFor('all rows online with values', () => page.evaluate((n) => {
        const rows = document.querySelectorAll('tbody tr');
        const onScreen = [...rows].filter((tr) => tr.getBoundingClientRect().top < innerHeight);
        return rows.length === n && document.querySelector('.summary').textContent.includes(`: ${n} online`) &&
               onScreen.every((tr) => tr.className === 'online' && tr.querySelector('td.x').textContent !== '');
    }, stations), 120);
    const shown = (Date.now() - opened) / 1000;
    console.log(`${stations} stations: all rows shown online with values ${shown.toFixed(1)} s after opening the page ` +
                `(connected after ${connected.toFixed(1)} s, all rows in the table after ${rowsIn.toFixed(1)} s)`);

    const before = { metrics: await page.metrics(), chromium: chromiumCpuSeconds(browser.browser.process().pid), at: Date.now() };
    await new Promise((r) => setTimeout(r, seconds * 1000));
    const afterwards = { metrics: await page.metrics(), chromium: chromiumCpuSeconds(browser.browser.process().pid), at: Date.now() };
    const wall = (afterwards.at - before.at) / 1000;
    const share = (a, b) => `${(100 * (a - b) / wall).toFixed(1)} %`;
    console.log(`over ${wall.toFixed(0)} s of ${stations} stations publishing once a second:`);
    console.log(`  page main thread busy ${share(afterwards.metrics.TaskDuration, before.metrics.TaskDuration)} of one core ` +
                `(script ${share(afterwards.metrics.ScriptDuration, before.metrics.ScriptDuration)}, ` +
                `layout ${share(afterwards.metrics.LayoutDuration, before.metrics.LayoutDuration)}, ` +
                `style ${share(afterwards.metrics.RecalcStyleDuration, before.metrics.RecalcStyleDuration)})`);
    console.log(`  all of Chromium's processes ${share(afterwards.chromium, before.chromium)} of one core; ` +
                `page heap ${(afterwards.metrics.JSHeapUsedSize / 1048576).toFixed(0)} MB`);
    const summary = await page.$eval('.summary', (s) => s.textContent);
    console.log(`  the page says: ${summary}`);
} finally {
    stopGenerator?.();
    await client?.endAsync();
    await browser?.close();
    await processes.stopAll();
    rmSync(folder, { recursive: true, force: true });
}
