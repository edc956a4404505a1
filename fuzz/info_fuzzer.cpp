// Runs d88-info's entry on an arbitrary file in each of its modes: the text map, the JSON map,
// and a hex dump of the sector whose ID the file's first record would carry. Crashes, hangs
// and sanitizer reports are the findings; so is an exit code other than 0 for a map, or other
// than 0 or 1 for a dump.
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Maps of crafted files run to megabytes; only the exit codes and the sanitizers matter.
  Check(std::freopen("/dev/null", "w", stdout) != nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char program[] = "d88-info";
  char json[] = "--json";
  char sector[] = "--sector";
  char path[300];
  std::snprintf(path, sizeof path, "%s", WriteFuzzInput(data, size));

  char* text[] = {program, path, nullptr};
  Check(D88InfoMain(2, text) == 0);
  char* jsonMap[] = {program, json, path, nullptr};
  Check(D88InfoMain(3, jsonMap) == 0);

  char id[4][8];
  for (int i = 0; i < 4; ++i) {
    const unsigned byte = size > kFirstRecordId + i ? data[kFirstRecordId + i] : 0;
    std::snprintf(id[i], sizeof id[i], i % 2 == 0 ? "%u" : "0x%x", byte);
  }
  char track[] = "0";
  char* dump[] = {program, sector, track, id[0], id[1], id[2], id[3], path, nullptr};
  const int status = D88InfoMain(8, dump);
  Check(status == 0 || status == 1);
  return 0;
}
