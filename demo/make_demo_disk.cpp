// Writes a demo disk of either title: the sector layout and the track 79 signature of the real
// game disks, filled with synthetic bytes rather than game data.
#include <cstdio>
#include <cstring>

#include "tests/support/castle_disk.h"

int main(int argc, char** argv) {
  if (argc != 3 ||
      (std::strcmp(argv[1], "castle") != 0 && std::strcmp(argv[1], "excellent") != 0)) {
    std::fprintf(stderr, "Usage: %s castle|excellent OUTPUT.d88\n",
                 argc > 0 ? argv[0] : "make-demo-disk");
    return 2;
  }
  const bool castle = std::strcmp(argv[1], "castle") == 0;
  D88Builder disk = castle ? TheCastleDisk() : ExcellentDisk();
  disk.SetName(castle ? "THE CASTLE DEMO" : "EXCELLENT DEMO");
  WriteFileBytes(argv[2], disk.Build());
  return 0;
}
