#include "archive/plugin/zip_directory.h"

#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "archive/plugin/little_endian.h"

namespace {

// Record signatures.
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint32_t kDirectorySignature = 0x02014B50;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kDescriptorSignature = 0x08074B50;

// The end of central directory record: 22 bytes and a comment of up to 65535.
constexpr int kEndSize = 22;
constexpr int kEndDisk = 4;
constexpr int kEndDirectoryDisk = 6;
constexpr int kEndEntriesHere = 8;
constexpr int kEndEntries = 10;
constexpr int kEndDirectorySize = 12;
constexpr int kEndDirectoryOffset = 16;
constexpr int kEndCommentLength = 20;
constexpr int kLongestComment = 0xFFFF;

// The ZIP64 locator lies just before the end record and leads to the ZIP64 end record.
constexpr int kLocatorSize = 20;
constexpr int kLocatorEndOffset = 8;
constexpr int kLocatorDiskCount = 16;
constexpr int kZip64EndSize = 56;
constexpr int kZip64EndDisk = 16;
constexpr int kZip64EndDirectoryDisk = 20;
constexpr int kZip64EndEntriesHere = 24;
constexpr int kZip64EndEntries = 32;
constexpr int kZip64EndDirectorySize = 40;
constexpr int kZip64EndDirectoryOffset = 48;

// A central directory record: 46 bytes, then the name, the extra field and the comment.
constexpr int kDirectorySize = 46;
constexpr int kDirectoryFlags = 8;
constexpr int kDirectoryMethod = 10;
constexpr int kDirectoryCrc = 16;
constexpr int kDirectoryPackedSize = 20;
constexpr int kDirectorySizeField = 24;
constexpr int kDirectoryNameLength = 28;
constexpr int kDirectoryExtraLength = 30;
constexpr int kDirectoryCommentLength = 32;
constexpr int kDirectoryDiskStart = 34;
constexpr int kDirectoryLocalOffset = 42;

// A local header: 30 bytes, then the name and the extra field, then the data.
constexpr int kLocalSize = 30;
constexpr int kLocalFlags = 6;
constexpr int kLocalMethod = 8;
constexpr int kLocalCrc = 14;
constexpr int kLocalPackedSize = 18;
constexpr int kLocalSizeField = 22;
constexpr int kLocalNameLength = 26;
constexpr int kLocalExtraLength = 28;

// Extra fields: a 2-byte tag and a 2-byte length before each.
constexpr uint16_t kZip64Extra = 0x0001;
constexpr uint16_t kUnicodePathExtra = 0x7075;  // Info-ZIP: version 1, CRC-32 of the name, UTF-8
constexpr uint32_t kNoValue32 = 0xFFFFFFFF;     // the real value is in the ZIP64 extra field
constexpr uint16_t kNoValue16 = 0xFFFF;

// A record's name, extra field and comment, read whole (each at most 65535 bytes).
unsigned char g_field[3 * 0x10000];

// The values the ZIP64 extra field holds for those of the header that say 0xFFFFFFFF, in the
// order the format gives: size, packed size, local header offset. False where the field is too
// short for them.
bool ReadZip64Extra(const unsigned char* extra, int length, uint64_t* size, uint64_t* packed,
                    uint64_t* offset) {
  for (int at = 0; at + 4 <= length;) {
    const uint16_t tag = Le16(extra + at);
    const int fieldLength = Le16(extra + at + 2);
    const unsigned char* field = extra + at + 4;
    at += 4 + fieldLength;
    if (tag != kZip64Extra || at > length) {
      continue;
    }
    int used = 0;
    uint64_t* const values[] = {size, packed, offset};
    for (uint64_t* value : values) {
      if (value != nullptr && *value == kNoValue32) {
        if (used + 8 > fieldLength) {
          return false;
        }
        *value = Le64(field + used);
        used += 8;
      }
    }
    return true;
  }
  // No field: fine where no value was left to it.
  const uint64_t* const values[] = {size, packed, offset};
  return std::none_of(std::begin(values), std::end(values), [](const uint64_t* value) {
    return value != nullptr && *value == kNoValue32;
  });
}

// Whether the extra field carries a ZIP64 field at all.
bool HasZip64Extra(const unsigned char* extra, int length) {
  for (int at = 0; at + 4 <= length; at += 4 + Le16(extra + at + 2)) {
    if (Le16(extra + at) == kZip64Extra) {
      return true;
    }
  }
  return false;
}

// The UTF-8 name of an Info-ZIP Unicode path field that belongs to this name (its CRC-32 is
// the stored name's), into name; false where there is none.
bool ReadUnicodePath(const unsigned char* extra, int length, uint32_t nameCrc, char* name,
                     size_t size) {
  for (int at = 0; at + 4 <= length;) {
    const uint16_t tag = Le16(extra + at);
    const int fieldLength = Le16(extra + at + 2);
    const unsigned char* field = extra + at + 4;
    at += 4 + fieldLength;
    if (tag != kUnicodePathExtra || at > length || fieldLength < 5 || field[0] != 1 ||
        Le32(field + 1) != nameCrc) {
      continue;
    }
    const auto textLength = static_cast<size_t>(fieldLength - 5);
    const size_t kept = textLength < size - 1 ? textLength : size - 1;
    std::memcpy(name, field + 5, kept);
    name[kept] = '\0';
    return true;
  }
  return false;
}

}  // namespace

const char* ZipDirectory::Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  std::vsnprintf(m_problem, sizeof m_problem, format, args);
  va_end(args);
  return m_problem;
}

namespace {

// The end record, the last one in the file, followed only by its comment: where it lies, its
// bytes into record; -1 where there is none.
int64_t FindEndRecord(FileReader* file, unsigned char* record) {
  static unsigned char tail[kEndSize + kLongestComment];
  const int64_t fileSize = file->Size();
  const int64_t tailLength =
      fileSize < static_cast<int64_t>(sizeof tail) ? fileSize : static_cast<int64_t>(sizeof tail);
  const int64_t tailStart = fileSize - tailLength;
  if (!file->Read(tailStart, tail, static_cast<size_t>(tailLength))) {
    return -1;
  }
  for (int64_t at = tailLength - kEndSize; at >= 0; --at) {
    if (Le32(tail + at) == kEndSignature &&
        at + kEndSize + Le16(tail + at + kEndCommentLength) <= tailLength) {
      std::memcpy(record, tail + at, kEndSize);
      return tailStart + at;
    }
  }
  return -1;
}

}  // namespace

const char* ZipDirectory::Open(FileReader* file) {
  m_file = file;
  m_count = 0;
  m_read = 0;
  // The first part of a split archive opens with the spanning marker, and has no end record.
  unsigned char marker[4];
  if (file->Read(0, marker, sizeof marker) && Le32(marker) == kDescriptorSignature) {
    return Say("%s", kSplitZip);
  }
  unsigned char record[kEndSize];
  const int64_t endOffset = FindEndRecord(file, record);
  if (endOffset < 0) {
    return Say(" is damaged (ZIP: its central directory is not there; the file may be cut short)");
  }
  const uint16_t disk = Le16(record + kEndDisk);
  const uint16_t directoryDisk = Le16(record + kEndDirectoryDisk);
  m_count = Le16(record + kEndEntries);
  const uint16_t entriesHere = Le16(record + kEndEntriesHere);
  uint64_t directorySize = Le32(record + kEndDirectorySize);
  uint64_t directoryOffset = Le32(record + kEndDirectoryOffset);
  int64_t directoryEnd = endOffset;
  // A ZIP64 archive says so with a locator just before the end record.
  unsigned char locator[kLocatorSize];
  if (endOffset >= kLocatorSize && file->Read(endOffset - kLocatorSize, locator, kLocatorSize) &&
      Le32(locator) == kZip64LocatorSignature) {
    unsigned char zip64[kZip64EndSize];
    const uint64_t at = Le64(locator + kLocatorEndOffset);
    // The ZIP64 end record lies before the locator; offsets in it may be shifted (m_bias).
    const int64_t expected = endOffset - kLocatorSize - kZip64EndSize;
    if (Le32(locator + kLocatorDiskCount) > 1) {
      return Say("%s", kSplitZip);
    }
    if (expected < 0 || !file->Read(expected, zip64, kZip64EndSize) ||
        Le32(zip64) != kZip64EndSignature || at > static_cast<uint64_t>(expected)) {
      return Say(" is damaged (ZIP: its ZIP64 end record is not where its locator says)");
    }
    if (Le32(zip64 + kZip64EndDisk) != 0 || Le32(zip64 + kZip64EndDirectoryDisk) != 0 ||
        Le64(zip64 + kZip64EndEntriesHere) != Le64(zip64 + kZip64EndEntries)) {
      return Say("%s", kSplitZip);
    }
    m_count = static_cast<int64_t>(Le64(zip64 + kZip64EndEntries) & INT64_MAX);
    directorySize = Le64(zip64 + kZip64EndDirectorySize);
    directoryOffset = Le64(zip64 + kZip64EndDirectoryOffset);
    directoryEnd = expected;
  } else if (disk != 0 || directoryDisk != 0 || entriesHere != m_count) {
    return Say("%s", kSplitZip);
  } else if (m_count == kNoValue16 || directorySize == kNoValue32 ||
             directoryOffset == kNoValue32) {
    return Say(" is damaged (ZIP: its ZIP64 end record is missing)");
  }
  if (m_count == 0) {
    return Say("%s", kEmptyZip);
  }
  // The directory ends where the end record begins; data before the archive (a
  // self-extracting program) shifts every offset it gives by the same amount.
  if (directorySize > static_cast<uint64_t>(directoryEnd) ||
      directoryOffset > static_cast<uint64_t>(directoryEnd) - directorySize) {
    return Say(" is damaged (ZIP: its central directory does not fit before its end record)");
  }
  m_directoryStart = directoryEnd - static_cast<int64_t>(directorySize);
  m_bias = m_directoryStart - static_cast<int64_t>(directoryOffset);
  m_directoryEnd = directoryEnd;
  m_next = m_directoryStart;
  return nullptr;
}

bool ZipDirectory::Next(ZipEntry* entry, const char** problem) {
  *problem = nullptr;
  if (m_read >= m_count) {
    if (m_next != m_directoryEnd) {
      *problem = Say(" is damaged (ZIP: its central directory holds more than its %lld entries)",
                     static_cast<long long>(m_count));
    }
    return false;
  }
  unsigned char header[kDirectorySize];
  if (m_next + kDirectorySize > m_directoryEnd || !m_file->Read(m_next, header, sizeof header) ||
      Le32(header) != kDirectorySignature) {
    *problem = Say(" is damaged (ZIP: its central directory is broken at entry %lld of %lld)",
                   static_cast<long long>(m_read) + 1, static_cast<long long>(m_count));
    return false;
  }
  const int nameLength = Le16(header + kDirectoryNameLength);
  const int extraLength = Le16(header + kDirectoryExtraLength);
  const int commentLength = Le16(header + kDirectoryCommentLength);
  const int64_t length = kDirectorySize + nameLength + extraLength + commentLength;
  if (m_next + length > m_directoryEnd ||
      !m_file->Read(m_next + kDirectorySize, g_field,
                    static_cast<size_t>(nameLength) + static_cast<size_t>(extraLength))) {
    *problem = Say(" is damaged (ZIP: its central directory is broken at entry %lld of %lld)",
                   static_cast<long long>(m_read) + 1, static_cast<long long>(m_count));
    return false;
  }
  *entry = ZipEntry();
  entry->place = m_read;
  entry->flags = Le16(header + kDirectoryFlags);
  entry->method = Le16(header + kDirectoryMethod);
  entry->crc = Le32(header + kDirectoryCrc);
  entry->packedSize = Le32(header + kDirectoryPackedSize);
  entry->size = Le32(header + kDirectorySizeField);
  uint64_t offset = Le32(header + kDirectoryLocalOffset);
  const unsigned char* extra = g_field + nameLength;
  entry->zip64 =
      entry->packedSize == kNoValue32 || entry->size == kNoValue32 || offset == kNoValue32;
  if (!ReadZip64Extra(extra, extraLength, &entry->size, &entry->packedSize, &offset) ||
      offset > static_cast<uint64_t>(m_directoryStart) ||
      (Le16(header + kDirectoryDiskStart) != 0 &&
       Le16(header + kDirectoryDiskStart) != kNoValue16)) {
    *problem = Say(" is damaged (ZIP: entry %lld of its central directory is broken)",
                   static_cast<long long>(m_read) + 1);
    return false;
  }
  entry->localOffset = static_cast<int64_t>(offset) + m_bias;
  entry->rawNameLength = static_cast<uint32_t>(nameLength);
  entry->rawNameCrc = static_cast<uint32_t>(crc32(0, g_field, static_cast<uInt>(nameLength)));
  entry->directory = nameLength > 0 && g_field[nameLength - 1] == '/';
  entry->declaredUtf8 = (entry->flags & kZipUtf8Names) != 0;
  if (ReadUnicodePath(extra, extraLength, entry->rawNameCrc, entry->name, sizeof entry->name)) {
    entry->declaredUtf8 = true;
  } else {
    const int kept = nameLength < kMaxEntryName - 1 ? nameLength : kMaxEntryName - 1;
    std::memcpy(entry->name, g_field, static_cast<size_t>(kept));
    entry->name[kept] = '\0';
  }
  m_next += length;
  ++m_read;
  return true;
}

const char* ZipDirectory::CheckLocalHeader(FileReader* file, const ZipEntry& entry,
                                           int64_t* dataStart) {
  unsigned char header[kLocalSize];
  if (!file->Read(entry.localOffset, header, sizeof header) || Le32(header) != kLocalSignature) {
    return Say("is damaged (ZIP: its local header is not where the central directory says)");
  }
  const uint16_t flags = Le16(header + kLocalFlags);
  const int nameLength = Le16(header + kLocalNameLength);
  const int extraLength = Le16(header + kLocalExtraLength);
  if (!file->Read(entry.localOffset + kLocalSize, g_field,
                  static_cast<size_t>(nameLength) + static_cast<size_t>(extraLength))) {
    return Say("is damaged (ZIP: its local header is cut short)");
  }
  if (static_cast<uint32_t>(nameLength) != entry.rawNameLength ||
      crc32(0, g_field, static_cast<uInt>(nameLength)) != entry.rawNameCrc) {
    return Say(
        "is damaged (ZIP: its local header gives another name than the central "
        "directory)");
  }
  if (Le16(header + kLocalMethod) != entry.method ||
      ((flags ^ entry.flags) & (kZipEncrypted | kZipDataDescriptor)) != 0) {
    return Say(
        "is damaged (ZIP: its local header and the central directory disagree on how it "
        "is stored)");
  }
  const unsigned char* extra = g_field + nameLength;
  const uint32_t crc = Le32(header + kLocalCrc);
  uint64_t packed = Le32(header + kLocalPackedSize);
  uint64_t size = Le32(header + kLocalSizeField);
  const bool wide = HasZip64Extra(extra, extraLength);
  if (!ReadZip64Extra(extra, extraLength, &size, &packed, nullptr)) {
    return Say("is damaged (ZIP: its local header's ZIP64 field is broken)");
  }
  // With a data descriptor the local header may leave them 0; any it gives must agree.
  const bool deferred = (flags & kZipDataDescriptor) != 0;
  const bool crcAgrees = crc == entry.crc || (deferred && crc == 0);
  const bool sizesAgree = (packed == entry.packedSize || (deferred && packed == 0)) &&
                          (size == entry.size || (deferred && size == 0));
  if (!crcAgrees || !sizesAgree) {
    return Say("is damaged (ZIP: its local header and the central directory give different %s)",
               crcAgrees ? "sizes" : "CRC-32s");
  }
  *dataStart = entry.localOffset + kLocalSize + nameLength + extraLength;
  if (entry.packedSize > static_cast<uint64_t>(m_directoryStart - *dataStart)) {
    return Say("is damaged (ZIP: its data runs past the central directory)");
  }
  return deferred
             ? CheckDataDescriptor(file, entry, *dataStart + static_cast<int64_t>(entry.packedSize),
                                   wide || entry.zip64)
             : nullptr;
}

// A data descriptor: an optional signature, then the CRC-32 and the two sizes (8 bytes each for
// a ZIP64 entry, else 4).
const char* ZipDirectory::CheckDataDescriptor(FileReader* file, const ZipEntry& entry,
                                              int64_t dataEnd, bool wide) {
  unsigned char descriptor[24] = {};
  const int64_t room = m_directoryStart - dataEnd;
  const size_t length = room < static_cast<int64_t>(sizeof descriptor)
                            ? static_cast<size_t>(room < 0 ? 0 : room)
                            : sizeof descriptor;
  file->Read(dataEnd, descriptor, length);
  const unsigned char* at =
      length >= 4 && Le32(descriptor) == kDescriptorSignature ? descriptor + 4 : descriptor;
  const size_t needed = static_cast<size_t>(at - descriptor) + (wide ? 20 : 12);
  const uint64_t packed = wide ? Le64(at + 4) : Le32(at + 4);
  const uint64_t size = wide ? Le64(at + 12) : Le32(at + 8);
  if (needed > length || Le32(at) != entry.crc || packed != entry.packedSize ||
      size != entry.size) {
    return Say("is damaged (ZIP: its data descriptor and the central directory disagree)");
  }
  return nullptr;
}
