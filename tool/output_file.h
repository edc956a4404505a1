// Writing an output file so that it is either whole and in place or not changed at all.
#ifndef TOOL_OUTPUT_FILE_H
#define TOOL_OUTPUT_FILE_H

#include <cstdio>

// The stream of the output file being written; no other code uses it.
extern std::FILE* g_outFile;

// Writes `length` bytes as the file `name` in the current directory, replacing any file or link
// of that name only once every byte is out. False, with the reason reported on standard error,
// when the file could not be written; an existing file of that name is then left as it was.
bool WriteOutputFile(const char* name, const unsigned char* data, int length);

#endif  // TOOL_OUTPUT_FILE_H
