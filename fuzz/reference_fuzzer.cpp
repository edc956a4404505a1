// Runs every public call of the reader on an arbitrary file through the reader the commands use
// and through the plain reference reader of the tests, and traps on the first difference: the
// reader's window of the file must never change what a call returns.
#include <cstdio>
#include <string>

#include "fuzz/fuzz_input.h"
#include "tests/support/reader_comparison.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string difference = CompareWithReference(WriteFuzzInput(data, size));
  if (!difference.empty()) {
    std::fprintf(stderr, "the readers differ: %s\n", difference.c_str());
    __builtin_trap();
  }
  return 0;
}
