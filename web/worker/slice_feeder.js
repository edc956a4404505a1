// Hands packed bytes to fflate's inflater in slices sized so that each unpacks to about 64 KB.
// fflate makes the whole output of a push at once, in buffers it doubles as it goes; a slice of
// a "bomb" (1 KB unpacks to 1 MB) must stay small for that to stay small, while ordinary data
// (a few to one) goes in larger slices, for speed.
const kOutputPerPush = 1 << 16;
const kLeast = 1 << 6;
const kMost = 1 << 14;

export class SliceFeeder {
  // push(slice, final) inflates; unpacked() is how many bytes it has unpacked so far.
  constructor(push, unpacked) {
    this.push = push;
    this.unpacked = unpacked;
    this.slice = kLeast;
  }

  // Feeds the piece; `last`: no piece follows it.
  feed(piece, last) {
    for (let at = 0; at < piece.length || (last && at === 0);) {
      const slice = piece.subarray(at, at + this.slice);
      const before = this.unpacked();
      at += slice.length;
      this.push(slice, last && at >= piece.length);
      const ratio = (this.unpacked() - before) / Math.max(1, slice.length);
      this.slice = Math.min(kMost, Math.max(kLeast, Math.floor(kOutputPerPush / Math.max(1, ratio))));
      if (!slice.length) break;
    }
  }
}
