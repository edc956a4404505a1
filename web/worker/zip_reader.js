// ZIP archives: the entries their central directory lists (the one place that holds every
// entry's true sizes and CRC-32, also where the local header defers them to a data descriptor),
// and an entry's bytes, inflated by fflate a piece at a time and checked against that CRC-32.
import { Inflate } from 'fflate';

import { Crc32 } from './crc32.js';
import { decodeName } from './entry_names.js';
import { inflateProblem } from './inflate_problem.js';
import { SliceFeeder } from './slice_feeder.js';
import { ArchiveProblem, UnpackedBytes, checkCrc } from './unpacked_bytes.js';

// Signatures and fixed sizes of the records, and the fields read from them.
const kEndSignature = 0x06054b50;
const kEndSize = 22;
const kMaxComment = 65535;
const kZip64LocatorSignature = 0x07064b50;
const kZip64LocatorSize = 20;
const kZip64EndSignature = 0x06064b50;
const kEntrySignature = 0x02014b50;
const kEntrySize = 46;
const kLocalSignature = 0x04034b50;
const kLocalSize = 30;
const kZip64Extra = 0x0001;
const kUnicodePathExtra = 0x7075;  // Info-ZIP: the name in UTF-8, with the CRC-32 of the other
const kEncrypted = 1 << 0;
const kDescriptor = 1 << 3;  // CRC-32 and sizes follow the data, in a data descriptor
const kUtf8Names = 1 << 11;
const kDescriptorSignature = 0x08074b50;
const kStored = 0;
const kDeflated = 8;
const kMethodNames = new Map([[1, 'Shrink'], [6, 'Implode'], [9, 'Deflate64'], [12, 'bzip2'],
                              [14, 'LZMA'], [93, 'Zstandard'], [95, 'xz'], [98, 'PPMd'],
                              [99, 'AES encryption']]);
// Packed bytes are read a megabyte at a time.
const kChunk = 1 << 20;

const u16 = (b, at) => b[at] | (b[at + 1] << 8);
const u32 = (b, at) => (b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (b[at + 3] << 24)) >>> 0;
const u64 = (b, at) => u32(b, at) + u32(b, at + 4) * 2 ** 32;

const damaged = (why) => new ArchiveProblem(`This ZIP archive is damaged: ${why}`);

// Where the directory lies and how many entries it holds, from the end record (and its ZIP64
// form, which an archive of many entries or a large one uses).
function findDirectory(source) {
  const tailStart = Math.max(0, source.size - kEndSize - kMaxComment);
  const tail = source.read(tailStart, source.size);
  let end = -1;
  for (let at = tail.length - kEndSize; at >= 0; --at) {
    if (u32(tail, at) === kEndSignature && at + kEndSize + u16(tail, at + 20) <= tail.length) {
      end = at;
      break;
    }
  }
  if (end < 0) throw damaged('its table of contents cannot be found');
  if (u16(tail, end + 4) !== 0 || u16(tail, end + 6) !== 0) {
    throw new ArchiveProblem('This is one part of a ZIP archive split into several files: ' +
                             'join the parts first');
  }
  let count = u16(tail, end + 10);
  let size = u32(tail, end + 12);
  let offset = u32(tail, end + 16);
  const endAt = tailStart + end;
  if (count === 0xffff || size === 0xffffffff || offset === 0xffffffff) {
    const locator = source.read(endAt - kZip64LocatorSize, endAt);
    if (locator.length === kZip64LocatorSize && u32(locator, 0) === kZip64LocatorSignature) {
      const at = u64(locator, 8);
      const record = source.read(at, at + 56);
      if (record.length < 56 || u32(record, 0) !== kZip64EndSignature) {
        throw damaged('its ZIP64 table of contents cannot be found');
      }
      count = u64(record, 32);
      size = u64(record, 40);
      offset = u64(record, 48);
    }
  }
  // Bytes put before the archive (a self-extractor's program) move everything by as much.
  const shift = endAt - (offset + size) > 0 && u32(source.read(offset, offset + 4), 0) !==
    kEntrySignature ? endAt - (offset + size) : 0;
  if (offset + shift + size > source.size) throw damaged('its table of contents lies outside it');
  return { count, offset: offset + shift, size, shift };
}

// The values a ZIP64 extra field gives for the fields whose 32 bits are all ones, in order.
function applyZip64(extra, entry) {
  for (let at = 0; at + 4 <= extra.length; at += 4 + u16(extra, at + 2)) {
    if (u16(extra, at) !== kZip64Extra) continue;
    let field = at + 4;
    for (const key of ['size', 'packed', 'offset']) {
      if (entry[key] !== 0xffffffff) continue;
      if (field + 8 > at + 4 + u16(extra, at + 2)) throw damaged(`${entry.name}'s ZIP64 sizes are cut short`);
      entry[key] = u64(extra, field);
      field += 8;
    }
  }
}

function crcOf(bytes) {
  const crc = new Crc32();
  crc.update(bytes);
  return crc.value();
}

// The UTF-8 name an Info-ZIP extra field gives, where it is of this very name.
function unicodePath(extra, nameBytes) {
  for (let at = 0; at + 4 <= extra.length; at += 4 + u16(extra, at + 2)) {
    const length = u16(extra, at + 2);
    if (u16(extra, at) === kUnicodePathExtra && length >= 5 && extra[at + 4] === 1 &&
        u32(extra, at + 5) === crcOf(nameBytes)) {
      return decodeName(extra.subarray(at + 9, at + 4 + length), true);
    }
  }
  return null;
}

// Every entry the directory lists: its name as text, where its data is, how it is packed.
export function zipEntries(source) {
  const directory = findDirectory(source);
  const bytes = source.read(directory.offset, directory.offset + directory.size);
  const entries = [];
  let at = 0;
  for (let i = 0; i < directory.count; ++i) {
    if (at + kEntrySize > bytes.length || u32(bytes, at) !== kEntrySignature) {
      throw damaged(`its table of contents ends after ${i} of its ${directory.count} entries`);
    }
    const nameLength = u16(bytes, at + 28);
    const extraLength = u16(bytes, at + 30);
    const nameBytes = bytes.subarray(at + kEntrySize, at + kEntrySize + nameLength);
    const extra = bytes.subarray(at + kEntrySize + nameLength,
                                 at + kEntrySize + nameLength + extraLength);
    const flags = u16(bytes, at + 8);
    const entry = {
      place: i,
      name: unicodePath(extra, nameBytes) ?? decodeName(nameBytes, (flags & kUtf8Names) !== 0),
      flags,
      nameBytes: nameBytes.slice(),
      encrypted: (flags & kEncrypted) !== 0,
      method: u16(bytes, at + 10),
      crc: u32(bytes, at + 16),
      packed: u32(bytes, at + 20),
      size: u32(bytes, at + 24),
      offset: u32(bytes, at + 42),
    };
    applyZip64(extra, entry);
    entry.offset += directory.shift;
    entries.push(entry);
    at += kEntrySize + nameLength + extraLength + u16(bytes, at + 32);
  }
  return entries.filter((entry) => !entry.name.endsWith('/'));
}

// Why the page cannot unpack the entry, or null where it can.
function cannotUnpack(entry, where) {
  if (entry.encrypted || entry.method === 99) {
    return new ArchiveProblem(`${where} is encrypted; unpack it with its password first`);
  }
  if (entry.method !== kStored && entry.method !== kDeflated) {
    const method = kMethodNames.get(entry.method) || `method ${entry.method}`;
    return new ArchiveProblem(`${where} is packed with ${method}, which this page cannot ` +
                              'unpack; unpack it with an archiver first');
  }
  return null;
}

// Where the entry's data starts, its local header held against the central directory: the same
// name, method and flags, and the same CRC-32 and sizes (or, where the local header leaves them
// to a data descriptor after the data, that descriptor's). A ZIP says each twice; a reader that
// believes one alone passes a changed byte whose CRC-32 was made to match there.
function checkedDataStart(source, entry, where) {
  const local = source.read(entry.offset, entry.offset + kLocalSize);
  if (local.length < kLocalSize || u32(local, 0) !== kLocalSignature) {
    throw new ArchiveProblem(`${where} is damaged: its data cannot be found`);
  }
  const nameLength = u16(local, 26);
  const extraLength = u16(local, 28);
  const fields = source.read(entry.offset + kLocalSize,
                             entry.offset + kLocalSize + nameLength + extraLength);
  const disagree = (what) => new ArchiveProblem(`${where} is damaged: its local header and the ` +
                                                `central directory give different ${what}`);
  const name = fields.subarray(0, nameLength);
  if (name.length !== entry.nameBytes.length || name.some((b, i) => b !== entry.nameBytes[i])) {
    throw disagree('names');
  }
  const flags = u16(local, 6);
  if (u16(local, 8) !== entry.method || ((flags ^ entry.flags) & (kEncrypted | kDescriptor))) {
    throw disagree('ways of storing it');
  }
  const sizes = { size: u32(local, 22), packed: u32(local, 18), offset: 0 };
  const extra = fields.subarray(nameLength);
  applyZip64(extra, sizes);
  const deferred = (flags & kDescriptor) !== 0;
  const agrees = (value, expected) => value === expected || (deferred && value === 0);
  if (!agrees(u32(local, 14), entry.crc)) throw disagree('CRC-32s');
  if (!agrees(sizes.size, entry.size) || !agrees(sizes.packed, entry.packed)) throw disagree('sizes');
  const start = entry.offset + kLocalSize + nameLength + extraLength;
  if (deferred) {
    // An optional signature, the CRC-32, then the sizes: 8 bytes each for a ZIP64 entry.
    const wide = applyZip64Present(extra) || entry.packed >= 0xffffffff || entry.size >= 0xffffffff;
    const after = source.read(start + entry.packed, start + entry.packed + 24);
    const at = after.length >= 4 && u32(after, 0) === kDescriptorSignature ? 4 : 0;
    const crc = u32(after, at);
    const packed = wide ? u64(after, at + 4) : u32(after, at + 4);
    const size = wide ? u64(after, at + 12) : u32(after, at + 8);
    if (after.length < at + (wide ? 20 : 12) || crc !== entry.crc || packed !== entry.packed ||
        size !== entry.size) {
      throw new ArchiveProblem(`${where} is damaged: its data descriptor and the central ` +
                               'directory disagree');
    }
  }
  return start;
}

// Whether an extra field holds a ZIP64 field at all.
function applyZip64Present(extra) {
  for (let at = 0; at + 4 <= extra.length; at += 4 + u16(extra, at + 2)) {
    if (u16(extra, at) === kZip64Extra) return true;
  }
  return false;
}

// Feeds the entry's packed bytes, a piece at a time, to take(piece, final) of the unpacker;
// stops early when take returns false.
function feedPacked(source, entry, where, take) {
  const start = checkedDataStart(source, entry, where);
  const end = start + entry.packed;
  if (end > source.size) throw new ArchiveProblem(`${where} is damaged: the archive ends inside it`);
  for (let at = start; at < end; at += kChunk) {
    if (take(source.read(at, Math.min(end, at + kChunk)), at + kChunk >= end) === false) return;
  }
  if (start === end) take(new Uint8Array(0), true);
}

// The entry's bytes, checked against its size and CRC-32.
export function unpackZipEntry(source, entry, progress) {
  const where = `${entry.name} in this ZIP`;
  const problem = cannotUnpack(entry, where);
  if (problem) throw problem;
  const out = new UnpackedBytes(where, entry.size, progress);
  const crc = new Crc32();
  const keep = (chunk) => {
    out.push(chunk);
    crc.update(chunk);
  };
  try {
    if (entry.method === kStored) {
      feedPacked(source, entry, where, keep);
    } else {
      const inflate = new Inflate(keep);
      const feeder = new SliceFeeder((slice, final) => inflate.push(slice, final), () => out.size);
      feedPacked(source, entry, where, (piece, final) => feeder.feed(piece, final));
    }
  } catch (error) {
    throw inflateProblem(where, error);
  }
  const bytes = out.bytes();
  checkCrc(where, crc, entry.crc);
  return bytes;
}

// The entry's first bytes, up to length, or fewer where it is shorter or cannot be unpacked: what
// tells a disk image by its contents.
export function zipEntryStart(source, entry, length) {
  if (cannotUnpack(entry, entry.name)) return new Uint8Array(0);
  const start = new Uint8Array(length);
  let got = 0;
  const take = (chunk) => {
    const part = chunk.subarray(0, length - got);
    start.set(part, got);
    got += part.length;
  };
  try {
    if (entry.method === kStored) {
      feedPacked(source, entry, entry.name, (piece) => { take(piece); return got < length; });
    } else {
      // A slice at a time, stopping as soon as the start is there.
      const inflate = new Inflate(take);
      const feeder = new SliceFeeder((slice, final) => {
        if (got < length) inflate.push(slice, final);
      }, () => got);
      feedPacked(source, entry, entry.name, (piece, final) => {
        feeder.feed(piece, final);
        return got < length;
      });
    }
  } catch {
    // Damaged: told when it is unpacked, if it is a disk by its name.
  }
  return start.subarray(0, got);
}
