// Writes the seed corpus for both fuzz targets: disks of each title, whole and as small as the
// command needs, and damaged variants of the kinds found in the wild.
#include <cstdio>
#include <string>

#include "d88/d88format.h"
#include "tests/support/d88_builder.h"

namespace {

// The tracks the command reads: its four runs and the signature track.
bool CommandReads(int track) {
  return track == 0 || track == 33 || track == 60 || track == 61 || track == 79;
}

D88Builder Compact(const D88Builder& disk) {
  D88Builder compact;
  for (int track = 0; track < kTrackCount; ++track) {
    if (CommandReads(track)) {
      for (const SectorRecord& sector : disk.Track(track)) {
        compact.AddSector(track, sector);
      }
    }
  }
  return compact;
}

template <typename Change>
D88Builder Changed(const D88Builder& disk, Change change) {
  D88Builder changed;
  for (int track = 0; track < kTrackCount; ++track) {
    for (SectorRecord sector : disk.Track(track)) {
      if (change(track, sector)) {
        changed.AddSector(track, sector);
      }
    }
  }
  return changed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: %s OUTPUT_DIR\n", argc > 0 ? argv[0] : "make-fuzz-seeds");
    return 2;
  }
  const std::string dir = argv[1];
  const auto write = [&](const char* name, const Bytes& bytes) {
    WriteFileBytes(dir + "/" + name, bytes);
  };
  const D88Builder castle = Compact(StandardDisk(0xF1, 0xF2, 0xF3));
  const D88Builder excellent = Compact(StandardDisk(0xF1, 0xF3, 0xF2));
  write("castle_whole.d88", StandardDisk(0xF1, 0xF2, 0xF3).Build());
  write("castle.d88", castle.Build());
  write("excellent.d88", excellent.Build());

  D88Builder noTrack61 = castle;
  noTrack61.SetTrackOffsetField(61, 0);
  write("castle_no_track61.d88", noTrack61.Build());
  write("castle_no_prog1_start.d88", Changed(castle, [](int track, SectorRecord& sector) {
                                       return !(track == 0 && sector.r == 2);
                                     }).Build());
  write("excellent_short_sector.d88", Changed(excellent, [](int track, SectorRecord& sector) {
                                        if (track == 60 && sector.r == 7) {
                                          sector.data.resize(100);
                                        }
                                        return true;
                                      }).Build());
  write("excellent_wrong_heads.d88", Changed(excellent, [](int track, SectorRecord& sector) {
                                       sector.h = static_cast<uint8_t>(track == 61 ? 0 : sector.h);
                                       return true;
                                     }).Build());
  write("castle_counts_zero.d88", Changed(castle, [](int, SectorRecord& sector) {
                                    sector.countField = sector.r % 3 == 0 ? 0 : 0xFFFF;
                                    return true;
                                  }).Build());
  write("castle_sizes_off.d88", Changed(castle, [](int, SectorRecord& sector) {
                                  sector.dataSizeField = sector.r * 37;
                                  return true;
                                }).Build());

  D88Builder negative = castle;
  negative.SetTrackOffsetField(0, 0x80000000u).SetTrackOffsetField(60, 0xFFFFFFF0u);
  write("castle_negative_offsets.d88", negative.Build());
  D88Builder pastEnd = castle;
  pastEnd.SetTrackOffsetField(33, 0x00100000u).SetTrackOffsetField(61, 40);
  write("castle_offsets_astray.d88", pastEnd.Build());
  D88Builder sizeZero = castle;
  sizeZero.SetDiskSizeField(0);
  write("castle_disk_size_zero.d88", sizeZero.Build());

  const Bytes whole = castle.Build();
  write("castle_cut_in_half.d88", Bytes(whole.begin(), whole.begin() + whole.size() / 2));
  write("two_images_and_tail.d88",
        Concat({excellent.Build(), castle.Build(), Bytes{0x44, 0x38, 0x38}}));
  D88Builder tiny;
  tiny.SetName("TINY").SetMediaType(0x20).AddSector(0, PatternSector(0, 0, 1, 3, 1024));
  write("tiny_2hd.d88", tiny.Build());
  return 0;
}
