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

void PrintHelp() {
  std::printf(
      "Usage: %s [-C DIR] [--] d88file\n"
      "       %s --help | --version\n"
      "\n"
      "Reads the first disk image of a D88 file, recognises \"The Castle\" or \"Castle "
      "Excellent\"\n"
      "from the sector numbers on track 79, and writes the game's files PROG1, PROG2, MUSIC "
      "and\n"
      "VOICE into the current directory, restoring the ones stored complemented.\n"
      "\n"
      "  -C DIR     write the files into DIR instead (d88file is found from here)\n"
      "  --         end of the options: the next argument is d88file, whatever it is called\n"
      "  --help     show this help\n"
      "  --version  show the version\n"
      "\n"
      "d88file may be a pipe, such as <(zcat disk.d88.gz). The Japanese messages are "
      "Shift_JIS,\n"
      "or UTF-8 on a terminal whose locale is. Exit status: 0 done, also for a disk that is "
      "not\n"
      "recognised or is damaged; 1 wrong arguments, or a file that cannot be opened or "
      "written.\n",
      kProgram, kProgram);
}

}  // namespace

int CastleExtractMain(int argc, char** argv) {
  // [-C DIR] [--] d88file
  const char* directory = nullptr;
  int next = 1;
  for (; next < argc && argv[next][0] == '-' && argv[next][1] != '\0'; ++next) {
    if (std::strcmp(argv[next], "--") == 0) {
      ++next;
      break;
    }
    if (std::strcmp(argv[next], "--help") == 0) {
      PrintHelp();
      return Finish(0);
    }
    if (std::strcmp(argv[next], "--version") == 0) {
      std::printf("%s %s\n", kProgram, CASTLE_EXTRACT_VERSION);
      return Finish(0);
    }
    if (std::strcmp(argv[next], "-C") != 0 || next + 1 >= argc) {
      return Usage(argc, argv);
    }
    directory = argv[++next];
  }
  if (argc - next != 1) {
    return Usage(argc, argv);
  }

  int error = 0;
  bool cutShort = false;
  std::FILE* image = OpenInputFile(argv[next], &error, &cutShort);
  if (image == nullptr) {
    std::fflush(stdout);
    WriteShiftJis(stderr, kCannotOpenText);
    return 1;
  }
  if (cutShort) {
    Diagnose("%s%s: only its first %lld bytes are read, the most a D88 file can hold\n",
             kDiagnosticPrefix, argv[next], static_cast<long long>(kMaxIndexedFileSize));
  }
  g_d88.OpenStream(image);

  // A failed selection leaves nothing readable, so the disk is simply not recognised.
  g_d88.SelectDisk(0);
  g_d88.SetSectorRange(kFirstSector, kLastSector);
  // Entries the track does not have must read as zero.
  std::memset(g_buffer, 0, kSignatureListSize);
  g_d88.ReadSectorIds(kSignatureTrack, g_buffer, kSignatureListSize);

  const int title = FindTitle(g_buffer);
  if (title < 0) {
    // Silent, as scripts expect; only a window that stays open for reading says something.
    if (RunsInItsOwnWindow()) {
      WriteUtf8(stdout,
                "This disk is neither \"The Castle\" nor \"Castle Excellent\"; nothing "
                "was written.\n");
    }
    return Finish(0);
  }
  if (directory == nullptr && RunsInItsOwnWindow()) {
    // Dropped onto the program, it has no directory of the user's choosing to write into.
    directory = MakeFolderBesideImage(argv[next], &error);
    if (directory == nullptr) {
      Diagnose("%scannot make a folder beside %s: %s\n", kDiagnosticPrefix, argv[next],
               ErrorText(error));
      return Finish(1);
    }
    std::printf("The files go into ");
    WriteUtf8(stdout, directory);
    std::printf("\n");
  }
  if (directory != nullptr && !ChangeDirectory(directory, &error)) {
    Diagnose("%scannot change to directory %s: %s\n", kDiagnosticPrefix, directory,
             ErrorText(error));
    return Finish(1);
  }
  std::fputs(kTitleSignatures[title].title, stdout);
  WriteShiftJis(stdout, kRecognisedText);
  const int unwritten = RunExtractionList(*kTitleFiles[title]);
  return Finish(unwritten == 0 ? 0 : 1);
}
