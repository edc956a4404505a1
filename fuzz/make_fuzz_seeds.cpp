// Writes the seed corpus for both fuzz targets: disks of each title, whole and as small as the
// command needs, and damaged variants of the kinds found in the wild.
#include <algorithm>
#include <cstdio>
#include <string>

#include "castle/extraction_lists.h"
#include "d88/d88format.h"
#ifdef CASTLE_OPENS_ARCHIVES
#include "tests/support/archive_maker.h"
#endif
#include "tests/support/castle_disk.h"

namespace {

// The disk reduced to the tracks the command reads, so that the fuzzer's inputs stay small.
D88Builder Compact(const D88Builder& disk) {
  const std::vector<int> read = TracksTheCommandReads();
  return disk.Edited([&](int track, SectorRecord&) {
    return std::find(read.begin(), read.end(), track) != read.end();
  });
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
  const D88Builder castle = Compact(TheCastleDisk());
  const D88Builder excellent = Compact(ExcellentDisk());
  write("castle_whole.d88", TheCastleDisk().Build());
  write("castle.d88", castle.Build());
  write("excellent.d88", excellent.Build());

  D88Builder noTrack61 = castle;
  noTrack61.SetTrackOffsetField(61, 0);
  write("castle_no_track61.d88", noTrack61.Build());
  write(
      "castle_no_prog1_start.d88",
      castle.Edited([](int track, SectorRecord& sector) { return !(track == 0 && sector.r == 2); })
          .Build());
  write("excellent_short_sector.d88", excellent
                                          .Edited([](int track, SectorRecord& sector) {
                                            if (track == 60 && sector.r == 7) {
                                              sector.data.resize(100);
                                            }
                                            return true;
                                          })
                                          .Build());
  write("excellent_wrong_heads.d88", excellent
                                         .Edited([](int track, SectorRecord& sector) {
                                           sector.h =
                                               static_cast<uint8_t>(track == 61 ? 0 : sector.h);
                                           return true;
                                         })
                                         .Build());
  write("castle_counts_zero.d88", castle
                                      .Edited([](int, SectorRecord& sector) {
                                        sector.countField = sector.r % 3 == 0 ? 0 : 0xFFFF;
                                        return true;
                                      })
                                      .Build());
  write("castle_sizes_off.d88", castle
                                    .Edited([](int, SectorRecord& sector) {
                                      sector.dataSizeField = sector.r * 37;
                                      return true;
                                    })
                                    .Build());

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

#ifdef CASTLE_OPENS_ARCHIVES
  // The archives and compressed files images travel in, one of each format.
  const std::vector<ArchiveMember> members = {{"castle.d88", whole}, {"notes.txt", {'n', '\n'}}};
  write("castle.zip", MakeArchive(ArchiveKind::kZip, members));
  write("castle.7z", MakeArchive(ArchiveKind::kSevenZip, members));
  write("castle.tar.gz", MakeArchive(ArchiveKind::kTarGzip, members));
  write("castle.d88.gz", MakeArchive(ArchiveKind::kGzip, members));
  write("castle.d88.xz", MakeArchive(ArchiveKind::kXz, members));
  write("castle.lzh", MakeLzh(members));
  write("two.zip", MakeArchive(ArchiveKind::kZip, {{"a.d88", whole}, {"b.d77", tiny.Build()}}));
#endif
  return 0;
}
