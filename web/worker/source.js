// What the worker reads from: a file the user chose, read a range at a time where it lies, or
// bytes already in memory (a file small enough to hold, or an image unpacked from an archive).
// A file that can no longer be read (moved, deleted or changed since it was chosen) is said so
// in words, not as the browser's exception.

export class UnreadableFile extends Error {
  constructor(name, cause) {
    super(`${name} can no longer be read: it was moved, deleted or changed after it was ` +
          'chosen. Choose it again');
    this.cause = cause;
  }
}

// The largest file held in memory whole; a larger one is read where it lies.
const kMaxHeld = 32 << 20;
// A file read where it lies is read 64 KB at a time, the last 16 MB read kept: a read of the
// browser's costs a millisecond or more however small it is, and a disk's reads are many and
// small, near each other (64 KB blocks made a crafted 43 MB file three times faster than 4 KB
// or 1 MB ones).
const kBlock = 1 << 16;
const kBlocksKept = 256;

let reader = null;  // FileReaderSync, made once

export class Source {
  // file: a File, or null for bytes unpacked; bytes: its bytes where they are held, else null.
  constructor(file, bytes = null, name = file.name) {
    this.file = file;
    this.bytes = bytes;
    this.name = name;
    this.size = bytes ? bytes.length : file.size;
    this.blocks = new Map();  // block number -> its bytes, the last used last
  }

  // A chosen file, held whole when it is small: read in one piece by the browser, away from
  // this thread (a synchronous read of a floppy's 345 KB took 11 ms).
  static async of(file) {
    const source = new Source(file);
    if (file.size <= kMaxHeld) {
      try {
        source.bytes = new Uint8Array(await file.arrayBuffer());
      } catch (error) {
        throw new UnreadableFile(file.name, error);
      }
    }
    return source;
  }

  // Bytes unpacked from an archive, under their name there.
  static unpacked(name, bytes) {
    return new Source(null, bytes, name);
  }

  // Bytes start to end (fewer at the end of the file).
  read(start, end) {
    const from = Math.min(start, this.size);
    const to = Math.min(Math.max(end, from), this.size);
    if (this.bytes) return this.bytes.subarray(from, to);
    const first = Math.floor(from / kBlock);
    const last = Math.floor(Math.max(from, to - 1) / kBlock);
    if (first === last) {
      const block = this.block(first);
      return block.subarray(from - first * kBlock, to - first * kBlock);
    }
    if (to - from > kBlock * kBlocksKept) return this.readFromFile(from, to);
    const bytes = new Uint8Array(to - from);
    for (let number = first; number <= last; ++number) {
      const block = this.block(number);
      const at = number * kBlock;
      const part = block.subarray(Math.max(from, at) - at, Math.min(to, at + kBlock) - at);
      bytes.set(part, Math.max(from, at) - from);
    }
    return bytes;
  }

  block(number) {
    let block = this.blocks.get(number);
    if (block) {
      this.blocks.delete(number);
    } else {
      block = this.readFromFile(number * kBlock, Math.min(this.size, (number + 1) * kBlock));
      if (this.blocks.size === kBlocksKept) this.blocks.delete(this.blocks.keys().next().value);
    }
    this.blocks.set(number, block);
    return block;
  }

  readFromFile(from, to) {
    reader ||= new FileReaderSync();
    try {
      return new Uint8Array(reader.readAsArrayBuffer(this.file.slice(from, to)));
    } catch (error) {
      throw new UnreadableFile(this.name, error);
    }
  }
}
