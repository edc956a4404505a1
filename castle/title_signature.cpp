#include "castle/title_signature.h"

#include <cstring>

// clang-format off
const TitleSignature kTitleSignatures[kTitleCount] = {
    // title              option       2nd R  3rd R
    {"The Castle",        "castle",    0xF2,  0xF3},
    {"Castle Excellent",  "excellent", 0xF3,  0xF2},
};
// clang-format on

int FindTitle(const unsigned char* ids) {
  for (int i = 0; i < kTitleCount; ++i) {
    if (ids[kSecondSectorNumber] == kTitleSignatures[i].secondNumber &&
        ids[kThirdSectorNumber] == kTitleSignatures[i].thirdNumber) {
      return i;
    }
  }
  return -1;
}

int FindTitleByOption(const char* option) {
  for (int i = 0; i < kTitleCount; ++i) {
    if (std::strcmp(option, kTitleSignatures[i].option) == 0) {
      return i;
    }
  }
  return -1;
}
