#include "fuzz/fuzz_input.h"

#include <stdlib.h>

#include <cstdio>
#include <cstring>

const char* FuzzScratchDir() {
  static char path[256];
  if (path[0] == '\0') {
    const char* base = getenv("TMPDIR");
    std::snprintf(path, sizeof path, "%s/d88-fuzz-XXXXXX",
                  base != nullptr && *base ? base : "/tmp");
    if (mkdtemp(path) == nullptr) {
      std::perror("mkdtemp");
      abort();
    }
  }
  return path;
}

const char* WriteFuzzInput(const uint8_t* data, size_t size) {
  static char path[300];
  if (path[0] == '\0') {
    std::snprintf(path, sizeof path, "%s/input.d88", FuzzScratchDir());
  }
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
      std::fclose(file) != 0) {
    std::perror(path);
    abort();
  }
  return path;
}
