// Dropping files on the page: a file dropped anywhere is read; of several, the first that is a
// disk image or an archive; a folder, and a file gone before it is read again, are said in
// words.
import assert from 'node:assert/strict';
import { rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { demoDisk, withoutTrack, work } from './support/disks.mjs';
import {
  choose, clickForResult, drop, kMostAtOnce, mostAddedWhile, openPage, waitForResult,
} from './support/pages.mjs';

test('a drag over the page makes it the target, and the drop is read, not opened', async () => {
  const page = await openPage();
  const disk = demoDisk('excellent').toString('base64');
  await page.evaluate((data) => {
    window.transfer = new DataTransfer();
    window.transfer.items.add(new File([Uint8Array.from(atob(data), (c) => c.charCodeAt(0))],
                                       'first.d88'));
  }, disk);
  await page.evaluate(() => {
    const { transfer } = window;
    document.body.dispatchEvent(new DragEvent('dragenter', { dataTransfer: transfer, bubbles: true }));
    document.body.dataset.dragging = document.body.classList.contains('dragging');
    const dropped = new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true });
    document.body.dispatchEvent(dropped);
    document.body.dataset.kept = dropped.defaultPrevented;
  });
  await waitForResult(page);
  assert.equal(await page.getAttribute('body', 'data-dragging'), 'true');
  assert.equal(await page.getAttribute('body', 'data-kept'), 'true');
  assert.equal(await page.textContent('#verdict'), 'Recognised as “Castle Excellent”.');
  await page.close();
});

test('of several files dropped, the first that is a disk image or an archive', async () => {
  const page = await openPage();
  const disk = demoDisk('excellent');
  const cases = [
    [[{ name: 'first.d88', bytes: disk }, { name: 'second.d88', bytes: disk }],
     'first.d88', 'Several files were dropped; this is the first of them. Left: second.d88.'],
    [[{ name: 'readme.txt', bytes: Buffer.from('notes') }, { name: 'game.d88', bytes: disk },
      { name: 'other.d88', bytes: disk }],
     'game.d88', 'Several files were dropped; this is the first that is a disk image or an ' +
     'archive. Left: readme.txt, other.d88.'],
    [[{ folder: 'photos' }, { name: 'game.d88', bytes: disk }],
     'game.d88', 'Several files were dropped; this is the first of them. Left: photos (a folder).'],
  ];
  for (const [items, heading, leftOut] of cases) {
    await drop(page, items);
    assert.equal(await page.textContent('#file-name'), heading);
    assert.equal(await page.textContent('#left-out'), leftOut);
    assert.equal(await page.textContent('#verdict'), 'Recognised as “Castle Excellent”.');
  }
  await page.close();
});

test('a folder dropped, and a file gone before it is cut: said in plain words', async () => {
  const page = await openPage();
  await drop(page, [{ folder: 'disks' }]);
  assert.equal(await page.textContent('#verdict'), 'disks is a folder, and the page reads files: ' +
                                                   'open it and choose or drop the .d88 file in it.');
  const path = join(work, 'copy.d88');
  writeFileSync(path, withoutTrack(demoDisk('castle'), 79));
  await page.evaluate(() => { delete document.body.dataset.ready; });
  await page.setInputFiles('#file', path);
  await waitForResult(page);
  for (const change of [() => rmSync(path), () => writeFileSync(path, Buffer.alloc(100))]) {
    if (!(await page.$('#title-choice button'))) {
      writeFileSync(path, withoutTrack(demoDisk('castle'), 79));
      await choose(page, 'copy.d88', withoutTrack(demoDisk('castle'), 79));
    }
    change();
    await clickForResult(page, '#title-choice button:text("Cut as The Castle")');
    const verdict = await page.textContent('#verdict');
    assert.equal(verdict, 'copy.d88 can no longer be read: it was moved, deleted or changed ' +
                          'after it was chosen. Choose it again.');
    assert.doesNotMatch(verdict, /Error|permission/);
  }
  await page.close();
});

test('a thousand files dropped: the first disk among them, read first, and no stall', async () => {
  const notes = Array.from({ length: 1000 }, (_, i) => ({ name: `note${i}.txt`, bytes: Buffer.from('n') }));
  const most = await mostAddedWhile(async (page) => {
    await drop(page, [...notes, { name: 'game.d88', bytes: demoDisk('excellent') }]);
    assert.equal(await page.textContent('#file-name'), 'game.d88');
    assert.equal(await page.textContent('#verdict'), 'Recognised as “Castle Excellent”.');
    assert.match(await page.textContent('#left-out'), /^Several files were dropped; this is the first that is a disk image or an archive\. Left: note0\.txt, note1\.txt, /);
    // The others judged by their first bytes: d88-info reads the disk alone.
    assert.equal(JSON.parse(await page.getAttribute('body', 'data-runs')).report, 1);
  });
  assert.ok(most <= kMostAtOnce, `the page added ${most} elements and marks at once`);
});