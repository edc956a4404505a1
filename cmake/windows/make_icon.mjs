// Draws the programs' icon, a castle with its flag, and writes it as a Windows .ico file with
// the sizes Explorer shows: 16, 32 and 48 pixels, each a 32-bit bitmap with alpha, and 256
// pixels (large icons, high DPI) as a PNG, as Windows Vista and later take that size.
//   node make_icon.mjs OUTPUT.ico
import { writeFileSync } from 'node:fs';
import { deflateSync } from 'node:zlib';

// The picture, 16 by 16: '.' is clear, the letters are colours.
const picture = [
  '..........R.....',
  '..........RRR...',
  '..........R.....',
  '.S.S.S....R.S.S.',
  '.SSSSS...SSSSSS.',
  '.SsSsS...SsSsSS.',
  '.SSSSS.S.SSSSSS.',
  '.SSSSSSSSSSSSSS.',
  '.SSSSSSSSSSSSSS.',
  '.SSsSSSSSSSSsSS.',
  '.SSSSSSDDSSSSSS.',
  '.SSSSSDDDDSSSSS.',
  '.SSSSSDDDDSSSSS.',
  '.SSSSSDDDDSSSSS.',
  'GGGGGGGGGGGGGGGG',
  'GGGGGGGGGGGGGGGG',
];
const colours = {  // red, green, blue, alpha
  R: [0xc6, 0x28, 0x28, 0xff],
  S: [0x9e, 0x9e, 0x9e, 0xff],
  s: [0x42, 0x42, 0x42, 0xff],
  D: [0x5d, 0x40, 0x37, 0xff],
  G: [0x38, 0x8e, 0x3c, 0xff],
  '.': [0, 0, 0, 0],
};

// One size as the .ico format stores it: a bitmap header, the pixels from the bottom row up in
// blue, green, red, alpha order, then a 1-bit mask (1 where clear) for old Windows.
function bitmap(size) {
  const scale = size / 16;
  const maskRow = Math.ceil(size / 32) * 4;
  const data = Buffer.alloc(40 + size * size * 4 + maskRow * size);
  data.writeUInt32LE(40, 0);
  data.writeInt32LE(size, 4);
  data.writeInt32LE(size * 2, 8);  // the pixels and the mask, one above the other
  data.writeUInt16LE(1, 12);
  data.writeUInt16LE(32, 14);
  data.writeUInt32LE(size * size * 4 + maskRow * size, 20);
  for (let row = 0; row < size; ++row) {
    const line = picture[Math.floor((size - 1 - row) / scale)];
    for (let column = 0; column < size; ++column) {
      const [r, g, b, a] = colours[line[Math.floor(column / scale)]];
      data.set([b, g, r, a], 40 + (row * size + column) * 4);
      if (a === 0) {
        const at = 40 + size * size * 4 + row * maskRow + (column >> 3);
        data[at] |= 0x80 >> (column & 7);
      }
    }
  }
  return data;
}

// The colour of pixel (column, row) of a square of the given size, the picture scaled up.
function pixel(size, column, row) {
  const scale = size / 16;
  return colours[picture[Math.floor(row / scale)][Math.floor(column / scale)]];
}

// CRC-32 as PNG chunks carry it.
const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) {
    c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  }
  return c >>> 0;
});
function crc32(bytes) {
  let c = 0xffffffff;
  for (const byte of bytes) {
    c = crcTable[(c ^ byte) & 0xff] ^ (c >>> 8);
  }
  return (c ^ 0xffffffff) >>> 0;
}

function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, crc]);
}

// One size as a PNG: 8-bit RGBA, each row after its filter byte (0, none).
function png(size) {
  const header = Buffer.alloc(13);
  header.writeUInt32BE(size, 0);
  header.writeUInt32BE(size, 4);
  header.set([8, 6, 0, 0, 0], 8);  // depth 8, RGBA, deflate, no filter method, no interlace
  const rows = Buffer.alloc(size * (1 + size * 4));
  for (let row = 0; row < size; ++row) {
    for (let column = 0; column < size; ++column) {
      rows.set(pixel(size, column, row), row * (1 + size * 4) + 1 + column * 4);
    }
  }
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', header),
    chunk('IDAT', deflateSync(rows, { level: 9 })),
    chunk('IEND', Buffer.alloc(0)),
  ]);
}

const sizes = [16, 32, 48, 256];
const images = sizes.map((size) => (size === 256 ? png(size) : bitmap(size)));
const header = Buffer.alloc(6 + 16 * sizes.length);
header.writeUInt16LE(1, 2);  // an icon
header.writeUInt16LE(sizes.length, 4);
let offset = header.length;
sizes.forEach((size, i) => {
  const entry = 6 + 16 * i;
  header[entry] = size & 0xff;  // 0 stands for 256
  header[entry + 1] = size & 0xff;
  header.writeUInt16LE(1, entry + 4);
  header.writeUInt16LE(32, entry + 6);
  header.writeUInt32LE(images[i].length, entry + 8);
  header.writeUInt32LE(offset, entry + 12);
  offset += images[i].length;
});
writeFileSync(process.argv[2], Buffer.concat([header, ...images]));
