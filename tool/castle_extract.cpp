// The command's entry: its options, opening the image, recognising the title from the sector
// numbers on the signature track, and cutting that title's files.
#include "tool/castle_extract.h"

#include <cstdio>
#include <cstring>

#include "castle/extraction_lists.h"
#include "castle/title_signature.h"
#include "platform/platform.h"
#include "tool/cut_file.h"
#include "tool/image_input.h"
#include "tool/messages.h"
#include "tool/program_objects.h"

namespace {

constexpr char kProgram[] = "castle-extract";

int Usage(int argc, char** argv) {
  // Started with no argv[0] at all (Linux then passes an empty one), it names itself.
  const bool named = argc > 0 && argv[0] != nullptr && argv[0][0] != '\0';
  Diagnose("Usage: %s [d88file]\n", named ? ProgramName(argv[0]) : kProgram);
  return 1;
}

int Finish(int status) {
  return FinishStandardOutput(kProgram) ? status : 1;
}

// What --help says of the system it runs on.
#ifdef _WIN32
constexpr char kPlatformHelp[] =
    "An archive (.zip, .lzh, .7z) is not opened here: unpack the D88 file from it first.\n"
    "In a console the Japanese messages show as text; redirected to a file or a pipe they are\n"
    "Shift_JIS bytes, as on the machines these disks come from.\n";
#else
constexpr char kPlatformHelp[] =
    "d88file may be a pipe, such as <(zcat disk.d88.gz), or - for standard input, or an\n"
    "archive or compressed file holding one (ZIP, LZH, 7z, RAR, tar; gzip, xz, bzip2, zstd),\n"
    "told by its content, where this build opens archives; --entry #N takes its Nth D88 file.\n"
    "The Japanese messages are Shift_JIS, or UTF-8 on a terminal whose locale is.\n";
#endif

void PrintHelp() {
  std::printf(
      "Usage: %s [-C DIR] [--entry NAME] [--image N] [--title castle|excellent] [--] d88file\n"
      "       %s --help | --version\n"
      "\n"
      "Reads the first disk image of a D88 file (or image N), recognises \"The Castle\" or "
      "\"Castle "
      "Excellent\"\n"
      "from the sector numbers on track 79, and writes the game's files PROG1, PROG2, MUSIC "
      "and\n"
      "VOICE into the current directory, restoring the ones stored complemented.\n"
      "\n"
      "  -C DIR     write the files into DIR instead (d88file is found from here)\n"
      "  --entry NAME\n"
      "             the D88 file of an archive that holds several\n"
      "  --image N  read image N of a file that holds several, counting from 0\n"
      "  --title castle|excellent\n"
      "             for a copy without its protection track: where track 79 carries neither\n"
      "             title's signature, cut that title's files anyway (it still refuses a disk\n"
      "             that carries the other title's)\n"
      "  --         end of the options: the next argument is d88file, whatever it is called\n"
      "  --help     show this help\n"
      "  --version  show the version\n"
      "\n"
      "%s"
      "A sector a file is cut from that the dump marks as read with an error, deleted, or\n"
      "stored twice is named on standard error; the file is written all the same.\n"
      "Exit status: 0 done, also for a disk that is not recognised or is damaged; 1 wrong\n"
      "arguments, a file that cannot be opened or written, a -C directory that cannot be\n"
      "entered, an image that is not there, an archive that cannot be read, is damaged or too\n"
      "large, or holds no single D88 file that --entry chooses, or a disk that carries the\n"
      "other title than --title asks for.\n",
      kProgram, kProgram, kPlatformHelp);
}

// What the command line asks for.
struct Request {
  const char* directory = nullptr;  // -C DIR
  int image = -1;                   // --image N; -1 reads the first without asking
  const char* entry = nullptr;      // --entry NAME: the D88 file of an archive
  int title = -1;                   // --title, as an index in kTitleSignatures
  char** images = nullptr;
  int imageCount = 0;
};

// The title --title names, into the request; -1 when it names one, else the exit code of a run
// that ends here, said why.
int TakeTitle(const char* value, Request* request) {
  request->title = FindTitleByOption(value);
  if (request->title >= 0) {
    return -1;
  }
  char choices[128] = "";
  for (int i = 0; i < kTitleCount; ++i) {
    const size_t used = std::strlen(choices);
    std::snprintf(choices + used, sizeof choices - used, "%s%s",
                  i == 0                ? ""
                  : i + 1 < kTitleCount ? ", "
                                        : " or ",
                  kTitleSignatures[i].option);
  }
  Diagnose("%s--title takes %s, not \"%s\"\n", kDiagnosticPrefix, choices, value);
  return Finish(1);
}

// Whether the option was given before; says so where it was: an option is given once.
bool GivenBefore(const char* name, bool given) {
  if (given) {
    Diagnose("%s%s is given more than once\n", kDiagnosticPrefix, name);
  }
  return given;
}

// The value of an option that takes one, into the request; -1 when it is taken, else the exit
// code of a run that ends here, said why.
int TakeValue(const char* name, const char* value, Request* request) {
  if (std::strcmp(name, "--entry") == 0) {
    if (GivenBefore(name, request->entry != nullptr)) {
      return Finish(1);
    }
    request->entry = value;
    return -1;
  }
  if (std::strcmp(name, "--image") != 0) {
    return GivenBefore(name, request->title >= 0) ? Finish(1) : TakeTitle(value, request);
  }
  if (GivenBefore(name, request->image >= 0)) {
    return Finish(1);
  }
  // As d88-info reads it: decimal or 0x hex, an image the reader can index.
  if (ParseNumber(value, 0, kMaxDisks - 1, &request->image)) {
    return -1;
  }
  Diagnose("%s--image takes an image number from 0 to %d, not \"%s\"\n", kDiagnosticPrefix,
           kMaxDisks - 1, value);
  return Finish(1);
}

constexpr int kGoOn = -1;        // the options go on
constexpr int kOptionsEnd = -2;  // "--": what follows are files

// The option at argv[*next] (and its value, which *next then passes), into the request: kGoOn,
// kOptionsEnd, or the exit code of a run that ends here (help, version, usage, a wrong value).
int TakeOption(int argc, char** argv, int* next, Request* request) {
  const char* option = argv[*next];
  if (std::strcmp(option, "--") == 0) {
    return kOptionsEnd;
  }
  if (IsHelpOption(option)) {
    PrintHelp();
    return Finish(0);
  }
  if (std::strcmp(option, "--version") == 0) {
    std::printf("%s %s\n", kProgram, CASTLE_EXTRACT_VERSION);
    return Finish(0);
  }
  if (std::strcmp(option, "-C") == 0 && *next + 1 < argc) {
    request->directory = argv[++*next];  // as with tar, the last one counts
    return kGoOn;
  }
  // An option's value follows it, or its '='.
  static constexpr const char* kValueOptions[] = {"--title", "--image", "--entry"};
  for (const char* known : kValueOptions) {
    const char* value = nullptr;
    const char* name = OptionWithValue(known, argc, argv, next, &value);
    if (name != nullptr) {
      return TakeValue(name, value, request);
    }
  }
  return Usage(argc, argv);
}

// Reads [-C DIR] [--entry NAME] [--image N] [--title NAME] [--] d88file..., one file unless the
// command runs in a window of its own, where files dropped onto it come several at a time. Returns
// -1 when the command should go on, else the exit code of a run that ends here (help, version,
// usage).
int ParseArguments(int argc, char** argv, bool ownWindow, Request* request) {
  int next = 1;
  for (;
       next < argc && ((argv[next][0] == '-' && argv[next][1] != '\0') || IsHelpOption(argv[next]));
       ++next) {
    const int taken = TakeOption(argc, argv, &next, request);
    if (taken == kOptionsEnd) {
      ++next;
      break;
    }
    if (taken != kGoOn) {
      return taken;
    }
  }
  request->images = argv + next;
  request->imageCount = argc - next;
  if (request->imageCount != 1 && !ownWindow) {
    return Usage(argc, argv);
  }
  return -1;
}

// The title whose files to cut: the one the signature names, or for a disk that carries no
// signature the one asked for. -1 with *status set when none is to be cut.
int ChooseTitle(int found, int asked, int* status) {
  *status = 0;
  if (asked < 0 || found == asked) {
    return found;
  }
  if (found >= 0) {
    Diagnose("%strack %d carries the signature of \"%s\", not of \"%s\"; nothing was written\n",
             kDiagnosticPrefix, kSignatureTrack, kTitleSignatures[found].title,
             kTitleSignatures[asked].title);
    *status = 1;
    return -1;
  }
  Diagnose("%strack %d carries no title signature; cutting the files of \"%s\" as asked\n",
           kDiagnosticPrefix, kSignatureTrack, kTitleSignatures[asked].title);
  return asked;
}

// How one image went, for the summary of a window that took several.
struct Outcome {
  int status = 0;
  int title = -1;                // whose files were cut, or -1
  const char* folder = nullptr;  // where they went, in a window of its own; valid until the next
  bool opened = false;
  bool whole = true;  // every file of the title written whole
};

// The summaries kept for the end, one per image, for as many images as a command line can name;
// the folders the files went into, one path after another in a pool. A path the pool no longer
// holds is said to be above, where it was written as the files went there.
constexpr int kMaxSummaries = 16384;
constexpr int kFolderNotKept = -2;
struct Summary {
  int status;
  int title;
  bool opened;
  bool whole;
  int folder;  // where its path starts in g_folderPaths; -1 for none, or kFolderNotKept
};
Summary g_summaries[kMaxSummaries];
char g_folderPaths[1 << 20];
int g_folderPathsUsed = 0;

Summary Summed(const Outcome& outcome) {
  Summary summary = {outcome.status, outcome.title, outcome.opened, outcome.whole, -1};
  if (outcome.folder != nullptr) {
    const int length = static_cast<int>(std::strlen(outcome.folder)) + 1;
    if (length <= static_cast<int>(sizeof g_folderPaths) - g_folderPathsUsed) {
      std::memcpy(g_folderPaths + g_folderPathsUsed, outcome.folder, static_cast<size_t>(length));
      summary.folder = g_folderPathsUsed;
      g_folderPathsUsed += length;
    } else {
      summary.folder = kFolderNotKept;
    }
  }
  return summary;
}

// The folder an image's files go into in a window of its own, made before the first of them.
struct FolderRequest {
  const char* imagePath;
  bool inGiven;      // in the folder -C gave, else beside the image
  const char* made;  // once made
};
FolderRequest g_folderRequest = {nullptr, false, nullptr};

bool MakeImageFolder(void* context) {
  auto* request = static_cast<FolderRequest*>(context);
  int error = 0;
  bool trimmed = false;
  const char* folder = MakeFolderForImage(request->imagePath, request->inGiven, &error, &trimmed);
  if (folder == nullptr || !ChangeDirectory(folder, &error)) {
    Diagnose("%scannot make a folder %s %s: %s\n", kDiagnosticPrefix,
             request->inGiven ? "in the given folder for" : "beside", request->imagePath,
             ErrorText(error));
    return false;
  }
  request->made = folder;
  std::printf("The files go into ");
  WriteUtf8(stdout, folder);
  WriteUtf8(stdout, trimmed ? " (Windows ends no folder's name in a dot or a space)\n" : "\n");
  return true;
}

// Opens, recognises and cuts one image.
Outcome ExtractImage(const char* path, const Request& request, bool ownWindow) {
  Outcome outcome;
  outcome.status = 1;
  const char* directory = request.directory;
  std::FILE* image = OpenImageInput(path, request.entry, directory, &outcome.opened);
  if (image == nullptr) {
    return outcome;
  }
  g_d88.OpenStream(image);
  // An image asked for by number must be there; without --image, a file with none is simply
  // not recognised.
  const int asked = request.image < 0 ? 0 : request.image;
  if (request.image >= 0) {
    const int count = CountDistinctImages(g_d88);
    if (asked >= count) {
      Diagnose("%s%s holds %d image%s; there is no image %d\n", kDiagnosticPrefix, path, count,
               count == 1 ? "" : "s", asked);
      return outcome;
    }
  }

  // A failed selection leaves nothing readable, so the disk is simply not recognised.
  g_d88.SelectDisk(asked);
  g_d88.SetSectorRange(kFirstSector, kLastSector);
  // Entries the track does not have must read as zero.
  std::memset(g_buffer, 0, kSignatureListSize);
  g_d88.ReadSectorIds(kSignatureTrack, g_buffer, kSignatureListSize);

  const int found = FindTitle(g_buffer);
  const int title = ChooseTitle(found, request.title, &outcome.status);
  if (title < 0) {
    // Silent, as scripts expect; only a window that stays open for reading says something.
    if (outcome.status == 0 && ownWindow) {
      WriteUtf8(stdout,
                "This disk is neither \"The Castle\" nor \"Castle Excellent\"; nothing "
                "was written.\n");
    }
    return outcome;
  }
  if (ownWindow) {
    // Dropped onto the program (or onto a shortcut that gives -C DIR), it writes into a new
    // folder beside the image (or in DIR) for each image, made when the first file is written.
    g_folderRequest = {path, directory != nullptr, nullptr};
    SetOutputPlace(MakeImageFolder, &g_folderRequest);
  }
  // Only a disk that was recognised is announced as such.
  if (title == found) {
    std::fputs(kTitleSignatures[title].title, stdout);
    WriteShiftJis(stdout, kRecognisedText);
  }
  outcome.title = title;
  const ListOutcome cut = RunExtractionList(*kTitleFiles[title]);
  SetOutputPlace(nullptr, nullptr);
  outcome.status = cut.unwritten == 0 ? 0 : 1;
  outcome.whole = cut.incomplete == 0;
  outcome.folder = g_folderRequest.made;
  g_folderRequest.made = nullptr;
  return outcome;
}

// A window of its own shows what each image gave once all are done, above its one wait.
void PrintSummaryLine(const char* path, const Summary& summary) {
  std::printf("  ");
  WriteUtf8(stdout, path);
  if (summary.title < 0) {
    WriteUtf8(stdout, !summary.opened       ? ": it cannot be opened\n"
                      : summary.status != 0 ? ": nothing was written\n"
                                            : ": neither title; nothing was written\n");
    return;
  }
  std::printf(": \"%s\"", kTitleSignatures[summary.title].title);
  if (summary.folder == -1) {  // no folder was made: nothing went into one
    WriteUtf8(stdout, ", but none of its files was written\n");
    return;
  }
  std::printf("%s, its files in ",
              summary.status == 0 && summary.whole ? "" : ", not every file written");
  WriteUtf8(stdout,
            summary.folder >= 0 ? g_folderPaths + summary.folder : "the folder named above");
  std::printf("\n");
}

// What each image gave, once all are done (or the run stopped, `done` of them read).
void PrintSummary(const Request& request, int done, const char* stopped) {
  std::printf("\nDone:\n");
  const int summed = done < kMaxSummaries ? done : kMaxSummaries;
  for (int i = 0; i < summed; ++i) {
    PrintSummaryLine(request.images[i], g_summaries[i]);
  }
  if (done > summed) {
    std::printf("  and %d more, each said above\n", done - summed);
  }
  for (int i = done; i < request.imageCount; ++i) {
    std::printf("  ");
    WriteUtf8(stdout, request.images[i]);
    std::printf(": not read: %s\n", stopped);
  }
}

void PrintWindowUsage() {
  WriteUtf8(stdout,
            "castle-extract takes the game files of \"The Castle\" and \"Castle Excellent\" out\n"
            "of a D88 disk image.\n"
            "\n"
            "Drop one or more .d88 files onto castle-extract.exe in Explorer: the files of each\n"
            "go into a new folder beside it, named after it. Or run it from a command prompt:\n"
            "castle-extract.exe disk.d88 writes them into the current folder (--help for more).\n");
}

}  // namespace

int CastleExtractMain(int argc, char** argv) {
  return CastleExtractRun(argc, argv, RunsInItsOwnWindow());
}

int CastleExtractRun(int argc, char** argv, bool ownWindow) {
  Request request;
  const int parsed = ParseArguments(argc, argv, ownWindow, &request);
  if (parsed >= 0) {
    return parsed;
  }
  if (request.imageCount == 0) {  // a window of its own, opened with no file: a double-click
    PrintWindowUsage();
    return Finish(0);
  }
  int status = 0;
  int done = 0;
  const char* stopped = nullptr;  // why the run stopped before its last image
  for (; done < request.imageCount; ++done) {
    int error = 0;
    if (InterruptRequested()) {
      stopped = "the run was interrupted";
      break;
    }
    if (request.imageCount > 1 && !ReturnToStartingDirectory(&error)) {
      Diagnose("%scannot go back to the starting folder: %s\n", kDiagnosticPrefix,
               ErrorText(error));
      stopped = "the starting folder could not be entered again";
      break;
    }
    if (request.imageCount > 1) {
      std::printf("%s", done == 0 ? "" : "\n");
      WriteUtf8(stdout, request.images[done]);
      std::printf(":\n");
    }
    const Outcome outcome = ExtractImage(request.images[done], request, ownWindow);
    status = outcome.status != 0 ? outcome.status : status;
    if (done < kMaxSummaries) {
      g_summaries[done] = Summed(outcome);
    }
  }
  if (stopped != nullptr) {
    status = 1;
    Diagnose("%s%s; %d image%s left unread\n", kDiagnosticPrefix, stopped,
             request.imageCount - done, request.imageCount - done == 1 ? "" : "s");
  }
  // The last image is let go before a window waits: the user may move or delete it meanwhile.
  g_d88.Open(nullptr);
  if (request.imageCount > 1) {
    PrintSummary(request, done, stopped);
  }
  g_folderPathsUsed = 0;
  return Finish(status);
}
