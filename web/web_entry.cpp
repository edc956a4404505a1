// The page's way into the commands: each call runs one command's real entry, as its command line
// would, on a disk image the page has put in the file system of a worker. The page makes a fresh
// module instance for every call, so no program-wide object carries anything over.
#include <cstdio>
#include <cstring>

#include "info/d88_info.h"
#include "tool/castle_extract.h"

namespace {

constexpr int kMaxPath = 1024;
constexpr int kMaxWords = 5;

// The arguments as a command line gives them: writable strings.
int RunEntry(int (*entry)(int, char**), const char* const* words, int count) {
  static char text[kMaxWords][kMaxPath];
  char* argv[kMaxWords + 1] = {};
  for (int i = 0; i < count && i < kMaxWords; ++i) {
    std::strncpy(text[i], words[i], kMaxPath - 1);
    argv[i] = text[i];
  }
  return entry(count, argv);
}

}  // namespace

// castle-extract IMAGE, writing its files into the current directory; with a title ("castle",
// "excellent"), castle-extract --title TITLE IMAGE.
extern "C" int RunCastleExtract(const char* path, const char* title) {
  if (title != nullptr && title[0] != '\0') {
    const char* const words[] = {"castle-extract", "--title", title, path};
    return RunEntry(CastleExtractMain, words, 4);
  }
  const char* const words[] = {"castle-extract", path};
  return RunEntry(CastleExtractMain, words, 2);
}

// d88-info --json IMAGE, its standard output going to the file `output`: a report can run to
// megabytes, which the page takes in one piece rather than a byte at a time.
extern "C" int RunD88InfoJson(const char* path, const char* output) {
  if (std::freopen(output, "wb", stdout) == nullptr) {
    return 1;
  }
  const char* const words[] = {"d88-info", "--json", path};
  return RunEntry(D88InfoMain, words, 3);
}
