// How the two game disks are told apart: their protection track carries sectors whose numbers
// differ by title. Only the numbers (R) of the second and third sectors stored on the track
// decide; their C, H and N, and the first sector, do not matter.
#ifndef CASTLE_TITLE_SIGNATURE_H
#define CASTLE_TITLE_SIGNATURE_H

#include "castle/disk_layout.h"
#include "d88/d88format.h"

constexpr int kSignatureEntries = 3;  // IDs listed from the start of the signature track
constexpr int kSignatureListSize = kSignatureEntries * kSectorIdSize;
constexpr int kSecondSectorNumber = 1 * kSectorIdSize + kSectorIdNumber;  // byte 6 of the list
constexpr int kThirdSectorNumber = 2 * kSectorIdSize + kSectorIdNumber;   // byte 10 of the list

struct TitleSignature {
  const char* title;   // as the command announces it
  const char* option;  // as castle-extract --title names it
  unsigned char secondNumber;
  unsigned char thirdNumber;
};

constexpr int kTitleCount = 2;
extern const TitleSignature kTitleSignatures[kTitleCount];

// The index in kTitleSignatures of the title whose signature the listing of the signature track
// carries, or -1. `ids` holds kSignatureListSize bytes; entries the track did not have must be
// zero.
int FindTitle(const unsigned char* ids);

// The index in kTitleSignatures of the title --title names ("castle", "excellent"), or -1.
int FindTitleByOption(const char* option);

#endif  // CASTLE_TITLE_SIGNATURE_H
