// The disks the tests choose: made by the native demo disk maker and crafted-file maker, or
// changed from them here; and what the native command prints and writes for a disk, which the
// page must match byte for byte.
//   NATIVE_EXTRACT     the native castle-extract
//   MAKE_DEMO_DISK     the native demo disk maker
//   MAKE_BENCH_IMAGES  the native maker of crafted files
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after } from 'node:test';

const { NATIVE_EXTRACT, MAKE_DEMO_DISK, MAKE_BENCH_IMAGES } = process.env;

export const work = mkdtempSync(join(tmpdir(), 'castle-web-'));
after(() => rmSync(work, { recursive: true, force: true }));

const kTrackTable = 32;
const kRecord = 16 + 256;  // a record's header and data on the demo disks

export function demoDisk(title) {
  const path = join(work, `${title}.d88`);
  assert.equal(spawnSync(MAKE_DEMO_DISK, [title, path]).status, 0);
  return readFileSync(path);
}

export function withoutTrack(disk, track) {
  const changed = Buffer.from(disk);
  changed.writeUInt32LE(0, kTrackTable + 4 * track);
  return changed;
}

export function withSignatureNumbers(disk, second, third) {
  const changed = Buffer.from(disk);
  const track79 = changed.readUInt32LE(kTrackTable + 4 * 79);
  changed[track79 + kRecord + 2] = second;
  changed[track79 + 2 * kRecord + 2] = third;
  return changed;
}

// The file the crafted-file maker writes under that name.
let crafted = null;
export function craftedFile(name) {
  if (!crafted) {
    crafted = mkdtempSync(join(work, 'crafted-'));
    assert.equal(spawnSync(MAKE_BENCH_IMAGES, [crafted]).status, 0);
  }
  return join(crafted, name);
}

// What the native command prints and writes for the disk, in a folder of its own.
export function nativeRun(name, disk, options = []) {
  const dir = mkdtempSync(join(work, 'native-'));
  writeFileSync(join(dir, name), disk);
  const result = spawnSync(NATIVE_EXTRACT, [...options, name], { cwd: dir });
  const files = {};
  for (const file of readdirSync(dir).filter((file) => file !== name)) {
    files[file] = readFileSync(join(dir, file));
  }
  return { exitCode: result.status, out: result.stdout, err: result.stderr, files };
}

export function assertSameFiles(shown, native) {
  assert.deepEqual(Object.keys(shown).sort(), Object.keys(native).sort());
  for (const [name, bytes] of Object.entries(native)) {
    assert.ok(shown[name].equals(bytes), `${name} differs from the native command's`);
  }
}

export function assertSameAsNative(shown, native, pageUrl) {
  assert.equal(shown.output, new TextDecoder('shift_jis').decode(native.out));
  assert.equal(shown.diagnostics, native.err.toString());
  assert.equal(shown.exitCode, native.exitCode);
  assertSameFiles(shown.files, native.files);
  assert.deepEqual(shown.requests, [pageUrl], 'the page asked for nothing but itself');
}

// A D88 image of the tracks ({ track: [sector count, size code] }), each sector numbered from 1
// in order, its data a pattern of its track and number.
export function d88Of(tracks, media = 0x20, name = 'CRAFTED') {
  const kHeaderSize = 688;
  const parts = [];
  const table = new Map();
  let at = kHeaderSize;
  for (const [track, [count, n]] of Object.entries(tracks)) {
    table.set(Number(track), at);
    for (let r = 1; r <= count; ++r) {
      const size = 128 << n;
      const record = Buffer.alloc(16 + size, (Number(track) * 7 + r) & 0xff);
      record.fill(0, 0, 16);
      record[0] = Math.floor(track / 2);
      record[1] = track % 2;
      record[2] = r;
      record[3] = n;
      record.writeUInt16LE(count, 4);
      record.writeUInt16LE(size, 14);
      parts.push(record);
      at += record.length;
    }
  }
  const header = Buffer.alloc(kHeaderSize);
  header.write(name, 0);
  header[27] = media;
  header.writeUInt32LE(at, 28);
  for (const [track, offset] of table) header.writeUInt32LE(offset, kTrackTable + 4 * track);
  return Buffer.concat([header, ...parts]);
}
