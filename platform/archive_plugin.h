// The way into the archive plugin: the libarchive code in a module of its own, which the
// commands load only when they meet an archive. A D88 file, the usual input, then costs nothing
// of libarchive and the dozen libraries it brings: no loading, no relocating, no C++ runtime.
// Plain C calls, so that the plugin and the commands need agree on nothing but these.
#ifndef PLATFORM_ARCHIVE_PLUGIN_H
#define PLATFORM_ARCHIVE_PLUGIN_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

// The plugin's file name, and where it lies from the commands' own folder.
constexpr char kArchivePluginPath[] = "../lib/castle-extract/castle-archive.so";

// What a call of the plugin came to.
enum ArchiveOutcome {
  kArchiveDone = 0,
  kArchiveProblem = 1,      // *problem says what, after the file's path
  kArchiveWriteFailed = 2,  // the temporary file could not be written: errno says why
};

extern "C" {

// Lists the D88 images of the archive or compressed stream that the file `fd` (at any
// position) is: `described` names its format ("a ZIP archive"), `streamName` names the one file
// of a compressed stream. Fills *images, their places included.
using ListPackedImagesCall = int (*)(int fd, const char* described, const char* streamName,
                                     PackedImages* images, char* problem, size_t problemSize);
constexpr char kListPackedImagesName[] = "CastleListPackedImages";

// Unpacks the entry at `place` (named `name`) of the archive `fd` into `spool`, checking what
// the format checks, and no more than `limit` bytes.
using UnpackPackedImageCall = int (*)(int fd, int place, const char* name, std::FILE* spool,
                                      int64_t limit, char* problem, size_t problemSize);
constexpr char kUnpackPackedImageName[] = "CastleUnpackPackedImage";
}

#endif  // PLATFORM_ARCHIVE_PLUGIN_H
