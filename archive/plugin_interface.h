// The way into the archive plugin: the libarchive code in a module of its own, which the
// commands load only when they meet an archive. A D88 file, the usual input, then costs nothing
// of libarchive and the dozen libraries it brings: no loading, no relocating, no C++ runtime.
// Plain C calls and structures, so that the plugin and the commands agree on nothing but these.
#ifndef ARCHIVE_PLUGIN_INTERFACE_H
#define ARCHIVE_PLUGIN_INTERFACE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The plugin's file name, and where it lies from the commands' own folder.
constexpr char kArchivePluginPath[] = "../lib/castle-extract/castle-archive.so";

// What an empty ZIP archive and a part of a split one are said to be, after the file's path,
// where archives are opened and where they are not.
constexpr char kEmptyZip[] = " is an empty ZIP archive: it holds no file";
constexpr char kSplitZip[] =
    " is part of a split ZIP archive: join its parts into one file first (zip -s 0 ARCHIVE "
    "--out WHOLE.zip)";

// Bytes of an entry's name kept, with its NUL.
constexpr int kMaxEntryName = 1024;

// What a walk, or the unpacking of one entry, came to.
enum ArchiveOutcome {
  kArchiveDone = 0,
  kArchiveProblem = 1,      // the problem text says what
  kArchiveWriteFailed = 2,  // the caller could not take the bytes: errno says why
};

extern "C" {

// A walk through the D88 files of an archive or a compressed stream, each offered to the
// caller, who has those it wants unpacked, one at a time, and takes their bytes.
struct ArchiveWalk {
  // Given by the caller.
  int fd;                 // the archive, read from its start whatever its position
  const char* format;     // its format's short name, as formats/other_formats.h gives it
  const char* described;  // for people: "a ZIP archive"
  int64_t imageLimit;     // the most one entry may unpack to
  int64_t workLimit;      // the most the whole walk may decompress, entries stepped over too
  // A D88 file met: its name's bytes as stored (null for the one file of a compressed stream,
  // which the caller names), and whether the archive declares them UTF-8. Nonzero has it
  // unpacked: `restart`, its bytes to `write`, then `unpacked`.
  int (*found)(void* context, const char* name, int declaredUtf8);
  // Forgets what an earlier file unpacked; nonzero where it could, else errno says why.
  int (*restart)(void* context);
  // Takes the next bytes of the file being unpacked; nonzero where it could, else errno says
  // why.
  int (*write)(void* context, const void* bytes, size_t length);
  // The file asked for, unpacked (kArchiveDone) or not: kArchiveProblem with `problem` saying
  // what, to follow the entry's name ("is damaged (...)"), or kArchiveWriteFailed with errno
  // set. Nonzero goes on with the walk.
  int (*unpacked)(void* context, int outcome, const char* problem);
  void* context;
  char* problem;  // why the walk failed, to follow the archive's path (" cannot be read ...")
  size_t problemSize;
  // Filled by the plugin.
  int64_t decompressed;  // bytes the walk decompressed, entries stepped over included
  int tooLarge;          // the walk stopped at workLimit
};

// Walks the archive: kArchiveDone, or kArchiveProblem with walk->problem set, or
// kArchiveWriteFailed.
using WalkArchiveCall = int (*)(ArchiveWalk* walk);
constexpr char kWalkArchiveName[] = "CastleWalkArchive";
}

#endif  // ARCHIVE_PLUGIN_INTERFACE_H
