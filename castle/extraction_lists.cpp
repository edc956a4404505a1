#include "castle/extraction_lists.h"

namespace {

constexpr char kProg1[] = "PROG1";
constexpr char kProg2[] = "PROG2";
constexpr char kMusic[] = "MUSIC";
constexpr char kVoice[] = "VOICE";

}  // namespace

const char* const kOutputNames[kFilesPerTitle] = {kProg1, kProg2, kMusic, kVoice};

// Every run uses 256-byte sectors; "The Castle" stores all but VOICE complemented.
// clang-format off
const ExtractionList kTheCastleFiles = {
    // name   track  C   H  R   N  skip  length  complemented
    {kProg1,  0,     0,  0, 2,  1, 0,    2304,   true},
    {kProg2,  60,    30, 0, 16, 1, 0,    2076,   true},
    {kMusic,  60,    30, 0, 4,  1, 131,  1540,   true},
    {kVoice,  33,    16, 1, 1,  1, 0,    1536,   false},
};

const ExtractionList kCastleExcellentFiles = {
    // name   track  C   H  R   N  skip  length  complemented
    {kProg1,  0,     0,  0, 2,  1, 0,    2304,   false},
    {kProg2,  60,    30, 0, 16, 1, 0,    1795,   false},
    {kMusic,  60,    30, 0, 4,  1, 131,  1540,   false},
    {kVoice,  33,    16, 1, 1,  1, 0,    1536,   false},
};
// clang-format on

const ExtractionList* const kTitleFiles[kTitleCount] = {&kTheCastleFiles, &kCastleExcellentFiles};
