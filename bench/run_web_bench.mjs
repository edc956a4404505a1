// Measures the browser edition in headless Chromium: the page's size; the time from choosing a
// disk image to the downloads being ready (as the page measures it, from its file input's change
// to its last drawing) in a fresh page and in a page that has read a disk before, against the
// native command on the same disk; and, for heavy files (every track over the same 256 records,
// a crafted 43 MB file of 64 images, a 300 MB file, a .gz "bomb" of 4 GiB), how long reading
// takes, the longest task of the page's own thread, how many elements the map has, and the
// peak memory of the tab.
//   node bench/run_web_bench.mjs PAGE.html NATIVE_CASTLE_EXTRACT MAKE_DEMO_DISK MAKE_BENCH_IMAGES [RUNS]
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { gzipAround, zerosDeflated } from '../web/test/support/archives.mjs';
import { launchChromium } from '../web/test/support/chromium.mjs';

const [page, nativeExtract, makeDemoDisk, makeBenchImages, runsText] = process.argv.slice(2);
const runs = Number(runsText || 20);
const work = mkdtempSync(join(tmpdir(), 'castle-web-bench-'));
const disk = join(work, 'castle.d88');
spawnSync(makeDemoDisk, ['castle', disk]);
const hostile = fileURLToPath(new URL(
  '../fuzz/regressions/info_every_track_the_same_256_records.d88', import.meta.url));
const big = join(work, 'big.bin');
writeFileSync(big, Buffer.alloc(300 << 20, 0x5a));
spawnSync(makeBenchImages, [work]);
const bomb = join(work, 'four.d88.gz');
writeFileSync(bomb, gzipAround(zerosDeflated(4096), 2 ** 32, 0));

// The peak resident memory of each renderer process, in MB.
function rendererPeaks() {
  const peaks = new Map();
  for (const pid of readdirSync('/proc').filter((entry) => /^\d+$/.test(entry))) {
    try {
      if (!readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=renderer')) continue;
      peaks.set(pid, Number(readFileSync(`/proc/${pid}/status`, 'utf8').match(/VmHWM:\s+(\d+) kB/)[1]) / 1024);
    } catch {
      // gone meanwhile
    }
  }
  return peaks;
}
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const browser = await launchChromium();
const longestOfTwo = [];

// Every task of the page's own thread over 50 ms, from the page's start.
const watchLongTasks = () => {
  window.longTasks = [];
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) window.longTasks.push(entry.duration);
  }).observe({ type: 'longtask', buffered: true });
};

async function choose(tab, path) {
  await tab.evaluate(() => { delete document.body.dataset.ready; });
  await tab.setInputFiles('#file', path);
  await tab.waitForSelector('body[data-ready]', { timeout: 120000 });
  return Number(await tab.getAttribute('body', 'data-ready'));
}

// Where a run's time went: until the worker's result arrived, and each part of the worker's
// run (choosing the file, d88-info's report, castle-extract, the ZIP of the files, the map's
// model), then the page's drawing.
async function parts(tab, took) {
  const worker = JSON.parse(await tab.getAttribute('body', 'data-worker'));
  const drawn = (await tab.getAttribute('body', 'data-drawing') || '').split(' ').map(Number);
  return { ...worker, drawing: took - worker.total, shown: drawn[0], said: drawn[1],
           lists: drawn[2] + drawn[3], map: drawn[4] };
}

const first = [];
const again = [];
const firstParts = [];
const againParts = [];
for (let run = 0; run < runs; ++run) {
  // A new page each time: the first disk pays for starting the worker, a second does not.
  const tab = await browser.newPage();
  await tab.addInitScript(watchLongTasks);
  await tab.goto(pathToFileURL(page).href);
  // A person takes longer than half a second to choose a file once the page is there.
  await tab.waitForTimeout(500);
  first.push(await choose(tab, disk));
  firstParts.push(await parts(tab, first.at(-1)));
  again.push(await choose(tab, disk));
  againParts.push(await parts(tab, again.at(-1)));
  longestOfTwo.push(await tab.evaluate(() => Math.max(0, ...window.longTasks)));
  await tab.close();
}
const partsText = (all) => Object.keys(all[0]).map((key) =>
  `${key} ${median(all.map((part) => part[key] || 0)).toFixed(1)}`).join(', ');

const heavy = [];
for (const [name, path] of [['hostile (4.8 KB, 164 tracks over 256 records)', hostile],
                            ['crafted 43 MB, 64 images of 164 tracks of 256 records', join(work, 'many-records.d88')],
                            ['300 MB of one byte', big],
                            ['a .gz of 4 MB that unpacks to 4 GiB', bomb]]) {
  const before = rendererPeaks();
  const tab = await browser.newPage();
  await tab.addInitScript(watchLongTasks);
  await tab.goto(pathToFileURL(page).href);
  await tab.waitForTimeout(500);  // the page's own start is not what is measured
  await tab.evaluate(() => { window.longTasks = []; });
  const took = await choose(tab, path);
  await tab.waitForTimeout(200);
  const longest = await tab.evaluate(() => Math.max(0, ...window.longTasks));
  const nodes = await tab.$$eval('#track-map *', (all) => all.length);
  const memory = Math.max(...[...rendererPeaks()].filter(([pid]) => !before.has(pid)).map(([, mb]) => mb));
  heavy.push({ name, took, longest, nodes, memory });
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
console.log(`  first disk in a new page: ${median(first).toFixed(1)} ms (${partsText(firstParts)})`);
console.log(`  another disk in the same page: ${median(again).toFixed(1)} ms (${partsText(againParts)})`);
console.log(`  longest task of the page over both: median ${median(longestOfTwo).toFixed(1)} ms, ` +
            `most ${Math.max(...longestOfTwo).toFixed(1)} ms (none over 50 ms is 0)`);
console.log(`  native castle-extract, process start to exit: ${median(native).toFixed(1)} ms`);
for (const { name, took, longest, nodes, memory } of heavy) {
  console.log(`${name}: ready in ${took.toFixed(1)} ms, longest task of the page ` +
              `${longest.toFixed(1)} ms (none over 50 ms is none at all: 0), ${nodes} map elements, ` +
              `tab's peak ${memory.toFixed(0)} MB`);
}
