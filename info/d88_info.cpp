// d88-info: what a D88 file holds (its images, their tracks and sector IDs) and whether its first
// image carries the track 79 signature of either game disk; or one sector as a hex dump.
#include "info/d88_info.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "d88/d88image.h"
#include "info/hex_dump.h"
#include "castle/title_signature.h"

namespace {

constexpr int kMaxListedSectors = 256;
constexpr int kMaxSectorData = 0xFFFF;  // the data size field is 16 bits wide
constexpr char kProgram[] = "d88-info";

D88Image g_image;
unsigned char g_ids[kMaxListedSectors * kSectorIdSize];
unsigned char g_data[kMaxSectorData];

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: %s FILE\n"
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

// A sector's data size as the file holds it: what a read of the whole field returns.
int StoredSize(int track, const unsigned char* id) {
  return g_image.ReadSector(track, id[kSectorIdCylinder], id[kSectorIdHead], id[kSectorIdNumber],
                            id[kSectorIdSizeCode], g_data, kMaxSectorData);
}

// One line per present track: its index, sector count, the first sector's C, H and N, then the
// sector numbers in stored order. A sector whose C, H or N differ from the first's shows them in
// brackets; one whose data size is not 128 << N shows it after '='.
void PrintTrack(int track, int stored) {
  const unsigned char* first = g_ids;
  std::printf("  track %d: %d sector%s, C%d H%d N%d:", track, stored / kSectorIdSize,
              stored == kSectorIdSize ? "" : "s", first[kSectorIdCylinder], first[kSectorIdHead],
              first[kSectorIdSizeCode]);
  for (int entry = 0; entry < stored; entry += kSectorIdSize) {
    const unsigned char* id = g_ids + entry;
    std::printf(" %d", id[kSectorIdNumber]);
    if (id[kSectorIdCylinder] != first[kSectorIdCylinder] ||
        id[kSectorIdHead] != first[kSectorIdHead] ||
        id[kSectorIdSizeCode] != first[kSectorIdSizeCode]) {
      std::printf("[C%d H%d N%d]", id[kSectorIdCylinder], id[kSectorIdHead], id[kSectorIdSizeCode]);
    }
    const int size = StoredSize(track, id);
    const int n = id[kSectorIdSizeCode];
    if (n > kMaxSizeCode || size != kBaseSectorLength << n) {
      std::printf("=%d", size);
    }
  }
  std::printf("\n");
}

void PrintImage(int index) {
  if (!g_image.SelectDisk(index)) {
    std::printf("image %d: header cannot be read\n", index);
    return;
  }
  const int media = g_image.GetMediaType();
  std::printf("image %d: name \"", index);
  for (const char* c = g_image.GetDiskName(); *c != '\0'; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    std::printf(byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\' ? "%c" : "\\x%02x",
                byte);
  }
  std::printf("\", media 0x%02x (%s), size %d bytes\n", media, MediaTypeName(media),
              g_image.GetDiskSize());
  for (int track = 0; track < kTrackCount; ++track) {
    const int stored = g_image.ReadSectorIds(track, g_ids, sizeof g_ids);
    if (stored > 0) {
      PrintTrack(track, stored);
    }
  }
}

// Says, in the same words whatever the outcome, what the second and third sectors stored on
// track 79 of the first image are numbered and which title that makes.
void PrintSignature() {
  unsigned char ids[kSignatureListSize] = {};
  const int stored =
      g_image.SelectDisk(0) ? g_image.ReadSectorIds(kSignatureTrack, ids, sizeof ids) : 0;
  std::printf("signature: track %d of image 0, sectors 2 and 3 numbered", kSignatureTrack);
  for (int entry = 1; entry < kSignatureEntries; ++entry) {
    if (stored > entry * kSectorIdSize) {
      std::printf(" 0x%02X", ids[entry * kSectorIdSize + kSectorIdNumber]);
    } else {
      std::printf(" --");
    }
  }
  const int title = FindTitle(ids);
  std::printf(": %s\n", title >= 0 ? kTitleSignatures[title].title : "neither title");
}

int Summary(const char* path) {
  if (!OpenFile(path)) {
    return 1;
  }
  std::printf("file: %s\n", path);
  std::printf("images: %d\n", g_image.GetDiskCount());
  for (int index = 0; index < g_image.GetDiskCount(); ++index) {
    PrintImage(index);
  }
  PrintSignature();
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
  if (argc == 2 && argv[1][0] != '-') {
    return Summary(argv[1]);
  }
  if (argc == 3 && std::strcmp(argv[1], "--") == 0) {
    return Summary(argv[2]);
  }
  return UsageError();
}
