// The command's entry: argument check, opening the image, recognising the title from the sector
// numbers on the signature track, and cutting that title's files.
#include "tool/castle_extract.h"

#include <cstdio>
#include <cstring>

#include "castle/extraction_lists.h"
#include "castle/title_signature.h"
#include "tool/cut_file.h"
#include "tool/messages.h"
#include "tool/program_objects.h"

namespace {

constexpr char kDefaultProgramName[] = "castle-extract";

}  // namespace

int CastleExtractMain(int argc, char** argv) {
  if (argc != 2) {
    // Started with no argv[0] at all (Linux then passes an empty one), it names itself.
    const bool named = argc > 0 && argv[0] != nullptr && argv[0][0] != '\0';
    const char* program = named ? argv[0] : kDefaultProgramName;
    std::fprintf(stderr, "Usage: %s [d88file]\n", program);
    return 1;
  }
  if (!g_d88.Open(argv[1])) {
    std::fputs(kCannotOpenText, stderr);
    return 1;
  }
  // A failed selection leaves nothing readable, so the disk is simply not recognised.
  g_d88.SelectDisk(0);
  g_d88.SetSectorRange(kFirstSector, kLastSector);
  // Entries the track does not have must read as zero.
  std::memset(g_buffer, 0, kSignatureListSize);
  g_d88.ReadSectorIds(kSignatureTrack, g_buffer, kSignatureListSize);

  const int title = FindTitle(g_buffer);
  if (title < 0) {
    return 0;
  }
  std::printf("%s%s", kTitleSignatures[title].title, kRecognisedText);
  return RunExtractionList(*kTitleFiles[title]) == 0 ? 0 : 1;
}
