// The data of one ZIP entry, decoded and held against what the central directory says of it:
// every byte counted and its CRC-32 compared at the end. Stored and deflated entries (nearly
// all) are decoded here with zlib; the rarer methods (bzip2, LZMA, xz, PPMd) by libarchive,
// shown the entry alone behind a local header made from the directory's values, so that it can
// believe nothing else.
#ifndef ARCHIVE_PLUGIN_ZIP_ENTRY_READER_H
#define ARCHIVE_PLUGIN_ZIP_ENTRY_READER_H

#include <zlib.h>

#include <cstddef>
#include <cstdint>

#include "archive/plugin/file_reader.h"
#include "archive/plugin/zip_directory.h"

struct archive;

class ZipEntryReader {
 public:
  ZipEntryReader() = default;
  ~ZipEntryReader() { End(); }
  ZipEntryReader(const ZipEntryReader&) = delete;
  ZipEntryReader& operator=(const ZipEntryReader&) = delete;

  // Starts on the entry, whose data begins at dataStart. Null where it can be read, else why
  // not, to follow its name ("is encrypted; ...").
  const char* Start(FileReader* file, const ZipEntry& entry, int64_t dataStart);
  // Decodes up to size bytes into dest: how many, 0 at the entry's end with its size and CRC-32
  // found right, -1 where they are not or the data is broken (Problem(), to follow the name).
  int64_t Read(unsigned char* dest, size_t size);
  const char* Problem() const { return m_problem; }
  // Whether the failure was libarchive running out of memory.
  bool TooGreedy() const { return m_tooGreedy; }
  void End();

  // libarchive's way to the entry: the made-up local header, then the data.
  int64_t Serve(const void** buffer);

 private:
  int64_t Decode(unsigned char* dest, size_t size);
  // Up to size more bytes of the packed data, as stored: how many, -1 where the file ends.
  int64_t ReadPacked(unsigned char* dest, size_t size);
  int64_t Inflate(unsigned char* dest, size_t size);
  int64_t Fail(const char* format, ...) __attribute__((format(printf, 2, 3)));

  FileReader* m_file = nullptr;
  ZipEntry m_entry;
  int64_t m_dataStart = 0;
  uint64_t m_packedRead = 0;  // of the data, by the decoder
  uint64_t m_made = 0;
  uint32_t m_crc = 0;
  bool m_ended = false;
  const char* m_problem = nullptr;
  char m_problemText[256] = {};
  bool m_tooGreedy = false;
  // Deflate.
  bool m_inflating = false;
  z_stream m_zlib = {};
  unsigned char m_input[1 << 16] = {};
  // Other methods.
  archive* m_archive = nullptr;
  unsigned char m_localHeader[30 + kMaxEntryName] = {};
  size_t m_localHeaderLength = 0;
  bool m_headerServed = false;
};

#endif  // ARCHIVE_PLUGIN_ZIP_ENTRY_READER_H
