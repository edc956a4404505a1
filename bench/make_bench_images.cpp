// Writes the crafted files the benchmarks measure, made by the tests' image builder.
#include <cstdio>
#include <string>

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
  return 0;
}
