// CRC-32 as ZIP and gzip store it (the reflected polynomial 0xEDB88320), kept up as bytes come:
// what says whether an unpacked entry is the one that was packed.
const table = new Int32Array(256);
for (let n = 0; n < 256; ++n) {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  table[n] = c;
}

export class Crc32 {
  constructor() {
    this.state = -1;
  }

  update(bytes) {
    let crc = this.state;
    for (let i = 0; i < bytes.length; ++i) crc = table[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
    this.state = crc;
  }

  value() {
    return (this.state ^ -1) >>> 0;
  }
}
