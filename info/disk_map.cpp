#include "info/disk_map.h"

#include <algorithm>
#include <climits>

#include "castle/extraction_lists.h"
#include "castle/title_signature.h"

namespace {

ShownRecords g_shown;
bool g_stopped = false;
bool g_plainWalks = false;
// How many own records each track listed, by image and track.
int32_t g_ownListed[kMaxDisks][kTrackCount];

// One track's walk as listed; only one is needed at a time.
TrackRecord g_records[kMaxWalkRecords];
WalkSegment g_segments[kMaxWalkRecords];

// Where the tracks of the current image start, and where the image ends: the places where one
// track's records give way to another's. Sorted, each once.
int g_boundsImage = -1;
int64_t g_bounds[kTrackCount + 1];
int g_boundCount = 0;

void FindBounds(D88Image& image, int imageIndex) {
  if (g_boundsImage == imageIndex) {
    return;
  }
  g_boundsImage = imageIndex;
  int count = 0;
  int64_t base = -1;
  for (int track = 0; track < kTrackCount; ++track) {
    TrackWalk walk;
    if (image.StartTrackWalk(track, &walk)) {
      g_bounds[count++] = walk.next;
      base = walk.next - image.GetTrackOffset(track);
    }
  }
  if (base >= 0) {
    g_bounds[count++] = base + image.GetDiskSize();
  }
  // At most 165 places: sorted by insertion, then each kept once.
  for (int i = 1; i < count; ++i) {
    const int64_t place = g_bounds[i];
    int at = i;
    for (; at > 0 && g_bounds[at - 1] > place; --at) {
      g_bounds[at] = g_bounds[at - 1];
    }
    g_bounds[at] = place;
  }
  g_boundCount = 0;
  for (int i = 0; i < count; ++i) {
    if (g_boundCount == 0 || g_bounds[g_boundCount - 1] != g_bounds[i]) {
      g_bounds[g_boundCount++] = g_bounds[i];
    }
  }
}

// The first place past start where another track begins or the image ends; INT64_MAX where
// there is none.
int64_t BoundAfter(int64_t start) {
  for (int i = 0; i < g_boundCount; ++i) {
    if (g_bounds[i] > start) {
      return g_bounds[i];
    }
  }
  return INT64_MAX;
}

// How many records a walk reads past the next track's start to see whether its count ends it
// there: more than any real track holds.
constexpr int kLookAhead = 256;

// How far a walk had got, to go back to when the records past a track's end turn out to be
// another's.
struct Mark {
  int total = -1;  // records walked; -1: no mark
  int listed = 0;
  int ownCount = 0;
  int segmentCount = 0;
  int lastSegmentLength = 0;
  int firstCount = -1;
  bool agree = true;
};

// Whether a segment of records listed before is every own record of its track, or of the
// tracks it runs through.
bool WholeTracks(const WalkSegment& segment) {
  const bool spans =
      segment.throughImage != segment.owner.image || segment.throughTrack != segment.owner.track;
  return !segment.own &&
         (spans || (segment.owner.record == 0 &&
                    segment.length == g_ownListed[segment.owner.image][segment.owner.track]));
}

// Makes one segment of segments that run through whole tracks one after another: the same
// track of the next image, or the next track of the same image. Returns the segments left.
int JoinWholeTracks(int count) {
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    const WalkSegment& next = g_segments[i];
    WalkSegment* last = kept > 0 ? &g_segments[kept - 1] : nullptr;
    if (last != nullptr && WholeTracks(*last) && WholeTracks(next)) {
      const bool sameTrack = last->owner.track == last->throughTrack;
      const bool sameImage = last->owner.image == last->throughImage;
      const bool nextImage = sameTrack && next.owner.track == last->throughTrack &&
                             next.owner.image == last->throughImage + 1;
      const bool nextTrack = sameImage && next.owner.image == last->throughImage &&
                             next.owner.track == last->throughTrack + 1;
      if (nextImage || nextTrack) {
        last->length += next.length;
        last->throughImage = next.owner.image;
        last->throughTrack = next.owner.track;
        continue;
      }
    }
    g_segments[kept++] = next;
  }
  return kept;
}

// How many records of a run listed before a walk steps over at once, from the one at `at`, its
// place `place` in the walk: up to the run's end, but never past a record where something
// happens to the walk, which is then walked on its own: the record whose place its count names
// (the walk ends), the first record past the next track's start, the end of the look past it,
// and a record whose count is the first to differ from the walk's first.
int StepsThroughRun(const ShownRecord& shown, int place, int64_t at, const Mark& now,
                    const Mark& crossing, int64_t bound) {
  if (shown.following == 0 || now.total == 0 ||
      (now.agree && shown.sectorCount != now.firstCount)) {
    return 1;
  }
  int64_t steps = shown.following + 1;
  if (shown.sectorCount > place) {
    steps = std::min<int64_t>(steps, shown.sectorCount - place);
  }
  if (crossing.total < 0 && bound != INT64_MAX) {
    steps = std::min<int64_t>(steps, (bound - at + shown.stride - 1) / shown.stride);
  }
  if (crossing.total >= 0) {
    steps = std::min<int64_t>(steps, kLookAhead - (now.total - crossing.total));
  }
  return static_cast<int>(std::max<int64_t>(steps, 1));
}

}  // namespace

int64_t FirstImageNotIndexed(D88Image& image, int64_t fileSize) {
  const int count = image.GetDiskCount();
  if (count == 0 || CountDistinctImages(image) < count) {
    return -1;
  }
  // Images lie back to back from the start of the file, so the next would start where the
  // sizes of the indexed ones add up to; a size of 2^31 or more decodes negative but is a size.
  int64_t next = 0;
  for (int index = 0; index < count; ++index) {
    if (!image.SelectDisk(index)) {
      return -1;
    }
    next += static_cast<uint32_t>(image.GetDiskSize());
  }
  // The index ends at its 64 images, or where the next offset would pass 2^31 - 1; anywhere
  // else it ended because the file did.
  const bool stopped = count == kMaxDisks || next > INT32_MAX;
  return stopped && fileSize >= next + kHeaderSize ? next : -1;
}

void StartListing() {
  g_shown.Clear();
  g_stopped = false;
  g_boundsImage = -1;
}

void ReadEveryRecord(bool plain) {
  g_plainWalks = plain;
}

bool ListingStopped() {
  return g_stopped;
}

void StopListing() {
  g_stopped = true;
}

int32_t OwnRecordsListed(const RecordOwner& owner) {
  return g_ownListed[owner.image][owner.track];
}

bool IsPresent(D88Image& image, int track) {
  TrackWalk walk;
  TrackRecord first;
  return image.StartTrackWalk(track, &walk) && image.NextTrackRecord(&walk, &first);
}

TrackListing ListTrack(D88Image& image, int imageIndex, int track, int maxItems, int trackLimit) {
  TrackListing listing = {g_records, 0, g_segments, 0, 0, 0, false, false, false, -1};
  TrackWalk walk;
  if (!image.StartTrackWalk(track, &walk)) {
    return listing;
  }
  FindBounds(image, imageIndex);
  const int64_t bound = BoundAfter(walk.next);

  Mark now;  // the walk so far
  now.total = 0;
  Mark crossing;            // where it passed the next track's start, if it did
  int items = 0;            // own records and segments of records listed before
  bool cut = false;         // the rest is left out: walked, counted, not listed
  bool cutByBound = false;  // ... because the report has no room for it
  int lastCount = -1;
  while (!walk.ended) {
    const int64_t at = walk.next;
    if (at >= bound && crossing.total < 0) {
      crossing = now;
      crossing.lastSegmentLength =
          now.segmentCount > 0 ? g_segments[now.segmentCount - 1].length : 0;
    }
    // Past the next track's start, a walk goes on only as far as a count could still end it.
    if (crossing.total >= 0 && now.total - crossing.total >= kLookAhead) {
      break;
    }
    ShownRecord shown;
    const bool known = g_shown.Find(at, &shown);
    WalkSegment* last = now.segmentCount > 0 ? &g_segments[now.segmentCount - 1] : nullptr;
    const bool extends =
        last != nullptr && (known ? !last->own && last->owner.image == shown.owner.image &&
                                        last->owner.track == shown.owner.track &&
                                        last->owner.record + last->length == shown.owner.record
                                  : last->own);
    const bool newItem = !known || !extends;
    if (!cut && newItem) {
      cutByBound = items >= maxItems || now.ownCount == kMaxWalkRecords ||
                   now.segmentCount == kMaxWalkRecords;
      cut = cutByBound || items >= trackLimit;
    }

    int count = 0;
    int steps = 1;  // records walked at once
    TrackRecord record;
    if (known && !g_plainWalks) {
      count = shown.sectorCount;
      steps = StepsThroughRun(shown, walk.place, at, now, crossing, bound);
      const int size = steps == 1                     ? shown.dataSize
                       : steps == shown.following + 1 ? shown.lastSize
                                                      : shown.stride - kSectorHeaderSize;
      walk.next = at + static_cast<int64_t>(steps - 1) * shown.stride;
      walk.place += steps - 1;
      D88Image::PassTrackRecord(&walk, count, size);
    } else if (image.NextTrackRecord(&walk, &record)) {
      count = record.header.SectorCount();
    } else {
      break;
    }
    now.total += steps;
    if (!cut) {
      now.listed += steps;
      items += newItem ? 1 : 0;
      if (extends) {
        last->length += steps;
      } else {
        g_segments[now.segmentCount++] = {!known,
                                          now.ownCount,
                                          steps,
                                          known ? shown.owner : RecordOwner{0, 0, 0},
                                          shown.owner.image,
                                          shown.owner.track};
      }
      if (!known) {
        g_records[now.ownCount++] = record;
      }
    }
    lastCount = count;
    if (now.firstCount < 0) {
      now.firstCount = count;
    } else if (count != now.firstCount) {
      now.agree = false;
    }
    if (now.total == 1 && count == 0) {
      listing.zeroCount = true;
      break;
    }
    if (crossing.total >= 0 && !now.agree) {
      break;
    }
  }
  listing.endedByCount = walk.ended && lastCount == now.total;
  // Past the next track's start, the records are this track's only where they agree on a
  // count that ends the walk.
  if (crossing.total >= 0 && !(listing.endedByCount && now.agree)) {
    now = crossing;
    if (now.segmentCount > 0) {
      g_segments[now.segmentCount - 1].length = crossing.lastSegmentLength;
    }
    listing.endedByCount = false;
  }
  for (int i = 0; i < now.segmentCount; ++i) {
    const WalkSegment& segment = g_segments[i];
    if (segment.own && !g_shown.Keep(imageIndex, track, segment.first, &g_records[segment.first],
                                     segment.length)) {
      g_stopped = true;  // shown here, but later tracks could not tell these records again
    }
  }
  g_ownListed[imageIndex][track] = now.ownCount;
  listing.ownCount = now.ownCount;
  listing.segmentCount = JoinWholeTracks(now.segmentCount);
  listing.walkLength = now.listed;
  listing.notListed = now.total - now.listed;
  listing.cutByLimit = listing.notListed > 0 && !cutByBound;
  listing.sharedCount = now.agree ? now.firstCount : -1;
  g_stopped = g_stopped || (listing.notListed > 0 && cutByBound);
  return listing;
}

SignatureVerdict CheckSignature(D88Image& image, int imageIndex) {
  unsigned char ids[kSignatureListSize] = {};
  const int stored =
      image.SelectDisk(imageIndex) ? image.ReadSectorIds(kSignatureTrack, ids, sizeof ids) : 0;
  return {
      stored / kSectorIdSize, {ids[kSecondSectorNumber], ids[kThirdSectorNumber]}, FindTitle(ids)};
}

bool TitleRunsPresent(D88Image& image, int title, int imageIndex) {
  static unsigned char run[4 * kSectorLength * kLastSector];  // room for the longest run
  if (!image.SelectDisk(imageIndex)) {
    return false;
  }
  image.SetSectorRange(kFirstSector, kLastSector);
  for (const TitleEntry& row : *kTitleFiles[title]) {
    const int length = row.skip + row.length;
    if (length > static_cast<int>(sizeof run) ||
        image.ReadSectors(row.track, row.c, row.h, row.r, row.n, run, length) != length) {
      return false;
    }
  }
  return true;
}
