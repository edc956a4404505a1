// Where an entry of an archive is unpacked to: a buffer of the size the archive gives it (or
// that a first pass found), never more than a floppy disk image can be, so that a small archive
// that unpacks to gigabytes (a "bomb") costs a moment and never the page's memory.

// The most an entry may unpack to. A D88 file of the largest disks is a few megabytes; 200 MB
// leaves room for files of many images.
export const kMaxUnpacked = 200_000_000;

// What is wrong with an archive, in words for the page to show as they are.
export class ArchiveProblem extends Error {}

export const megabytes = (bytes) => `${(bytes / 1e6).toFixed(bytes < 10e6 ? 1 : 0)} MB`;

export const tooLargeProblem = (where) =>
  new ArchiveProblem(`${where} unpacks to more than ${megabytes(kMaxUnpacked)}: not a floppy ` +
                     'disk image');

export class UnpackedBytes {
  // where: the entry as the messages name it ("castle.d88 in this ZIP"); size: what the archive
  // says it unpacks to; progress(text), now and then.
  constructor(where, size, progress) {
    if (size > kMaxUnpacked) throw tooLargeProblem(where);
    this.where = where;
    this.progress = progress;
    this.buffer = new Uint8Array(size);
    this.size = 0;
    this.told = 0;
  }

  push(chunk) {
    const size = this.size + chunk.length;
    if (size > this.buffer.length) {
      throw new ArchiveProblem(`${this.where} is damaged: it unpacks to more than the ` +
                               `${this.buffer.length} bytes its archive gives it`);
    }
    this.buffer.set(chunk, this.size);
    this.size = size;
    if (size - this.told >= 8_000_000) {
      this.told = size;
      this.progress(`Unpacking ${this.where}: ${megabytes(size)} of ` +
                    `${megabytes(this.buffer.length)}…`);
    }
  }

  // The bytes, all of them.
  bytes() {
    if (this.size !== this.buffer.length) {
      throw new ArchiveProblem(`${this.where} is damaged: it unpacks to ${this.size} bytes, ` +
                               `not the ${this.buffer.length} its archive gives it`);
    }
    return this.buffer;
  }
}

// Fails unless the bytes so far have the CRC-32 the archive gives them.
export function checkCrc(where, crc, expected) {
  if (crc.value() !== expected) {
    throw new ArchiveProblem(`${where} is damaged: its CRC-32 does not match`);
  }
}
