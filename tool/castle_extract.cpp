// The command's entry: argument check, opening the image, recognising the title from the sector
// numbers on track 79, and the messages.
#include "tool/castle_extract.h"

#include <cstdio>
#include <cstring>

#include "tool/title_extraction.h"
#include "tool/title_signature.h"

D88Image g_d88;
unsigned char g_buffer[kBufferSize];

namespace {

constexpr int kFirstSector = 1;
constexpr int kLastSector = 16;

// Each title's files, in the order of the signature table.
const ExtractionList* const kTitleFiles[] = {&kTheCastleFiles, &kCastleExcellentFiles};
static_assert(sizeof kTitleFiles / sizeof kTitleFiles[0] == kTitleCount);

// The Japanese texts are Shift_JIS (code page 932), written as such whatever the locale.
// "のディスクを認識しました.\n": "'s disk was recognised."
constexpr char kRecognisedText[] =
    "\x82\xCC\x83\x66\x83\x42\x83\x58\x83\x4E\x82\xF0\x94\x46\x8E\xAF\x82\xB5\x82\xDC\x82\xB5\x82"
    "\xBD.\n";
// "ファイルをオープンできません.\n": "The file cannot be opened."
constexpr char kCannotOpenText[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC5\x82\xAB\x82"
    "\xDC\x82\xB9\x82\xF1.\n";
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

  g_failedWrites = 0;
  const int title = FindTitle(g_buffer);
  if (title >= 0) {
    std::printf("%s%s", kTitleSignatures[title].title, kRecognisedText);
    RunExtractionList(*kTitleFiles[title]);
  }
  return g_failedWrites == 0 ? 0 : 1;
}
