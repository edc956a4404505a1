#include "castle/title_signature.h"

// clang-format off
const TitleSignature kTitleSignatures[kTitleCount] = {
    // title              2nd R  3rd R
    {"The Castle",        0xF2,  0xF3},
    {"Castle Excellent",  0xF3,  0xF2},
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
