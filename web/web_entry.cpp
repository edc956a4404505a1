// The page's way into the commands: each call runs one command's real entry, as its command line
// would, on a disk image the page has put in the in-memory file system. The page makes a fresh
// module instance for every call, so no program-wide object carries anything over.
#include <cstring>

#include "info/d88_info.h"
#include "tool/castle_extract.h"

namespace {

constexpr int kMaxPath = 1024;

// The arguments as a command line gives them: writable strings.
int RunEntry(int (*entry)(int, char**), const char* const* words, int count, const char* path) {
  static char text[4][kMaxPath];
  char* argv[5] = {};
  for (int i = 0; i < count; ++i) {
    std::strncpy(text[i], i < count - 1 ? words[i] : path, kMaxPath - 1);
    argv[i] = text[i];
  }
  return entry(count, argv);
}

}  // namespace

// castle-extract IMAGE, writing its files into the current directory.
extern "C" int RunCastleExtract(const char* path) {
  const char* const words[] = {"castle-extract", nullptr};
  return RunEntry(CastleExtractMain, words, 2, path);
}

// d88-info --json IMAGE.
extern "C" int RunD88InfoJson(const char* path) {
  const char* const words[] = {"d88-info", "--json", nullptr};
  return RunEntry(D88InfoMain, words, 3, path);
}
