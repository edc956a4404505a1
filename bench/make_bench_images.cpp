// Writes the crafted files the benchmarks measure, made by the tests' image builder.
#include <cstdio>
#include <string>

#ifdef CASTLE_OPENS_ARCHIVES
#include "tests/support/archive_maker.h"
#endif
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
#ifdef CASTLE_OPENS_ARCHIVES
  // The demo disk of The Castle in a ZIP, and 64 disks in one; 100,000 one-byte D88 files in
  // one, and a tar.gz of 4 MB holding 4 GiB before the disk.
  D88Builder castle = TheCastleDisk();
  castle.SetName("THE CASTLE DEMO");
  const Bytes disk = castle.Build();
  WriteFileBytes(dir + "/demo.zip", MakeArchive(ArchiveKind::kZip, {{"castle.d88", disk}}));
  std::vector<ArchiveMember> many;
  for (int i = 0; i < 64; ++i) {
    many.push_back({"disk" + std::to_string(i) + ".d88", disk});
  }
  WriteFileBytes(dir + "/sixty-four.zip", MakeArchive(ArchiveKind::kZip, many));
  std::vector<ArchiveMember> tiny;
  for (int i = 0; i < 100000; ++i) {
    tiny.push_back({"d" + std::to_string(i) + ".d88", {'x'}});
  }
  WriteFileBytes(dir + "/hundred-thousand.zip", MakeArchive(ArchiveKind::kZip, tiny));
  WriteFileBytes(dir + "/four-gib.tar.gz",
                 MakeTarGzipWithJunk(uint64_t{4} << 30, {{"castle.d88", disk}}));
#endif
  return 0;
}
