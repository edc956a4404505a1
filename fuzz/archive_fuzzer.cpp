// Feeds arbitrary bytes through the archive path the commands take for an input that is no D88
// file: the decision, the walk through its D88 files with each one unpacked and read as a D88
// file (as d88-info does), and the choice of one (as castle-extract does). Crashes, hangs and
// sanitizer reports are the findings; so are results that break the promises: a name that is
// empty or not UTF-8, an image larger than the most one may unpack to, a walk that decompresses
// far more than its bound.
#include <cstring>

#include "archive/packed_images.h"
#include "d88/d88image.h"
#include "fuzz/fuzz_input.h"
#include "platform/platform.h"
#include "text/utf8.h"

namespace {

void Check(bool promise) {
  if (!promise) {
    __builtin_trap();
  }
}

D88Image g_reader;

bool ReadImage(void* /*context*/, const PackedImage& image, std::FILE* stream,
               const char* problem) {
  Check(image.name[0] != '\0' && IsValidUtf8(image.name) && image.number > 0);
  Check((stream == nullptr) == (problem != nullptr));
  if (stream == nullptr) {
    return true;
  }
  Check(FileSize(stream) <= kMaxUnpackedSize);
  unsigned char ids[64];
  Check(g_reader.OpenStream(stream));
  for (int disk = 0; disk < g_reader.GetDiskCount() && disk < 2; ++disk) {
    if (g_reader.SelectDisk(disk)) {
      g_reader.ReadSectorIds(0, ids, sizeof ids);
    }
  }
  Check(g_reader.Open(nullptr));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputOpening opening;
  std::FILE* input = OpenInputFile(WriteFuzzInput(data, size), &opening);
  Check(input != nullptr);
  input = PrepareInput(input, &opening);
  Check(input != nullptr);
  const OtherFormat* format = FindPackedFormat(input);
  if (format != nullptr) {
    PackedOutcome walked;
    int count = 0;
    WalkPackedImages(input, *format, "fuzz.bin", ReadImage, nullptr, &walked, &count);
    Check(LastWalkDecompressed() <= 2 * kMaxUnpackedSize);
    PackedOutcome chose;
    std::FILE* image = UnpackChosenImage(input, *format, "fuzz.bin", nullptr, &chose);
    Check((image == nullptr) == (chose.problem != nullptr || chose.step != nullptr));
    if (image != nullptr) {
      Check(FileSize(image) <= kMaxUnpackedSize);
      Check(g_reader.OpenStream(image));
      Check(g_reader.Open(nullptr));
    }
  }
  std::fclose(input);
  return 0;
}
