#include "info/file_verdict.h"

#include <cstdio>
#include <cstring>

namespace {

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

FileVerdict JudgeFile(D88Image& image, const unsigned char* start, int startLength,
                      int64_t fileSize, bool archivesOpened) {
  FileVerdict verdict;
  const auto give = [&verdict](const char* reason) {
    std::snprintf(verdict.reason, sizeof verdict.reason, "%s", reason);
  };
  if (const OtherFormat* other = FindOtherFormat(start, startLength)) {
    const char* advice = !other->packed   ? ""
                         : archivesOpened ? ", and holds no D88 image"
                                          : "; unpack the D88 file from it first";
    std::snprintf(verdict.reason, sizeof verdict.reason, "it is %s%s", other->described, advice);
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
