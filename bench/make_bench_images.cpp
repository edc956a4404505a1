// Writes the crafted files the benchmarks measure, made by the tests' image builder.
#include <cstdio>
#include <string>

#include "tests/support/archive_maker.h"
#include "tests/support/castle_disk.h"
#include "tests/support/crafted_images.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: %s OUTPUT_DIR\n", argc > 0 ? argv[0] : "make-bench-images");
    return 2;
  }
  const std::string dir = argv[1];
  WriteFileBytes(dir + "/shared-track.d88", SharedTrackDisk());
  WriteFileBytes(dir + "/chained-headers.d88", ChainedHeaders());
  WriteFileBytes(dir + "/shared-run.d88", SharedRunImages());
  WriteFileBytes(dir + "/many-records.d88", ManyRecordImages());
  // The demo disk of The Castle in a ZIP, and 64 disks in one.
  D88Builder castle = TheCastleDisk();
  castle.SetName("THE CASTLE DEMO");
  const Bytes disk = castle.Build();
  WriteFileBytes(dir + "/demo.zip", MakeArchive(ArchiveKind::kZip, {{"castle.d88", disk}}));
  std::vector<ArchiveMember> many;
  for (int i = 0; i < 64; ++i) {
    many.push_back({"disk" + std::to_string(i) + ".d88", disk});
  }
  WriteFileBytes(dir + "/sixty-four.zip", MakeArchive(ArchiveKind::kZip, many));
  return 0;
}
