// Runs the command's entry on an arbitrary file, exactly as the command does, with its outputs
// going to a scratch directory. Besides crashes and sanitizer reports, it traps when the
// command fails on a directory it may write to (but for an archive, which may be damaged), or
// leaves anything there but its four files.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "archive/packed_images.h"
#include "castle/extraction_lists.h"
#include "platform/platform.h"
#include "fuzz/fuzz_input.h"
#include "tool/castle_extract.h"

namespace {

bool IsOutputName(const char* name) {
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
    return true;
  }
  for (const char* output : kOutputNames) {
    if (std::strcmp(name, output) == 0) {
      return true;
    }
  }
  return false;
}

// Whether the commands take the file for an archive or a compressed stream.
bool IsArchive(const char* path) {
  InputOpening opening;
  std::FILE* file = OpenInputFile(path, &opening);
  const bool archive = file != nullptr && FindPackedFormat(file) != nullptr;
  if (file != nullptr) {
    std::fclose(file);
  }
  return archive;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static char outputs[300];
  std::snprintf(outputs, sizeof outputs, "%s/out", FuzzScratchDir());
  if (mkdir(outputs, 0700) != 0 || chdir(outputs) != 0) {
    std::perror(outputs);
    __builtin_trap();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char program[] = "castle-extract";
  char path[300];
  std::snprintf(path, sizeof path, "%s", WriteFuzzInput(data, size));
  char* argv[] = {program, path, nullptr};
  // Only an archive may fail, as the commands decide what one is: it may be damaged, or hold no
  // single D88 image.
  const bool archive = IsArchive(path);
  const int status = CastleExtractMain(2, argv);
  if (status != 0 && (status != 1 || !archive)) {
    __builtin_trap();
  }
  DIR* dir = opendir(".");
  while (const struct dirent* entry = readdir(dir)) {
    if (!IsOutputName(entry->d_name)) {
      __builtin_trap();
    }
  }
  closedir(dir);
  return 0;
}
