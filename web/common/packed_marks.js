// The map's marks as they cross from the worker to the page: numbers in one Int32Array that
// moves rather than being copied, kFields to a mark. As thousands of small objects they took
// 10-45 ms to arrive on the page's thread.
const kFields = ['c', 'h', 'r', 'n', 'size', 'deleted', 'status', 'owner'];

export function packMarks(marks) {
  const packed = new Int32Array(marks.length * kFields.length);
  marks.forEach((mark, index) => {
    kFields.forEach((field, at) => { packed[index * kFields.length + at] = mark[field]; });
  });
  return packed;
}

// The mark at `index`, as the object it was packed from.
export function unpackMark(packed, index) {
  const mark = {};
  kFields.forEach((field, at) => { mark[field] = packed[index * kFields.length + at]; });
  return mark;
}
