// What d88-info walks to show a file: where the index stopped, and each present track of an image
// as the walk through its records, each record listed once.
#ifndef INFO_DISK_MAP_H
#define INFO_DISK_MAP_H

#include "d88/d88image.h"
#include "info/shown_records.h"

// The most records one track's walk lists: more than a sector count can promise.
constexpr int kMaxWalkRecords = 65536;

// Where the file holds a whole image that the index does not: past the 64 images it indexes, or
// past 2 GiB, where its offsets end. The offset of the first such image, or -1 when the index
// holds every image; fileSize -1 is unknown.
int64_t FirstImageNotIndexed(D88Image& image, int64_t fileSize);

// Starts a report: no record has been listed yet.
void StartListing();

// A stretch of a track's walk: records of its own, listed here, or records listed before by
// another track.
struct WalkSegment {
  bool own;
  int first;          // own: the place of its first record in TrackListing::records
  int length;         // records in it
  RecordOwner owner;  // listed before: by whom, from which of that track's own records
  // Listed before: the last track whose records it runs through. A walk that runs through
  // every own record of one track after another (the same track of the next image, or the next
  // track of the same image) is one segment, from owner to through.
  int throughImage;
  int throughTrack;
};

// A present track of the current image as listed: the records of its walk, in order, as
// segments of its own records and of records listed before.
struct TrackListing {
  const TrackRecord* records;  // its own records, in walk order; valid until the next call
  int ownCount;
  const WalkSegment* segments;
  int segmentCount;
  int walkLength;     // records in the walk as listed, its own and those listed before
  int notListed;      // records of its walk left out: the report reached its bound, or
                      // the track's own limit (cutByLimit)
  bool cutByLimit;    // left out by the limit the caller set for each track; later tracks
                      // are still listed
  bool zeroCount;     // its first record says the track holds 0 sectors, so it is alone
  bool endedByCount;  // the walk ended on the record whose place its sector count names
  int sharedCount;    // the sector count every record of the walk carries; -1 when they differ
};

// Lists a track of the current image, which is image `imageIndex`, as a careful loader reads it:
// - a track whose first record says it holds 0 sectors is that one record;
// - the walk steps over records listed before (naming who listed them) and goes on past them;
// - it ends where the next track of the table begins, or the image ends, unless its records
//   agree on a sector count that ends it within 256 records more: a broken converter's count
//   (every record says 4096) does not make one track of the whole disk, and a damaged record
//   that sends the walk astray keeps its garbage to its own track.
// At most maxItems own records and segments of records listed before are listed; the rest of
// the walk is counted in notListed, and the listing stops (ListingStopped). trackLimit cuts
// the track alike but lets later tracks be listed: records it leaves out are not known to them,
// so a later track that reaches them lists them as its own.
TrackListing ListTrack(D88Image& image, int imageIndex, int track, int maxItems,
                       int trackLimit = kMaxWalkRecords);

// For the tests: walks read every record from the file, even those listed before that they
// would step over, so that a listing made the fast way can be compared with the plain one.
void ReadEveryRecord(bool plain);

// Whether the track is present: its walk has a record.
inline bool IsShown(const TrackListing& listing) {
  return listing.walkLength > 0 || listing.notListed > 0;
}

// Whether the track can be read at all: what a listing that has stopped still counts.
bool IsPresent(D88Image& image, int track);

// True once a listing has left records out: no later track is listed.
bool ListingStopped();
// Stops the listing: the report has no room for another track.
void StopListing();

// How many of a track's own records `owner`'s track listed: a segment that reaches its last
// is the rest of that track.
int32_t OwnRecordsListed(const RecordOwner& owner);

// The sectors of track 79 of an image that recognition looks at, and what they make.
struct SignatureVerdict {
  int entries;               // sector IDs the track holds, up to three
  unsigned char numbers[2];  // R of the second and third, where entries says they exist
  int title;                 // index in kTitleSignatures, or -1
};
SignatureVerdict CheckSignature(D88Image& image, int imageIndex = 0);

// How many of the title's files an image without its signature track (as a copy without its
// protection track is) holds whole, as castle-extract --title would read them; 0 for an image
// that has the track, whose signature decides.
int TitleFilesOnCopy(D88Image& image, int title, int imageIndex = 0);

#endif  // INFO_DISK_MAP_H
