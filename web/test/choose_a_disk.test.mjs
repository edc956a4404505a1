// Choosing a disk image: what the page says and offers for each kind of disk, against what the
// native command prints and writes for the same disk; a damaged disk named as damaged; a file
// of several images; a copy without its signature; and choices that overtake each other.
import assert from 'node:assert/strict';
import { rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import {
  assertSameAsNative, assertSameFiles, demoDisk, nativeRun, withSignatureNumbers, withoutTrack,
  work,
} from './support/disks.mjs';
import { zipOf } from './support/archives.mjs';
import {
  choose, clickForResult, openPage, pageRun, pageUrl, shownBy, waitForResult,
} from './support/pages.mjs';

const cutting = 'cutting ... PROG1\ncutting ... PROG2\ncutting ... MUSIC\ncutting ... VOICE\n';

test('each title: the messages decoded, and the files of the native command', async () => {
  for (const [title, name, picture] of [['castle', 'The Castle', 'castle-extract-page.png'],
                                         ['excellent', 'Castle Excellent', null]]) {
    const disk = demoDisk(title);
    const shown = await pageRun(`${title}.d88`, disk, picture);
    assert.equal(shown.output, `${name}のディスクを認識しました.\n${cutting}`);
    assert.equal(shown.verdict, `Recognised as “${name}”.`);
    assert.equal(shown.status, `${title}.d88: Recognised as “${name}”. 4 files to download.`);
    assertSameAsNative(shown, nativeRun(`${title}.d88`, disk), pageUrl);
    assert.equal(shown.tracks, 80);
    assert.ok(shown.runs.every((run) => !run.includes('breaks')), shown.runs.join('\n'));
  }
});

test('a damaged disk: the verdict, the announcement and the file say what is wrong', async () => {
  const castle = demoDisk('castle');
  const suspect = Buffer.from(castle);
  suspect[castle.readUInt32LE(32) + 16 + 256 + 8] = 0xb0;  // track 0, R2: a data CRC error
  const cases = [
    [withoutTrack(castle, 61), 'PROG2 is incomplete: the disk supplied only 256 of its 2076 ' +
     'bytes; the rest is padding.', 'PROG2'],
    [suspect, 'PROG1 may hold wrong bytes: sector C0 H0 R2 N1 on track 0 was stored with a data ' +
     'CRC error (status 0xB0).', 'PROG1'],
    [withoutTrack(castle, 0), 'PROG1 was not written: the first sector of its run is missing or ' +
     'short.', null],
  ];
  for (const [disk, problem, listed] of cases) {
    const shown = await pageRun('damaged.d88', disk);
    assertSameAsNative(shown, nativeRun('damaged.d88', disk), pageUrl);
    assert.equal(shown.verdict, `Recognised as “The Castle”, but ${problem}`);
    assert.match(shown.status, new RegExp(`^damaged\\.d88: Recognised as “The Castle”, but ` +
                                          `${problem.replace(/[().]/g, '\\$&')} \\d files to download\\.$`));
    const line = shown.downloads.find((text) => text.includes(problem));
    assert.ok(listed ? line.startsWith(`${listed} `) : line === problem, shown.downloads.join('\n'));
  }
  const gone = await pageRun('damaged.d88', withoutTrack(castle, 61));
  assert.match(gone.runs[1], /^PROG2: breaks at track 61 sector 1 \(C30 H1 R1 N1\), which is not on the disk$/);
});

test('not a disk image, and a disk of neither title: no files, and why', async () => {
  const cases = [
    ['notes.txt', Buffer.from('not a disk image\n'), 0,
     'This is not a D88 disk image: it is 17 bytes long, shorter than the 688 bytes of a D88 ' +
     'header. Nothing was written.'],
    ['other.d88', withSignatureNumbers(demoDisk('castle'), 0xf3, 0xf3), 80,
     'Not recognised: the second and third sectors on track 79 of the first image are numbered ' +
     '0xF3 and 0xF3. “The Castle” has 0xF2 and 0xF3, “Castle Excellent” 0xF3 and 0xF2. The ' +
     'disk is neither, so nothing was written.'],
  ];
  for (const [name, disk, tracks, verdict] of cases) {
    const shown = await pageRun(name, disk);
    assertSameAsNative(shown, nativeRun(name, disk), pageUrl);
    assert.deepEqual(shown.files, {});
    assert.equal(shown.tracks, tracks);
    assert.equal(shown.verdict, verdict);
  }
  // An archive the page does not open (the native command may, through libarchive).
  const sevenZip = await pageRun('archive.7z', Buffer.concat([
    Buffer.from([0x37, 0x7a, 0xbc, 0xaf, 0x27, 0x1c]), Buffer.alloc(900)]));
  assert.equal(sevenZip.verdict, 'This is not a D88 disk image: it is a 7z archive; unpack the ' +
                                 'D88 file from it first. Nothing was written.');
  assert.equal(sevenZip.diagnostics, 'castle-extract: archive.7z is a 7z archive; unpack it first\n');
  assert.deepEqual(sevenZip.files, {});
});

test('a file of several images: which they are, and the one that is a game disk cut', async () => {
  const file = Buffer.concat([withSignatureNumbers(demoDisk('castle'), 0xf3, 0xf3),
                              demoDisk('excellent')]);
  const page = await openPage();
  await choose(page, 'two.d88', file);
  assert.match(await page.textContent('#verdict'),
               / Image 1 of this file is “Castle Excellent”: cut it with the button below\.$/);
  assert.deepEqual(await page.$$eval('#images li', (items) => items.map((item) => item.textContent)),
                   ['Image 0 “THE CASTLE DEMO”, 2D, 345312 bytes (shown)',
                    'Image 1 “EXCELLENT DEMO”, 2D, 345312 bytes: “Castle Excellent”']);
  await clickForResult(page, '#image-choice button:text("Cut image 1 (“Castle Excellent”)")');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'result-title');
  const shown = await shownBy(page);
  assert.equal(shown.verdict, 'Image 1 recognised as “Castle Excellent”.');
  assertSameAsNative(shown, nativeRun('two.d88', file, ['--image', '1']), pageUrl);
  assert.match(await page.textContent('#map-summary'), /^Image 1 “EXCELLENT DEMO”, 2D/);
  await page.close();
});

test('a disk named in Shift_JIS, and one without its signature cut as asked', async () => {
  const named = demoDisk('castle');
  Buffer.from([0x8f, 0xe9, 0x83, 0x66, 0x83, 0x42, 0x83, 0x58, 0x83, 0x4e, 0, 0, 0, 0, 0, 0])
    .copy(named, 0);
  let page = await openPage();
  await choose(page, 'named.d88', named);
  assert.match(await page.textContent('#map-summary'), /^Image 0 “城ディスク”, 2D/);
  await page.close();

  const copy = withoutTrack(demoDisk('castle'), 79);
  page = await openPage();
  await choose(page, 'copy.d88', copy);
  assert.match(await page.textContent('#verdict'), /^Not recognised/);
  await clickForResult(page, '#title-choice button:text("Cut as The Castle")');
  // The button is gone with the last result: focus is on the new one's heading.
  assert.equal(await page.evaluate(() => document.activeElement.id), 'result-title');
  assert.equal(await page.textContent('#verdict'),
               'Cut as “The Castle”, as asked: track 79 carries no title signature.');
  const native = nativeRun('copy.d88', copy, ['--title', 'castle']);
  assertSameFiles((await shownBy(page)).files, native.files);
  assert.equal(await page.textContent('#diagnostics'), native.err.toString());
  await page.close();
});

test('offers only where they are true: a title for a copy without track 79, another image, a cut', async () => {
  const castle = demoDisk('castle');
  const excellent = demoDisk('excellent');
  const buttons = (page, box) => page.$$eval(`${box} button`, (b) => b.map((x) => x.textContent));
  const cases = [
    // A whole disk of neither title has its track 79: nothing to offer.
    ['plain.d88', withSignatureNumbers(castle, 0x01, 0x02), [], []],
    ['copy.d88', withoutTrack(castle, 79), ['Cut as The Castle', 'Cut as Castle Excellent'], []],
    ['worn.d88', withoutTrack(withoutTrack(castle, 79), 61),
     ['Cut as The Castle (3 of its 4 files whole)', 'Cut as Castle Excellent (3 of its 4 files whole)'], []],
    // Both titles in one file: the other image is offered, the first recognised.
    ['set.d88', Buffer.concat([castle, excellent]), [], ['Cut image 1 (“Castle Excellent”)']],
  ];
  for (const [name, disk, titles, images] of cases) {
    const page = await openPage();
    await choose(page, name, disk);
    assert.deepEqual(await buttons(page, '#title-choice'), titles, name);
    assert.deepEqual(await buttons(page, '#image-choice'), images, name);
    await page.close();
  }
  // Inside an archive, the entry and the image both chosen.
  const page = await openPage();
  await choose(page, 'set.zip', zipOf([{ name: 'set.d88', bytes: Buffer.concat([
    withSignatureNumbers(castle, 0xf3, 0xf3), excellent]) }]));
  await clickForResult(page, '#image-choice button:text("Cut image 1")');
  assert.equal(await page.textContent('#file-name'), 'set.zip › set.d88');
  assert.equal(await page.textContent('#verdict'), 'Image 1 recognised as “Castle Excellent”.');
  // A dump cut short before track 79 is said to be, as well as neither.
  await choose(page, 'cut.d88', castle.subarray(0, 200000));
  assert.match(await page.textContent('#verdict'), /^Not recognised: .* The file is cut short: it holds 200,000 of the 345,312 bytes its image says it has\.$/);
  await page.close();
});

test('a new choice clears the last one, and only the latest choice is shown', async () => {
  const page = await openPage();
  await choose(page, 'castle.d88', demoDisk('castle'));
  await choose(page, 'broken.gz', Buffer.from([0x1f, 0x8b, 8, 0, 9, 9, 9, 9, 9, 9]));
  assert.equal(await page.textContent('#file-name'), 'broken.gz');
  assert.equal(await page.textContent('#exit-code'), '');
  assert.equal((await page.$$('#result a[download]')).length, 0);
  assert.equal((await page.$$('#track-map g')).length, 0);

  // A 300 MB file, then a disk 30 ms later: the disk's result, and it stays.
  const big = join(work, 'big.bin');
  writeFileSync(big, Buffer.alloc(300 << 20));
  writeFileSync(join(work, 'castle.d88'), demoDisk('castle'));
  await page.evaluate(() => { delete document.body.dataset.ready; });
  await page.setInputFiles('#file', big);
  await page.waitForTimeout(30);
  await page.setInputFiles('#file', join(work, 'castle.d88'));
  await waitForResult(page);
  await page.waitForTimeout(2500);
  assert.equal(await page.textContent('#file-name'), 'castle.d88');
  assert.equal(await page.textContent('#verdict'), 'Recognised as “The Castle”.');
  assert.ok(await page.$eval('#busy', (e) => e.hidden));
  await page.close();
  rmSync(big);
});
