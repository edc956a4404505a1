// Archives where the commands do not open them: the Windows edition, which stays one static
// program with nothing beside it; the web page, which unpacks archives itself; and a build made
// without libarchive. An archive or a compressed stream is met with one clear line.
#include <cstdio>
#include <cstring>

#include "archive/packed_images.h"
#include "archive/plugin_interface.h"

namespace {

const char* Refusal(const OtherFormat& format) {
  static char problem[160];
  // An empty ZIP and a part of a split one are no archive to unpack: said as they are.
  if (std::strcmp(format.described, "an empty ZIP archive") == 0) {
    return kEmptyZip;
  }
  if (std::strcmp(format.described, "a part of a split ZIP archive") == 0) {
    return kSplitZip;
  }
#ifdef _WIN32
  const bool zip = format.name[0] == 'z' && format.name[1] == 'i';
  std::snprintf(problem, sizeof problem, " is %s; unpack it first%s", format.described,
                zip ? " (Explorer opens ZIP files)" : "");
#elif defined(__EMSCRIPTEN__)
  // The web page unpacks what it opens itself; anything else is to be unpacked first.
  std::snprintf(problem, sizeof problem, " is %s; unpack it first", format.described);
#else
  std::snprintf(problem, sizeof problem, " is %s; this build opens no archives; unpack it first",
                format.described);
#endif
  return problem;
}

}  // namespace

bool OpensArchives() {
  return false;
}

int64_t LastWalkDecompressed() {
  return 0;
}

std::FILE* UnpackChosenImage(std::FILE* /*input*/, const OtherFormat& format, const char* /*path*/,
                             const char* /*entry*/, PackedOutcome* outcome,
                             PackedImage* /*chosen*/) {
  outcome->problem = Refusal(format);
  return nullptr;
}

bool WalkPackedImages(std::FILE* /*input*/, const OtherFormat& format, const char* /*path*/,
                      PackedImageHandler /*handle*/, void* /*context*/, PackedOutcome* outcome,
                      int* count) {
  *count = 0;
  outcome->problem = Refusal(format);
  return false;
}
