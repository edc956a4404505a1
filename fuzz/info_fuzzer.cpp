// Runs d88-info's entry on an arbitrary file in each of its modes: the text map, the JSON map,
// and a hex dump of the sector whose ID the file's first record would carry. Crashes, hangs
// and sanitizer reports are the findings; so is an exit code other than 0 for a map (or 1 for
// an archive or compressed stream, which may be damaged), or other than 0 or 1 for a dump, and a
// map out of proportion to the file: more than 16 bytes of text per byte of it plus 16 KB, or 32
// bytes of JSON per byte plus 64 KB; and a text map that differs from the one made reading every
// record a walk reaches rather than stepping over those listed before.
#include <sys/stat.h>

#include <cstdio>

#include <cstring>

#include "archive/packed_images.h"
#include "fuzz/fuzz_input.h"
#include "info/d88_info.h"
#include "info/disk_map.h"
#include "platform/platform.h"

namespace {

// Where the ID of the first record lies in an image with a full track table.
constexpr size_t kFirstRecordId = 688;

void Check(bool promise) {
  if (!promise) {
    __builtin_trap();
  }
}

char g_output[300];
char g_plainOutput[300];

// The bytes of a file, up to the size of the buffer; returns how many.
size_t ReadBack(const char* path, unsigned char* buffer, size_t size) {
  std::FILE* file = std::fopen(path, "rb");
  Check(file != nullptr);
  const size_t got = std::fread(buffer, 1, size, file);
  std::fclose(file);
  return got;
}

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
  std::snprintf(g_plainOutput, sizeof g_plainOutput, "%s/plain-output", FuzzScratchDir());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char program[] = "d88-info";
  char json[] = "--json";
  char sector[] = "--sector";
  char path[300];
  std::snprintf(path, sizeof path, "%s", WriteFuzzInput(data, size));

  const auto bytes = static_cast<long long>(size);
  // An archive, as the commands decide what one is, may fail to be read; nothing else may.
  InputOpening opening;
  std::FILE* file = OpenInputFile(path, &opening);
  Check(file != nullptr);
  const int mapFailure = FindPackedFormat(file) != nullptr ? 1 : 0;  // besides 0
  std::fclose(file);
  int status = 0;
  char* text[] = {program, path, nullptr};
  const long long textBytes = OutputOf(2, text, &status);
  Check(textBytes <= 16 * bytes + 16384 && (status == 0 || status == mapFailure));
  const int textStatus = status;
  // The same map made the plain way, reading every record: byte for byte the same.
  Check(std::rename(g_output, g_plainOutput) == 0);
  ReadEveryRecord(true);
  Check(OutputOf(2, text, &status) == textBytes && status == textStatus);
  ReadEveryRecord(false);
  static unsigned char fast[16 * 8192 + 16384];
  static unsigned char plain[sizeof fast];
  const size_t compared = ReadBack(g_plainOutput, fast, sizeof fast);
  Check(ReadBack(g_output, plain, sizeof plain) == compared &&
        std::memcmp(fast, plain, compared) == 0);
  // Cut to two records a track, the rest walked only to be counted: the same both ways too.
  char records[] = "--records=2";
  char* cut[] = {program, records, path, nullptr};
  const long long cutBytes = OutputOf(3, cut, &status);
  Check(std::rename(g_output, g_plainOutput) == 0);
  ReadEveryRecord(true);
  Check(OutputOf(3, cut, &status) == cutBytes);
  ReadEveryRecord(false);
  const size_t cutCompared = ReadBack(g_plainOutput, fast, sizeof fast);
  Check(ReadBack(g_output, plain, sizeof plain) == cutCompared &&
        std::memcmp(fast, plain, cutCompared) == 0);
  char* jsonMap[] = {program, json, path, nullptr};
  Check(OutputOf(3, jsonMap, &status) <= 32 * bytes + 65536 && status == textStatus);

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
