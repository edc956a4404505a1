// The command's entry: its options, opening the image, recognising the title from the sector
// numbers on the signature track, and cutting that title's files.
#include "tool/castle_extract.h"

#include <cstdio>
#include <cstring>

#include "castle/extraction_lists.h"
#include "castle/title_signature.h"
#include "platform/platform.h"
#include "tool/cut_file.h"
#include "tool/messages.h"
#include "tool/program_objects.h"

namespace {

constexpr char kProgram[] = "castle-extract";

int Usage(int argc, char** argv) {
  // Started with no argv[0] at all (Linux then passes an empty one), it names itself.
  const bool named = argc > 0 && argv[0] != nullptr && argv[0][0] != '\0';
  Diagnose("Usage: %s [d88file]\n", named ? argv[0] : kProgram);
  return 1;
}

int Finish(int status) {
  return FinishStandardOutput(kProgram) ? status : 1;
}

// What --help says of the system it runs on.
#ifdef _WIN32
constexpr char kPlatformHelp[] =
    "In a console the Japanese messages show as text; redirected to a file or a pipe they are\n"
    "Shift_JIS bytes, as on the machines these disks come from.\n";
#else
constexpr char kPlatformHelp[] =
    "d88file may be a pipe, such as <(zcat disk.d88.gz). The Japanese messages are Shift_JIS,\n"
    "or UTF-8 on a terminal whose locale is.\n";
#endif

void PrintHelp() {
  std::printf(
      "Usage: %s [-C DIR] [--title castle|excellent] [--] d88file\n"
      "       %s --help | --version\n"
      "\n"
      "Reads the first disk image of a D88 file, recognises \"The Castle\" or \"Castle "
      "Excellent\"\n"
      "from the sector numbers on track 79, and writes the game's files PROG1, PROG2, MUSIC "
      "and\n"
      "VOICE into the current directory, restoring the ones stored complemented.\n"
      "\n"
      "  -C DIR     write the files into DIR instead (d88file is found from here)\n"
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
      "entered, or a disk that carries the other title than --title asks for.\n",
      kProgram, kProgram, kPlatformHelp);
}

// What the command line asks for.
struct Request {
  const char* directory = nullptr;  // -C DIR
  int title = -1;                   // --title, as an index in kTitleSignatures
  const char* image = nullptr;
};

// Reads [-C DIR] [--title NAME] [--] d88file. Returns -1 when the command should go on, else
// the exit code of a run that ends here (help, version, usage).
int ParseArguments(int argc, char** argv, Request* request) {
  int next = 1;
  for (;
       next < argc && ((argv[next][0] == '-' && argv[next][1] != '\0') || IsHelpOption(argv[next]));
       ++next) {
    const char* option = argv[next];
    if (std::strcmp(option, "--") == 0) {
      ++next;
      break;
    }
    if (IsHelpOption(option)) {
      PrintHelp();
      return Finish(0);
    }
    if (std::strcmp(option, "--version") == 0) {
      std::printf("%s %s\n", kProgram, CASTLE_EXTRACT_VERSION);
      return Finish(0);
    }
    constexpr char kTitleEquals[] = "--title=";
    const char* title = nullptr;
    if (std::strncmp(option, kTitleEquals, sizeof kTitleEquals - 1) == 0) {
      title = option + sizeof kTitleEquals - 1;
    } else if (std::strcmp(option, "--title") == 0 && next + 1 < argc) {
      title = argv[++next];
    } else if (std::strcmp(option, "-C") == 0 && next + 1 < argc) {
      request->directory = argv[++next];
      continue;
    } else {
      return Usage(argc, argv);
    }
    request->title = FindTitleByOption(title);
    if (request->title < 0) {
      return Usage(argc, argv);
    }
  }
  if (argc - next != 1) {
    return Usage(argc, argv);
  }
  request->image = argv[next];
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

}  // namespace

int CastleExtractMain(int argc, char** argv) {
  Request request;
  const int parsed = ParseArguments(argc, argv, &request);
  if (parsed >= 0) {
    return parsed;
  }
  const char* directory = request.directory;

  InputOpening opening;
  std::FILE* image = OpenInputFile(request.image, &opening);
  if (image == nullptr) {
    // The Japanese line first, byte for byte, as scripts compare it; then the reason.
    std::fflush(stdout);
    WriteShiftJis(stderr, kCannotOpenText);
    Diagnose("%scannot open %s: %s\n", kDiagnosticPrefix, request.image, OpenFailureText(opening));
    return Finish(1);
  }
  if (opening.cutShort) {
    Diagnose("%s%s: only its first %lld bytes are read, the most a D88 file can hold\n",
             kDiagnosticPrefix, request.image, static_cast<long long>(kMaxIndexedFileSize));
  }
  g_d88.OpenStream(image);
  // The directory is entered before the image is read, so that a mistyped one is said at once,
  // whatever the disk; the image was found from where the command started.
  int error = 0;
  if (directory != nullptr && !ChangeDirectory(directory, &error)) {
    Diagnose("%scannot change to directory %s: %s\n", kDiagnosticPrefix, directory,
             ErrorText(error));
    return Finish(1);
  }

  // A failed selection leaves nothing readable, so the disk is simply not recognised.
  g_d88.SelectDisk(0);
  g_d88.SetSectorRange(kFirstSector, kLastSector);
  // Entries the track does not have must read as zero.
  std::memset(g_buffer, 0, kSignatureListSize);
  g_d88.ReadSectorIds(kSignatureTrack, g_buffer, kSignatureListSize);

  const int found = FindTitle(g_buffer);
  int status = 0;
  const int title = ChooseTitle(found, request.title, &status);
  if (title < 0) {
    // Silent, as scripts expect; only a window that stays open for reading says something.
    if (status == 0 && RunsInItsOwnWindow()) {
      WriteUtf8(stdout,
                "This disk is neither \"The Castle\" nor \"Castle Excellent\"; nothing "
                "was written.\n");
    }
    return Finish(status);
  }
  if (directory == nullptr && RunsInItsOwnWindow()) {
    // Dropped onto the program, it has no directory of the user's choosing to write into.
    directory = MakeFolderBesideImage(request.image, &error);
    if (directory == nullptr || !ChangeDirectory(directory, &error)) {
      Diagnose("%scannot make a folder beside %s: %s\n", kDiagnosticPrefix, request.image,
               ErrorText(error));
      return Finish(1);
    }
    std::printf("The files go into ");
    WriteUtf8(stdout, directory);
    std::printf("\n");
  }
  // Only a disk that was recognised is announced as such.
  if (title == found) {
    std::fputs(kTitleSignatures[title].title, stdout);
    WriteShiftJis(stdout, kRecognisedText);
  }
  const int unwritten = RunExtractionList(*kTitleFiles[title]);
  return Finish(unwritten == 0 ? 0 : 1);
}
