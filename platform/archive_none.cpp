// Archives where the commands do not open them: the Windows edition, which stays one static
// program with nothing beside it, and the web page, which unpacks archives itself. An archive
// or a compressed stream is met with one clear line.
#include <cstdio>

#include "formats/other_formats.h"
#include "platform/platform.h"

bool OpensArchives() {
  return false;
}

const PackedImages* FindPackedImages(std::FILE* input, InputOpening* opening) {
  unsigned char start[kFileStartLength];
  const OtherFormat* other = FindOtherFormat(start, ReadFileStart(input, start, sizeof start));
  if (other == nullptr || !other->packed) {
    return nullptr;
  }
  static char problem[128];
#ifdef _WIN32
  const bool zip = other->name[0] == 'z' && other->name[1] == 'i';
  const char* how = zip ? " (Explorer opens ZIP files)" : "";
#else
  const char* how = "";
#endif
  std::snprintf(problem, sizeof problem, " is %s; unpack it first%s", other->described, how);
  opening->problem = problem;
  return nullptr;
}

std::FILE* UnpackImage(std::FILE* /*input*/, int /*index*/, InputOpening* opening) {
  opening->problem = " cannot be unpacked here";  // FindPackedImages never offers an image
  return nullptr;
}
