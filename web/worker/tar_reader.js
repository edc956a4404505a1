// tar archives (often inside a .gz): a 512-byte header before each file's data. Names come
// from the header (ustar's prefix and name), a GNU long-name record, or a pax record, whose
// names are UTF-8. Every header's checksum is checked, so that a damaged archive is not read
// as if its bytes were files.
import { decodeName } from './entry_names.js';
import { ArchiveProblem } from './unpacked_bytes.js';

const kBlock = 512;
const kNameLength = 100;
const kSizeOffset = 124;
const kSizeLength = 12;
const kChecksumOffset = 148;
const kChecksumLength = 8;
const kTypeOffset = 156;
const kPrefixOffset = 345;
const kPrefixLength = 155;
const kMagicOffset = 257;
const kRegularTypes = ['0', '\0', '7'];
const kGnuLongName = 'L';
const kPaxHeader = 'x';

const damaged = (why) => new ArchiveProblem(`This tar archive is damaged: ${why}`);

// A NUL-ended field's bytes.
function field(block, at, length) {
  const bytes = block.subarray(at, at + length);
  const end = bytes.indexOf(0);
  return end < 0 ? bytes : bytes.subarray(0, end);
}

// A number in octal digits, or, with its top bit set, in base 256 (GNU, for large files).
function number(block, at, length) {
  if (block[at] & 0x80) {
    let value = block[at] & 0x7f;
    for (let i = 1; i < length; ++i) value = value * 256 + block[at + i];
    return value;
  }
  const text = new TextDecoder().decode(field(block, at, length)).trim();
  if (!/^[0-7]*$/.test(text)) return NaN;
  return text === '' ? 0 : parseInt(text, 8);
}

// The header's sum, its bytes taken as unsigned as POSIX says, or as signed as old tars (and
// those of some Japanese systems) wrote it: either is accepted, as the native command does.
function checksumMatches(block) {
  let sum = 0;
  let signedSum = 0;
  for (let i = 0; i < kBlock; ++i) {
    const inField = i >= kChecksumOffset && i < kChecksumOffset + kChecksumLength;
    const byte = inField ? 0x20 : block[i];
    sum += byte;
    signedSum += byte > 0x7f ? byte - 0x100 : byte;
  }
  const stored = number(block, kChecksumOffset, kChecksumLength);
  return stored === sum || stored === signedSum;
}

const kSpace = 0x20;
const kPathKey = new TextEncoder().encode('path=');

// The path a pax record gives, if it gives one. Each record is "LENGTH KEY=VALUE\n", its length
// counted in bytes (a Japanese name takes three a character).
function paxPath(bytes) {
  for (let at = 0; at < bytes.length;) {
    const space = bytes.indexOf(kSpace, at);
    const length = space < 0 ? NaN : Number(new TextDecoder().decode(bytes.subarray(at, space)));
    if (!(length > 0) || at + length > bytes.length) break;
    const record = bytes.subarray(space + 1, at + length - 1);
    if (kPathKey.every((byte, i) => record[i] === byte)) {
      return new TextDecoder().decode(record.subarray(kPathKey.length));
    }
    at += length;
  }
  return null;
}

// Every regular file of the archive: its name as text, where its data is and how long it is.
export function tarEntries(source) {
  const entries = [];
  let longName = null;
  for (let at = 0, place = 0; at + kBlock <= source.size; ++place) {
    const block = source.read(at, at + kBlock);
    if (block.every((byte) => byte === 0)) break;  // the end
    if (!checksumMatches(block)) throw damaged(`the header at byte ${at} does not check`);
    const size = number(block, kSizeOffset, kSizeLength);
    if (!Number.isFinite(size)) throw damaged(`the header at byte ${at} gives no size`);
    const type = String.fromCharCode(block[kTypeOffset]);
    const data = at + kBlock;
    if (data + size > source.size) throw damaged('it ends inside a file');
    at = data + Math.ceil(size / kBlock) * kBlock;
    if (type === kGnuLongName) {
      longName = decodeName(field(source.read(data, data + size), 0, size));
      continue;
    }
    if (type === kPaxHeader) {
      longName = paxPath(source.read(data, data + size)) ?? longName;
      continue;
    }
    const ustar = new TextDecoder().decode(block.subarray(kMagicOffset, kMagicOffset + 5)) === 'ustar';
    const prefix = ustar ? field(block, kPrefixOffset, kPrefixLength) : new Uint8Array(0);
    const name = longName ?? decodeName(prefix.length
      ? new Uint8Array([...prefix, 0x2f, ...field(block, 0, kNameLength)])
      : field(block, 0, kNameLength));
    longName = null;
    if (kRegularTypes.includes(type)) entries.push({ place, name, offset: data, size });
  }
  return entries;
}

export function tarEntryBytes(source, entry) {
  return source.read(entry.offset, entry.offset + entry.size);
}
