// Fuzz inputs become files, because the reader and the command read D88 files by path.
#ifndef FUZZ_FUZZ_INPUT_H
#define FUZZ_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>

// The directory every fuzz target works in, made once per process.
const char* FuzzScratchDir();

// Writes the input to one file in the scratch directory, replacing the last, and returns its
// absolute path.
const char* WriteFuzzInput(const uint8_t* data, size_t size);

#endif  // FUZZ_FUZZ_INPUT_H
