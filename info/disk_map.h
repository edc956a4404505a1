// What d88-info walks to show a file: the distinct images of the index, where the index stopped,
// and each present track of an image as the list of its records, each record shown once.
#ifndef INFO_DISK_MAP_H
#define INFO_DISK_MAP_H

#include "d88/d88image.h"
#include "info/shown_records.h"

// The most records listed for one track: more than any real track holds, and a bound on what a
// crafted track can make d88-info print.
constexpr int kMaxListedRecords = 256;

// Where the file holds a whole image that the index does not: past the 64 images it indexes, or
// past 2 GiB, where its offsets end. The offset of the first such image, or -1 when the index
// holds every image; fileSize -1 is unknown.
int64_t FirstImageNotIndexed(D88Image& image, int64_t fileSize);

// Starts a report: no record has been shown yet.
void StartListing();

// A present track of the current image as shown: the records it lists that no track listed
// before, and, where its walk reached records listed before, which track listed them.
struct TrackListing {
  const TrackRecord* records;  // valid until the next call
  int listed;                  // records shown here; 0 for an absent track that meets nothing
  bool zeroCount;              // the first record says the track holds 0 sectors, so it is alone
  bool notListed;              // too many records shown already to keep track of more
  ShownRecords::Meeting meets;
  RecordOwner owner;  // for a meeting: which track listed those records
};

// Lists a track of the current image, which is image `imageIndex`, as a careful loader reads it:
// a track whose first record says it holds 0 sectors is that one record, not the start of
// whatever follows it in the file. The walk stops at the first record already shown.
TrackListing ListTrack(D88Image& image, int imageIndex, int track);

// Whether the track is present: it has records, or it reaches records shown before.
inline bool IsShown(const TrackListing& listing) {
  return listing.listed > 0 || listing.notListed || listing.meets != ShownRecords::kNothing;
}

// The sectors of track 79 of image 0 that recognition looks at, and what they make.
struct SignatureVerdict {
  int entries;               // sector IDs the track holds, up to three
  unsigned char numbers[2];  // R of the second and third, where entries says they exist
  int title;                 // index in kTitleSignatures, or -1
};
SignatureVerdict CheckSignature(D88Image& image);

// Whether image 0 holds every byte of every run of the title's files, as castle-extract --title
// would read them: a copy without its protection track can still be cut.
bool TitleRunsPresent(D88Image& image, int title);

#endif  // INFO_DISK_MAP_H
