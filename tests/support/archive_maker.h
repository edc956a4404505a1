// Archives and compressed files made in the tests, for the commands' archive cases: by
// libarchive's writer where it writes the format, and LZH by hand (a stored -lh0- entry, which
// libarchive reads but does not write). POSIX systems only, as the commands open archives there.
#ifndef TESTS_SUPPORT_ARCHIVE_MAKER_H
#define TESTS_SUPPORT_ARCHIVE_MAKER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/d88_builder.h"

struct ArchiveMember {
  std::string name;  // UTF-8
  Bytes data;
};

enum class ArchiveKind { kZip, kSevenZip, kTar, kTarGzip, kGzip, kXz };

struct ArchiveOptions {
  bool shiftJisNames = false;  // names in code page 932 without the UTF-8 flag (ZIP)
  bool encrypted = false;      // ZipCrypto with a passphrase (ZIP)
  bool stored = false;         // no compression (ZIP, 7z, gzip, tar.gz): each byte where a test
                               // can change it
  bool utf8FlagOff = false;    // ZIP: UTF-8 names without the flag, as Info-ZIP's zip writes them
};

// The members as an archive of the kind; gzip and xz hold the first member's data alone.
Bytes MakeArchive(ArchiveKind kind, const std::vector<ArchiveMember>& members,
                  const ArchiveOptions& options = ArchiveOptions());

// The members as an LZH archive of stored (-lh0-) entries with level 0 headers.
Bytes MakeLzh(const std::vector<ArchiveMember>& members);

// The members as a RAR 4 archive of stored (method 0x30) entries, which libarchive reads but does
// not write.
Bytes MakeRar4(const std::vector<ArchiveMember>& members);

// A tar.gz whose first entry is `junk` zero bytes, of any size (its deflate data repeats one
// compressed mebibyte, so 4 GiB take 4 MB and no time), then the members.
Bytes MakeTarGzipWithJunk(uint64_t junk, const std::vector<ArchiveMember>& members);

// A ZIP of deflated entries of that many zeros each, of any size, made in no time.
Bytes MakeZipOfZeros(const std::vector<std::pair<std::string, uint64_t>>& entries);

// The data as an xz file whose LZMA2 dictionary, as its block header says, is 4 GiB.
Bytes MakeXzAskingFor4GiB(const Bytes& data);

#endif  // TESTS_SUPPORT_ARCHIVE_MAKER_H
