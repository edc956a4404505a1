// Archives as archivers make them, and as damage and malice make them: ZIP (stored or deflated,
// names in UTF-8 or Shift_JIS, a CRC-32 that lies), gzip, tar, and "bombs" that unpack to
// gigabytes from a megabyte.
import assert from 'node:assert/strict';
import { constants, deflateRawSync, gzipSync } from 'node:zlib';

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});
export const crc32 = (bytes) => {
  let crc = 0xffffffff;
  for (const byte of bytes) crc = crcTable[(crc ^ byte) & 0xff] ^ (crc >>> 8);
  return (crc ^ 0xffffffff) >>> 0;
};

const kUtf8Flag = 1 << 11;

// A ZIP archive of the entries: { name (text, written as UTF-8 with its flag) or nameBytes
// (written as they are, no flag), bytes, deflated, packed (the packed bytes, for a bomb), size
// and crc (what the archive says, where it lies), centralCrc and centralSize (what its central
// directory alone says, where the two headers disagree) }.
export function zipOf(entries) {
  const locals = [];
  const centrals = [];
  let offset = 0;
  for (const entry of entries) {
    const name = entry.nameBytes ? Buffer.from(entry.nameBytes) : Buffer.from(entry.name);
    const flags = entry.nameBytes ? 0 : kUtf8Flag;
    const method = entry.deflated || entry.packed ? 8 : 0;
    const packed = entry.packed ?? (entry.deflated ? deflateRawSync(entry.bytes) : entry.bytes);
    const size = entry.size ?? entry.bytes.length;
    const crc = entry.crc ?? crc32(entry.bytes);
    const header = Buffer.alloc(30);
    header.writeUInt32LE(0x04034b50, 0);
    header.writeUInt16LE(20, 4);
    header.writeUInt16LE(flags, 6);
    header.writeUInt16LE(method, 8);
    header.writeUInt32LE(crc, 14);
    header.writeUInt32LE(packed.length, 18);
    header.writeUInt32LE(size, 22);
    header.writeUInt16LE(name.length, 26);
    const central = Buffer.alloc(46);
    central.writeUInt32LE(0x02014b50, 0);
    central.writeUInt16LE(20, 6);
    central.writeUInt16LE(flags, 8);
    central.writeUInt16LE(method, 10);
    central.writeUInt32LE(entry.centralCrc ?? crc, 16);
    central.writeUInt32LE(entry.centralSize ?? packed.length, 20);
    central.writeUInt32LE(entry.centralSize ?? size, 24);
    central.writeUInt16LE(name.length, 28);
    central.writeUInt32LE(offset, 42);
    locals.push(header, name, packed);
    centrals.push(central, name);
    offset += 30 + name.length + packed.length;
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

// The entries of a ZIP archive of stored files, by name, each checked against its CRC-32.
export function unzipStored(zip) {
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

// A raw deflate stream of `mebibytes` MiB of zeros, made without ever holding them: one MiB
// packed with a full flush (so that it stands alone), repeated, then an empty final block.
export function zerosDeflated(mebibytes) {
  const one = deflateRawSync(Buffer.alloc(1 << 20), { finishFlush: constants.Z_FULL_FLUSH });
  const finalBlock = Buffer.from([0x03, 0x00]);
  return Buffer.concat([...Array(mebibytes).fill(one), finalBlock]);
}

// A gzip member around a raw deflate stream of `size` bytes whose CRC-32 is `crc`.
export function gzipAround(deflated, size, crc) {
  const header = Buffer.from([0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3]);
  const trailer = Buffer.alloc(8);
  trailer.writeUInt32LE(crc, 0);
  trailer.writeUInt32LE(size % 2 ** 32, 4);
  return Buffer.concat([header, deflated, trailer]);
}

// A pax extended header giving the path, its record's length counted in bytes, as GNU tar
// --format=pax writes it.
export function paxPath(path) {
  const text = ` path=${path}\n`;
  const base = Buffer.byteLength(text);
  let length = base + String(base).length;
  if (String(length).length !== String(base).length) length = base + String(length).length;
  return Buffer.from(`${length}${text}`);
}

// A ustar archive of the files ({ name, bytes, type, signed }), names up to 100 bytes; type
// 'x' is a pax header; signed sums the header's bytes as signed, as old tars did.
export function tarOf(files) {
  const blocks = [];
  for (const { name, bytes, type = '0', signed = false } of files) {
    const header = Buffer.alloc(512);
    Buffer.from(name).copy(header, 0);
    header.write('0000644\0', 100);
    header.write('0000000\0', 108);
    header.write('0000000\0', 116);
    header.write(`${bytes.length.toString(8).padStart(11, '0')}\0`, 124);
    header.write('00000000000\0', 136);
    header.write(type, 156);
    header.write('ustar\x0000', 257);
    header.fill(0x20, 148, 156);
    let sum = 0;
    for (const byte of header) sum += signed && byte > 0x7f ? byte - 0x100 : byte;
    header.write(`${sum.toString(8).padStart(6, '0')}\0 `, 148);
    blocks.push(header, bytes, Buffer.alloc((512 - (bytes.length % 512)) % 512));
  }
  return Buffer.concat([...blocks, Buffer.alloc(1024)]);
}

export const gzipOf = (bytes) => gzipSync(bytes);
