// The D88 images that archives and compressed streams hold, as the commands open them: the one
// place that decides whether an input is a D88 file or an archive, and the walk through an
// archive's D88 files. The archive code itself is a plugin (plugin_interface.h), loaded only
// when an archive is met; a build without libarchive, the Windows edition and the web page open
// none and say so.
#ifndef ARCHIVE_PACKED_IMAGES_H
#define ARCHIVE_PACKED_IMAGES_H

#include <cstdint>
#include <cstdio>

#include "formats/other_formats.h"

// What one image may unpack to, and about what reading an archive may decompress in all, other
// entries stepped over included: far more than any floppy disk image holds.
constexpr int64_t kMaxUnpackedSize = INT64_C(200000000);

// Whether this build opens archives.
bool OpensArchives();

// What a seekable input is: the archive or compressed-stream format it is in, or null for a D88
// file and for any file of no such format. A file whose header and track table read as a D88
// image's is a D88 file whatever its first bytes (a disk may be named "PK\3\4..."); only other
// files are asked whether they are archives, by their first bytes or a ZIP's end record.
const OtherFormat* FindPackedFormat(std::FILE* input);

// One D88 file of an archive, as met.
struct PackedImage {
  const char* name;  // as text (text/entry_name.h), never empty; control characters as they are
  bool decoded;      // false where no encoding fits and the bytes are shown as \xNN
  int number;        // its place among the archive's D88 files, from 1
};

// How reading an archive went, where it did not.
struct PackedOutcome {
  // What is wrong, to follow the archive's path: ": castle.d88 is damaged (...)", " holds 2 D88
  // files: ...", " is damaged (...)", " is a ZIP archive; unpack it first".
  const char* problem = nullptr;
  int error = 0;               // a temporary file could not be written: why
  const char* step = nullptr;  // ... and where ("cannot copy it to a temporary file in /tmp")
};

// Unpacks the D88 file an archive holds, or the one `entry` names (its whole name, its last part
// where no other file has it, or "#N"), and returns a stream of it for the reader: memory, or an
// anonymous temporary file that goes when it is closed. Null with *outcome set where the archive
// holds none or several, or the file is damaged, encrypted, or unpacks to more than
// kMaxUnpackedSize bytes. *chosen (where given) is then that file, its name valid until the next
// call.
std::FILE* UnpackChosenImage(std::FILE* input, const OtherFormat& format, const char* path,
                             const char* entry, PackedOutcome* outcome,
                             PackedImage* chosen = nullptr);

// Called for each D88 file of an archive once unpacked, with a stream of it from its start that
// is the handler's to close (valid only until the handler returns: the next file takes its
// place), or with `problem` saying why it could not be, to follow the archive's path (": a.d88
// is damaged (...)"). False ends the walk.
using PackedImageHandler = bool (*)(void* context, const PackedImage& image, std::FILE* stream,
                                    const char* problem);

// Walks the archive once, each D88 file unpacked in turn and handed over. *count is the D88
// files met. False with *outcome set where the archive itself cannot be read to its end.
bool WalkPackedImages(std::FILE* input, const OtherFormat& format, const char* path,
                      PackedImageHandler handle, void* context, PackedOutcome* outcome, int* count);

// The number of bytes the last walk decompressed, entries stepped over included: for the tests
// and the bench.
int64_t LastWalkDecompressed();

#endif  // ARCHIVE_PACKED_IMAGES_H
