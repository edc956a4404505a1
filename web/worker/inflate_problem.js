// A deflate stream that cannot be unpacked, said in words: fflate's errors carry a code.
import { ArchiveProblem } from './unpacked_bytes.js';

const kUnexpectedEnd = 0;  // fflate's FlateErrorCode.UnexpectedEOF

export function inflateProblem(where, error) {
  if (error instanceof ArchiveProblem || !('code' in error)) return error;
  return new ArchiveProblem(error.code === kUnexpectedEnd
    ? `${where} is damaged: its packed data ends too soon`
    : `${where} is damaged: its packed data cannot be unpacked (${error.message})`);
}
