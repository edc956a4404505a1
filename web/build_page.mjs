// Puts castle-extract.html together: the page's markup with its style, the WebAssembly module's
// script (the module embedded in it) and the page's own script inline, and a content security
// policy that allows exactly those, by their hashes, and nothing from anywhere.
//   node build_page.mjs MODULE.js OUTPUT.html
import { createHash } from 'node:crypto';
import { readFileSync, writeFileSync } from 'node:fs';

const [modulePath, outputPath] = process.argv.slice(2);
const here = new URL('.', import.meta.url);
const read = (path) => readFileSync(path, 'utf8');

const style = read(new URL('page.css', here));
const scripts = [read(modulePath), read(new URL('page.js', here))];
for (const script of scripts) {
  if (/<\/script/i.test(script)) {
    throw new Error('a script holds "</script", which would end it early in the page');
  }
}
const hash = (text) => `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;
const policy = [
  "default-src 'none'",
  `script-src ${scripts.map(hash).join(' ')} 'wasm-unsafe-eval'`,
  `style-src ${hash(style)}`,
  "base-uri 'none'",
  "form-action 'none'",
].join('; ');

const page = read(new URL('page.html', here))
  .replace('__POLICY__', () => policy)
  .replace('/*STYLE*/', () => style)
  .replace('/*MODULE*/', () => scripts[0])
  .replace('/*SCRIPT*/', () => scripts[1]);
writeFileSync(outputPath, page);
console.log(`${outputPath}: ${Buffer.byteLength(page)} bytes`);
