// Runs a fuzz target once on each file given, or on each file in each directory given, so that
// the seed and regression corpora are replayed by every test run, with or without libFuzzer.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
  // Paths are resolved first: a target may change directory when it initialises.
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    char resolved[PATH_MAX];
    const std::vector<std::string> found =
        InputsOf(realpath(argv[i], resolved) != nullptr ? resolved : argv[i]);
    files.insert(files.end(), found.begin(), found.end());
  }
  if (LLVMFuzzerInitialize != nullptr) {
    LLVMFuzzerInitialize(&argc, &argv);
  }
  for (const std::string& file : files) {
    std::FILE* input = std::fopen(file.c_str(), "rb");
    if (input == nullptr) {
      std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
      return 1;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, input)) > 0) {
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
    std::fclose(input);
    std::fprintf(stderr, "replay: %s (%zu bytes)\n", file.c_str(), bytes.size());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::fprintf(stderr, "replay: %zu inputs\n", files.size());
  return files.empty() ? 1 : 0;  // an empty corpus is a broken setup, not a pass
}
