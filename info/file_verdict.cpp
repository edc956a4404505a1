#include "info/file_verdict.h"

#include <cstdio>
#include <cstring>

namespace {

// The shortest track table a writer makes: 160 entries, so a 672-byte header. A track that
// starts before its end starts inside the header.
constexpr int kShortestTableEnd = kHeaderTrackTableOffset + kTrackTableEntrySize * 160;

// clang-format off
constexpr OtherFormat kOtherFormats[] = {
    // the signature, the format's name, the reason given, where the signature lies, its length
    {"PK\x03\x04", "zip", "it is a ZIP archive; unpack the D88 file from it first", 0, 4},
    {"PK\x05\x06", "zip", "it is an empty ZIP archive", 0, 4},
    {"\x1F\x8B", "gzip", "it is gzip-compressed; unpack the D88 file from it first", 0, 2},
    {"7z\xBC\xAF\x27\x1C", "7z", "it is a 7z archive; unpack the D88 file from it first", 0, 6},
    {"Rar!\x1A\x07", "rar", "it is a RAR archive; unpack the D88 file from it first", 0, 6},
    {"-lh", "lzh", "it is an LZH archive; unpack the D88 file from it first", 2, 3},
    {"-lz", "lzh", "it is an LZH archive; unpack the D88 file from it first", 2, 3},
    {"\x89PNG\r\n\x1A\n", "png", "it is a PNG image", 0, 8},
    {"\xFF\xD8\xFF", "jpeg", "it is a JPEG image", 0, 3},
    {"%PDF-", "pdf", "it is a PDF document", 0, 5},
};
// clang-format on

// An LZH header names its method as -lh?- or -lz?- at byte 2.
bool LzhMethodEnds(const unsigned char* start, int length) {
  return length > 6 && start[6] == '-';
}

void AddProblem(HeaderProblems* problems, const char* format, long long a, long long b = 0,
                long long c = 0) {
  if (problems->count < kMaxProblems) {
    std::snprintf(problems->text[problems->count++], kProblemLength, format, a, b, c);
  }
}

}  // namespace

HeaderProblems FindHeaderProblems(const D88Image& image) {
  HeaderProblems problems;
  const auto size = static_cast<uint32_t>(image.GetDiskSize());
  if (size < static_cast<uint32_t>(kHeaderSize)) {
    AddProblem(&problems, "its size field says %lld bytes, less than the %lld of a header", size,
               kHeaderSize);
  } else if (size > INT32_MAX) {
    AddProblem(&problems, "its size field says %lld bytes, 2 GiB or more", size);
  }
  if (std::strcmp(MediaTypeName(image.GetMediaType()), "unknown") == 0) {
    AddProblem(&problems, "its media type 0x%02llX is none of 2D, 2DD, 2HD, 1D and 1DD",
               image.GetMediaType());
  }
  int inside = 0;
  int past = 0;
  int firstInside = -1;
  int firstPast = -1;
  for (int track = 0; track < kTrackCount; ++track) {
    const auto offset = static_cast<uint32_t>(image.GetTrackOffset(track));
    if (offset != 0 && offset < static_cast<uint32_t>(kShortestTableEnd)) {
      if (inside++ == 0) {
        firstInside = track;
      }
    } else if (offset > size) {
      if (past++ == 0) {
        firstPast = track;
      }
    }
  }
  if (inside > 0) {
    AddProblem(&problems, "%lld of its tracks start inside the header (track %lld at byte %lld)",
               inside, firstInside, static_cast<uint32_t>(image.GetTrackOffset(firstInside)));
  }
  if (past > 0) {
    AddProblem(&problems, "%lld of its tracks start past its size (track %lld at byte %lld)", past,
               firstPast, static_cast<uint32_t>(image.GetTrackOffset(firstPast)));
  }
  return problems;
}

const OtherFormat* FindOtherFormat(const unsigned char* start, int length) {
  for (const OtherFormat& other : kOtherFormats) {
    const bool lzh = other.at == 2;  // the one signature that does not open the file
    if (other.at + other.length <= length &&
        std::memcmp(start + other.at, other.bytes, static_cast<size_t>(other.length)) == 0 &&
        (!lzh || LzhMethodEnds(start, length))) {
      return &other;
    }
  }
  return nullptr;
}

FileVerdict JudgeFile(D88Image& image, const unsigned char* start, int startLength,
                      int64_t fileSize) {
  FileVerdict verdict;
  const auto give = [&verdict](const char* reason) {
    std::snprintf(verdict.reason, sizeof verdict.reason, "%s", reason);
  };
  if (const OtherFormat* other = FindOtherFormat(start, startLength)) {
    give(other->reason);
    verdict.format = other->name;
  } else if (image.GetDiskCount() == 0) {
    if (fileSize == 0) {
      give("it is empty");
    } else {
      std::snprintf(verdict.reason, sizeof verdict.reason,
                    "it is %lld bytes long, shorter than the %d bytes of a D88 header",
                    static_cast<long long>(fileSize < 0 ? startLength : fileSize), kHeaderSize);
    }
  } else if (!image.SelectDisk(0)) {
    give("the header of its first image cannot be read");
  } else {
    const HeaderProblems problems = FindHeaderProblems(image);
    verdict.d88 = problems.count == 0;
    if (!verdict.d88) {
      give(problems.text[0]);
    }
  }
  return verdict;
}
