// Opening an archive: a .zip, a .gz, a tar or a .tar.gz holding a disk gives the native
// command's files; one of several disks is picked; a damaged archive gives no files and names
// the entry; a bomb is stopped in the worker without stalling the page; names in Shift_JIS and
// of any length read as the archiver meant them.
import assert from 'node:assert/strict';
import { readFileSync, readdirSync } from 'node:fs';
import { test } from 'node:test';
import { deflateRawSync, gzipSync } from 'node:zlib';

import {
  crc32, gzipAround, paxPath, tarOf, unzipStored, zerosDeflated, zipOf,
} from './support/archives.mjs';
import { assertSameFiles, demoDisk, nativeRun } from './support/disks.mjs';
import {
  choose, clickForResult, downloaded, openPage, pageHeapMb, pageUrl, shownBy,
} from './support/pages.mjs';

test('a disk in a .zip (stored or deflated), a .gz, a tar or a .tar.gz: the native files', async () => {
  const disk = demoDisk('excellent');
  const native = nativeRun('disk.d88', disk).files;
  const tar = tarOf([{ name: 'docs/readme.txt', bytes: Buffer.from('hi') },
                     { name: 'disks/disk.d88', bytes: disk }]);
  const cases = [
    ['stored.zip', zipOf([{ name: 'readme.txt', bytes: Buffer.from('hi') },
                          { name: 'disks/disk.d88', bytes: disk }]), 'stored.zip › disks/disk.d88'],
    ['deflated.zip', zipOf([{ name: 'DISK.D88', bytes: disk, deflated: true }]),
     'deflated.zip › DISK.D88'],
    ['disk.d88.gz', gzipSync(disk), 'disk.d88.gz › disk.d88'],
    ['disks.tar', tar, 'disks.tar › disks/disk.d88'],
    ['disks.tar.gz', gzipSync(tar), 'disks.tar.gz › disks.tar › disks/disk.d88'],
  ];
  for (const [name, archive, heading] of cases) {
    const page = await openPage();
    await choose(page, name, archive);
    assert.equal(await page.textContent('#file-name'), heading);
    assert.equal(await page.textContent('#verdict'), 'Recognised as “Castle Excellent”.');
    const shown = await shownBy(page);
    assertSameFiles(shown.files, native);
    assert.deepEqual(shown.requests, [pageUrl]);
    // Download all holds the same four files.
    assertSameFiles(unzipStored(await downloaded(page, await page.$('a[download$=".zip"]'))), native);
    await page.close();
  }
});

test('an archive of two disks lists them; the one picked is read and focus goes to it', async () => {
  const castle = demoDisk('castle');
  const page = await openPage();
  await choose(page, 'two.zip', zipOf([{ name: 'a/excellent.d88', bytes: demoDisk('excellent') },
                                       { name: 'castle.D77', bytes: castle, deflated: true }]));
  assert.deepEqual(await page.$$eval('#archive-entries button', (b) => b.map((x) => x.textContent)),
                   ['a/excellent.d88', 'castle.D77']);
  await clickForResult(page, '#archive-entries li:nth-child(2) button');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'result-title');
  assert.equal(await page.textContent('#file-name'), 'two.zip › castle.D77');
  assertSameFiles((await shownBy(page)).files, nativeRun('castle.D77', castle).files);
  await page.close();
});

// Assert that the page shows the message as its verdict, offers no files, and shows nothing
// of a disk.
async function assertRefused(page, message) {
  assert.equal(await page.textContent('#verdict'), message);
  assert.ok(!message.endsWith('..'));
  assert.equal((await page.$$('#result a[download]')).length, 0);
  for (const box of ['#said', '#files', '#disk']) assert.ok(await page.$eval(box, (e) => e.hidden), box);
}

test('a byte changed in an archive: no files, and the damaged entry named', async () => {
  const disk = demoDisk('castle');
  const changed = Buffer.from(disk);
  changed[5000] ^= 0x01;
  const deflated = deflateRawSync(disk);
  const cut = gzipSync(disk);
  const cases = [
    ['stored.zip', zipOf([{ name: 'castle.d88', bytes: changed, crc: crc32(disk) }]),
     'castle.d88 in this ZIP is damaged: its CRC-32 does not match.'],
    ['deflated.zip', zipOf([{ name: 'castle.d88', bytes: disk, deflated: true, crc: crc32(changed) }]),
     'castle.d88 in this ZIP is damaged: its CRC-32 does not match.'],
    ['castle.d88.gz', gzipAround(deflateRawSync(changed), disk.length, crc32(disk)),
     'castle.d88.gz is damaged: its CRC-32 does not match.'],
    ['broken.zip', zipOf([{ name: 'castle.d88', bytes: disk,
                            packed: Buffer.concat([deflated.subarray(0, 100), Buffer.from([0xff, 0xff]),
                                                   deflated.subarray(102)]) }]),
     /^castle\.d88 in this ZIP is damaged: its packed data cannot be unpacked \([a-z ]+\)\.$/],
    ['cut.d88.gz', cut.subarray(0, cut.length - 20), 'cut.d88.gz is damaged: its packed data ends too soon.'],
    ['locked.zip', (() => {
      const zip = zipOf([{ name: 'castle.d88', bytes: disk }]);
      zip.writeUInt16LE(0x0801, zip.length - 22 - 46 - 10 + 8);  // the directory's flags: encrypted
      return zip;
    })(), 'castle.d88 in this ZIP is encrypted; unpack it with its password first.'],
    ['nothing.zip', zipOf([{ name: 'readme.txt', bytes: Buffer.from('no disk here') }]),
     'This ZIP archive holds no D88 disk image.'],
    // Each entry is held against both its headers: the one that matches the data is not enough.
    ['central.zip', zipOf([{ name: 'castle.d88', bytes: changed, crc: crc32(disk),
                             centralCrc: crc32(changed) }]),
     'castle.d88 in this ZIP is damaged: its local header and the central directory give ' +
     'different CRC-32s.'],
    ['local.zip', zipOf([{ name: 'castle.d88', bytes: changed, crc: crc32(changed),
                           centralCrc: crc32(disk) }]),
     'castle.d88 in this ZIP is damaged: its local header and the central directory give ' +
     'different CRC-32s.'],
    ['short.zip', zipOf([{ name: 'castle.d88', bytes: disk, centralSize: disk.length - 1000 }]),
     'castle.d88 in this ZIP is damaged: its local header and the central directory give ' +
     'different sizes.'],
  ];
  for (const [name, archive, message] of cases) {
    const page = await openPage();
    await choose(page, name, archive);
    if (message instanceof RegExp) {
      assert.match(await page.textContent('#verdict'), message);
      await assertRefused(page, await page.textContent('#verdict'));
    } else {
      await assertRefused(page, message);
    }
    await page.close();
  }
});

// The most memory any renderer process of the browser held, in MB, sampled every 20 ms while
// `run` runs: no tab takes more.
async function rendererMemoryWhile(run) {
  let most = 0;
  const sample = () => {
    for (const pid of readdirSync('/proc').filter((entry) => /^\d+$/.test(entry))) {
      try {
        if (!readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=renderer')) continue;
        const resident = readFileSync(`/proc/${pid}/status`, 'utf8').match(/VmRSS:\s+(\d+) kB/);
        most = Math.max(most, Number(resident[1]) / 1024);
      } catch {
        // gone meanwhile
      }
    }
  };
  const timer = setInterval(sample, 20);
  try {
    await run();
  } finally {
    clearInterval(timer);
  }
  sample();
  return most;
}

test('bombs: stopped in the worker, never held by the page, and a new choice cancels one', async () => {
  const gibibyte = zerosDeflated(1024);  // 1 MB that unpacks to 1 GiB of zeros
  const cases = [
    ['honest.zip', zipOf([{ name: 'castle.d88', bytes: Buffer.alloc(0), packed: gibibyte, size: 2 ** 30 }]),
     'castle.d88 in this ZIP unpacks to more than 200 MB: not a floppy disk image.'],
    ['lying.zip', zipOf([{ name: 'castle.d88', bytes: Buffer.alloc(0), packed: gibibyte, size: 348000 }]),
     'castle.d88 in this ZIP is damaged: it unpacks to more than the 348000 bytes its archive gives it.'],
    ['one.d88.gz', gzipAround(gibibyte, 2 ** 30, 0),
     'one.d88.gz unpacks to more than 200 MB: not a floppy disk image.'],
    // 4 GiB: its length field wraps to 0, so only unpacking finds it out.
    ['four.d88.gz', gzipAround(zerosDeflated(4096), 2 ** 32, 0),
     'four.d88.gz unpacks to more than 200 MB: not a floppy disk image.'],
  ];
  for (const [name, bomb, message] of cases) {
    let heap = 0;
    const memory = await rendererMemoryWhile(async () => {
      const page = await openPage();
      await choose(page, name, bomb);
      await assertRefused(page, message);
      heap = await pageHeapMb(page);
      await page.close();
    });
    // Unpacked in the worker: the page's own heap never holds what a bomb unpacks to.
    assert.ok(heap < 64, `${name}: the page's heap holds ${heap} MB`);
    assert.ok(memory < 300, `${name}: a tab took ${memory} MB`);
  }
  // A new choice while a bomb unpacks: the disk's result, and it stays.
  const page = await openPage();
  await page.setInputFiles('#file', { name: 'four.d88.gz', mimeType: 'application/gzip',
                                      buffer: gzipAround(zerosDeflated(4096), 2 ** 32, 0) });
  await page.waitForTimeout(50);
  await choose(page, 'castle.d88', demoDisk('castle'));
  await page.waitForTimeout(2000);
  assert.equal(await page.textContent('#verdict'), 'Recognised as “The Castle”.');
  await page.close();
});

test('entry names: Shift_JIS without the UTF-8 flag, and names of any length', async () => {
  const castle = demoDisk('castle');
  const shiftJis = (text) => Buffer.concat([Buffer.from(text === '城' ? [0x8f, 0xe9] : [0x8d, 0x60]),
                                            Buffer.from('.d88')]);
  const page = await openPage();
  await choose(page, 'japanese.zip', zipOf([{ nameBytes: shiftJis('城'), bytes: castle },
                                            { nameBytes: shiftJis('港'), bytes: demoDisk('excellent') }]));
  assert.deepEqual(await page.$$eval('#archive-entries button', (b) => b.map((x) => x.textContent)),
                   ['城.d88', '港.d88']);
  await clickForResult(page, '#archive-entries li:nth-child(1) button');
  assert.equal(await page.textContent('#file-name'), 'japanese.zip › 城.d88');
  assert.equal(await page.getAttribute('a[download$=".zip"]', 'download'), '城-files.zip');
  await page.close();

  for (const length of [1018, 4000]) {
    const name = `${'a'.repeat(length - 4)}.d88`;
    const tab = await openPage();
    await choose(tab, 'long.zip', zipOf([{ name, bytes: castle, deflated: true }]));
    assert.equal(await tab.textContent('#verdict'), 'Recognised as “The Castle”.', `${length} bytes`);
    assert.equal(await tab.textContent('#file-name'), `long.zip › ${name}`);
    assertSameFiles((await shownBy(tab)).files, nativeRun('castle.d88', castle).files);
    await tab.close();
  }
});

test('names and streams as the native command reads them: pax, katakana, dots, padding, old sums', async () => {
  const disk = demoDisk('castle');
  const gzip = gzipSync(disk);
  const kana = Buffer.from([0xc3, 0xbd, 0xc4, 0xb1, ...Buffer.from('.d88')]);  // also UTF-8 "ýı"
  const cases = [
    ['pax.tar', tarOf([{ name: 'PaxHeader', bytes: paxPath('城のディスク.d88'), type: 'x' },
                       { name: 'disk.d88', bytes: disk }]), 'pax.tar › 城のディスク.d88'],
    ['old.tar', tarOf([{ name: 'ディスク.d88', bytes: disk, signed: true }]), 'old.tar › ディスク.d88'],
    ['kana.zip', zipOf([{ nameBytes: kana, bytes: disk }]), 'kana.zip › ﾃｽﾄｱ.d88'],
    ['dots.zip', zipOf([{ name: '..', bytes: disk }]), 'dots.zip › ..'],
    ['dot.zip', zipOf([{ name: 'disks/.', bytes: disk }]), 'dot.zip › disks/.'],
    ['padded.d88.gz', Buffer.concat([gzip, Buffer.alloc(1000)]), 'padded.d88.gz › padded.d88'],
    ['junk.d88.gz', Buffer.concat([gzip, Buffer.from('junk')]), 'junk.d88.gz › junk.d88'],
    ['two.d88.gz', Buffer.concat([gzip, Buffer.alloc(2)]), 'two.d88.gz › two.d88'],
  ];
  const native = nativeRun('castle.d88', disk).files;
  for (const [name, archive, heading] of cases) {
    const page = await openPage();
    await choose(page, name, archive);
    assert.equal(await page.textContent('#file-name'), heading);
    assert.equal(await page.textContent('#verdict'), 'Recognised as “The Castle”.', name);
    assertSameFiles((await shownBy(page)).files, native);
    await page.close();
  }
});

test('many disks: a hundred at a time, the rest found by name; two of one name told apart', async () => {
  const castle = demoDisk('castle');
  const many = Array.from({ length: 20000 }, (_, i) => ({ name: `d${i}.d88`, bytes: Buffer.alloc(0) }));
  const page = await openPage();
  await choose(page, 'many.zip', zipOf(many));
  assert.equal(await page.textContent('#verdict'), 'This ZIP archive holds 20,000 disk images; the ' +
               'first 1,000 are listed, and a part of a name finds the others. Which one?');
  assert.equal(await page.$$eval('#archive-entries button', (b) => b.length), 100);
  assert.ok(await page.$$eval('#result *', (all) => all.length) < 400);
  await page.click('#archive-more');
  assert.equal(await page.$$eval('#archive-entries button', (b) => b.length), 200);
  await page.fill('#archive-find-text', 'd19999');
  await clickForResult(page, '#archive-find button');
  assert.deepEqual(await page.$$eval('#archive-entries button', (b) => b.map((x) => x.textContent)),
                   ['d19999.d88']);
  await page.close();

  const tab = await openPage();
  await choose(tab, 'twice.zip', zipOf([{ name: 'disk.d88', bytes: demoDisk('excellent') },
                                        { name: 'disk.d88', bytes: castle }]));
  assert.deepEqual(await tab.$$eval('#archive-entries button', (b) => b.map((x) => x.textContent)),
                   ['disk.d88 (#1)', 'disk.d88 (#2)']);
  await clickForResult(tab, '#archive-entries li:nth-child(2) button');
  assert.equal(await tab.textContent('#file-name'), 'twice.zip › disk.d88 (#2)');
  assert.equal(await tab.textContent('#verdict'), 'Recognised as “The Castle”.');
  await tab.close();
});