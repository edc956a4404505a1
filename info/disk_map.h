// What d88-info walks to show a file: the distinct images of the index, and each present track
// of an image as the list of its records.
#ifndef INFO_DISK_MAP_H
#define INFO_DISK_MAP_H

#include "d88/d88image.h"

// The most records listed for one track: more than any real track holds, and a bound on what a
// crafted track can make d88-info print.
constexpr int kMaxListedRecords = 256;

// The number of images to show: an image whose size field is 0 gives no start for a next one,
// so the index repeats it to the end; only the first of those is shown.
int DistinctImageCount(D88Image& image);

// Whether the file holds whole images beyond the 64 the reader indexes; fileSize -1 is unknown.
bool HoldsMoreImages(D88Image& image, int64_t fileSize);

// The records of a track of the current image, as a careful loader reads them: a track whose
// first record says it holds 0 sectors is that one record, not the start of whatever follows it
// in the file. *listed gets their number, 0 for an absent track. The records stay valid until
// the next call.
const TrackRecord* ListTrack(D88Image& image, int track, int* listed);

// The sectors of track 79 of image 0 that recognition looks at, and what they make.
struct SignatureVerdict {
  int entries;               // sector IDs the track holds, up to three
  unsigned char numbers[2];  // R of the second and third, where entries says they exist
  int title;                 // index in kTitleSignatures, or -1
};
SignatureVerdict CheckSignature(D88Image& image);

#endif  // INFO_DISK_MAP_H
