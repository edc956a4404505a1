#include "info/disk_map.h"

#include <algorithm>
#include <climits>

#include "castle/extraction_lists.h"
#include "castle/title_signature.h"

namespace {

ShownRecords g_shown;
// Records a walk read past where its listing was cut, counted but not listed: kept apart, so
// that a later walk through them (every track of a file whose tracks share one) steps over
// whole runs of them too. They are no one's listing: a later track that lists them, lists them
// as its own.
ShownRecords g_walked;
TrackRecord g_cutRecords[4096];
int g_cutCount = 0;
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
// there: as the reader's sector search does.
constexpr int kLookAhead = kTrackLookAhead;

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

// Where a walk stands as ListTrack lists it.
struct WalkState {
  Mark now;                 // the walk so far
  Mark crossing;            // where it passed the next track's start, if it did
  int items = 0;            // own records and segments of records listed before
  bool cut = false;         // the rest is left out: walked, counted, not listed
  bool cutByBound = false;  // ... because the report has no room for it
  int lastCount = -1;       // the sector count of the last record walked
  bool zeroCount = false;   // its first record says the track holds 0 sectors
};

// Notes where the walk passes the next track's start (bound); true once it has looked past it
// as far as a count could still end it.
bool PastLookAhead(WalkState* state, int64_t at, int64_t bound) {
  Mark& crossing = state->crossing;
  const Mark& now = state->now;
  if (at >= bound && crossing.total < 0) {
    crossing = now;
    crossing.lastSegmentLength = now.segmentCount > 0 ? g_segments[now.segmentCount - 1].length : 0;
  }
  return crossing.total >= 0 && now.total - crossing.total >= kLookAhead;
}

// Whether the record goes on with the walk's last segment: one of the track's own after its
// own, or one listed before right after the last one listed before by the same track.
bool Extends(const Mark& now, bool known, const ShownRecord& shown) {
  if (now.segmentCount == 0) {
    return false;
  }
  const WalkSegment& last = g_segments[now.segmentCount - 1];
  if (!known) {
    return last.own;
  }
  return !last.own && last.owner.image == shown.owner.image &&
         last.owner.track == shown.owner.track &&
         last.owner.record + last.length == shown.owner.record;
}

// At a record that starts a new item, whether the listing is cut there: the report's room, the
// listing's arrays, or the caller's limit for the track.
void DecideCut(WalkState* state, int maxItems, int trackLimit) {
  if (state->cut) {
    return;
  }
  state->cutByBound = state->items >= maxItems || state->now.ownCount == kMaxWalkRecords ||
                      state->now.segmentCount == kMaxWalkRecords;
  state->cut = state->cutByBound || state->items >= trackLimit;
}

// Walks the record at walk->next, or the run listed before (shown, else null) that it starts:
// the records walked, 0 at the walk's end; *record is the record read, *count their sector count.
int Step(D88Image& image, TrackWalk* walk, const WalkState& state, const ShownRecord* shown,
         int64_t bound, TrackRecord* record, int* count) {
  if (shown != nullptr && !g_plainWalks) {
    const int64_t at = walk->next;
    *count = shown->sectorCount;
    const int steps = StepsThroughRun(*shown, walk->place, at, state.now, state.crossing, bound);
    const int size = steps == 1                      ? shown->dataSize
                     : steps == shown->following + 1 ? shown->lastSize
                                                     : shown->stride - kSectorHeaderSize;
    walk->next = at + static_cast<int64_t>(steps - 1) * shown->stride;
    walk->place += steps - 1;
    D88Image::PassTrackRecord(walk, *count, size);
    return steps;
  }
  if (!image.NextTrackRecord(walk, record)) {
    return 0;
  }
  *count = record->header.SectorCount();
  return 1;
}

// Lists the steps just walked, unless the listing is cut: as more of the last segment, or as a
// new one; a record of the track's own (shown null) is kept.
void ListSteps(WalkState* state, const ShownRecord* shown, bool extends, const TrackRecord& record,
               int steps) {
  Mark& now = state->now;
  now.total += steps;
  if (state->cut) {
    return;
  }
  const bool known = shown != nullptr;
  now.listed += steps;
  state->items += known && extends ? 0 : 1;
  if (extends) {
    g_segments[now.segmentCount - 1].length += steps;
  } else if (known) {
    g_segments[now.segmentCount++] = {false,        now.ownCount,       steps,
                                      shown->owner, shown->owner.image, shown->owner.track};
  } else {
    g_segments[now.segmentCount++] = {true, now.ownCount, steps, RecordOwner{0, 0, 0}, 0, 0};
  }
  if (!known) {
    g_records[now.ownCount++] = record;
  }
}

// Notes the sector count of the records walked; true where the walk ends there: a first record
// that says the track holds 0 sectors is alone, and past the next track's start a count that
// differs from the first ends it.
bool NoteCount(WalkState* state, int count) {
  Mark& now = state->now;
  state->lastCount = count;
  if (now.firstCount < 0) {
    now.firstCount = count;
  } else if (count != now.firstCount) {
    now.agree = false;
  }
  if (now.total == 1 && count == 0) {
    state->zeroCount = true;
    return true;
  }
  return state->crossing.total >= 0 && !now.agree;
}

// Fills the listing from the walk. Past the next track's start the records are this track's
// only where they agree on a count that ends the walk; else the walk ends where it crossed. The
// track's own records are kept, for later tracks to tell.
void FinishListing(TrackListing* listing, WalkState* state, bool walkEnded, int imageIndex,
                   int track) {
  Mark& now = state->now;
  listing->zeroCount = state->zeroCount;
  listing->endedByCount = walkEnded && state->lastCount == now.total;
  if (state->crossing.total >= 0 && !(listing->endedByCount && now.agree)) {
    now = state->crossing;
    if (now.segmentCount > 0) {
      g_segments[now.segmentCount - 1].length = state->crossing.lastSegmentLength;
    }
    listing->endedByCount = false;
  }
  for (int i = 0; i < now.segmentCount; ++i) {
    const WalkSegment& segment = g_segments[i];
    if (segment.own && !g_shown.Keep(imageIndex, track, segment.first, &g_records[segment.first],
                                     segment.length)) {
      g_stopped = true;  // shown here, but later tracks could not tell these records again
    }
  }
  g_ownListed[imageIndex][track] = now.ownCount;
  listing->ownCount = now.ownCount;
  listing->segmentCount = JoinWholeTracks(now.segmentCount);
  listing->walkLength = now.listed;
  listing->notListed = now.total - now.listed;
  listing->cutByLimit = listing->notListed > 0 && !state->cutByBound;
  listing->sharedCount = now.agree ? now.firstCount : -1;
  g_stopped = g_stopped || (listing->notListed > 0 && state->cutByBound);
}

// Keeps the records a cut walk read one after another, for later walks to step over.
void KeepCutRecords(int imageIndex, int track) {
  if (g_cutCount > 0) {
    g_walked.Keep(imageIndex, track, 0, g_cutRecords, g_cutCount);  // no room: only slower
    g_cutCount = 0;
  }
}

// Notes a record a cut walk read from the file (read), to be kept with those read right before
// it; any other step is a gap, which keeps what was read before as one stretch.
void NoteCutRecord(bool read, const TrackRecord& record, int imageIndex, int track) {
  if (!read) {
    KeepCutRecords(imageIndex, track);
    return;
  }
  g_cutRecords[g_cutCount++] = record;
  if (g_cutCount == static_cast<int>(sizeof g_cutRecords / sizeof g_cutRecords[0])) {
    KeepCutRecords(imageIndex, track);
  }
}

// Whether a walk that reaches the next track's start, standing at `walk`, goes on as this
// track's: the records past it agree with the walk's first count, and that count ends it within
// kLookAhead records. Where not, the walk is cut back where it crossed, so the records past it
// need not be walked one by one only to be forgotten; this reads their headers alone.
bool LookAheadKeeps(D88Image& image, const TrackWalk& walk, const Mark& now) {
  // Records that agree end the walk at the place their count names: only where that lies
  // within the look past the start can it be kept.
  const int64_t end = static_cast<int64_t>(now.firstCount) - 1 - walk.place;
  if (!now.agree || end < 0 || end >= kLookAhead) {
    return false;
  }
  TrackWalk probe = walk;
  TrackRecord record;
  for (int i = 0; i < kLookAhead; ++i) {
    if (!image.NextTrackRecord(&probe, &record) || record.header.SectorCount() != now.firstCount) {
      return false;
    }
    if (probe.ended) {
      return true;  // the record whose place its count names
    }
  }
  return false;
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
  g_walked.Clear();
  g_cutCount = 0;
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
  WalkState state;
  state.now.total = 0;
  while (!walk.ended) {
    const int64_t at = walk.next;
    const bool crossing = state.crossing.total < 0 && at >= bound;
    if (PastLookAhead(&state, at, bound) ||
        (crossing && !g_plainWalks && !LookAheadKeeps(image, walk, state.now))) {
      break;
    }
    ShownRecord shown = {};
    const bool known = g_shown.Find(at, &shown);
    const bool extends = Extends(state.now, known, shown);
    if (!known || !extends) {
      DecideCut(&state, maxItems, trackLimit);
    }
    // Past the cut, records are only counted: any walked before can be stepped over.
    const bool walked = !known && state.cut && !g_plainWalks && g_walked.Find(at, &shown);
    TrackRecord record;
    int count = 0;
    const int steps =
        Step(image, &walk, state, known || walked ? &shown : nullptr, bound, &record, &count);
    if (steps == 0) {
      break;
    }
    NoteCutRecord(state.cut && !known && !walked && !g_plainWalks, record, imageIndex, track);
    ListSteps(&state, known ? &shown : nullptr, extends, record, steps);
    if (NoteCount(&state, count)) {
      break;
    }
  }
  KeepCutRecords(imageIndex, track);
  FinishListing(&listing, &state, walk.ended, imageIndex, track);
  return listing;
}

SignatureVerdict CheckSignature(D88Image& image, int imageIndex) {
  unsigned char ids[kSignatureListSize] = {};
  const int stored =
      image.SelectDisk(imageIndex) ? image.ReadSectorIds(kSignatureTrack, ids, sizeof ids) : 0;
  return {
      stored / kSectorIdSize, {ids[kSecondSectorNumber], ids[kThirdSectorNumber]}, FindTitle(ids)};
}

int TitleFilesOnCopy(D88Image& image, int title, int imageIndex) {
  static unsigned char run[4 * kSectorLength * kLastSector];  // room for the longest run
  if (!image.SelectDisk(imageIndex) || IsPresent(image, kSignatureTrack)) {
    return 0;  // no image, or its track 79 decides
  }
  image.SetSectorRange(kFirstSector, kLastSector);
  int whole = 0;
  for (const TitleEntry& row : *kTitleFiles[title]) {
    const int length = row.skip + row.length;
    whole += length <= static_cast<int>(sizeof run) &&
                     image.ReadSectors(row.track, row.c, row.h, row.r, row.n, run, length) == length
                 ? 1
                 : 0;
  }
  return whole;
}
