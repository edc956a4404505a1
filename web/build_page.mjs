// Puts castle-extract.html together: the page's markup with its style and its script inline,
// and, stored gzip-compressed (the browser's own DecompressionStream unpacks them), the
// WebAssembly module and the script of the worker that runs it: the module's JavaScript glue
// followed by the worker's code. The page's script and the worker's are each bundled by esbuild
// from their modules (page/, worker/), fflate inlined into the worker, its licence stated in
// the page and in the worker's script. The content security policy allows exactly the page's
// script and style, by their hashes, the WebAssembly, and a worker made from the page's own
// blob; no request to anywhere.
//   node build_page.mjs MODULE.js MODULE.wasm OUTPUT.html
import { createHash } from 'node:crypto';
import { readFileSync, writeFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';

const [modulePath, wasmPath, outputPath] = process.argv.slice(2);
const here = new URL('.', import.meta.url);
const read = (path) => readFileSync(path, 'utf8');

let esbuild;
try {
  esbuild = await import('esbuild');
} catch {
  console.error('esbuild is missing: run "npm ci" in web/ first (it installs what the page is ' +
                'built and tested with, from the npm registry)');
  process.exit(1);
}

// What npm ci installed must be what the lock file names.
const locked = JSON.parse(read(new URL('package-lock.json', here))).packages;
for (const name of ['fflate', 'esbuild']) {
  const installed = JSON.parse(read(new URL(`node_modules/${name}/package.json`, here))).version;
  if (installed !== locked[`node_modules/${name}`].version) {
    console.error(`web/node_modules holds ${name} ${installed}, not the ${locked[`node_modules/${name}`].version} ` +
                  'package-lock.json names: run "npm ci" in web/ again');
    process.exit(1);
  }
}
const fflateHome = new URL('node_modules/fflate/', here);
const fflate = JSON.parse(read(new URL('package.json', fflateHome)));
const fflateLicense = read(new URL('LICENSE', fflateHome));

// One script from the modules, in a function of its own, without comments or spare spaces
// (the names are kept, so that it still reads).
async function bundle(entry, banner = '') {
  const built = await esbuild.build({
    entryPoints: [new URL(entry, here).pathname],
    bundle: true,
    format: 'iife',
    platform: 'browser',
    target: 'chrome111',
    minifyWhitespace: true,
    minifySyntax: true,
    legalComments: 'none',
    banner: { js: banner },
    write: false,
  });
  return built.outputFiles[0].text;
}

const style = read(new URL('page.css', here));
const script = await bundle('page/main.js');
if (/<\/script/i.test(script)) {
  throw new Error('the page script holds "</script", which would end it early in the page');
}
const workerScript = await bundle('worker/main.js',
                                  `/*! fflate ${fflate.version}\n${fflateLicense.trim()}\n*/`);
const workerCode = `${read(modulePath)}\n${workerScript}`;
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

const escapeHtml = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;');
const page = read(new URL('page.html', here))
  .replace('__POLICY__', () => policy)
  .replace('/*STYLE*/', () => style)
  .replace('/*FFLATE_VERSION*/', () => fflate.version)
  .replace('/*FFLATE_LICENSE*/', () => escapeHtml(fflateLicense.trim()))
  .replace('/*WORKER*/', () => packed(Buffer.from(workerCode, 'utf8')))
  .replace('/*WASM*/', () => packed(readFileSync(wasmPath)))
  .replace('/*SCRIPT*/', () => script);
writeFileSync(outputPath, page);
console.log(`${outputPath}: ${Buffer.byteLength(page)} bytes`);
