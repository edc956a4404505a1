// Measures the browser edition in headless Chromium: the page's size, and the time from choosing
// a disk image to the downloads being ready (as the page measures it, from its file input's
// change to its last drawing), against the native command on the same disk.
//   node bench/run_web_bench.mjs PAGE.html NATIVE_CASTLE_EXTRACT MAKE_DEMO_DISK [RUNS]
import { spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

import { launchChromium } from '../web/test/chromium.mjs';

const [page, nativeExtract, makeDemoDisk, runsText] = process.argv.slice(2);
const runs = Number(runsText || 20);
const work = mkdtempSync(join(tmpdir(), 'castle-web-bench-'));
const disk = join(work, 'castle.d88');
spawnSync(makeDemoDisk, ['castle', disk]);
const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];

const browser = await launchChromium();
const first = [];
const again = [];
for (let run = 0; run < runs; ++run) {
  // A new page each time: the first disk pays for compiling the WebAssembly, a second does not.
  const tab = await browser.newPage();
  await tab.goto(pathToFileURL(page).href);
  for (const times of [first, again]) {
    await tab.evaluate(() => { delete document.body.dataset.ready; });
    await tab.setInputFiles('#file', disk);
    await tab.waitForSelector('body[data-ready]');
    times.push(Number(await tab.getAttribute('body', 'data-ready')));
  }
  await tab.close();
}
await browser.close();

const native = [];
for (let run = 0; run < runs; ++run) {
  const start = process.hrtime.bigint();
  spawnSync(nativeExtract, [disk], { cwd: work });
  native.push(Number(process.hrtime.bigint() - start) / 1e6);
}
rmSync(work, { recursive: true, force: true });

console.log(`castle-extract.html: ${statSync(page).size} bytes`);
console.log(`choosing a disk of The Castle to the downloads being ready, median of ${runs}:`);
console.log(`  first disk in a new page: ${median(first).toFixed(1)} ms`);
console.log(`  another disk in the same page: ${median(again).toFixed(1)} ms`);
console.log(`  native castle-extract, process start to exit: ${median(native).toFixed(1)} ms`);
