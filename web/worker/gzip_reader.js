// gzip streams: one file packed whole (a .gz of a disk image, or of a tar archive), unpacked by
// fflate a slice at a time. Each member ends in the CRC-32 and length (mod 2^32) of what it
// holds, which are checked: fflate unpacks but does not check them. A gzip stream does not say
// how long it unpacks to (its length field is only the last member's, mod 4 GiB).
import { Gunzip } from 'fflate';

import { Crc32 } from './crc32.js';
import { inflateProblem } from './inflate_problem.js';
import { SliceFeeder } from './slice_feeder.js';
import {
  ArchiveProblem, UnpackedBytes, checkCrc, kMaxUnpacked, tooLargeProblem,
} from './unpacked_bytes.js';

const kTrailerSize = 8;  // CRC-32, then the length mod 2^32
const kInvalidHeader = 6;  // fflate's code for bytes that are no gzip header
const kChunk = 1 << 20;

const u32 = (b, at) => (b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (b[at + 3] << 24)) >>> 0;

// The name the stream's file had before it was packed, as gzip's users name it.
export function gzipInnerName(name) {
  if (/\.tgz$/i.test(name)) return name.replace(/\.tgz$/i, '.tar');
  return name.replace(/\.gz$/i, '') || 'disk.d88';
}

// Unpacks every member of the stream, handing each piece to take(chunk), and checks each
// member against its trailer.
function inflateMembers(source, take) {
  const where = source.name;
  if (source.size < kTrailerSize) throw new ArchiveProblem(`${where} is damaged: it is cut short`);
  let crc = new Crc32();
  let length = 0;
  let unpacked = 0;
  const checkMember = (end) => {
    const trailer = source.read(end - kTrailerSize, end);
    checkCrc(where, crc, u32(trailer, 0));
    if (u32(trailer, 4) !== length % 2 ** 32) {
      throw new ArchiveProblem(`${where} is damaged: its length does not match`);
    }
    crc = new Crc32();
    length = 0;
  };
  const unpacker = new Gunzip((chunk) => {
    take(chunk);
    crc.update(chunk);
    length += chunk.length;
    unpacked += chunk.length;
  });
  // A member after the first starts at this offset of the input: the one before ends there.
  unpacker.onmember = (offset) => checkMember(offset);
  const feeder = new SliceFeeder((slice, final) => unpacker.push(slice, final), () => unpacked);
  let end = source.size;
  try {
    for (let at = 0; at < source.size; at += kChunk) {
      feeder.feed(source.read(at, Math.min(source.size, at + kChunk)), at + kChunk >= source.size);
    }
  } catch (error) {
    end = trailingBytesStart(source, unpacker, error);
    if (end < 0) throw inflateProblem(where, error);
  }
  checkMember(end === source.size ? trailerEnd(source, crc, length) : end);
}

// Where the last member's trailer ends: at the stream's end, or up to 3 bytes before it, which
// fflate passes over without a word (fewer than a header needs). The stream's end where no
// trailer there matches, which then fails its check.
function trailerEnd(source, crc, length) {
  for (let extra = 0; extra < 4 && source.size - extra >= kTrailerSize; ++extra) {
    const trailer = source.read(source.size - extra - kTrailerSize, source.size - extra);
    if (u32(trailer, 0) === crc.value() && u32(trailer, 4) === length % 2 ** 32) {
      return source.size - extra;
    }
  }
  return source.size;
}

// Bytes after a member that start no other (zeros a download or a tape left, junk) end the
// stream, as gzip and the native command take them. fflate fails on four or more of them as on
// a gzip header it cannot read: a member has ended (v > 1), and they begin where its trailer's
// 8 bytes end (r - p.length). Where they begin, or -1 for a failure of another kind.
function trailingBytesStart(source, unpacker, error) {
  if (error && error.code === kInvalidHeader && unpacker.v > 1 && unpacker.p) {
    return unpacker.r - unpacker.p.subarray(unpacker.v - 1).length;
  }
  return -1;
}

// The stream's bytes. It is unpacked twice: once to learn its size and check it, keeping
// nothing, so that a "bomb" costs no memory; then into a buffer of that size.
export function gunzip(source, progress) {
  const where = source.name;
  let size = 0;
  inflateMembers(source, (chunk) => {
    size += chunk.length;
    if (size > kMaxUnpacked) throw tooLargeProblem(where);
  });
  const out = new UnpackedBytes(where, size, progress);
  inflateMembers(source, (chunk) => out.push(chunk));
  return out.bytes();
}
