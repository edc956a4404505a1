// "Download all": the files the command wrote, in one ZIP of stored entries made by fflate,
// dated 1980-01-01 so that the same files always make the same archive.
import { zipSync } from 'fflate';

export function filesZip(files) {
  const entries = {};
  for (const file of files) {
    entries[file.name] = [file.bytes, { level: 0, mtime: new Date(1980, 0, 1) }];
  }
  return zipSync(entries);
}
