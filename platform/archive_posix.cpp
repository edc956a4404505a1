// Archives on POSIX systems: the libarchive code lies in a plugin beside the commands
// (archive_plugin.h), loaded the first time an input opens with an archive's or a compressed
// stream's signature. A D88 file never loads it.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "formats/other_formats.h"
#include "platform/archive_plugin.h"
#include "platform/platform.h"
#include "platform/spool_posix.h"

namespace {

PackedImages g_images;
char g_problem[2 * kMaxEntryName + 256];

ListPackedImagesCall g_list = nullptr;
UnpackPackedImageCall g_unpack = nullptr;

// Loads the plugin from beside the program (its folder's ../lib/castle-extract), once. False,
// with the reason in g_problem, when it cannot.
bool LoadPlugin(const char* described) {
  if (g_list != nullptr && g_unpack != nullptr) {
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
    g_list = reinterpret_cast<ListPackedImagesCall>(dlsym(plugin, kListPackedImagesName));
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
    g_unpack = reinterpret_cast<UnpackPackedImageCall>(dlsym(plugin, kUnpackPackedImageName));
  }
  if (g_list == nullptr || g_unpack == nullptr) {
    std::snprintf(g_problem, sizeof g_problem, " is %s, which cannot be opened here (%s)",
                  described, dlerror());
    return false;
  }
  return true;
}

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

}  // namespace

bool OpensArchives() {
  return true;
}

const PackedImages* FindPackedImages(std::FILE* input, InputOpening* opening) {
  unsigned char start[kFileStartLength];
  const OtherFormat* other = FindOtherFormat(start, ReadFileStart(input, start, sizeof start));
  if (other == nullptr || !other->packed) {
    return nullptr;
  }
  if (!LoadPlugin(other->described)) {
    opening->problem = g_problem;
    return nullptr;
  }
  char streamName[kMaxEntryName];
  NameOfStreamed(OpenedPath(), streamName, sizeof streamName);
  if (g_list(fileno(input), other->described, streamName, &g_images, g_problem, sizeof g_problem) !=
      kArchiveDone) {
    opening->problem = g_problem;
    return nullptr;
  }
  g_images.format = other->described;
  g_images.formatName = other->name;
  return &g_images;
}

std::FILE* UnpackImage(std::FILE* input, int index, InputOpening* opening) {
  errno = 0;
  std::FILE* spool = AnonymousTemporaryFile();
  if (spool == nullptr) {
    opening->error = LastStreamError();
    opening->step = SpoolStep();
    return nullptr;
  }
  const int outcome = g_unpack(fileno(input), g_images.places[index], g_images.names[index], spool,
                               kMaxUnpackedSize, g_problem, sizeof g_problem);
  if (outcome == kArchiveProblem) {
    opening->problem = g_problem;
  } else if (outcome != kArchiveDone || std::fflush(spool) != 0 ||
             std::fseek(spool, 0, SEEK_SET) != 0) {
    opening->error = LastStreamError();
    opening->step = SpoolStep();
  } else {
    return spool;
  }
  std::fclose(spool);  // it has no name: closing it is all there is to remove
  return nullptr;
}
