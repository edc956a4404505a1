// A ZIP archive read by its central directory, the record of every entry at the archive's end,
// and each entry's local header held against it. A ZIP file says each entry's CRC-32 and sizes
// twice (in the directory and before the data, or after it in a data descriptor); a reader that
// believes one of them alone passes a changed byte whose CRC-32 was made to match there. Here
// the two must agree, and the data must match them (zip_entry_reader.h).
#ifndef ARCHIVE_PLUGIN_ZIP_DIRECTORY_H
#define ARCHIVE_PLUGIN_ZIP_DIRECTORY_H

#include <cstdint>

#include "archive/plugin/file_reader.h"
#include "archive/plugin_interface.h"

// General purpose flag bits.
constexpr uint16_t kZipEncrypted = 0x0001;
constexpr uint16_t kZipDataDescriptor = 0x0008;  // CRC-32 and sizes follow the data
constexpr uint16_t kZipUtf8Names = 0x0800;

// Compression methods.
constexpr uint16_t kZipStored = 0;
constexpr uint16_t kZipDeflated = 8;

// One entry as the central directory records it.
struct ZipEntry {
  int64_t place = 0;  // in the directory, from 0
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint64_t packedSize = 0;
  uint64_t size = 0;
  int64_t localOffset = 0;  // where its local header lies in the file
  bool zip64 = false;       // sizes or offset from its ZIP64 extra field
  bool declaredUtf8 = false;
  bool directory = false;
  uint32_t rawNameCrc = 0;  // of the name as the header stores it, to hold the local one against
  uint32_t rawNameLength = 0;
  char name[kMaxEntryName] = {};  // UTF-8 from the Unicode path field where there is one;
                                  // cut at kMaxEntryName - 1 bytes or a NUL
};

class ZipDirectory {
 public:
  // Finds the directory through the end record. Null where it is found, else what is wrong,
  // after the archive's path: " is an empty ZIP archive ...", " is damaged (...)".
  const char* Open(FileReader* file);
  int64_t EntryCount() const { return m_count; }

  // Reads the next entry of the directory; false at its end or, with *problem set (after the
  // archive's path), where the directory is broken.
  bool Next(ZipEntry* entry, const char** problem);

  // Holds the entry's local header against the directory, and its data descriptor where it has
  // one, read through `file` (another window than the directory's: the two lie apart). Null
  // where they agree, with *dataStart where its data begins; else what is wrong, after the
  // entry's name: "is damaged (ZIP: ...)".
  const char* CheckLocalHeader(FileReader* file, const ZipEntry& entry, int64_t* dataStart);

 private:
  const char* Say(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Reads the ZIP64 end record the locator before the end record at `end` leads to.
  const char* OpenZip64(int64_t end);
  const char* CheckDataDescriptor(FileReader* file, const ZipEntry& entry, int64_t dataEnd,
                                  bool wide);

  FileReader* m_file = nullptr;
  int64_t m_count = 0;
  int64_t m_read = 0;
  int64_t m_bias = 0;  // bytes before the archive (a self-extracting program), added to offsets
  int64_t m_directoryStart = 0;
  int64_t m_directoryEnd = 0;
  int64_t m_next = 0;  // the next directory record
  char m_problem[256] = {};
};

#endif  // ARCHIVE_PLUGIN_ZIP_DIRECTORY_H
