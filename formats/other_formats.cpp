#include "formats/other_formats.h"

#include <cstring>

namespace {

// clang-format off
constexpr OtherFormat kOtherFormats[] = {
    // signature                 at   length  name     described              packed
    {"PK\x03\x04",                0,   4,      "zip",   "a ZIP archive",       true},
    {"PK\x05\x06",                0,   4,      "zip",   "an empty ZIP archive", true},
    {"PK\x07\x08",                0,   4,      "zip",   "a part of a split ZIP archive", true},
    {"\x1F\x8B",                  0,   2,      "gzip",  "gzip-compressed",     true},
    {"7z\xBC\xAF\x27\x1C",        0,   6,      "7z",    "a 7z archive",        true},
    {"Rar!\x1A\x07",              0,   6,      "rar",   "a RAR archive",       true},
    {"-lh",                       2,   3,      "lzh",   "an LZH archive",      true},
    {"-lz",                       2,   3,      "lzh",   "an LZH archive",      true},
    {"\xFD" "7zXZ\x00",           0,   6,      "xz",    "xz-compressed",       true},
    {"BZh",                       0,   3,      "bzip2", "bzip2-compressed",    true},
    {"\x28\xB5\x2F\xFD",          0,   4,      "zstd",  "zstd-compressed",     true},
    {"ustar",                     257, 5,      "tar",   "a tar archive",       true},
    {"\x89PNG\r\n\x1A\n",         0,   8,      "png",   "a PNG image",         false},
    {"\xFF\xD8\xFF",              0,   3,      "jpeg",  "a JPEG image",        false},
    {"%PDF-",                     0,   5,      "pdf",   "a PDF document",      false},
};
// clang-format on

// An LZH header names its method as -lh?- or -lz?- at byte 2: the one signature there.
constexpr int kLzhMethodAt = 2;
bool LzhMethodEnds(const unsigned char* start, int length) {
  return length > 6 && start[6] == '-';
}

}  // namespace

const OtherFormat* FindOtherFormat(const unsigned char* start, int length) {
  for (const OtherFormat& other : kOtherFormats) {
    // The first byte rules out most at once: every D88 file is looked at here.
    if (other.at + other.length > length ||
        start[other.at] != static_cast<unsigned char>(other.bytes[0]) ||
        std::memcmp(start + other.at, other.bytes, static_cast<size_t>(other.length)) != 0) {
      continue;
    }
    // An LZH method is named at byte 2, between dashes.
    if (other.at != kLzhMethodAt || LzhMethodEnds(start, length)) {
      return &other;
    }
  }
  return nullptr;
}

const OtherFormat* FindOtherFormatNamed(const char* name) {
  for (const OtherFormat& other : kOtherFormats) {
    if (std::strcmp(other.name, name) == 0) {
      return &other;
    }
  }
  return nullptr;
}
