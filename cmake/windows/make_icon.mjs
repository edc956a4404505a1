// Draws the programs' icon, a castle with its flag, and writes it as a Windows .ico file with
// the three sizes Explorer shows (16, 32 and 48 pixels), each a 32-bit bitmap with alpha.
//   node make_icon.mjs OUTPUT.ico
import { writeFileSync } from 'node:fs';

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

const sizes = [16, 32, 48];
const images = sizes.map(bitmap);
const header = Buffer.alloc(6 + 16 * sizes.length);
header.writeUInt16LE(1, 2);  // an icon
header.writeUInt16LE(sizes.length, 4);
let offset = header.length;
sizes.forEach((size, i) => {
  const entry = 6 + 16 * i;
  header[entry] = size;
  header[entry + 1] = size;
  header.writeUInt16LE(1, entry + 4);
  header.writeUInt16LE(32, entry + 6);
  header.writeUInt32LE(images[i].length, entry + 8);
  header.writeUInt32LE(offset, entry + 12);
  offset += images[i].length;
});
writeFileSync(process.argv[2], Buffer.concat([header, ...images]));
