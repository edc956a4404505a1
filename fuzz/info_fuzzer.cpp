// Runs d88-info's entry on an arbitrary file in each of its modes: the text map, the JSON map,
// and a hex dump of the sector whose ID the file's first record would carry. Crashes, hangs
// and sanitizer reports are the findings; so is an exit code other than 0 for a map, or other
// than 0 or 1 for a dump, and a map out of proportion to the file: more than 16 bytes of text
// per byte of it plus 16 KB, or 32 bytes of JSON per byte plus 64 KB.
#include <sys/stat.h>

#include <cstdio>

#include "fuzz/fuzz_input.h"
#include "info/d88_info.h"

namespace {

// Where the ID of the first record lies in an image with a full track table.
constexpr size_t kFirstRecordId = 688;

void Check(bool promise) {
  if (!promise) {
    __builtin_trap();
  }
}

char g_output[300];

// Runs the entry with standard output going to a file of its own; returns the bytes written.
long long OutputOf(int argc, char** argv, int* status) {
  Check(std::freopen(g_output, "w", stdout) != nullptr);
  *status = D88InfoMain(argc, argv);
  std::fflush(stdout);
  struct stat info = {};
  Check(stat(g_output, &info) == 0);
  return static_cast<long long>(info.st_size);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::snprintf(g_output, sizeof g_output, "%s/output", FuzzScratchDir());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char program[] = "d88-info";
  char json[] = "--json";
  char sector[] = "--sector";
  char path[300];
  std::snprintf(path, sizeof path, "%s", WriteFuzzInput(data, size));

  const auto bytes = static_cast<long long>(size);
  int status = 0;
  char* text[] = {program, path, nullptr};
  Check(OutputOf(2, text, &status) <= 16 * bytes + 16384 && status == 0);
  char* jsonMap[] = {program, json, path, nullptr};
  Check(OutputOf(3, jsonMap, &status) <= 32 * bytes + 65536 && status == 0);

  char id[4][8];
  for (int i = 0; i < 4; ++i) {
    const unsigned byte = size > kFirstRecordId + i ? data[kFirstRecordId + i] : 0;
    std::snprintf(id[i], sizeof id[i], i % 2 == 0 ? "%u" : "0x%x", byte);
  }
  char track[] = "0";
  char* dump[] = {program, sector, track, id[0], id[1], id[2], id[3], path, nullptr};
  OutputOf(8, dump, &status);
  Check(status == 0 || status == 1);
  return 0;
}
