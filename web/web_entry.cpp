// The page's way into the commands: each call runs one command's real entry, as its command line
// would, on a disk image the page has put in the file system of a worker. The page makes a fresh
// module instance for every call, so no program-wide object carries anything over.
#include <cstdio>
#include <cstring>

#include "d88/d88format.h"
#include "info/d88_info.h"
#include "tool/castle_extract.h"

namespace {

constexpr int kMaxWords = 8;

// The words as a command line gives them: writable strings. The page's strings are copies made
// on the module's stack for this call, which the entry may change as a command line's.
int RunEntry(int (*entry)(int, char**), const char* const* words, int count) {
  char* argv[kMaxWords + 1] = {};
  for (int i = 0; i < count && i < kMaxWords; ++i) {
    argv[i] = const_cast<char*>(words[i]);
  }
  return entry(count, argv);
}

bool Given(const char* text) {
  return text != nullptr && text[0] != '\0';
}

// Adds "NAME VALUE" to the words where the page gave a value (an empty one is not given).
void AddOption(const char** words, int& count, const char* name, const char* value) {
  if (Given(value)) {
    words[count++] = name;
    words[count++] = value;
  }
}

}  // namespace

// castle-extract -C FOLDER [--title TITLE] [--image N] IMAGE, writing its files into FOLDER; an
// empty title or image is not given. Run in the image's folder, with its name alone, the
// command names it in its messages as it would on a command line.
extern "C" int RunCastleExtract(const char* path, const char* folder, const char* title,
                                const char* image) {
  const char* words[kMaxWords] = {"castle-extract", "-C", folder};
  int count = 3;
  AddOption(words, count, "--title", title);
  AddOption(words, count, "--image", image);
  words[count++] = path;
  return RunEntry(CastleExtractMain, words, count);
}

// d88-info --json [--image N] [--records K] IMAGE, its standard output going to the file
// `output`: a report can run to megabytes, which the page takes in one piece rather than a byte
// at a time. An empty image or records is not given.
extern "C" int RunD88InfoJson(const char* path, const char* output, const char* image,
                              const char* records) {
  if (std::freopen(output, "wb", stdout) == nullptr) {
    return 1;
  }
  // Written in large pieces: each write is a call into the file system's JavaScript.
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  const char* words[kMaxWords] = {"d88-info", "--json"};
  int count = 2;
  AddOption(words, count, "--image", image);
  AddOption(words, count, "--records", records);
  words[count++] = path;
  return RunEntry(D88InfoMain, words, count);
}

// Whether an entry of an archive is a D88 image as the commands judge one: its name ends in an
// extension D88 writers give, or its first bytes (length of them) are a whole header of the
// kind they write.
extern "C" int LooksLikeD88Entry(const char* name, const unsigned char* start, int length) {
  if (HasD88Extension(name)) {
    return 1;
  }
  D88Header header;
  if (length < static_cast<int>(sizeof header.raw)) {
    return 0;
  }
  std::memcpy(header.raw, start, sizeof header.raw);
  return LooksLikeD88Header(header) ? 1 : 0;
}
