// The WebAssembly module's entries, each run in a fresh instance of it: d88-info's report,
// castle-extract's messages and files, and the commands' judgement of an archive's entry. The
// module is compiled once by the page and sent here.
import { fileSystemName } from './entry_names.js';

let wasm = null;

export function setModule(module) {
  wasm = module;
  warmUp();
}

// Instances made ahead, while the worker waits for a choice: a run takes ready ones (a fresh
// instance each command, as ever) rather than making them while the user waits.
const kReady = 3;  // d88-info, castle-extract, and the judge of an archive's entries
const ready = [];
let warming = false;

export async function warmUp() {
  if (warming || !wasm) return;
  warming = true;
  try {
    while (ready.length < kReady) ready.push(await makeInstance());
  } finally {
    warming = false;
  }
}

// Bytes written one at a time, kept in growing typed-array chunks: no limit but memory.
class Collector {
  constructor() {
    this.chunks = [];
    this.chunk = new Uint8Array(1 << 12);
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
    const parts = [...this.chunks, this.chunk.subarray(0, this.used)];
    const all = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
    let at = 0;
    for (const part of parts) {
      all.set(part, at);
      at += part.length;
    }
    return all;
  }
}

// How long making instances took, in ms, since it was last read: for the bench.
export let instancesTime = 0;
export function takeInstancesTime() {
  const took = instancesTime;
  instancesTime = 0;
  return took;
}

// A fresh instance, its standard output and error gathered: one made ahead where there is one.
async function instantiate() {
  const start = performance.now();
  try {
    return ready.length ? ready.shift() : await makeInstance();
  } finally {
    instancesTime += performance.now() - start;
  }
}

async function makeInstance() {
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

// Puts the disk in the instance's file system: bytes held are given as they are (never
// written to, so several instances can share them), a file not held is read where it lies,
// through the source's blocks.
function placeDisk(fs, source) {
  const name = fileSystemName(source.name);
  fs.mkdir('/disk');
  if (source.bytes) {
    fs.writeFile(`/disk/${name}`, source.bytes, { canOwn: true });
  } else {
    const workerFs = fs.filesystems.WORKERFS;
    fs.mount(workerFs, { files: [new File([source.file], name)] }, '/disk');
    workerFs.stream_ops.read = (stream, buffer, offset, length, position) => {
      const bytes = source.read(position, position + length);
      buffer.set(bytes, offset);
      return bytes.length;
    };
  }
  return `/disk/${name}`;
}

// d88-info --json [--image N] [--records K] on the disk: its report, parsed.
export const partTimes = {};
const note = (part, start) => { partTimes[part] = (partTimes[part] || 0) + performance.now() - start; };

export async function d88InfoReport(source, { image = '', records = '' } = {}) {
  const { instance, err } = await instantiate();
  const fs = instance.FS;
  let start = performance.now();
  const path = placeDisk(fs, source);
  note('place', start);
  start = performance.now();
  const exitCode = instance.ccall('RunD88InfoJson', 'number', ['string', 'string', 'string', 'string'],
                                  [path, '/report.json', String(image), String(records)]);
  note('run', start);
  start = performance.now();
  const text = new TextDecoder().decode(fs.readFile('/report.json'));
  note('read', start);
  if (exitCode !== 0 && text === '') {
    throw new Error(new TextDecoder().decode(err.bytes()).trim() || `d88-info ended with ${exitCode}`);
  }
  start = performance.now();
  const parsed = JSON.parse(text);
  note('parse', start);
  return parsed;
}

// castle-extract [--title T] [--image N] on the disk, in a folder of its own: what it wrote to
// its standard output and error, its exit code, and the files it made.
export async function castleExtract(source, { title = '', image = '' } = {}) {
  const { instance, out, err } = await instantiate();
  const fs = instance.FS;
  const path = placeDisk(fs, source);
  fs.mkdir('/out');
  fs.chdir('/disk');
  const exitCode = instance.ccall('RunCastleExtract', 'number',
                                  ['string', 'string', 'string', 'string'],
                                  [path.slice('/disk/'.length), '/out', title, String(image)]);
  const files = fs.readdir('/out').filter((name) => name !== '.' && name !== '..')
    .map((name) => ({ name, bytes: fs.readFile(`/out/${name}`) }));
  return { exitCode, out: out.bytes(), err: err.bytes(), files };
}

// A judge of archive entries, as the commands judge them: by the name's extension, or by the
// entry's first bytes (asked for only where the name does not tell).
export async function entryJudge() {
  const { instance } = await instantiate();
  const looks = (name, start) => instance.ccall('LooksLikeD88Entry', 'number',
                                                ['string', 'array', 'number'],
                                                [name, start, start.length]) === 1;
  return (name, startOf) => looks(name, new Uint8Array(0)) || looks(name, startOf());
}
