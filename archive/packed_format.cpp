#include <cstring>

#include "archive/packed_images.h"
#include "d88/d88format.h"
#include "platform/platform.h"

namespace {

// A ZIP file ends in its end record, followed by a comment of at most 65535 bytes: so does a
// self-extracting archive, and the last part of a split one, whatever their first bytes.
constexpr int kZipEndSize = 22;
constexpr int kLongestZipComment = 0xFFFF;
constexpr unsigned char kZipEndSignature[] = {'P', 'K', 0x05, 0x06};

// Whether the file's header and track table read as a D88 image's, for a file of its size: the
// header as D88 writers make it, and its first track starting within the file (a dump may be
// cut short, but not before its first track). An image of no track at all is its header alone.
bool ReadsAsD88File(std::FILE* input) {
  D88Header header;
  if (ReadFileStart(input, header.raw, kHeaderSize) < kHeaderSize || !LooksLikeD88Header(header)) {
    return false;
  }
  // The table ends where the first track begins; the first track is the smallest offset in it.
  int32_t first = 0;
  for (int t = 0; t < kTrackCount &&
                  (first == 0 || kHeaderTrackTableOffset + kTrackTableEntrySize * t < first);
       ++t) {
    const int32_t offset = header.TrackOffset(t);
    if (offset != 0 && (first == 0 || offset < first)) {
      first = offset;
    }
  }
  const int64_t size = FileSize(input);
  return first == 0 || size < 0 || first < size;
}

bool EndsWithZipDirectory(std::FILE* input) {
  static unsigned char tail[kZipEndSize + kLongestZipComment];
  const int64_t size = FileSize(input);
  if (size < kZipEndSize) {
    return false;
  }
  const int64_t length =
      size < static_cast<int64_t>(sizeof tail) ? size : static_cast<int64_t>(sizeof tail);
  if (ReadFileEnd(input, tail, static_cast<int>(length)) != length) {
    return false;
  }
  for (int64_t at = length - kZipEndSize; at >= 0; --at) {
    if (std::memcmp(tail + at, kZipEndSignature, sizeof kZipEndSignature) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

const OtherFormat* FindPackedFormat(std::FILE* input) {
  if (ReadsAsD88File(input)) {
    return nullptr;
  }
  unsigned char start[kFileStartLength];
  const OtherFormat* other = FindOtherFormat(start, ReadFileStart(input, start, sizeof start));
  if (other != nullptr) {
    return other->packed ? other : nullptr;
  }
  return EndsWithZipDirectory(input) ? FindOtherFormatNamed("zip") : nullptr;
}
