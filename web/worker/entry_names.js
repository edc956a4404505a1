// Names of archive entries as text, read as the native command reads them. An archive says its
// names are UTF-8 (a flag, or a pax header), or says nothing: then they are in the code page of
// the machine that packed them, which for disks from Japan is Shift_JIS (code page 932). Valid
// UTF-8 is taken as UTF-8 (plain ASCII is both), unless it reads better as half-width katakana:
// bytes 0xA1 to 0xDF alone past ASCII, two characters of them in a row ("ﾃｽﾄｱ" is C3 BD C4 B1,
// which is also "ýı"; Latin text puts one accented letter between plain ones). Anything else
// is Shift_JIS.
const utf8 = new TextDecoder('utf-8', { fatal: true });
const utf8Loose = new TextDecoder('utf-8');
const shiftJis = new TextDecoder('shift_jis');

export function readsAsHalfWidthKatakana(bytes) {
  let run = 0;
  let twoInARow = false;
  for (const byte of bytes) {
    if (byte < 0x80) {
      run = 0;
    } else if (byte < 0xa1 || byte > 0xdf) {
      return false;
    } else if (byte >= 0xc0) {
      twoInARow ||= ++run >= 2;  // a lead byte starts a character; a continuation does not
    }
  }
  return twoInARow;
}

export function decodeName(bytes, saysUtf8 = false) {
  if (saysUtf8) return utf8Loose.decode(bytes);
  try {
    const text = utf8.decode(bytes);
    return readsAsHalfWidthKatakana(bytes) ? shiftJis.decode(bytes) : text;
  } catch {
    return shiftJis.decode(bytes);
  }
}

// The last part of a path, as the file it unpacks to is named.
export const baseName = (name) => name.slice(name.lastIndexOf('/') + 1) || name;

// The name a file gets in the module's file system: nothing that leaves its folder, and short
// enough for any path buffer, the extension kept (a long name keeps its start and its end).
export function fileSystemName(name) {
  // "." and ".." name no file, and neither does nothing.
  const base = baseName(name);
  const safe = base === '.' || base === '..' ? 'disk.d88' : base.replace(/[/\\\0]/g, '_') || 'disk.d88';
  const kMaxBytes = 200;
  const encoder = new TextEncoder();
  if (encoder.encode(safe).length <= kMaxBytes) return safe;
  const characters = [...safe];
  const end = characters.slice(-16).join('');
  let start = '';
  for (const character of characters) {
    if (encoder.encode(start + character + '…' + end).length > kMaxBytes) break;
    start += character;
  }
  return `${start}…${end}`;
}
