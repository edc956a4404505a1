// Drives every operation of the reader over an arbitrary file: each indexed image (and one
// past the last), every track's ID listing, every listed sector, and a run on every listed
// track with several sector ranges and size codes. Crashes, hangs and sanitizer reports are the
// findings; so are results that break the reader's promises, which trap.
#include <cstring>

#include "d88/d88image.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr int kIdCapacity = 32 * kSectorIdSize;  // more than any real track holds
constexpr int kSectorCapacity = 0xFFFF;
constexpr int kImagesRead = 4;
constexpr int kRunCapacity = 2 * 1024;

unsigned char g_ids[kIdCapacity];
unsigned char g_sector[kSectorCapacity];
unsigned char g_run[kRunCapacity];

void Check(bool promise) {
  if (!promise) {
    __builtin_trap();
  }
}

// One run per listed track, starting at its first sector; the sector range and the size code
// rotate with the track index so that every combination is tried across a file's tracks.
void ReadRun(D88Image& reader, int track, const unsigned char* id) {
  const int number = id[kSectorIdNumber];
  const int ranges[][2] = {{1, 16}, {0, 255}, {number, number}};
  const int sizeCodes[] = {id[kSectorIdSizeCode], 1, 0, kMaxSizeCode};
  const auto& range = ranges[track % 3];
  const int n = sizeCodes[(track / 3) % 4];
  reader.SetSectorRange(range[0], range[1]);
  const int got = reader.ReadSectors(track, id[kSectorIdCylinder], id[kSectorIdHead], number, n,
                                     g_run, kRunCapacity);
  Check(got >= 0 && got <= kRunCapacity);
  Check(n <= kMaxSizeCode || got == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static D88Image reader;  // one long-lived reader, reopened for every input
  Check(reader.Open(WriteFuzzInput(data, size)));
  const int count = reader.GetDiskCount();
  Check(count >= 0 && count <= kMaxDisks);
  for (int disk = 0; disk <= count; ++disk) {
    if (!reader.SelectDisk(disk)) {
      Check(disk == count && reader.GetMediaType() == -1 && reader.GetDiskName()[0] == '\0');
      continue;
    }
    Check(std::strlen(reader.GetDiskName()) <= static_cast<size_t>(kDiskNameLength));
    Check(reader.GetMediaType() >= 0 && reader.GetMediaType() <= 255);
    Check(reader.GetMarker() == -1);
    // Every image is selected; the tracks of the first few and the last are read. Files of
    // 64 images are mostly one image repeated by a disk size of 0.
    if (disk >= kImagesRead && disk != count - 1) {
      continue;
    }
    for (int track = 0; track < kTrackCount; ++track) {
      const int stored = reader.ReadSectorIds(track, g_ids, kIdCapacity);
      Check(stored >= 0 && stored <= kIdCapacity && stored % kSectorIdSize == 0);
      for (int entry = 0; entry < stored; entry += kSectorIdSize) {
        const unsigned char* id = g_ids + entry;
        const int got =
            reader.ReadSector(track, id[kSectorIdCylinder], id[kSectorIdHead], id[kSectorIdNumber],
                              id[kSectorIdSizeCode], g_sector, kSectorCapacity);
        Check(got >= 0 && got <= kSectorCapacity);
      }
      if (stored > 0) {
        // A search that usually finds nothing walks the whole track.
        const unsigned char* id = g_ids;
        Check(reader.ReadSector(track, id[kSectorIdCylinder], id[kSectorIdHead],
                                id[kSectorIdNumber] ^ 0x80, id[kSectorIdSizeCode], g_sector,
                                kSectorCapacity) >= 0);
        ReadRun(reader, track, g_ids);
      }
    }
  }
  Check(reader.Open(nullptr) && reader.GetDiskCount() == 0);
  return 0;
}
