// Whether a file is a D88 disk image at all, judged by what real D88 writers make. Real images
// are often truncated or carry odd tracks, so only what no writer makes counts against a file:
// a disk size below a header's, a media type none of the known ones, a track that starts inside
// the header or past the stated size. A file that opens with the signature of a well-known other
// format, as users drop by mistake, is named for what it is.
#ifndef INFO_FILE_VERDICT_H
#define INFO_FILE_VERDICT_H

#include <cstdint>

#include "d88/d88image.h"
#include "formats/other_formats.h"

constexpr int kMaxProblems = 4;      // one of each kind
constexpr int kProblemLength = 120;  // the longest problem, with its numbers

// What is wrong with the current image's header, in short English, one problem of each kind.
struct HeaderProblems {
  int count = 0;
  char text[kMaxProblems][kProblemLength] = {};
};
HeaderProblems FindHeaderProblems(const D88Image& image);

// What the file is: a D88 image, or not, and then the first reason why not, and the other
// format it is where it is a well-known one.
struct FileVerdict {
  bool d88 = false;
  char reason[kProblemLength] = {};
  const char* format = nullptr;
};
// start holds the file's first bytes (startLength of them, up to kFileStartLength); fileSize is
// -1 when unknown. Selects image 0 when the file has one. archivesOpened: an archive judged here
// was opened and held no D88 image (else it is to be unpacked first).
FileVerdict JudgeFile(D88Image& image, const unsigned char* start, int startLength,
                      int64_t fileSize, bool archivesOpened);

// The image of an archive a report is of: its name there, whether that is text (UTF-8) or
// bytes that could not be decoded (shown as \xNN), and its place among the archive's D88 files.
struct ReportEntry {
  const char* name;
  bool decoded;
  int number;
};

#endif  // INFO_FILE_VERDICT_H
