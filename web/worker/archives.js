// The archives the page opens itself, by the name d88-info gives their format, and the disk
// images each holds: the entries whose name or first bytes say D88, as the commands judge them
// (a .gz is one packed file, which is then read for what it is).
import { gunzip, gzipInnerName } from './gzip_reader.js';
import { tarEntries, tarEntryBytes } from './tar_reader.js';
import { tooLargeProblem, kMaxUnpacked } from './unpacked_bytes.js';
import { unpackZipEntry, zipEntries, zipEntryStart } from './zip_reader.js';

export const kOpenedFormats = ['zip', 'gzip', 'tar'];

const kHeaderLength = 688;  // a D88 header, what tells an image by its contents

// { kind: "ZIP archive", disks: [{ place, name, unpack(progress) }] }. looksLikeD88(name,
// startOf) judges an entry, asking startOf() for its first bytes only where its name does not
// already tell.
export function listDisks(source, format, looksLikeD88) {
  if (format === 'gzip') {
    return {
      kind: 'gzip file',
      disks: [{ place: 0, name: gzipInnerName(source.name), unpack: (progress) => gunzip(source, progress) }],
    };
  }
  if (format === 'zip') {
    const disks = zipEntries(source)
      .filter((entry) => !/(^|\/)__MACOSX\//.test(entry.name) &&
                         looksLikeD88(entry.name, () => zipEntryStart(source, entry, kHeaderLength)))
      .map((entry) => ({ place: entry.place, name: entry.name,
                         unpack: (progress) => unpackZipEntry(source, entry, progress) }));
    return { kind: 'ZIP archive', disks };
  }
  const disks = tarEntries(source)
    .filter((entry) => looksLikeD88(entry.name, () => source.read(
      entry.offset, entry.offset + Math.min(entry.size, kHeaderLength))))
    .map((entry) => ({ place: entry.place, name: entry.name, unpack: () => {
      if (entry.size > kMaxUnpacked) throw tooLargeProblem(`${entry.name} in this tar archive`);
      return tarEntryBytes(source, entry).slice();
    } }));
  return { kind: 'tar archive', disks };
}
