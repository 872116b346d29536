// The npm packages the tests use are the page's own, installed in web/ from its lock file by
// the build; they are loaded from there rather than installed a second time for the tests.

import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

export const WebDir = new URL('../../../web/', import.meta.url);
const fromWeb = createRequire(new URL('package.json', WebDir));

export async function webModule(name) {
    const module = await import(pathToFileURL(fromWeb.resolve(name)).href);
    return module.default ?? module;
}
