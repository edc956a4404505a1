// d88-info: what a D88 file holds (its images, their tracks and sector IDs) and whether its first
// image carries the track 79 signature of either game disk; or one sector as a hex dump.
#include "info/d88_info.h"

#include <cstdio>
#include <cstring>

#include "d88/d88image.h"
#include "info/disk_map.h"
#include "info/file_verdict.h"
#include "info/hex_dump.h"
#include "info/json_report.h"
#include "info/text_report.h"
#include "platform/platform.h"

namespace {

constexpr int kMaxSectorData = 0xFFFF;  // the data size field is 16 bits wide
constexpr char kProgram[] = "d88-info";

// Where the keys of the JSON document are described: the manual page, which the Windows zip
// holds as a text file beside the program.
#ifdef _WIN32
constexpr char kJsonKeysAreDescribed[] = "its keys are in d88-info-json.txt beside the program";
#else
constexpr char kJsonKeysAreDescribed[] = "its keys are in the manual page";
#endif

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
  std::fflush(stdout);
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
      "  --json                       the same as one JSON document (%s)\n"
      "  --sector TRACK C H R N FILE  print that sector of the first image as a hex dump\n"
      "  --help                       show this help\n"
      "  --version                    show the version\n"
      "\n"
      "Numbers may be decimal or hex with 0x. Exit status: 0 done, 1 the file cannot be opened\n"
      "or the sector is not there, 2 usage error.\n",
      kJsonKeysAreDescribed);
}

// A number in decimal, or in hex after 0x; nothing else (no sign, no octal, no spaces).
bool ParseNumber(const char* text, int low, int high, int* value) {
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = hex ? text + 2 : text;
  long parsed = 0;
  for (const char* c = digits; *c != '\0'; ++c) {
    int digit = -1;
    if (*c >= '0' && *c <= '9') {
      digit = *c - '0';
    } else if (hex && *c >= 'a' && *c <= 'f') {
      digit = *c - 'a' + 10;
    } else if (hex && *c >= 'A' && *c <= 'F') {
      digit = *c - 'A' + 10;
    }
    if (digit < 0) {
      return false;
    }
    parsed = parsed * (hex ? 16 : 10) + digit;
    if (parsed > high) {
      return false;
    }
  }
  if (*digits == '\0' || parsed < low) {
    return false;
  }
  *value = static_cast<int>(parsed);
  return true;
}

// The file's first bytes, which tell another format by its signature.
unsigned char g_start[kFileStartLength];
int g_startLength = 0;

// Opens the file into the reader; its size, where it can be told, goes to *fileSize (else -1).
bool OpenFile(const char* path, int64_t* fileSize) {
  InputOpening opening;
  std::FILE* file = OpenInputFile(path, &opening);
  if (file != nullptr) {
    file = PrepareInput(file, &opening);
  }
  if (file == nullptr) {
    Diagnose("%s: cannot open %s: %s\n", kProgram, path, OpenFailureText(opening));
    return false;
  }
  if (opening.cutShort) {
    Diagnose("%s: %s: only its first %lld bytes are read, the most a D88 file can hold\n", kProgram,
             path, static_cast<long long>(kMaxIndexedFileSize));
  }
  g_startLength = static_cast<int>(std::fread(g_start, 1, sizeof g_start, file));
  *fileSize = FileSize(file);
  g_image.OpenStream(file);
  return true;
}

int Summary(const char* path, bool json) {
  int64_t fileSize = -1;
  if (!OpenFile(path, &fileSize)) {
    return 1;
  }
  const int64_t notIndexedAt = FirstImageNotIndexed(g_image, fileSize);
  const FileVerdict verdict = JudgeFile(g_image, g_start, g_startLength, fileSize);
  if (json) {
    PrintJsonReport(g_image, path, verdict, notIndexedAt, fileSize);
  } else {
    PrintTextReport(g_image, path, verdict, notIndexedAt, fileSize);
  }
  return 0;
}

int DumpSector(char** args, const char* path) {
  int id[5];
  const int high[5] = {kTrackCount - 1, 255, 255, 255, 255};
  for (int i = 0; i < 5; ++i) {
    if (!ParseNumber(args[i], 0, high[i], &id[i])) {
      Diagnose("%s: not a number from 0 to %d: %s\n", kProgram, high[i], args[i]);
      return UsageError();
    }
  }
  int64_t fileSize = -1;
  if (!OpenFile(path, &fileSize)) {
    return 1;
  }
  const int got = g_image.SelectDisk(0) ? g_image.ReadSector(id[0], id[1], id[2], id[3], id[4],
                                                             g_data, kMaxSectorData)
                                        : 0;
  if (got == 0) {
    Diagnose("%s: track %d of image 0 has no sector C%d H%d R%d N%d with data\n", kProgram, id[0],
             id[1], id[2], id[3], id[4]);
    return 1;
  }
  std::printf("track %d, sector C%d H%d R%d N%d: %d bytes\n", id[0], id[1], id[2], id[3], id[4],
              got);
  PrintHexDump(stdout, g_data, got);
  return 0;
}

int Run(int argc, char** argv) {
  if (argc == 2 && IsHelpOption(argv[1])) {
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

}  // namespace

int D88InfoMain(int argc, char** argv) {
  const int status = Run(argc, argv);
  return FinishStandardOutput(kProgram) ? status : 1;
}
