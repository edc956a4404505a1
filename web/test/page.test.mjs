// castle-extract.html in Debian's Chromium, opened from disk: for each kind of disk, what the page
// shows and the files it offers, against what the native command prints and writes for the
// same disk; archives, drops, runs that overtake each other, hostile files, and what axe-core
// finds. Run by CTest with the paths below in the environment.
//   CASTLE_PAGE        the built page
//   NATIVE_EXTRACT     the native castle-extract
//   MAKE_DEMO_DISK     the native demo disk maker
//   MAKE_BENCH_IMAGES  the native maker of crafted files
//   WEB_TEST_OUT       where the screenshots are kept
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createRequire } from 'node:module';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { deflateRawSync, gzipSync } from 'node:zlib';

import { launchChromium } from './chromium.mjs';

const { CASTLE_PAGE, NATIVE_EXTRACT, MAKE_DEMO_DISK, MAKE_BENCH_IMAGES, WEB_TEST_OUT } = process.env;
const require = createRequire(import.meta.url);
const work = mkdtempSync(join(tmpdir(), 'castle-web-'));
const pageUrl = pathToFileURL(CASTLE_PAGE).href;
let browser;

before(async () => { browser = await launchChromium(); });
after(async () => {
  await browser.close();
  rmSync(work, { recursive: true, force: true });
});

// The disks: made by the demo disk maker, or changed from one here.
function demoDisk(title) {
  const path = join(work, `${title}.d88`);
  assert.equal(spawnSync(MAKE_DEMO_DISK, [title, path]).status, 0);
  return readFileSync(path);
}
function withoutTrack(disk, track) {
  const changed = Buffer.from(disk);
  changed.writeUInt32LE(0, 32 + 4 * track);
  return changed;
}
function withSignatureNumbers(disk, second, third) {
  const changed = Buffer.from(disk);
  const track79 = changed.readUInt32LE(32 + 4 * 79);
  const record = 16 + 256;  // header and data of each sector of that track
  changed[track79 + record + 2] = second;
  changed[track79 + 2 * record + 2] = third;
  return changed;
}

// What the native command prints and writes for the disk, in a folder of its own.
function nativeRun(name, disk, options = []) {
  const dir = mkdtempSync(join(work, 'native-'));
  writeFileSync(join(dir, name), disk);
  const result = spawnSync(NATIVE_EXTRACT, [...options, name], { cwd: dir });
  const files = {};
  for (const file of readdirSync(dir).filter((file) => file !== name)) {
    files[file] = readFileSync(join(dir, file));
  }
  return { exitCode: result.status, out: result.stdout, err: result.stderr, files };
}

// A fresh page, with every request it makes noted.
async function openPage(options = {}) {
  const page = await browser.newPage({ acceptDownloads: true, ...options });
  page.requests = [];
  page.on('request', (request) => page.requests.push(request.url()));
  await page.goto(pageUrl);
  return page;
}

// Chooses the bytes as a file of that name and waits until the page has shown what it gave.
async function choose(page, name, disk) {
  const path = join(work, name);
  writeFileSync(path, disk);
  await page.evaluate(() => { delete document.body.dataset.ready; });
  await page.setInputFiles('#file', path);
  await page.waitForSelector('body[data-ready]');
}

// What the page shows, and the bytes of every download.
async function shownBy(page) {
  const shown = {
    output: await page.textContent('#output'),
    diagnostics: await page.textContent('#diagnostics'),
    exitCode: Number(await page.textContent('#exit-code')),
    verdict: await page.textContent('#verdict'),
    runs: await page.$$eval('#runs li', (items) => items.map((item) => item.textContent)),
    tracks: await page.$$eval('#track-map g[data-track]', (groups) => groups.length),
    files: {},
  };
  for (const link of await page.$$('#downloads a[download]')) {
    shown.files[await link.getAttribute('download')] = await downloaded(page, link);
  }
  shown.requests = page.requests.filter((url) => !url.startsWith('blob:'));
  return shown;
}

async function downloaded(page, link) {
  const [download] = await Promise.all([page.waitForEvent('download'), link.click()]);
  return readFileSync(await download.path());
}

// Picks the disk in a fresh page and returns what it shows, the bytes of every download, and
// every request the page made.
async function pageRun(name, disk, screenshot) {
  const page = await openPage();
  await choose(page, name, disk);
  const shown = await shownBy(page);
  if (screenshot) {
    await page.screenshot({ path: join(WEB_TEST_OUT, screenshot), fullPage: true });
  }
  await page.close();
  return shown;
}

function assertSameAsNative(shown, native) {
  assert.equal(shown.output, new TextDecoder('shift_jis').decode(native.out));
  assert.equal(shown.diagnostics, native.err.toString());
  assert.equal(shown.exitCode, native.exitCode);
  assert.deepEqual(Object.keys(shown.files).sort(), Object.keys(native.files).sort());
  for (const [name, bytes] of Object.entries(native.files)) {
    assert.ok(shown.files[name].equals(bytes), `${name} differs from the native command's`);
  }
  assert.deepEqual(shown.requests, [pageUrl], 'the page asked for nothing but itself');
}

const cutting = 'cutting ... PROG1\ncutting ... PROG2\ncutting ... MUSIC\ncutting ... VOICE\n';

test('each title: the messages decoded, and the files of the native command', async () => {
  for (const [title, name, screenshot] of [['castle', 'The Castle', 'castle-extract-page.png'],
                                            ['excellent', 'Castle Excellent', null]]) {
    const disk = demoDisk(title);
    const shown = await pageRun(`${title}.d88`, disk, screenshot);
    assert.equal(shown.output, `${name}のディスクを認識しました.\n${cutting}`);
    assertSameAsNative(shown, nativeRun(`${title}.d88`, disk));
    assert.equal(shown.tracks, 80);
    assert.equal(shown.runs.length, 4);
    assert.ok(shown.runs.every((run) => !run.includes('breaks')), shown.runs.join('\n'));
  }
  // As a phone shows it: the map scrolls at a legible scale rather than shrinking.
  const phone = await openPage({ viewport: { width: 375, height: 812 } });
  await choose(phone, 'castle.d88', demoDisk('castle'));
  const scale = await phone.$eval('#track-map', (map) => map.getBoundingClientRect().width /
                                                        map.viewBox.baseVal.width);
  assert.ok(scale >= 1.5, `the map is drawn at ${scale} px a unit`);
  await phone.screenshot({ path: join(WEB_TEST_OUT, 'castle-extract-phone.png'), fullPage: true });
  await phone.close();
});

test('a damaged disk: the warnings, the files as the native command writes them', async () => {
  const disk = withoutTrack(demoDisk('castle'), 61);
  const shown = await pageRun('damaged.d88', disk);
  assert.match(shown.diagnostics, /PROG2: the disk supplied only 256 of its 2076 bytes/);
  assertSameAsNative(shown, nativeRun('damaged.d88', disk));
  assert.equal(shown.tracks, 79);
  assert.match(shown.runs[1], /^PROG2: breaks at track 61 sector 1 \(C30 H1 R1 N1\), which is not on the disk$/);
});

test('not a disk image, and a disk of neither title: no files, and why', async () => {
  const cases = [
    ['notes.txt', Buffer.from('not a disk image\n'), 0,
     /^This is not a D88 disk image: it is 17 bytes long, shorter than the 688 bytes of a D88 header\. Nothing was written\.$/],
    ['other.d88', withSignatureNumbers(demoDisk('castle'), 0xf3, 0xf3), 80,
     /^Not recognised: the second and third sectors on track 79 of the first image are numbered 0xF3 and 0xF3\./],
  ];
  for (const [name, disk, tracks, verdict] of cases) {
    const shown = await pageRun(name, disk);
    assertSameAsNative(shown, nativeRun(name, disk));
    assert.deepEqual(shown.files, {});
    assert.equal(shown.tracks, tracks);
    assert.match(shown.verdict, verdict);
  }
});

// --- Archives, drops and runs that overtake each other ---

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});
const crc32 = (bytes) => {
  let crc = 0xffffffff;
  for (const byte of bytes) crc = crcTable[(crc ^ byte) & 0xff] ^ (crc >>> 8);
  return (crc ^ 0xffffffff) >>> 0;
};

// A ZIP archive of the entries, each stored or deflated, as archivers make them.
function zipOf(entries) {
  const locals = [];
  const centrals = [];
  let offset = 0;
  for (const { name, bytes, deflated } of entries) {
    const packed = deflated ? deflateRawSync(bytes) : bytes;
    const header = Buffer.alloc(30);
    header.writeUInt32LE(0x04034b50, 0);
    header.writeUInt16LE(20, 4);
    header.writeUInt16LE(deflated ? 8 : 0, 8);
    header.writeUInt32LE(crc32(bytes), 14);
    header.writeUInt32LE(packed.length, 18);
    header.writeUInt32LE(bytes.length, 22);
    header.writeUInt16LE(Buffer.byteLength(name), 26);
    const central = Buffer.alloc(46);
    central.writeUInt32LE(0x02014b50, 0);
    central.writeUInt16LE(20, 6);
    central.writeUInt16LE(deflated ? 8 : 0, 10);
    central.writeUInt32LE(crc32(bytes), 16);
    central.writeUInt32LE(packed.length, 20);
    central.writeUInt32LE(bytes.length, 24);
    central.writeUInt16LE(Buffer.byteLength(name), 28);
    central.writeUInt32LE(offset, 42);
    locals.push(header, Buffer.from(name), packed);
    centrals.push(central, Buffer.from(name));
    offset += 30 + Buffer.byteLength(name) + packed.length;
  }
  const directory = Buffer.concat(centrals);
  const end = Buffer.alloc(22);
  end.writeUInt32LE(0x06054b50, 0);
  end.writeUInt16LE(entries.length, 8);
  end.writeUInt16LE(entries.length, 10);
  end.writeUInt32LE(directory.length, 12);
  end.writeUInt32LE(offset, 16);
  return Buffer.concat([...locals, directory, end]);
}

// The entries of a ZIP archive of stored files, by name.
function unzipStored(zip) {
  const files = {};
  for (let at = 0; zip.readUInt32LE(at) === 0x04034b50;) {
    const size = zip.readUInt32LE(at + 18);
    const nameLength = zip.readUInt16LE(at + 26);
    const start = at + 30 + nameLength + zip.readUInt16LE(at + 28);
    const bytes = zip.subarray(start, start + size);
    assert.equal(crc32(bytes), zip.readUInt32LE(at + 14));
    files[zip.toString('utf8', at + 30, at + 30 + nameLength)] = Buffer.from(bytes);
    at = start + size;
  }
  return files;
}

function assertSameFiles(shown, native) {
  assert.deepEqual(Object.keys(shown).sort(), Object.keys(native).sort());
  for (const [name, bytes] of Object.entries(native)) {
    assert.ok(shown[name].equals(bytes), `${name} differs from the native command's`);
  }
}

test('a .zip of one disk, stored or deflated, and a .gz: the files of the native command', async () => {
  const disk = demoDisk('excellent');
  const native = nativeRun('disk.d88', disk).files;
  const cases = [
    ['stored.zip', zipOf([{ name: 'readme.txt', bytes: Buffer.from('hi') },
                          { name: 'disks/disk.d88', bytes: disk }]), 'stored.zip › disks/disk.d88'],
    ['deflated.zip', zipOf([{ name: 'DISK.D88', bytes: disk, deflated: true }]),
     'deflated.zip › DISK.D88'],
    ['disk.d88.gz', gzipSync(disk), 'disk.d88.gz › disk.d88'],
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
    const all = await page.$('a[download$=".zip"]');
    assertSameFiles(unzipStored(await downloaded(page, all)), native);
    await page.close();
  }
});

test('a .zip of two disks lists them, and the one picked is read', async () => {
  const castle = demoDisk('castle');
  const page = await openPage();
  await choose(page, 'two.zip', zipOf([{ name: 'a/excellent.d88', bytes: demoDisk('excellent') },
                                       { name: 'castle.D77', bytes: castle, deflated: true }]));
  assert.deepEqual(await page.$$eval('#archive-entries button', (b) => b.map((x) => x.textContent)),
                   ['a/excellent.d88', 'castle.D77']);
  await page.evaluate(() => { delete document.body.dataset.ready; });
  await page.click('#archive-entries li:nth-child(2) button');
  await page.waitForSelector('body[data-ready]');
  assert.equal(await page.textContent('#file-name'), 'two.zip › castle.D77');
  assertSameFiles((await shownBy(page)).files, nativeRun('castle.D77', castle).files);
  await page.close();
});

test('what users drop by mistake is named, with no map and no empty boxes', async () => {
  const cases = [
    ['picture.png', Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
                                   Buffer.alloc(4000, 7)]),
     'This is not a D88 disk image: it is a PNG image. Nothing was written.'],
    ['archive.7z', Buffer.concat([Buffer.from([0x37, 0x7a, 0xbc, 0xaf, 0x27, 0x1c]), Buffer.alloc(900)]),
     'This is not a D88 disk image: it is a 7z archive; unpack the D88 file from it first. ' +
     'Nothing was written.'],
    ['nothing.zip', zipOf([{ name: 'readme.txt', bytes: Buffer.from('no disk here') }]),
     'This ZIP archive holds no .d88 or .d77 file.'],
    ['broken.gz', Buffer.from([0x1f, 0x8b, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8]), null],
  ];
  for (const [name, bytes, verdict] of cases) {
    const page = await openPage();
    await choose(page, name, bytes);
    if (verdict) assert.equal(await page.textContent('#verdict'), verdict);
    else assert.match(await page.textContent('#verdict'), /^The page could not open this file: /);
    for (const box of ['#said', '#files', '#disk']) assert.ok(await page.$eval(box, (e) => e.hidden), box);
    await page.close();
  }
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
  await page.waitForSelector('body[data-ready]');
  await page.waitForTimeout(2500);
  assert.equal(await page.textContent('#file-name'), 'castle.d88');
  assert.equal(await page.textContent('#verdict'), 'Recognised as “The Castle”.');
  assert.ok(await page.$eval('#busy', (e) => e.hidden));
  await page.close();
  rmSync(big);
});

test('a file dropped anywhere on the page is read; of several, the first', async () => {
  const page = await openPage();
  const disk = demoDisk('excellent').toString('base64');
  await page.evaluate((data) => {
    const files = ['first.d88', 'second.d88', 'third.d88']
      .map((name) => new File([Uint8Array.from(atob(data), (c) => c.charCodeAt(0))], name));
    const transfer = new DataTransfer();
    for (const file of files) transfer.items.add(file);
    document.body.dispatchEvent(new DragEvent('dragenter', { dataTransfer: transfer, bubbles: true }));
    document.body.dataset.dragging = document.body.classList.contains('dragging');
    const drop = new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true });
    document.body.dispatchEvent(drop);
    document.body.dataset.kept = drop.defaultPrevented;
  }, disk);
  await page.waitForSelector('body[data-ready]');
  assert.equal(await page.getAttribute('body', 'data-dragging'), 'true');
  assert.equal(await page.getAttribute('body', 'data-kept'), 'true');
  assert.equal(await page.textContent('#file-name'), 'first.d88');
  assert.equal(await page.textContent('#left-out'),
               'Several files were dropped; this is the first. Left: second.d88, third.d88.');
  assert.equal(await page.textContent('#verdict'), 'Recognised as “Castle Excellent”.');
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
  await page.evaluate(() => { delete document.body.dataset.ready; });
  await page.click('#title-choice button:text("Cut as The Castle")');
  await page.waitForSelector('body[data-ready]');
  assert.equal(await page.textContent('#verdict'),
               'Cut as “The Castle”, as asked: track 79 carries no title signature.');
  const native = nativeRun('copy.d88', copy, ['--title', 'castle']);
  assertSameFiles((await shownBy(page)).files, native.files);
  assert.equal(await page.textContent('#diagnostics'), native.err.toString());
  await page.close();
});

test('hostile files: read in bounded time, the map a few thousand elements at most', async () => {
  spawnSync(MAKE_BENCH_IMAGES, [work]);
  const regression = fileURLToPath(new URL(
    '../../fuzz/regressions/info_every_track_the_same_256_records.d88', import.meta.url));
  for (const [name, bytes] of [['same-records.d88', readFileSync(regression)],
                               ['chained-headers.d88', readFileSync(join(work, 'chained-headers.d88'))]]) {
    const page = await openPage();
    const start = Date.now();
    await choose(page, name, bytes);
    assert.ok(Date.now() - start < 10000, `${name} took ${Date.now() - start} ms`);
    const nodes = await page.$$eval('#track-map *', (all) => all.length);
    assert.ok(nodes <= 6000, `${name}: ${nodes} elements in the map`);
    const tracks = await page.$$eval('#track-map g[data-track]', (groups) => groups.length);
    assert.equal(tracks, 164);
    assert.match(await page.textContent('#track-map g[data-track="1"]'), /= track 0/);
    await page.close();
  }
});

test('axe-core finds nothing wrong after a disk, a file that is not one, and an error', async () => {
  const axe = readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
  const cases = [['castle.d88', demoDisk('castle')], ['notes.txt', Buffer.from('hello\n')],
                 ['broken.gz', Buffer.from([0x1f, 0x8b, 8, 0, 1])]];
  const page = await openPage({ bypassCSP: true });  // so that axe can be put in the page
  for (const [name, bytes] of cases) {
    await choose(page, name, bytes);
    await page.evaluate(axe);
    const violations = await page.evaluate(async () => (await window.axe.run()).violations
      .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
    assert.deepEqual(violations, [], name);
  }
  await page.close();
});
