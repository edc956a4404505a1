// The page in Debian's Chromium, as its tests drive it: a fresh page from disk with every
// request it makes noted, a file chosen or dropped and the page's result awaited, what the page
// shows and the bytes of every download, and the most the page adds to itself in one piece.
//   CASTLE_PAGE    the built page
//   WEB_TEST_OUT   where screenshots are kept
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before } from 'node:test';
import { pathToFileURL } from 'node:url';

import { launchChromium } from './chromium.mjs';
import { work } from './disks.mjs';

export const { CASTLE_PAGE, WEB_TEST_OUT } = process.env;
export const pageUrl = pathToFileURL(CASTLE_PAGE).href;

let browser;
before(async () => { browser = await launchChromium(); });
after(async () => { await browser.close(); });

// What the page adds to itself in one piece (a run of its script between two checkpoints), at
// most, from the page's start: each element counts one, and each mark of the map's paths (a
// sector's box, one "M" of a path's data) one more. Work done in one piece is what stalls a
// page: every button of a long list, or a whole map, at once.
function watchAdditions() {
  window.mostAdded = 0;
  const weigh = (node) => {
    if (node.nodeType !== Node.ELEMENT_NODE) return 0;
    let weight = 1 + node.getElementsByTagName('*').length;
    for (const path of [node, ...node.getElementsByTagName('path')]) {
      if (path.tagName === 'path') weight += (path.getAttribute('d') || '').split('M').length - 1;
    }
    return weight;
  };
  new MutationObserver((records) => {
    let added = 0;
    for (const record of records) for (const node of record.addedNodes) added += weigh(node);
    window.mostAdded = Math.max(window.mostAdded, added);
  }).observe(document, { childList: true, subtree: true });
}

// A fresh page, with every request it makes noted and what it adds to itself watched.
export async function openPage(options = {}) {
  const page = await browser.newPage({ acceptDownloads: true, ...options });
  page.requests = [];
  page.on('request', (request) => page.requests.push(request.url()));
  await page.addInitScript(watchAdditions);
  await page.goto(pageUrl);
  return page;
}

// The most the page added to itself in one piece since the last call.
export async function mostAdded(page) {
  return page.evaluate(() => {
    const most = window.mostAdded;
    window.mostAdded = 0;
    return most;
  });
}

export async function waitForResult(page, timeout = 30000) {
  await page.waitForSelector('body[data-ready]', { timeout });
}

// The most the page may add in one piece: a step of the map (at most 2400 marks, and a track
// of at most 64 marks and a few elements more), or a hundred buttons of a list. Counted, not
// timed: the same on a busy machine as on an idle one.
export const kMostAtOnce = 3000;

// Forgets what was added so far: what comes next is measured.
const startMeasuring = (page) => mostAdded(page);

// What the page's own heap (its thread's, not its worker's) holds, in MB.
export async function pageHeapMb(page) {
  const session = await page.context().newCDPSession(page);
  const { usedSize } = await session.send('Runtime.getHeapUsage');
  await session.detach();
  return usedSize / (1 << 20);
}

// The most a fresh page adds in one piece while `run(page)` has it show a result, the page's
// own start left out.
export async function mostAddedWhile(run, options = {}) {
  const page = await openPage(options);
  await startMeasuring(page);
  await run(page);
  const most = await mostAdded(page);
  await page.close();
  return most;
}

// Chooses the bytes as a file of that name and waits until the page has shown what it gave.
export async function choose(page, name, bytes) {
  const path = join(work, name);
  writeFileSync(path, bytes);
  await page.evaluate(() => { delete document.body.dataset.ready; });
  await startMeasuring(page);
  await page.setInputFiles('#file', path);
  await waitForResult(page);
}

// Clicks what the selector finds and waits for the page's new result.
export async function clickForResult(page, selector) {
  await page.evaluate(() => { delete document.body.dataset.ready; });
  await startMeasuring(page);
  await page.click(selector);
  await waitForResult(page);
}

// Drops files ({ name, bytes } with bytes as base64, or { folder }) on the page, as a drag from
// a file manager does.
export async function drop(page, items) {
  await page.evaluate(() => { delete document.body.dataset.ready; });
  // The files are made first: making them is the test's work, not the page's.
  await page.evaluate((dropped) => {
    window.dropped = dropped.map((item) => (item.folder ? item : new File(
      [Uint8Array.from(atob(item.base64), (c) => c.charCodeAt(0))], item.name)));
  }, items.map((item) => (item.folder ? item : { name: item.name,
                                                  base64: Buffer.from(item.bytes).toString('base64') })));
  await startMeasuring(page);
  await page.evaluate(() => {
    const transfer = new DataTransfer();
    for (const file of window.dropped.filter((item) => item instanceof File)) transfer.items.add(file);
    // A folder arrives as an item whose entry is a directory.
    const items = [...transfer.items].map((item) => ({
      kind: 'file', getAsFile: () => item.getAsFile(),
      webkitGetAsEntry: () => ({ isDirectory: false, name: item.getAsFile().name }),
    }));
    for (const { folder } of window.dropped.filter((item) => item.folder)) {
      items.unshift({ kind: 'file', getAsFile: () => new File([], folder),
                      webkitGetAsEntry: () => ({ isDirectory: true, name: folder }) });
    }
    const event = new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true });
    Object.defineProperty(event, 'dataTransfer', {
      value: { types: ['Files'], files: transfer.files, items },
    });
    document.body.dispatchEvent(event);
  });
  await waitForResult(page);
}

export async function downloaded(page, link) {
  const [download] = await Promise.all([page.waitForEvent('download'), link.click()]);
  return readFileSync(await download.path());
}

// What the page shows, and the bytes of every download.
export async function shownBy(page) {
  const shown = {
    heading: await page.textContent('#file-name'),
    output: await page.textContent('#output'),
    diagnostics: await page.textContent('#diagnostics'),
    exitCode: Number(await page.textContent('#exit-code')),
    verdict: await page.textContent('#verdict'),
    status: await page.textContent('#status'),
    runs: await page.$$eval('#runs li', (items) => items.map((item) => item.textContent)),
    downloads: await page.$$eval('#downloads li', (items) => items.map((item) => item.textContent)),
    tracks: await page.$$eval('#track-map g[data-track]', (groups) => groups.length),
    files: {},
  };
  for (const link of await page.$$('#downloads a[download]')) {
    shown.files[await link.getAttribute('download')] = await downloaded(page, link);
  }
  shown.requests = page.requests.filter((url) => !url.startsWith('blob:'));
  return shown;
}

// Picks the file in a fresh page and returns what it shows.
export async function pageRun(name, bytes, screenshot) {
  const page = await openPage();
  await choose(page, name, bytes);
  const shown = await shownBy(page);
  if (screenshot) await page.screenshot({ path: join(WEB_TEST_OUT, screenshot), fullPage: true });
  await page.close();
  return shown;
}

export async function screenshot(page, name) {
  await page.screenshot({ path: join(WEB_TEST_OUT, name), fullPage: true });
}
