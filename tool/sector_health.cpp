#include "tool/sector_health.h"

#include <cstdio>
#include <cstring>

#include "d88/d88image.h"
#include "platform/platform.h"
#include "tool/messages.h"
#include "tool/program_objects.h"

namespace {

constexpr int kNumbers = 256;  // the values of R

// For a track and a run's C, H and N: what the record a sector search finds says of each sector
// number (the first of that ID before the search ends), how many records carry the ID there,
// and the numbers that lie only past a record whose sector count of 0 ends a search. Kept for
// the last two tracks a run was on, so that each sector costs a look-up rather than a walk: a
// file's run may end on the track where the next file's begins.
struct Index {
  int track = -1;
  int c = 0;
  int h = 0;
  int n = 0;
  unsigned char status[kNumbers];
  unsigned char deleted[kNumbers];
  unsigned char copies[kNumbers];  // 0 where a search finds none; 2 for two or more; kPastZero
                                   // where one lies only past a record whose count is 0
  bool plain;  // no sector of the run's C, H and N has anything to say: the usual case
};
constexpr unsigned char kPastZero = 3;
Index g_indexes[2];
int g_older = 0;  // the index to fill next

// The records of a walk, read a few at a time.
constexpr int kBatch = 64;
TrackRecord g_records[kBatch];

const Index& IndexTrack(int track, int c, int h, int n) {
  for (const Index& index : g_indexes) {
    if (track == index.track && c == index.c && h == index.h && n == index.n) {
      return index;
    }
  }
  Index& index = g_indexes[g_older];
  g_older ^= 1;
  index.track = track;
  index.c = c;
  index.h = h;
  index.n = n;
  std::memset(index.copies, 0, sizeof index.copies);
  index.plain = true;
  // The walk of a listing, which a search follows but for one rule: a record that says its
  // track holds 0 sectors ends a search there, found or not.
  TrackWalk walk;
  bool searchEnded = false;
  g_d88.StartTrackWalk(track, &walk);
  for (int listed = 0; (listed = g_d88.NextTrackRecords(&walk, g_records, kBatch)) > 0;) {
    for (int i = 0; i < listed; ++i) {
      const SectorHeader& header = g_records[i].header;
      searchEnded = searchEnded || header.SectorCount() == 0;
      if (header.Cylinder() != c || header.Head() != h || header.SizeCode() != n) {
        continue;
      }
      const int r = header.Number();
      index.plain = index.plain && !searchEnded && index.copies[r] == 0 &&
                    header.Status() == kStatusGood && header.Deleted() == 0;
      if (searchEnded) {
        index.copies[r] = index.copies[r] == 0 ? kPastZero : index.copies[r];
      } else if (index.copies[r] == 0) {
        index.status[r] = static_cast<unsigned char>(header.Status());
        index.deleted[r] = static_cast<unsigned char>(header.Deleted());
        index.copies[r] = 1;
      } else {
        index.copies[r] = 2;
      }
    }
  }
  return index;
}

void Report(const char* name, int track, int c, int h, int r, int n, const char* what) {
  Diagnose("%s%s: sector C%d H%d R%d N%d on track %d %s\n", kDiagnosticPrefix, name, c, h, r, n,
           track, what);
}

// What the dump says of a sector whose bytes the file holds.
void CheckSector(const char* name, int track, int c, int h, int r, int n) {
  const Index& index = IndexTrack(track, c, h, n);
  if (index.plain || r < 0 || r >= kNumbers) {
    return;
  }
  if (index.copies[r] == 0 || index.copies[r] == kPastZero) {
    // Not found: the run ended there, which the cut reports itself, unless a record of that ID
    // lies past one whose count ends the search: then why is worth saying.
    if (index.copies[r] == kPastZero) {
      Report(name, track, c, h, r, n,
             "was not read: the search for it ends at a record that says its track holds 0 "
             "sectors");
    }
    return;
  }
  const int status = index.status[r];
  constexpr char kWrongBytes[] = "; the file may hold wrong bytes there";
  char what[128];
  if (status != kStatusGood) {
    const char* text = SectorStatusText(status);
    if (text != nullptr) {
      std::snprintf(what, sizeof what, "was stored with %s (status 0x%02X)%s", text, status,
                    kWrongBytes);
    } else {
      std::snprintf(what, sizeof what, "was stored with status 0x%02X%s", status, kWrongBytes);
    }
    Report(name, track, c, h, r, n, what);
  }
  // Writers mark deleted data in both bytes; said once.
  if (index.deleted[r] != 0 && status != kStatusDeletedData) {
    std::snprintf(what, sizeof what, "was stored with a deleted data mark (0x%02X)%s",
                  index.deleted[r], kWrongBytes);
    Report(name, track, c, h, r, n, what);
  }
  if (index.copies[r] == 2) {
    std::snprintf(what, sizeof what,
                  "is stored more than once on its track and the first copy was read%s",
                  kWrongBytes);
    Report(name, track, c, h, r, n, what);
  }
}

}  // namespace

void ForgetSuspectSectors() {
  for (Index& index : g_indexes) {
    index.track = -1;
  }
}

void ReportSuspectSectors(const char* name, int track, int c, int h, int r, int n, int runLength,
                          int got) {
  const int pieceLength = kBaseSectorLength << n;
  for (int at = 0; at < runLength && at <= got; at += pieceLength) {
    CheckSector(name, track, c, h, r, n);
    g_d88.NextRunSector(&track, &c, &h, &r);
  }
}
