// Screenshots of the page: kept beside the build's page always, and written into docs/ when
// ORVANT_DOC_SCREENSHOTS=1 (the pictures docs/network.md shows; taken on demand, as the
// window's are, so that a test run does not change the tree).

import { mkdirSync } from 'node:fs';
import { join } from 'node:path';

export async function saveScreenshot(page, name) {
    const folder = process.env.ORVANT_DOC_SCREENSHOTS === '1'
        ? join(process.env.ORVANT_SOURCE_DIR, 'docs')
        : join(process.env.ORVANT_WEB_DIR, '..', 'web-screenshots');
    mkdirSync(folder, { recursive: true });
    // Down to the end of what the page shows, at most the window's height.
    const { width, height } = page.viewport();
    const content = await page.evaluate(() => document.body.getBoundingClientRect().bottom + 12);
    await page.screenshot({ path: join(folder, name), clip: { x: 0, y: 0, width, height: Math.min(height, Math.ceil(content)) } });
}
