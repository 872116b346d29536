// The page against stations a test client plays: the history a collector answers is drawn,
// bad messages of every kind are named on the row without breaking the page, peers' texts
// stay text, the page talks through a TLS listener other than the one that served it, and
// the page's read-only user can publish nothing but history requests.

import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, it } from 'node:test';

import { startBroker, Users } from './support/broker.mjs';
import { openBrowser, openOverview } from './support/browser.mjs';
import { pixelsOfColour } from './support/canvas.mjs';
import { connectAs, startHistoryAnswerer } from './support/clients.mjs';
import { waitFor } from './support/ports.mjs';
import { Processes } from './support/processes.mjs';

const XColour = [0xb0, 0x40, 0x2a];
const SparkColour = [0x2a, 0x6f, 0xb0];

function lineAt(seconds, x) {
    const t = new Date(seconds * 1000).toISOString();
    const fields = [t.slice(0, 4), t.slice(5, 7), t.slice(8, 10), t.slice(11, 13), t.slice(14, 16), t.slice(17, 19)];
    return `${fields.join(' ')} ${x.toFixed(2).padStart(9)} ${'-1234.50'.padStart(9)} ${'45678.90'.padStart(9)}  21.5  20.2`;
}

describe('a station\'s page and messages from any client', () => {
    const processes = new Processes();
    const folder = mkdtempSync(join(tmpdir(), 'orvant3k-web-'));
    let browser, broker, station, answerer;

    before(async () => {
        broker = await startBroker(processes, folder, process.env.ORVANT_WEB_DIR, { tls: true });
        station = await connectAs(broker.mqttUrl, 'TST');
        await station.publishAsync('orvant3k/v1/TST/status', '{"state":"online","time":"2026-12-09T18:00:00Z","next":10}', { qos: 1, retain: true });
        await station.publishAsync('orvant3k/v1/TST/meta', JSON.stringify({
            station: 'TST', program: 'orvant3k 0.1.0', coefficientCount: 91,
            iaga2002: { StationName: '<img src=x onerror="window.injected=1">Test' },
            intermagnet: { IDC: 'TST', COMP: 'XYZF', interval: 60, on: true },
        }), { qos: 1, retain: true });
        answerer = await startHistoryAnswerer(broker.mqttUrl, (name, request) => {
            const from = Date.parse(`${request.from}Z`) / 1000;
            const count = 1440;
            const x = Array.from({ length: count }, (_, i) => 21000 + 50 * Math.sin(i / 100));
            x[700] = null;  // a missing minute in the collector's files
            return { from: request.from, step: 60, x, y: x.map((v) => v && v - 22000), z: x.map((v) => v && v + 24000), to: from + count * 60 };
        });
        browser = await openBrowser({ trustedKey: broker.spki });
    });
    after(async () => {
        await Promise.all([station?.endAsync(), answerer?.client.endAsync()]);
        await browser?.close();
        await processes.stopAll();
        rmSync(folder, { recursive: true, force: true });
    });

    it('asks the collector for 24 hours of minutes (MQTT 5 request) and draws its answer', async () => {
        const { page, errors } = await openOverview(browser.browser, `${broker.pageUrl}#station=TST`, 'web', Users.web);
        await waitFor('the history answered', () => page.$eval('#station .history', (p) => p.className.includes('answered')), 15);
        assert.equal(await page.$eval('#station .history', (p) => p.textContent),
                     'History: 1439 minute values from the collector, then live.');
        const [{ request, properties }] = answerer.requests;
        assert.equal(Date.parse(`${request.to}Z`) - Date.parse(`${request.from}Z`), 24 * 3600 * 1000);
        assert.match(properties.responseTopic, /^orvant3k\/v1\/TST\/history\/answer\//);
        await waitFor('the X minute values drawn', async () => await pixelsOfColour(page, '#station .minutes .uplot:first-child canvas', XColour) > 200, 10);
        // Live lines go on beside the history.
        const now = Math.floor(Date.now() / 1000);
        await station.publishAsync('orvant3k/v1/TST/lines', JSON.stringify({ seq: 0, lines: [lineAt(now - 1, 21001), lineAt(now, 21003)] }), { qos: 1 });
        await waitFor('the Bx line drawn', async () => await pixelsOfColour(page, '#station .live .uplot:first-child canvas', XColour) > 20, 10);
        assert.match(await page.$eval('#station .description', (t) => t.textContent), /Filter length91 coefficients/);
        assert.equal(await page.evaluate(() => window.injected), undefined);
        assert.deepEqual(errors, []);
        await page.close();
    });

    it('names a bad message on the row, keeps the page working, and shows peers\' texts as text', async () => {
        const { page, errors } = await openOverview(browser.browser, broker.pageUrl, 'web', Users.web);
        const cell = (column) => page.$eval(`tr[data-station="TST"] td.${column}`, (td) => td.textContent).catch(() => null);
        await waitFor('the row from the retained status', async () => (await cell('state')) === 'online', 10);
        const now = Math.floor(Date.now() / 1000);
        await station.publishAsync('orvant3k/v1/TST/lines', JSON.stringify({ seq: 10, lines: [lineAt(now, 21010)] }), { qos: 1 });
        for (let minute = 5; minute >= 1; minute--)
            await station.publishAsync('orvant3k/v1/TST/minute', JSON.stringify({ time: new Date((now - minute * 60) * 1000).toISOString().slice(0, 19), x: 21000 + minute * minute, y: 1, z: 2 }), { qos: 1 });
        await waitFor('the row\'s values', async () => (await cell('x')) === '21010.00', 10);
        assert.equal(await cell('behind'), '0');
        await waitFor('the sparkline', async () => await pixelsOfColour(page, 'tr[data-station="TST"] td.spark canvas', SparkColour) > 10, 10);
        const bad = [
            ['lines', '{"seq":"eleven"}', 'lines: "seq" is not a line number'],
            ['minute', '<script>alert(1)</script>', 'minute: not JSON'],
            ['status', '{"state":"<b>on fire</b>"}', 'status: the state is neither "online" nor "offline"'],
            ['lines', JSON.stringify({ seq: 11, lines: ['2024 13 99 <i>'] }), 'lines: 1 of 1 lines are not instrument lines'],
        ];
        for (const [kind, payload, note] of bad) {
            await station.publishAsync(`orvant3k/v1/TST/${kind}`, payload, { qos: 1 });
            await waitFor(`the note "${note}"`, async () => (await cell('note')) === note, 10);
        }
        assert.equal(await cell('x'), '21010.00');
        assert.equal(await page.$eval('tr[data-station="TST"] .station-name', (s) => s.textContent), '<img src=x onerror="window.injected=1">Test');
        assert.equal(await page.$$eval('tbody img, tbody b, tbody i, tbody script', (found) => found.length), 0);
        // A station's page for a name no topic can hold, typed into the address.
        await page.evaluate(() => { location.hash = '#station=a%2F%23'; });
        await waitFor('the station page', () => page.$eval('#station h2', (h) => h.textContent === 'a/#'), 5);
        assert.equal(await page.$eval('#station .history', (p) => p.textContent), 'History is not available: this is not a station\'s name.');
        assert.deepEqual(errors, []);
        await page.close();
    });

    it('says so when the broker refuses the password, and offers the form again', async () => {
        const { page, errors } = await openOverview(browser.browser, broker.pageUrl, 'web', 'not-the-password');
        await waitFor('the form again', () => page.$eval('#login', (form) => !form.hidden), 10);
        assert.equal(await page.$eval('#login .message', (p) => p.textContent), 'Cannot connect: the broker refused the user name or password.');
        assert.deepEqual(errors, []);
        await page.close();
    });

    it('talks MQTT through the TLS websockets listener named in its address', async () => {
        const { page, errors } = await openOverview(browser.browser, `${broker.pageUrl}?broker=${broker.wssUrl}`, 'web', Users.web);
        await waitFor('the row over wss', () => page.$eval('tr[data-station="TST"] td.state', (td) => td.textContent === 'online').catch(() => false), 15);
        assert.equal(await page.$eval('#link', (span) => span.textContent), 'Broker: connected');
        assert.equal(await page.$eval('#login input[name=broker]', (input) => input.value), broker.wssUrl);
        assert.deepEqual(errors, []);
        await page.close();
    });

    it('lets the page\'s user publish nothing but history requests', async () => {
        const watcher = await connectAs(broker.mqttUrl, 'collector');
        const seen = [];
        watcher.on('message', (topic) => seen.push(topic));
        await watcher.subscribeAsync('orvant3k/v1/#', { qos: 1 });
        // The page's own connection: websockets to the listener that served it, as `web`.
        const page = await connectAs(`ws://127.0.0.1:${broker.wsPort}/`, 'web');
        const refused = [];
        for (const topic of ['TST/status', 'TST/meta', 'TST/lines', 'TST/minute', 'TST/resend', 'web/status', 'web/lines', 'TST/history/answer/x'])
            await page.publishAsync(`orvant3k/v1/${topic}`, '{"state":"offline"}', { qos: 1 }).catch((e) => refused.push([topic, e.code ?? e.message]));
        await page.publishAsync('orvant3k/v1/TST/history', '{"from":"2024-01-05T00:00:00","to":"2024-01-05T00:01:00"}', { qos: 1 });
        await waitFor('the history request', () => seen.includes('orvant3k/v1/TST/history'), 5);
        await page.endAsync();
        await watcher.endAsync();
        assert.equal(refused.length, 8, JSON.stringify(refused));
        assert.ok(refused.every(([, code]) => code === 135), JSON.stringify(refused));
        assert.deepEqual(seen.filter((t) => !t.startsWith('orvant3k/v1/TST/history') && t !== 'orvant3k/v1/TST/status' && t !== 'orvant3k/v1/TST/meta'), []);
        assert.equal(seen.filter((t) => t === 'orvant3k/v1/TST/status').length, 1, 'only the retained status, no other');
    });
});
