// The built page in Debian's Chromium, served by a real mosquitto's websockets listener, showing
// the built headless station that records the simulator: the row comes online with values that
// advance, the station's page draws its live channels and says that history is not available
// when nobody answers, and the row goes offline when the station stops.

import assert from 'node:assert/strict';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, it } from 'node:test';

import { startBroker, Users } from './support/broker.mjs';
import { openBrowser, openOverview } from './support/browser.mjs';
import { pixelsOfColour } from './support/canvas.mjs';
import { waitFor } from './support/ports.mjs';
import { Processes } from './support/processes.mjs';
import { saveScreenshot } from './support/screenshots.mjs';
import { startCollector, startStation } from './support/station.mjs';

const BxColour = [0xb0, 0x40, 0x2a];

describe('the overview of a live station', () => {
    const processes = new Processes();
    const folder = mkdtempSync(join(tmpdir(), 'orvant3k-web-'));
    let browser, broker, station, page, errors;

    before(async () => {
        broker = await startBroker(processes, folder, process.env.ORVANT_WEB_DIR);
        station = await startStation(processes, folder, broker);
        browser = await openBrowser();
        ({ page, errors } = await openOverview(browser.browser, broker.pageUrl, 'web', Users.web));
    });
    after(async () => {
        await browser?.close();
        await processes.stopAll();
        rmSync(folder, { recursive: true, force: true });
    });

    const row = () => page.$eval('tr[data-station="TST"]', (tr) => ({
        state: tr.className, x: tr.querySelector('td.x').textContent, last: tr.querySelector('td.last').textContent,
        name: tr.querySelector('.station-name').textContent,
    })).catch(() => null);

    it('shows the station online with values that advance', async () => {
        const first = await waitFor('the row online with values', async () => {
            const r = await row();
            return r?.state === 'online' && r.x !== '' ? r : null;
        }, 30);
        assert.equal(first.name, 'Test station');
        await waitFor('a later line', async () => (await row()).last > first.last, 10);
        await saveScreenshot(page, 'network-overview.png');
    });

    it('draws the station\'s live channels and says history is not available without a collector', async () => {
        await page.click('tr[data-station="TST"] a');
        await waitFor('the history note', () => page.$eval('#station .history', (p) => p.className.includes('unavailable')), 15);
        const note = await page.$eval('#station .history', (p) => p.textContent);
        assert.match(note, /History is not available \(no collector answered within 5 s\); live data only\./);
        await waitFor('the Bx line drawn', async () => await pixelsOfColour(page, '#station .live .uplot:first-child canvas', BxColour) > 20, 15);
        const description = await page.$eval('#station .description', (t) => t.textContent);
        assert.match(description, /Filter length1 coefficients/);
        assert.match(description, /Programorvant3k /);
        await saveScreenshot(page, 'network-station.png');
        await page.click('#station a.back');
    });

    // The collector records the live station (its IAGA-2002 files too), and the station's page
    // shows the history it answers with.
    it('draws the history the built collector answers with', async () => {
        startCollector(processes, folder, broker);
        await waitFor('the collector recording', () => existsSync(join(folder, 'collected/TST/IAGA2002')), 20);
        await page.click('tr[data-station="TST"] a');
        await waitFor('the history answered', () => page.$eval('#station .history', (p) => p.className.includes('answered')), 15);
        await page.click('#station a.back');
    });

    it('shows the station offline once it stops', async () => {
        await page.evaluate(() => { location.hash = ''; });  // the overview, whatever came before
        await processes.stop(station.station);
        await waitFor('the row offline', async () => (await row())?.state === 'offline', 20);
        assert.deepEqual(errors, []);
    });
});
