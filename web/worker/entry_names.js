// Names of archive entries as text. An archive says its names are UTF-8 (a flag, or a pax
// header), or says nothing: then they are in the code page of the machine that packed them,
// which for disks from Japan is Shift_JIS (code page 932). Valid UTF-8 is taken as UTF-8 (plain
// ASCII is both); anything else as Shift_JIS.
const utf8 = new TextDecoder('utf-8', { fatal: true });
const utf8Loose = new TextDecoder('utf-8');
const shiftJis = new TextDecoder('shift_jis');

export function decodeName(bytes, saysUtf8 = false) {
  if (saysUtf8) return utf8Loose.decode(bytes);
  try {
    return utf8.decode(bytes);
  } catch {
    return shiftJis.decode(bytes);
  }
}

// The last part of a path, as the file it unpacks to is named.
export const baseName = (name) => name.slice(name.lastIndexOf('/') + 1) || name;

// The name a file gets in the module's file system: nothing that leaves its folder, and short
// enough for any path buffer, the extension kept (a long name keeps its start and its end).
export function fileSystemName(name) {
  const safe = baseName(name).replace(/[/\\\0]/g, '_') || 'disk.d88';
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
