// Builds the page into one file, OUT/index.html, with its script and styles inside: mosquitto's
// http_dir sends files without a content type, which browsers refuse for module scripts and
// style sheets but accept for the page itself.
//
//   node web/build.mjs OUT

import { build } from 'esbuild';
import { mkdir, readFile, writeFile } from 'node:fs/promises';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const out = process.argv[2];
if (!out) {
    console.error('usage: node build.mjs OUT');
    process.exit(2);
}

const result = await build({
    entryPoints: [join(here, 'src/main.js')],
    bundle: true,
    minify: true,
    format: 'iife',
    target: ['chrome109', 'firefox115'],
    outdir: 'out',
    write: false,
    legalComments: 'eof',
    logLevel: 'warning',
});
const output = (extension) => result.outputFiles.find((f) => f.path.endsWith(extension)).text;
// "</script" or "</style" inside the inlined text would end its element early.
const script = output('.js').replace(/<\/script/gi, '<\\/script');
const style = output('.css').replace(/<\/style/gi, '<\\/style');
const page = (await readFile(join(here, 'src/index.html'), 'utf8'))
    .replace('/*STYLE*/', () => style)
    .replace('/*SCRIPT*/', () => script);
await mkdir(out, { recursive: true });
await writeFile(join(out, 'index.html'), page);
