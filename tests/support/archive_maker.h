// Archives and compressed files made in the tests, for the commands' archive cases: by
// libarchive's writer where it writes the format, and LZH by hand (a stored -lh0- entry, which
// libarchive reads but does not write). POSIX systems only, as the commands open archives there.
#ifndef TESTS_SUPPORT_ARCHIVE_MAKER_H
#define TESTS_SUPPORT_ARCHIVE_MAKER_H

#include <string>
#include <vector>

#include "tests/support/d88_builder.h"

struct ArchiveMember {
  std::string name;  // UTF-8
  Bytes data;
};

enum class ArchiveKind { kZip, kSevenZip, kTarGzip, kGzip, kXz };

struct ArchiveOptions {
  bool shiftJisNames = false;  // names in code page 932 without the UTF-8 flag (ZIP)
  bool encrypted = false;      // ZipCrypto with a passphrase (ZIP)
};

// The members as an archive of the kind; gzip and xz hold the first member's data alone.
Bytes MakeArchive(ArchiveKind kind, const std::vector<ArchiveMember>& members,
                  const ArchiveOptions& options = ArchiveOptions());

// The members as an LZH archive of stored (-lh0-) entries with level 0 headers.
Bytes MakeLzh(const std::vector<ArchiveMember>& members);

#endif  // TESTS_SUPPORT_ARCHIVE_MAKER_H
