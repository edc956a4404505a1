// Whether a file is a D88 disk image at all, judged by what real D88 writers make. Real images
// are often truncated or carry odd tracks, so only what no writer makes counts against a file:
// a disk size below a header's, a media type none of the known ones, a track that starts inside
// the header or past the stated size. A file that opens with the signature of a well-known other
// format, as users drop by mistake, is named for what it is.
#ifndef INFO_FILE_VERDICT_H
#define INFO_FILE_VERDICT_H

#include <cstdint>

#include "d88/d88image.h"

constexpr int kMaxProblems = 4;       // one of each kind
constexpr int kProblemLength = 120;   // the longest problem, with its numbers
constexpr int kFileStartLength = 16;  // bytes that tell another format

// What is wrong with the current image's header, in short English, one problem of each kind.
struct HeaderProblems {
  int count = 0;
  char text[kMaxProblems][kProblemLength] = {};
};
HeaderProblems FindHeaderProblems(const D88Image& image);

// A well-known format other than D88, known by its first bytes.
struct OtherFormat {
  const char* bytes;
  const char* name;    // short and stable, for programs: "zip", "gzip", "7z", "png", ...
  const char* reason;  // for people: "it is a ZIP archive; unpack the D88 file from it first"
  int at;              // where its signature lies in the file
  int length;
};

// The other format a file that starts with these bytes is, or null.
const OtherFormat* FindOtherFormat(const unsigned char* start, int length);

// What the file is: a D88 image, or not, and then the first reason why not, and the other
// format it is where it is a well-known one.
struct FileVerdict {
  bool d88 = false;
  char reason[kProblemLength] = {};
  const char* format = nullptr;
};
// start holds the file's first bytes (startLength of them, up to kFileStartLength); fileSize is
// -1 when unknown. Selects image 0 when the file has one.
FileVerdict JudgeFile(D88Image& image, const unsigned char* start, int startLength,
                      int64_t fileSize);

#endif  // INFO_FILE_VERDICT_H
