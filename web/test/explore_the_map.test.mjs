// Exploring the disk's map: laid out for tracks of any number of sectors; the pointer and the
// keyboard tell each sector's track, C, H, R, N and size; a phone shows it without widening the
// page; hostile files and a crafted 43 MB file are drawn in bounded time, a few thousand
// elements at most, without a task of the page's thread over 50 ms.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { zipOf } from './support/archives.mjs';
import { craftedFile, d88Of, demoDisk } from './support/disks.mjs';
import {
  choose, kMostAtOnce, mostAddedWhile, openPage, screenshot, waitForResult,
} from './support/pages.mjs';

// Points at the middle of a sector's mark and returns what the detail line says.
async function pointAt(page, track, index) {
  const box = await page.$eval(`#track-map g[data-track="${track}"] path.sector`, (path, at) => {
    path.scrollIntoView({ block: 'center', inline: 'nearest' });
    const [x, y] = path.getAttribute('d').match(/M([\d.]+) ([\d.]+)/).slice(1).map(Number);
    const point = new DOMPoint(x + 12 * at + 5, y + 4).matrixTransform(path.getScreenCTM());
    return { x: point.x, y: point.y };
  }, index);
  await page.mouse.move(box.x, box.y);
  return page.textContent('#map-detail');
}

test('a disk of 26 sectors a track: both sides drawn whole, each mark where it says', async () => {
  const disk = d88Of({ 0: [26, 1], 1: [26, 1], 2: [26, 1], 3: [26, 1] });
  const page = await openPage();
  await choose(page, 'hd.d88', disk);
  const marks = await page.$$eval('#track-map g[data-track] path.sector',
                                  (paths) => paths.map((path) => path.getAttribute('d').split('M').length - 1));
  assert.deepEqual(marks, [26, 26, 26, 26]);
  // Side 0's last mark ends before side 1's first begins.
  const [side0, side1] = await page.$$eval('#track-map g[data-track="0"] path.sector, ' +
                                           '#track-map g[data-track="1"] path.sector',
                                           (paths) => paths.map((p) => {
                                             const box = p.getBBox();
                                             return { x: box.x, width: box.width };
                                           }));
  assert.ok(side0.x + side0.width < side1.x, `${JSON.stringify(side0)} ${JSON.stringify(side1)}`);
  assert.equal(await pointAt(page, 0, 20), 'track 0, C0 H0 R21 N1: 256 bytes');
  assert.equal(await pointAt(page, 1, 25), 'track 1, C0 H1 R26 N1: 256 bytes');
  await page.close();
});

test('the keyboard moves through tracks and sectors, and says each sector', async () => {
  const page = await openPage();
  await choose(page, 'castle.d88', demoDisk('castle'));
  assert.equal(await page.getAttribute('#map-detail', 'aria-live'), null);
  // The map is one Tab stop, its track's: the map itself is none.
  await page.focus('#download-all a');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.dataset.at), '0');
  assert.match(await page.textContent('#map-detail'), /^track 0: C0 H0 R1 N1: 256 bytes; C0 H0 R2 N1: 256 bytes, PROG1;/);
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowRight');
  const second = 'track 0, sector 2 of 16: C0 H0 R2 N1: 256 bytes, PROG1';
  assert.equal(await page.textContent('#map-detail'), second);
  assert.equal(await page.textContent('#map-said'), second);
  await page.keyboard.press('ArrowDown');
  assert.equal(await page.textContent('#map-detail'), 'track 1, sector 2 of 16: C0 H1 R2 N1: 256 bytes');
  await page.keyboard.press('End');
  assert.equal(await page.evaluate(() => document.activeElement.dataset.track), '79');
  assert.equal(await page.textContent('#map-said'), 'track 79, sector 2 of 3: C39 H1 R242 N1: 256 bytes');
  // The pointer shows, but does not speak; a click keeps what it points at.
  const said = await page.textContent('#map-said');
  await pointAt(page, 0, 5);
  assert.equal(await page.textContent('#map-said'), said);
  await page.mouse.down();
  await page.mouse.up();
  assert.match(await page.textContent('#map-detail'), /^track 0, sector 6 of 16: C0 H0 R6 N1/);
  // After more disks, one key is one step, said once, of the disk shown.
  await choose(page, 'excellent.d88', demoDisk('excellent'));
  await choose(page, 'castle.d88', demoDisk('castle'));
  await page.focus('#track-map g[data-at="0"]');
  await page.evaluate(() => {
    window.saidTimes = 0;
    new MutationObserver(() => ++window.saidTimes).observe(document.getElementById('map-said'),
                                                           { childList: true, characterData: true, subtree: true });
  });
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowDown');
  assert.equal(await page.evaluate(() => document.activeElement.dataset.track), '1');
  assert.equal(await page.evaluate(() => window.saidTimes), 2);
  assert.equal(await page.textContent('#map-said'), 'track 1, sector 1 of 16: C0 H1 R1 N1: 256 bytes');
  await page.close();
});

test('on a phone: long names wrap, and the map scrolls sideways and says so', async () => {
  const page = await openPage({ viewport: { width: 375, height: 812 } });
  const long = `${'ディスク'.repeat(60)}.d88`;
  const castle = demoDisk('castle');
  await choose(page, 'long.zip', zipOf([{ name: long, bytes: castle },
                                        { name: `b${long}`, bytes: castle }]));
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 375),
            'the page is wider than the phone');
  // A name of 5,000 characters, in the heading, the link to Download all and the busy line.
  await choose(page, 'longer.zip', zipOf([{ name: `${'x'.repeat(4996)}.d88`, bytes: castle }]));
  await page.evaluate(() => { document.getElementById('busy').hidden = false; });
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 375),
            'a long name widens the page');
  await choose(page, 'castle.d88', castle);
  assert.ok(!await page.$eval('#map-scrolls', (e) => e.hidden));
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 375));
  const scale = await page.$eval('#track-map', (map) => map.getBoundingClientRect().width /
                                                       map.viewBox.baseVal.width);
  assert.ok(scale >= 1.5, `the map is drawn at ${scale} px a unit`);
  await screenshot(page, 'castle-extract-phone.png');
  // In forced colours the map's text takes the system's.
  await page.emulateMedia({ forcedColors: 'active' });
  assert.notEqual(await page.$eval('#track-map text', (text) => getComputedStyle(text).fill),
                  'rgb(68, 68, 68)');
  await page.close();
});

test('hostile files and a crafted 43 MB file: few elements, no stall', async () => {
  const regression = fileURLToPath(new URL(
    '../../fuzz/regressions/info_every_track_the_same_256_records.d88', import.meta.url));
  // The demo disk too: no disk the tests choose stalls the page.
  for (const [name, bytes, tracks, track1] of [
    ['same-records.d88', readFileSync(regression), 164, /= track 0/],
    ['chained-headers.d88', readFileSync(craftedFile('chained-headers.d88')), 164, /= track 0/],
    ['castle.d88', demoDisk('castle'), 80, /^$/]]) {
    const most = await mostAddedWhile(async (page) => {
      await choose(page, name, bytes);
      const nodes = await page.$$eval('#track-map *', (all) => all.length);
      assert.ok(nodes <= 6000, `${name}: ${nodes} elements in the map`);
      assert.equal(await page.$$eval('#track-map g[data-track]', (groups) => groups.length), tracks);
      assert.match(await page.textContent('#track-map g[data-track="1"]'), track1);
    });
    assert.ok(most <= kMostAtOnce, `${name}: the page added ${most} elements and marks at once`);
  }
  // 64 images of 164 tracks of 256 records: a result, its progress shown.
  const most = await mostAddedWhile(async (page) => {
    await page.evaluate(() => {
      window.busyTexts = [];
      new MutationObserver(() => window.busyTexts.push(document.getElementById('busy').textContent))
        .observe(document.getElementById('busy'), { childList: true, characterData: true, subtree: true });
      delete document.body.dataset.ready;
    });
    await page.setInputFiles('#file', craftedFile('many-records.d88'));
    await waitForResult(page);
    assert.ok((await page.evaluate(() => window.busyTexts)).some((text) => /^Cutting the files/.test(text)));
    assert.equal(await page.$$eval('#track-map g[data-track]', (groups) => groups.length), 164);
    assert.ok(await page.$$eval('#track-map *', (all) => all.length) <= 6000);
    assert.match(await page.textContent('#map-summary'), /the file holds 64 images/);
  });
  assert.ok(most <= kMostAtOnce, `many-records.d88: the page added ${most} elements and marks at once`);
});
