// d88-info: what a D88 file holds (its images, their tracks and sector IDs) and whether its first
// image carries the track 79 signature of either game disk; or one sector as a hex dump.
#include "info/d88_info.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "d88/d88image.h"
#include "info/hex_dump.h"
#include "info/json_report.h"
#include "info/text_report.h"

namespace {

constexpr int kMaxSectorData = 0xFFFF;  // the data size field is 16 bits wide
constexpr char kProgram[] = "d88-info";

D88Image g_image;
unsigned char g_data[kMaxSectorData];

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: %s [--json] FILE\n"
               "       %s --sector TRACK C H R N FILE\n"
               "       %s --help | --version\n",
               kProgram, kProgram, kProgram);
}

int UsageError() {
  PrintUsage(stderr);
  return 2;
}

void PrintHelp() {
  PrintUsage(stdout);
  std::printf(
      "\n"
      "Shows what a D88 floppy disk image file holds: each image's name, media type and size,\n"
      "and for each present track its sector count and sector numbers in stored order. For the\n"
      "first image it says whether track 79 carries the signature of \"The Castle\" or of\n"
      "\"Castle Excellent\", which castle-extract looks for.\n"
      "\n"
      "  --json                       the same as one JSON document (see the manual page)\n"
      "  --sector TRACK C H R N FILE  print that sector of the first image as a hex dump\n"
      "  --help                       show this help\n"
      "  --version                    show the version\n"
      "\n"
      "Numbers may be decimal or hex with 0x. Exit status: 0 done, 1 the file cannot be opened\n"
      "or the sector is not there, 2 usage error.\n");
}

bool ParseNumber(const char* text, int low, int high, int* value) {
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || parsed < low || parsed > high) {
    return false;
  }
  *value = static_cast<int>(parsed);
  return true;
}

bool OpenFile(const char* path) {
  if (!g_image.Open(path)) {
    std::fprintf(stderr, "%s: cannot open %s: %s\n", kProgram, path, std::strerror(errno));
    return false;
  }
  return true;
}

int Summary(const char* path, bool json) {
  if (!OpenFile(path)) {
    return 1;
  }
  if (json) {
    PrintJsonReport(g_image, path);
  } else {
    PrintTextReport(g_image, path);
  }
  return 0;
}

int DumpSector(char** args, const char* path) {
  int id[5];
  const int high[5] = {kTrackCount - 1, 255, 255, 255, 255};
  for (int i = 0; i < 5; ++i) {
    if (!ParseNumber(args[i], 0, high[i], &id[i])) {
      std::fprintf(stderr, "%s: not a number from 0 to %d: %s\n", kProgram, high[i], args[i]);
      return UsageError();
    }
  }
  if (!OpenFile(path)) {
    return 1;
  }
  const int got = g_image.SelectDisk(0) ? g_image.ReadSector(id[0], id[1], id[2], id[3], id[4],
                                                             g_data, kMaxSectorData)
                                        : 0;
  if (got == 0) {
    std::fprintf(stderr, "%s: track %d of image 0 has no sector C%d H%d R%d N%d with data\n",
                 kProgram, id[0], id[1], id[2], id[3], id[4]);
    return 1;
  }
  std::printf("track %d, sector C%d H%d R%d N%d: %d bytes\n", id[0], id[1], id[2], id[3], id[4],
              got);
  PrintHexDump(stdout, g_data, got);
  return 0;
}

}  // namespace

int D88InfoMain(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintHelp();
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s %s\n", kProgram, D88_VERSION);
    return 0;
  }
  if (argc == 8 && std::strcmp(argv[1], "--sector") == 0) {
    return DumpSector(argv + 2, argv[7]);
  }
  // [--json] [--] FILE
  int next = 1;
  const bool json = next < argc && std::strcmp(argv[next], "--json") == 0;
  next += json ? 1 : 0;
  if (next < argc && std::strcmp(argv[next], "--") == 0) {
    ++next;
  } else if (next < argc && argv[next][0] == '-' && argv[next][1] != '\0') {
    return UsageError();
  }
  if (next == argc - 1) {
    return Summary(argv[next], json);
  }
  return UsageError();
}
