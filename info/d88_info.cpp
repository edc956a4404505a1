// d88-info: what a D88 file holds (its images, their tracks and sector IDs) and whether its first
// image carries the track 79 signature of either game disk; or one sector as a hex dump.
#include "info/d88_info.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "archive/packed_images.h"
#include "d88/d88image.h"
#include "info/disk_map.h"
#include "info/file_verdict.h"
#include "info/hex_dump.h"
#include "info/json_report.h"
#include "info/json_string.h"
#include "info/report_output.h"
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
               "Usage: %s [--json] [--image N] [--records K] [--entry NAME] FILE\n"
               "       %s [--image N] [--entry NAME] --sector TRACK C H R N FILE\n"
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
      "  --image N                    list the tracks of image N alone (counting from 0; the\n"
      "                               others by their names), and check its signature; with\n"
      "                               --sector: dump a sector of image N\n"
      "  --records K                  list at most K records of each track, and count the rest\n"
      "  --entry NAME                 of an archive, only the D88 file of that name (or the Nth\n"
      "                               with #N)\n"
      "  --sector TRACK C H R N FILE  print that sector of the first image as a hex dump\n"
      "  --help                       show this help\n"
      "  --version                    show the version\n"
      "\n"
      "%s"
      "Numbers may be decimal or hex with 0x. Exit status: 0 done, 1 the file cannot be opened,\n"
      "the image, entry or sector is not there, or an archive cannot be read, is damaged or too\n"
      "large, 2 usage error.\n",
      kJsonKeysAreDescribed,
      OpensArchives()
          ? "FILE may be an archive or a compressed file (ZIP, LZH, 7z, RAR, tar; gzip, xz,\n"
            "bzip2, zstd): each D88 file in it is shown in turn.\n"
          : "");
}

// The file's first bytes, which tell another format by its signature.
unsigned char g_start[kFileStartLength];
int g_startLength = 0;

// Opens the file, a pipe copied as the reader needs it; null, said why, when it cannot.
std::FILE* OpenFile(const char* path) {
  InputOpening opening;
  std::FILE* file = OpenInputFile(path, &opening);
  if (file != nullptr) {
    file = PrepareInput(file, &opening);
  }
  if (file == nullptr) {
    Diagnose("%s: cannot open %s: %s\n", kProgram, path, OpenFailureText(opening));
    return nullptr;
  }
  if (opening.cutShort) {
    Diagnose("%s: %s: only its first %lld bytes are read, the most a D88 file can hold\n", kProgram,
             path, static_cast<long long>(kMaxIndexedFileSize));
  }
  return file;
}

// The archive or compressed stream the file is, where archives are opened: null for a D88 file
// and for a file of no such format, which is reported for what it is.
const OtherFormat* PackedFormat(std::FILE* file) {
  return OpensArchives() ? FindPackedFormat(file) : nullptr;
}

// Says why an archive could not be read or unpacked, as the path's predicate.
void SayPackedProblem(const char* path, const PackedOutcome& outcome) {
  if (outcome.problem != nullptr) {
    Diagnose("%s: %s%s\n", kProgram, path, outcome.problem);
  } else {
    InputOpening opening;
    opening.error = outcome.error;
    opening.step = outcome.step;
    Diagnose("%s: cannot open %s: %s\n", kProgram, path, OpenFailureText(opening));
  }
}

// Unpacks the D88 file of an archive that --entry names, or the one it holds, into the reader,
// and returns its stream, which the reader holds; null, said why, where it cannot. *entry is
// then that file. The archive is closed.
std::FILE* OpenChosenImage(std::FILE* archive, const OtherFormat& format, const char* path,
                           const char* asked, PackedImage* entry) {
  PackedOutcome outcome;
  std::FILE* image = UnpackChosenImage(archive, format, path, asked, &outcome, entry);
  std::fclose(archive);
  if (image == nullptr) {
    SayPackedProblem(path, outcome);
    return nullptr;
  }
  g_image.OpenStream(image);
  return image;
}

// Says so, and is false, where the scope names an image the reader does not hold; a file of
// no image at all is reported for what it is.
bool HasImage(const char* path, const ReportScope& scope) {
  const int images = CountDistinctImages(g_image);
  if (scope.image == kEveryImage || scope.image < images || images == 0) {
    return true;
  }
  Diagnose("%s: %s holds %d image%s; there is no image %d\n", kProgram, path, images,
           images == 1 ? "" : "s", scope.image);
  return false;
}

// The report of the D88 image the reader holds, read from `file`: the file named, or an image
// unpacked from it (entry: its name there, else null). False, said why, when the image the scope
// names is not there.
bool Report(std::FILE* file, const char* path, const ReportEntry* entry, bool json,
            const ReportScope& scope) {
  if (!HasImage(path, scope)) {
    return false;
  }
  g_startLength = ReadFileStart(file, g_start, sizeof g_start);
  const int64_t fileSize = FileSize(file);
  const int64_t notIndexedAt = FirstImageNotIndexed(g_image, fileSize);
  const FileVerdict verdict = JudgeFile(g_image, g_start, g_startLength, fileSize, OpensArchives());
  if (json) {
    PrintJsonReport(g_image, path, verdict, notIndexedAt, fileSize, entry, scope);
  } else {
    PrintTextReport(g_image, path, verdict, notIndexedAt, fileSize, entry, scope);
  }
  return true;
}

// A report of each D88 file of an archive as the walk unpacks it.
struct ArchiveReports {
  const char* path;
  const char* format;
  bool json;
  const ReportScope* scope;
  bool first;
  int status;
};

bool ReportPackedImage(void* context, const PackedImage& image, std::FILE* stream,
                       const char* problem) {
  auto* reports = static_cast<ArchiveReports*>(context);
  if (stream == nullptr) {
    Diagnose("%s: %s%s\n", kProgram, reports->path, problem);
    reports->status = 1;
    return true;
  }
  // The reader takes the stream over, and lets it go when it takes the next.
  g_image.OpenStream(stream);
  if (!HasImage(reports->path, *reports->scope)) {
    reports->status = 1;
    return true;
  }
  if (reports->json) {
    // The document of the archive starts with its first D88 file: an archive of none is
    // reported as the file it is.
    if (reports->first) {
      ReportText("{\"file\":");
      PrintJsonText(reports->path);
      ReportText(",\"format\":");
      PrintJsonText(reports->format);
      ReportText(",\"entries\":[\n");
    } else {
      ReportText(",");
    }
  }
  reports->first = false;
  const ReportEntry entry = {image.name, image.decoded, image.number};
  Report(stream, reports->path, &entry, reports->json, *reports->scope);
  g_image.Open(nullptr);  // the next file takes the stream's place
  return !ReportFailed();
}

int Summary(const char* path, const char* asked, bool json, const ReportScope& scope) {
  std::FILE* file = OpenFile(path);
  if (file == nullptr) {
    return 1;
  }
  const OtherFormat* packed = PackedFormat(file);
  if (packed == nullptr) {
    if (asked != nullptr) {
      std::fclose(file);
      Diagnose("%s: %s is no archive: --entry names a D88 file in one\n", kProgram, path);
      return 1;
    }
    g_image.OpenStream(file);  // the file itself, which says what it is
    return Report(file, path, nullptr, json, scope) ? 0 : 1;
  }
  if (asked != nullptr) {
    PackedImage image = {};
    std::FILE* chosen = OpenChosenImage(file, *packed, path, asked, &image);
    if (chosen == nullptr) {
      return 1;
    }
    const ReportEntry entry = {image.name, image.decoded, image.number};
    return Report(chosen, path, &entry, json, scope) ? 0 : 1;
  }
  // Each D88 file of the archive under its name in it, in one walk.
  ArchiveReports reports = {path, packed->name, json, &scope, true, 0};
  PackedOutcome outcome;
  int count = 0;
  const bool walked =
      WalkPackedImages(file, *packed, path, ReportPackedImage, &reports, &outcome, &count);
  if (json && !reports.first) {
    ReportText("]}\n");
  }
  if (!walked) {
    SayPackedProblem(path, outcome);
    std::fclose(file);
    return 1;
  }
  if (count == 0) {
    // An archive of no D88 file: the file itself, which says what it is.
    g_image.OpenStream(file);
    return Report(file, path, nullptr, json, scope) ? 0 : 1;
  }
  std::fclose(file);
  return reports.status;
}

// What the command line asks for.
struct Request {
  bool json = false;
  char** sector = nullptr;        // TRACK C H R N, for a dump
  const char* image = nullptr;    // --image N
  const char* records = nullptr;  // --records K
  const char* entry = nullptr;    // --entry NAME: the D88 file of an archive
  const char* path = nullptr;
};

// --image's number, said why not where it is none.
bool ParseImageNumber(const char* text, int* index) {
  if (ParseNumber(text, 0, kMaxDisks - 1, index)) {
    return true;
  }
  Diagnose("%s: not an image number from 0 to %d: %s\n", kProgram, kMaxDisks - 1, text);
  return false;
}

int DumpSector(const Request& request) {
  int id[5];
  const int high[5] = {kTrackCount - 1, 255, 255, 255, 255};
  for (int i = 0; i < 5; ++i) {
    if (!ParseNumber(request.sector[i], 0, high[i], &id[i])) {
      Diagnose("%s: not a number from 0 to %d: %s\n", kProgram, high[i], request.sector[i]);
      return UsageError();
    }
  }
  int index = 0;
  if (request.image != nullptr && !ParseImageNumber(request.image, &index)) {
    return UsageError();
  }
  std::FILE* file = OpenFile(request.path);
  if (file == nullptr) {
    return 1;
  }
  const OtherFormat* packed = PackedFormat(file);
  if (packed != nullptr) {
    PackedImage entry = {};
    if (OpenChosenImage(file, *packed, request.path, request.entry, &entry) == nullptr) {
      return 1;
    }
  } else if (request.entry != nullptr) {
    std::fclose(file);
    Diagnose("%s: %s is no archive: --entry names a D88 file in one\n", kProgram, request.path);
    return 1;
  } else {
    g_image.OpenStream(file);
  }
  const int images = CountDistinctImages(g_image);
  if (request.image != nullptr && index >= images) {
    Diagnose("%s: %s holds %d image%s; there is no image %d\n", kProgram, request.path, images,
             images == 1 ? "" : "s", index);
    return 1;
  }
  const int got = g_image.SelectDisk(index) ? g_image.ReadSector(id[0], id[1], id[2], id[3], id[4],
                                                                 g_data, kMaxSectorData)
                                            : 0;
  if (got == 0) {
    Diagnose("%s: track %d of image %d has no sector C%d H%d R%d N%d with data\n", kProgram, id[0],
             index, id[1], id[2], id[3], id[4]);
    return 1;
  }
  std::printf("track %d, sector C%d H%d R%d N%d: %d bytes\n", id[0], id[1], id[2], id[3], id[4],
              got);
  PrintHexDump(stdout, g_data, got);
  return 0;
}

// The listing the request asks for: its scope from --image and --records. False, said why, for
// a number that is none.
bool ParseScope(const Request& request, ReportScope* scope) {
  if (request.image != nullptr && !ParseImageNumber(request.image, &scope->image)) {
    return false;
  }
  if (request.records != nullptr &&
      !ParseNumber(request.records, 0, kMaxWalkRecords, &scope->recordsPerTrack)) {
    Diagnose("%s: not a record count from 0 to %d: %s\n", kProgram, kMaxWalkRecords,
             request.records);
    return false;
  }
  return true;
}

// Sets *value to the option's value where argv[*next] is "NAME VALUE" or "NAME=VALUE" and the
// option was not given before; false where it is neither.
bool TakeValue(int argc, char** argv, int* next, const char* name, const char** value) {
  return *value == nullptr && OptionWithValue(name, argc, argv, next, value) != nullptr;
}

// Reads [--json] [--image N] [--records K] [--sector TRACK C H R N] [--] FILE; false for
// anything else.
bool ParseArguments(int argc, char** argv, Request* request) {
  int next = 1;
  for (; next < argc && argv[next][0] == '-' && argv[next][1] != '\0'; ++next) {
    const char* option = argv[next];
    if (std::strcmp(option, "--") == 0) {
      ++next;
      break;
    }
    if (std::strcmp(option, "--json") == 0 && !request->json) {
      request->json = true;
    } else if (std::strcmp(option, "--sector") == 0 && request->sector == nullptr &&
               next + 5 < argc) {
      request->sector = argv + next + 1;
      next += 5;
    } else if (!TakeValue(argc, argv, &next, "--image", &request->image) &&
               !TakeValue(argc, argv, &next, "--records", &request->records) &&
               !TakeValue(argc, argv, &next, "--entry", &request->entry)) {
      return false;
    }
  }
  request->path = next == argc - 1 ? argv[next] : nullptr;
  // A dump is of one sector: no JSON, no records to count.
  return request->path != nullptr &&
         !(request->sector != nullptr && (request->json || request->records != nullptr));
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
  Request request;
  if (!ParseArguments(argc, argv, &request)) {
    return UsageError();
  }
  if (request.sector != nullptr) {
    return DumpSector(request);
  }
  ReportScope scope;
  if (!ParseScope(request, &scope)) {
    return UsageError();
  }
  return Summary(request.path, request.entry, request.json, scope);
}

}  // namespace

int D88InfoMain(int argc, char** argv) {
  const int status = Run(argc, argv);
  return FinishStandardOutput(kProgram) ? status : 1;
}
