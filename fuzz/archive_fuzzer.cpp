// Feeds arbitrary bytes through the archive path the commands take for an input that opens with
// an archive's or a compressed stream's signature: libarchive's listing of its D88 images, each
// image unpacked (up to four), and the unpacked image read as a D88 file. Crashes, hangs and
// sanitizer reports are the findings; so are results that break the seam's promises: a name
// without its end, an image larger than the most one may unpack to.
#include <cstring>

#include "d88/d88image.h"
#include "fuzz/fuzz_input.h"
#include "platform/platform.h"

namespace {

constexpr int kImagesUnpacked = 4;

void Check(bool promise) {
  if (!promise) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static D88Image reader;
  InputOpening opening;
  std::FILE* input = OpenInputFile(WriteFuzzInput(data, size), &opening);
  Check(input != nullptr);
  input = PrepareInput(input, &opening);
  Check(input != nullptr);
  const PackedImages* packed = FindPackedImages(input, &opening);
  Check(packed == nullptr || opening.problem == nullptr);
  for (int i = 0;
       packed != nullptr && i < packed->count && i < kMaxPackedImages && i < kImagesUnpacked; ++i) {
    Check(std::memchr(packed->names[i], '\0', kMaxEntryName) != nullptr);
    InputOpening unpacking;
    std::FILE* image = UnpackImage(input, i, &unpacking);
    Check((image == nullptr) == (unpacking.problem != nullptr || unpacking.step != nullptr));
    if (image == nullptr) {
      continue;
    }
    Check(FileSize(image) <= kMaxUnpackedSize);
    Check(reader.OpenStream(image));
    unsigned char ids[64];
    for (int disk = 0; disk < reader.GetDiskCount() && disk < 2; ++disk) {
      if (reader.SelectDisk(disk)) {
        reader.ReadSectorIds(0, ids, sizeof ids);
      }
    }
  }
  std::fclose(input);
  Check(reader.Open(nullptr));
  return 0;
}
