// Runs a fuzz target once on each file given, or on each file in each directory given, so that
// the seed and regression corpora are replayed by every test run, with or without libFuzzer.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::string> InputsOf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
    return {};
  }
  if (!S_ISDIR(info.st_mode)) {
    return {path};
  }
  std::vector<std::string> files;
  if (DIR* dir = opendir(path.c_str())) {
    while (const struct dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') {
        files.push_back(path + "/" + entry->d_name);
      }
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) {
    LLVMFuzzerInitialize(&argc, &argv);
  }
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const std::string& file : InputsOf(argv[i])) {
      std::vector<uint8_t> bytes;
      if (std::FILE* input = std::fopen(file.c_str(), "rb")) {
        uint8_t chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, input)) > 0) {
          bytes.insert(bytes.end(), chunk, chunk + got);
        }
        std::fclose(input);
      }
      std::fprintf(stderr, "replay: %s (%zu bytes)\n", file.c_str(), bytes.size());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++replayed;
    }
  }
  std::fprintf(stderr, "replay: %d inputs\n", replayed);
  return replayed > 0 ? 0 : 1;  // an empty corpus is a broken setup, not a pass
}
