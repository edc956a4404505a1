// Archives on POSIX systems: the code that reads them is a plugin beside the commands
// (plugin_interface.h), loaded the first time an archive is met, so that a D88 file never loads
// libarchive. Here the plugin is loaded, given a bound on memory, and walked: the names it meets
// made text, the file wanted chosen, its outcome said.
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/entry_choice.h"
#include "archive/packed_images.h"
#include "archive/plugin_interface.h"
#include "archive/unpacked_image.h"
#include "platform/platform.h"
#include "text/entry_name.h"

namespace {

// The most memory the plugin's libraries may take beyond what the command holds when it starts
// one: a dictionary or a window that asks for more fails, and the archive is refused, rather
// than a small file costing gigabytes.
constexpr int64_t kPluginMemory = INT64_C(224) << 20;

WalkArchiveCall g_walk = nullptr;
char g_problem[2 * kEntryNameTextSize + 512];
char g_walkProblem[kEntryNameTextSize + 512];
int64_t g_lastDecompressed = 0;

// Loads the plugin from beside the program (its folder's ../lib/castle-extract), once. False,
// with the reason in g_problem, when it cannot.
bool LoadPlugin(const char* described) {
  if (g_walk != nullptr) {
    return true;
  }
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  path[length > 0 ? length : 0] = '\0';
  char* slash = std::strrchr(path, '/');
  if (slash == nullptr ||
      std::snprintf(slash + 1, sizeof path - static_cast<size_t>(slash + 1 - path), "%s",
                    kArchivePluginPath) >= static_cast<int>(sizeof path)) {
    std::snprintf(g_problem, sizeof g_problem,
                  " is %s, and the program cannot tell where it lies to open it", described);
    return false;
  }
  void* plugin = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (plugin != nullptr) {
    // POSIX gives no other way from a symbol to a function.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
    g_walk = reinterpret_cast<WalkArchiveCall>(dlsym(plugin, kWalkArchiveName));
  }
  if (g_walk == nullptr) {
    std::snprintf(g_problem, sizeof g_problem, " is %s, which cannot be opened here (%s)",
                  described, dlerror());
    return false;
  }
  return true;
}

// The memory the process holds now for its data (VmData), or -1.
int64_t DataSize() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) {
    return -1;
  }
  char line[256];
  long long kilobytes = -1;
  static constexpr char kField[] = "VmData:";
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, kField, sizeof kField - 1) == 0) {
      kilobytes = std::strtoll(line + sizeof kField - 1, nullptr, 10);
      break;
    }
  }
  std::fclose(status);
  return kilobytes >= 0 ? static_cast<int64_t>(kilobytes) * 1024 : -1;
}

// Bounds the process's data memory while the plugin runs, and lets it go after. Not under
// AddressSanitizer, whose allocator maps memory of its own as it likes.
#if defined(__SANITIZE_ADDRESS__)
#define CASTLE_MEMORY_BOUND 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CASTLE_MEMORY_BOUND 0
#endif
#endif
#ifndef CASTLE_MEMORY_BOUND
#define CASTLE_MEMORY_BOUND 1
#endif
class MemoryBound {
 public:
  MemoryBound() {
    const int64_t held = DataSize();
    m_bound = CASTLE_MEMORY_BOUND != 0 && held >= 0 && getrlimit(RLIMIT_DATA, &m_saved) == 0;
    if (m_bound) {
      rlimit bounded = m_saved;
      const auto wanted = static_cast<rlim_t>(held + kPluginMemory);
      if (bounded.rlim_cur == RLIM_INFINITY || bounded.rlim_cur > wanted) {
        bounded.rlim_cur = wanted;
      }
      m_bound = setrlimit(RLIMIT_DATA, &bounded) == 0;
    }
  }
  ~MemoryBound() {
    if (m_bound) {
      setrlimit(RLIMIT_DATA, &m_saved);
    }
  }
  MemoryBound(const MemoryBound&) = delete;
  MemoryBound& operator=(const MemoryBound&) = delete;

 private:
  bool m_bound = false;
  rlimit m_saved = {};
};

// The name a compressed stream's one file goes by: the stream's own name without its last
// extension ("disk.d88" for "disk.d88.gz").
void NameOfStreamed(const char* path, char* name, size_t size) {
  const char* base = std::strrchr(path, '/');
  std::snprintf(name, size, "%s", base != nullptr ? base + 1 : path);
  char* dot = std::strrchr(name, '.');
  if (dot != nullptr && dot != name) {
    *dot = '\0';
  }
}

// What a walk knows of the D88 file it met last, and what it is to do with them.
struct WalkState {
  const char* path = nullptr;
  // The name of the file met last, as text.
  char name[kEntryNameTextSize] = {};
  bool decoded = false;
  int count = 0;
  // Choosing one file (castle-extract, d88-info --entry or --sector).
  EntryChoice* choice = nullptr;
  char chosenName[kEntryNameTextSize] = {};  // the best match so far, unpacked
  bool chosenDecoded = false;
  int unpackedNumber = 0;  // the file last unpacked, and how that went
  int unpackedOutcome = kArchiveDone;
  int unpackedErrno = 0;
  char unpackedProblem[2 * kEntryNameTextSize + 256] = {};
  // Every file (d88-info).
  PackedImageHandler handle = nullptr;
  void* context = nullptr;
};

WalkState g_state;
UnpackedImage g_unpacked;
EntryChoice g_choice;

// ": NAME PREDICATE", the name shown with its control characters escaped.
void SayOfEntry(char* out, size_t size, const char* name, const char* predicate) {
  static char shown[kEntryNameTextSize];
  EscapeControls(name, shown, sizeof shown);
  std::snprintf(out, size, ": %s %s", shown, predicate);
}

extern "C" int FoundImage(void* context, const char* name, int declaredUtf8) {
  auto* state = static_cast<WalkState*>(context);
  char streamed[kMaxEntryName];
  if (name == nullptr) {
    NameOfStreamed(state->path, streamed, sizeof streamed);
    name = streamed;
    declaredUtf8 = 0;
  }
  state->decoded = EntryNameText(name, declaredUtf8 != 0, state->name, sizeof state->name);
  ++state->count;
  if (state->choice == nullptr) {
    return 1;
  }
  if (!state->choice->Offer(state->name, state->count)) {
    return 0;
  }
  std::memcpy(state->chosenName, state->name, sizeof state->name);
  state->chosenDecoded = state->decoded;
  return 1;
}

extern "C" int UnpackedFile(void* context, int outcome, const char* problem) {
  auto* state = static_cast<WalkState*>(context);
  const int error = errno;
  state->unpackedNumber = state->count;
  state->unpackedOutcome = outcome;
  state->unpackedErrno = error;
  state->unpackedProblem[0] = '\0';
  if (outcome == kArchiveProblem) {
    SayOfEntry(state->unpackedProblem, sizeof state->unpackedProblem, state->name,
               problem != nullptr ? problem : "cannot be unpacked");
  } else if (outcome == kArchiveWriteFailed) {
    std::snprintf(state->unpackedProblem, sizeof state->unpackedProblem, ": %s (%s)", SpoolStep(),
                  ErrorText(error != 0 ? error : EIO));
  }
  if (state->handle == nullptr) {
    return 1;
  }
  std::FILE* image = nullptr;
  if (outcome == kArchiveDone) {
    errno = 0;
    image = g_unpacked.Open();
    if (image == nullptr) {
      std::snprintf(state->unpackedProblem, sizeof state->unpackedProblem, ": %s (%s)", SpoolStep(),
                    ErrorText(errno != 0 ? errno : EIO));
    }
  }
  const PackedImage packed = {state->name, state->decoded, state->count};
  return state->handle(state->context, packed, image,
                       image == nullptr ? state->unpackedProblem : nullptr)
             ? 1
             : 0;
}

extern "C" int RestartImage(void* /*context*/) {
  return g_unpacked.Restart() ? 1 : 0;
}

extern "C" int WriteImage(void* /*context*/, const void* bytes, size_t length) {
  return g_unpacked.Write(bytes, length) ? 1 : 0;
}

// Walks the archive with the state's choice or handler; false with outcome->problem set where
// the archive cannot be read.
bool Walk(std::FILE* input, const OtherFormat& format, PackedOutcome* outcome) {
  if (!LoadPlugin(format.described)) {
    outcome->problem = g_problem;
    return false;
  }
  ArchiveWalk walk = {};
  walk.fd = fileno(input);
  walk.format = format.name;
  walk.described = format.described;
  walk.imageLimit = kMaxUnpackedSize;
  // About the same again for what is stepped over; a little more, so that an image alone that
  // is too large is said to be so.
  walk.workLimit = kMaxUnpackedSize + kMaxUnpackedSize / 16;
  walk.found = FoundImage;
  walk.restart = RestartImage;
  walk.write = WriteImage;
  walk.unpacked = UnpackedFile;
  walk.context = &g_state;
  walk.problem = g_walkProblem;
  walk.problemSize = sizeof g_walkProblem;
  int status = kArchiveDone;
  {
    const MemoryBound bound;
    status = g_walk(&walk);
  }
  g_lastDecompressed = walk.decompressed;
  if (status == kArchiveProblem) {
    outcome->problem = g_walkProblem;
    return false;
  }
  if (status != kArchiveDone) {
    outcome->error = errno != 0 ? errno : EIO;
    outcome->step = SpoolStep();
    return false;
  }
  return true;
}

}  // namespace

bool OpensArchives() {
  return true;
}

int64_t LastWalkDecompressed() {
  return g_lastDecompressed;
}

std::FILE* UnpackChosenImage(std::FILE* input, const OtherFormat& format, const char* path,
                             const char* entry, PackedOutcome* outcome, PackedImage* chosen) {
  g_state = WalkState();
  g_state.path = path;
  g_choice.Start(entry);
  g_state.choice = &g_choice;
  std::FILE* image = nullptr;
  const int chosenNumber = Walk(input, format, outcome) ? g_choice.Chosen() : -1;
  if (chosenNumber == 0) {
    outcome->problem = g_choice.Problem(format.described);
  } else if (chosenNumber < 0) {
    // Said by the walk.
  } else if (g_state.unpackedNumber != chosenNumber || g_state.unpackedOutcome == kArchiveProblem) {
    outcome->problem = g_state.unpackedNumber != chosenNumber ? ": the file chosen was not unpacked"
                                                              : g_state.unpackedProblem;
  } else if (g_state.unpackedOutcome != kArchiveDone) {
    outcome->error = g_state.unpackedErrno != 0 ? g_state.unpackedErrno : EIO;
    outcome->step = SpoolStep();
  } else {
    errno = 0;
    image = g_unpacked.Open();
    if (image == nullptr) {
      outcome->error = LastStreamError();
      outcome->step = SpoolStep();
    } else if (chosen != nullptr) {
      *chosen = {g_state.chosenName, g_state.chosenDecoded, chosenNumber};
    }
  }
  g_unpacked.Close();
  return image;
}

bool WalkPackedImages(std::FILE* input, const OtherFormat& format, const char* path,
                      PackedImageHandler handle, void* context, PackedOutcome* outcome,
                      int* count) {
  g_state = WalkState();
  g_state.path = path;
  g_state.handle = handle;
  g_state.context = context;
  const bool walked = Walk(input, format, outcome);
  *count = g_state.count;
  g_unpacked.Close();
  return walked;
}
