#include "archive/plugin/rar4_headers.h"

#include <cstring>

#include "archive/plugin/little_endian.h"

namespace {

constexpr unsigned char kRar4Marker[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};

// Every block: CRC-16 of the header (2), type (1), flags (2), header size (2); blocks with
// kLongBlock, file headers among them, then give the size of what follows the header.
constexpr int kBlockType = 2;
constexpr int kBlockFlags = 3;
constexpr int kBlockHeaderSize = 5;
constexpr int kBlockBase = 7;
constexpr int kBlockAddedSize = 7;
constexpr uint16_t kLongBlock = 0x8000;

constexpr unsigned char kArchiveHeader = 0x73;
constexpr unsigned char kFileHeader = 0x74;
constexpr unsigned char kEndOfArchive = 0x7B;
constexpr uint16_t kEncryptedHeaders = 0x0080;  // in the archive header's flags

// A file header past the base: packed size (4, its added size), size (4), host (1), CRC-32 (4),
// time (4), version (1), method (1), name length (2), attributes (4), then with kLargeFile the high
// halves of the packed size and the size.
constexpr int kFileSize = 11;
constexpr int kFileCrc = 16;
constexpr int kFileHighPackedSize = 32;
constexpr int kFileHighSize = 36;
constexpr int kFileHeaderRead = 40;
constexpr uint16_t kFileSplit = 0x0003;  // continued from or into another volume
constexpr uint16_t kLargeFile = 0x0100;
constexpr uint16_t kDirectoryBits = 0x00E0;  // all three set: a directory

}  // namespace

bool Rar4Headers::Start(FileReader* file) {
  m_file = file;
  unsigned char marker[sizeof kRar4Marker];
  m_next = sizeof kRar4Marker;
  return file->Read(0, marker, sizeof marker) &&
         std::memcmp(marker, kRar4Marker, sizeof marker) == 0;
}

bool Rar4Headers::Next(Rar4File* file) {
  while (true) {
    unsigned char header[kFileHeaderRead] = {};
    const int64_t left = m_file->Size() - m_next;
    if (left < kBlockBase ||
        !m_file->Read(m_next, header,
                      left < kFileHeaderRead ? static_cast<size_t>(left) : kFileHeaderRead)) {
      return false;
    }
    const unsigned char type = header[kBlockType];
    const uint16_t flags = Le16(header + kBlockFlags);
    const uint16_t headerSize = Le16(header + kBlockHeaderSize);
    if (headerSize < kBlockBase || type == kEndOfArchive ||
        (type == kArchiveHeader && (flags & kEncryptedHeaders) != 0)) {
      return false;
    }
    const bool large = type == kFileHeader && (flags & kLargeFile) != 0;
    uint64_t added =
        type == kFileHeader || (flags & kLongBlock) != 0 ? Le32(header + kBlockAddedSize) : 0;
    if (large) {
      added |= static_cast<uint64_t>(Le32(header + kFileHighPackedSize)) << 32;
    }
    const int64_t block = m_next;
    m_next += headerSize + static_cast<int64_t>(added);
    if (type != kFileHeader) {
      continue;
    }
    if (headerSize < (large ? kFileHeaderRead : kFileHighPackedSize) || m_next < block) {
      return false;
    }
    file->crc = Le32(header + kFileCrc);
    file->size = Le32(header + kFileSize);
    if (large) {
      file->size |= static_cast<uint64_t>(Le32(header + kFileHighSize)) << 32;
    }
    file->directory = (flags & kDirectoryBits) == kDirectoryBits;
    file->split = (flags & kFileSplit) != 0;
    return true;
  }
}
