// The worker behind castle-extract.html: it runs the command's and d88-info's real entries on
// the chosen file, each in a fresh instance of the WebAssembly module, and hands the page what
// they wrote, the files, a ZIP of them, and a map of the disk already cut down to what a page
// can draw. Everything heavy happens here, so that the page never stalls; the page ends a run
// that is no longer wanted by ending this worker.
'use strict';

// Most sector marks the map draws, over all tracks, and for one track: the page stays a few
// thousand elements whatever the file holds.
const kMaxMarks = 4800;
const kMaxMarksPerTrack = 64;
const kMaxOddListed = 50;

let wasm;  // the compiled module, sent by the page once

// Bytes written one at a time, kept in growing typed-array chunks: no limit but memory.
class Collector {
  constructor() {
    this.chunks = [];
    this.chunk = new Uint8Array(1 << 16);
    this.used = 0;
  }

  push(byte) {
    if (this.used === this.chunk.length) {
      this.chunks.push(this.chunk);
      this.chunk = new Uint8Array(Math.min(this.chunk.length * 2, 1 << 24));
      this.used = 0;
    }
    this.chunk[this.used++] = byte;
  }

  bytes() {
    return concat([...this.chunks, this.chunk.subarray(0, this.used)]);
  }
}

// The parts one after the other.
function concat(parts) {
  const all = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
  let at = 0;
  for (const part of parts) {
    all.set(part, at);
    at += part.length;
  }
  return all;
}

// Up to this size a file is read once and its bytes given to each instance as they are; a larger
// one is read where it lies, a piece at a time, and never held whole.
const kMaxHeld = 32 << 20;

// A fresh instance of the module, its standard output and error gathered.
async function instantiate() {
  const out = new Collector();
  const err = new Collector();
  const sink = (collector) => (byte) => { if (byte !== null) collector.push(byte & 0xff); };
  const instance = await CastleExtractModule({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(wasm, imports).then((made) => receive(made, wasm));
      return {};
    },
    preRun: [(module) => module.FS.init(null, sink(out), sink(err))],
  });
  return { instance, out, err };
}

// Runs one entry of an instance on the disk, the files the command writes going to a folder of
// their own; `report`, where given, is a file the entry writes its report to.
function run({ instance, out, err }, entry, disk, args, report = null) {
  const fs = instance.FS;
  fs.mkdir('/disk');
  if (disk.bytes) {
    fs.writeFile(`/disk/${disk.file.name}`, disk.bytes, { canOwn: true });
  } else {
    fs.mount(fs.filesystems.WORKERFS, { files: [disk.file] }, '/disk');
  }
  fs.mkdir('/out');
  fs.chdir('/out');
  const words = report ? [...args, report] : args;
  const exitCode = instance.ccall(entry, 'number', ['string', ...words.map(() => 'string')],
                                  [`/disk/${disk.file.name}`, ...words]);
  const files = fs.readdir('/out').filter((name) => name !== '.' && name !== '..')
    .map((name) => ({ name, bytes: fs.readFile(`/out/${name}`) }));
  return { exitCode, out: out.bytes(), err: err.bytes(), files,
           report: report ? fs.readFile(report) : null };
}

// --- What the map shows ---

const nominal = (sector) => (sector.n <= 23 ? 128 * 2 ** sector.n : -1);
const isOdd = (s) => s.size !== nominal(s) || s.deleted !== 0 || s.status !== 0;

// The records a walk of the track reaches: its own, then those of the track it joins, from the
// record it joins at (one image's tracks only join its own, listed earlier).
function reachedRecords(byTrack, track, depth = 0) {
  const entry = byTrack.get(track);
  if (!entry) return [];
  const joins = entry.same_as;
  if (!joins || joins.image !== 0 || depth > 164) return entry.sectors;
  const joined = reachedRecords(byTrack, joins.track, depth + 1).slice(joins.record || 0);
  return [...entry.sectors, ...joined];
}

// Where each file's run lies: the record each of its sectors is read from (by the track that
// lists it), or where the run breaks.
function followRuns(image, files) {
  const byTrack = new Map(image.tracks.map((track) => [track.track, track]));
  const owners = new Map();  // "track/index" -> file number, for the records the map draws
  const runs = files.map((file, number) => {
    const length = file.skip + file.length;
    let read = 0;
    for (const step of file.sectors) {
      const records = reachedRecords(byTrack, step.track);
      const index = records.findIndex((s) => s.c === step.c && s.h === step.h &&
                                             s.r === step.r && s.n === step.n);
      const piece = Math.min(nominal(step), length - read);
      if (index < 0 || records[index].size < piece) {
        return { name: file.name, complemented: file.complemented, sectors: file.sectors,
                 broken: { step, found: index >= 0 } };
      }
      owners.set(`${step.track}/${index}`, number);
      read += piece;
    }
    return { name: file.name, complemented: file.complemented, sectors: file.sectors };
  });
  return { runs, owners };
}

// The first image as the page draws it: each present track with at most so many marks, the
// rest counted; tracks that repeat others say which.
function mapModel(map) {
  const image = map.images[0];
  if (!image || !image.readable) return null;
  const signature = map.signature;
  const { runs, owners } = followRuns(image, signature.title ? signature.files : []);
  const withRecords = image.tracks.filter((track) => track.sectors.length > 0).length;
  const cap = Math.min(kMaxMarksPerTrack, Math.floor(kMaxMarks / Math.max(1, withRecords)));
  const odd = [];
  let oddCount = 0;
  const tracks = image.tracks.map((track) => {
    track.sectors.forEach((s) => {
      if (!isOdd(s)) return;
      ++oddCount;
      if (odd.length < kMaxOddListed) odd.push({ track: track.track, sector: s });
    });
    const marks = track.sectors.slice(0, cap).map((s, index) => {
      const owner = owners.get(`${track.track}/${index}`);
      return { c: s.c, h: s.h, r: s.r, n: s.n, size: s.size, deleted: s.deleted, status: s.status,
               owner: owner === undefined ? -1 : owner, odd: isOdd(s) };
    });
    return { track: track.track, count: track.sectors.length, marks,
             more: track.sectors.length - marks.length, sameAs: track.same_as || null,
             overlaps: track.overlaps || null, notListed: !!track.not_listed };
  });
  return { name: image.name, nameText: image.name_text, media: image.media,
           mediaType: image.media_type, size: image.size, tracks, runs, odd, oddCount,
           signatureTrack: signature.track };
}

// --- Download all: the files in one ZIP of stored entries ---

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});

function crc32(bytes) {
  let crc = 0xffffffff;
  for (const byte of bytes) crc = crcTable[(crc ^ byte) & 0xff] ^ (crc >>> 8);
  return (crc ^ 0xffffffff) >>> 0;
}

// A ZIP archive holding the files as they are, in order, dated 1980-01-01 so that the same
// files always make the same archive.
function storedZip(files) {
  const encoder = new TextEncoder();
  const locals = [];
  const centrals = [];
  let offset = 0;
  for (const file of files) {
    const name = encoder.encode(file.name);
    const crc = crc32(file.bytes);
    const local = new DataView(new ArrayBuffer(30));
    local.setUint32(0, 0x04034b50, true);
    local.setUint16(4, 10, true);           // version needed: 1.0
    local.setUint16(12, 0x0021, true);      // date: 1980-01-01
    local.setUint32(14, crc, true);
    local.setUint32(18, file.bytes.length, true);
    local.setUint32(22, file.bytes.length, true);
    local.setUint16(26, name.length, true);
    const central = new DataView(new ArrayBuffer(46));
    central.setUint32(0, 0x02014b50, true);
    central.setUint16(4, 20, true);
    central.setUint16(6, 10, true);
    central.setUint16(14, 0x0021, true);
    central.setUint32(16, crc, true);
    central.setUint32(20, file.bytes.length, true);
    central.setUint32(24, file.bytes.length, true);
    central.setUint16(28, name.length, true);
    central.setUint32(42, offset, true);
    locals.push(new Uint8Array(local.buffer), name, file.bytes);
    centrals.push(new Uint8Array(central.buffer), name);
    offset += 30 + name.length + file.bytes.length;
  }
  const size = centrals.reduce((sum, part) => sum + part.length, 0);
  const end = new DataView(new ArrayBuffer(22));
  end.setUint32(0, 0x06054b50, true);
  end.setUint16(8, files.length, true);
  end.setUint16(10, files.length, true);
  end.setUint32(12, size, true);
  end.setUint32(16, offset, true);
  return concat([...locals, ...centrals, new Uint8Array(end.buffer)]);
}

// --- The runs ---

// The formats d88-info names that the page opens itself: it unpacks the disk image from them.
const kArchivesOpened = ['zip', 'gzip'];

onmessage = async ({ data }) => {
  if (data.module) {
    wasm = data.module;
    return;
  }
  try {
    const start = performance.now();
    // Each command gets a fresh instance, made while the file is read.
    const held = data.file.size <= kMaxHeld;
    const [bytes, castle, info] = await Promise.all([
      held ? data.file.arrayBuffer() : null, instantiate(), instantiate()]);
    const disk = { file: data.file, bytes: held ? new Uint8Array(bytes) : null };
    const map = JSON.parse(new TextDecoder().decode(
      run(info, 'RunD88InfoJson', disk, [], '/map.json').report));
    if (data.archives && kArchivesOpened.includes(map.format)) {
      postMessage({ id: data.id, archive: map.format });
      return;
    }
    const command = run(castle, 'RunCastleExtract', disk, [data.title || '']);
    const order = map.signature.title ? map.signature.files.map((file) => file.name)
      : ['PROG1', 'PROG2', 'MUSIC', 'VOICE'];
    command.files.sort((a, b) => order.indexOf(a.name) - order.indexOf(b.name));
    const zip = command.files.length > 0 ? storedZip(command.files) : null;
    const result = {
      id: data.id,
      command,
      zip,
      facts: { d88: map.d88, reason: map.reason, imageCount: map.image_count,
               title: map.signature.title, numbers: map.signature.numbers,
               runsPresent: map.signature.runs_present || [] },
      model: mapModel(map),
      took: performance.now() - start,
    };
    // The bytes move to the page rather than being copied.
    const moved = [command.out, command.err, ...command.files.map((file) => file.bytes), zip];
    postMessage(result, moved.filter(Boolean).map((bytes) => bytes.buffer));
  } catch (error) {
    postMessage({ id: data.id, error: String(error) });
  }
};
