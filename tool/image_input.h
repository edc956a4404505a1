// Opening the disk image the command reads: a D88 file, a pipe, or the D88 image in an archive
// or a compressed stream.
#ifndef TOOL_IMAGE_INPUT_H
#define TOOL_IMAGE_INPUT_H

#include <cstdio>

// Opens the file named, enters `directory` (where one is given) before anything is read from
// it, and returns a stream the reader can take: the file itself, a copy of a pipe, or the D88
// image unpacked from an archive (the one it holds, or the one `entry` names). Says on standard
// error what went wrong, and returns null; *opened tells whether the file itself opened.
std::FILE* OpenImageInput(const char* path, const char* entry, const char* directory, bool* opened);

#endif  // TOOL_IMAGE_INPUT_H
