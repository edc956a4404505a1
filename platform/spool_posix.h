// What the POSIX parts of the seam share: the anonymous temporary files that input which cannot
// be read in place (a pipe, an image unpacked from an archive) is copied into.
#ifndef PLATFORM_SPOOL_POSIX_H
#define PLATFORM_SPOOL_POSIX_H

#include <cstdio>

// A new file in the temporary directory that no name leads to: gone when it is closed. Its
// stream is unbuffered; it is written in large chunks and read through the reader's window.
std::FILE* AnonymousTemporaryFile();

// "cannot copy it to a temporary file in DIR": the step that failed when one cannot be written.
const char* SpoolStep();

// The path OpenInputFile last opened, as given.
const char* OpenedPath();

#endif  // PLATFORM_SPOOL_POSIX_H
