// castle-extract.html in Debian's Chromium, opened from disk: for each kind of disk, what the page
// shows and the files it offers, against what the native command prints and writes for the
// same disk. Run by CTest with the paths below in the environment.
//   CASTLE_PAGE      the built page
//   NATIVE_EXTRACT   the native castle-extract
//   MAKE_DEMO_DISK   the native demo disk maker
//   WEB_TEST_OUT     where the screenshot is kept
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { launchChromium } from './chromium.mjs';

const { CASTLE_PAGE, NATIVE_EXTRACT, MAKE_DEMO_DISK, WEB_TEST_OUT } = process.env;
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
function nativeRun(name, disk) {
  const dir = mkdtempSync(join(work, 'native-'));
  writeFileSync(join(dir, name), disk);
  const result = spawnSync(NATIVE_EXTRACT, [name], { cwd: dir });
  const files = {};
  for (const file of readdirSync(dir).filter((file) => file !== name)) {
    files[file] = readFileSync(join(dir, file));
  }
  return { exitCode: result.status, out: result.stdout, err: result.stderr, files };
}

// Picks the disk in the page and returns what it shows, the bytes of every download, and every
// request the page made.
async function pageRun(name, disk, screenshot) {
  const page = await browser.newPage({ acceptDownloads: true });
  const requests = [];
  page.on('request', (request) => requests.push(request.url()));
  await page.goto(pageUrl);
  const path = join(work, name);
  writeFileSync(path, disk);
  await page.setInputFiles('#file', path);
  await page.waitForSelector('body[data-ready]');
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
    const [download] = await Promise.all([page.waitForEvent('download'), link.click()]);
    shown.files[await link.getAttribute('download')] = readFileSync(await download.path());
  }
  if (screenshot) {
    await page.screenshot({ path: join(WEB_TEST_OUT, screenshot), fullPage: true });
  }
  await page.close();
  shown.requests = requests.filter((url) => !url.startsWith('blob:'));
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
    ['notes.txt', Buffer.from('not a disk image\n'), 0, /not a D88 disk image/],
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
