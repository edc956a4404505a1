// Puts castle-extract.html together: the page's markup with its style and its own script inline,
// and, stored gzip-compressed (the browser's own DecompressionStream unpacks them), the
// WebAssembly module and the script of the worker that runs it: the module's JavaScript glue
// followed by worker.js. The content security policy allows exactly the page's script and
// style, by their hashes, the WebAssembly, and a worker made from the page's own blob; no
// request to anywhere.
//   node build_page.mjs MODULE.js MODULE.wasm OUTPUT.html
import { createHash } from 'node:crypto';
import { readFileSync, writeFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';

const [modulePath, wasmPath, outputPath] = process.argv.slice(2);
const here = new URL('.', import.meta.url);
const read = (path) => readFileSync(path, 'utf8');

const style = read(new URL('page.css', here));
const script = read(new URL('page.js', here));
if (/<\/script/i.test(script)) {
  throw new Error('the page script holds "</script", which would end it early in the page');
}
const workerCode = `${read(modulePath)}\n${read(new URL('worker.js', here))}`;
// Level 9 and no file name or time in the header: the same sources make the same page.
const packed = (bytes) => gzipSync(bytes, { level: 9 }).toString('base64');

const hash = (text) => `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;
const policy = [
  "default-src 'none'",
  `script-src ${hash(script)} 'wasm-unsafe-eval'`,
  `style-src ${hash(style)}`,
  'worker-src blob:',
  "base-uri 'none'",
  "form-action 'none'",
].join('; ');

const page = read(new URL('page.html', here))
  .replace('__POLICY__', () => policy)
  .replace('/*STYLE*/', () => style)
  .replace('/*WORKER*/', () => packed(Buffer.from(workerCode, 'utf8')))
  .replace('/*WASM*/', () => packed(readFileSync(wasmPath)))
  .replace('/*SCRIPT*/', () => script);
writeFileSync(outputPath, page);
console.log(`${outputPath}: ${Buffer.byteLength(page)} bytes`);
