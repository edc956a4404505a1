#include "tool/title_signature.h"

const TitleSignature kTitleSignatures[kTitleCount] = {
    {"The Castle", 0xF2, 0xF3},
    {"Castle Excellent", 0xF3, 0xF2},
};

int FindTitle(const unsigned char* ids) {
  for (int i = 0; i < kTitleCount; ++i) {
    if (ids[kSecondSectorNumber] == kTitleSignatures[i].secondNumber &&
        ids[kThirdSectorNumber] == kTitleSignatures[i].thirdNumber) {
      return i;
    }
  }
  return -1;
}
