// The file headers of a RAR 4 archive, read one after another beside libarchive's walk through
// the same archive. libarchive checks the CRC-32 of a compressed RAR 4 entry but not of a stored
// one (method 0x30), as disk images often are; the plugin compares it itself from here. RAR 5
// archives are left to libarchive, which checks every entry's CRC-32.
#ifndef ARCHIVE_PLUGIN_RAR4_HEADERS_H
#define ARCHIVE_PLUGIN_RAR4_HEADERS_H

#include <cstdint>

#include "archive/plugin/file_reader.h"

struct Rar4File {
  uint32_t crc = 0;
  uint64_t size = 0;
  bool directory = false;
  bool split = false;  // continued from or into another volume
};

class Rar4Headers {
 public:
  // Starts at the first block after the archive's marker; false where it is no RAR 4 archive
  // (RAR 5 has another marker) or its headers are encrypted.
  bool Start(FileReader* file);
  // The next file header; false at the end, or where a header is broken (libarchive says so
  // too, with its own words).
  bool Next(Rar4File* file);

 private:
  FileReader* m_file = nullptr;
  int64_t m_next = 0;
};

#endif  // ARCHIVE_PLUGIN_RAR4_HEADERS_H
