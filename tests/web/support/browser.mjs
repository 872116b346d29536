// Debian's Chromium, headless, driven by puppeteer-core (which never downloads a browser), with
// a fresh profile and nothing that reaches beyond this machine.

import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { webModule } from './webModules.mjs';

const puppeteer = await webModule('puppeteer-core');

// `trustedKey`: the key hash (SPKI, SHA-256, base64) of a test server's certificate that
// Chromium is to accept, as if the test's authority were installed.
export async function openBrowser({ trustedKey } = {}) {
    const profile = mkdtempSync(join(tmpdir(), 'orvant3k-chromium-'));
    const browser = await puppeteer.launch({
        executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
        headless: true,
        userDataDir: profile,
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync',
               '--font-render-hinting=none',
               ...(trustedKey ? [`--ignore-certificate-errors-spki-list=${trustedKey}`] : [])],
    });
    const close = async () => {
        await browser.close().catch(() => {});
        rmSync(profile, { recursive: true, force: true });
    };
    return { browser, close };
}

// Opens the page and connects as `user`; page errors fail the test through `errors`.
export async function openOverview(browser, pageUrl, user, password, viewport = { width: 1280, height: 800 }) {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    const errors = [];
    page.on('pageerror', (error) => errors.push(error.message));
    await page.goto(pageUrl);
    // The form may hold the user an earlier page of this profile remembered.
    await page.$eval('#login input[name=username]', (input) => { input.value = ''; });
    await page.type('#login input[name=username]', user);
    await page.type('#login input[name=password]', password);
    await page.click('#login button');
    return { page, errors };
}
