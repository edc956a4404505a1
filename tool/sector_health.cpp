#include "tool/sector_health.h"

#include <cstdio>
#include <cstring>

#include "d88/d88image.h"
#include "platform/platform.h"
#include "tool/messages.h"
#include "tool/program_objects.h"

namespace {

constexpr int kMaxRecords = 64;  // more than any track of these disks holds
constexpr int kNumbers = 256;    // the values of R

// The records of the track a run is on, listed in one walk, and for the run's C, H and N, where
// the first record of each sector number lies and how many there are: kept while the run stays
// on that track, so that each sector costs a look-up rather than a walk.
TrackRecord g_records[kMaxRecords];
struct Index {
  int track = -1;
  int c = 0;
  int h = 0;
  int n = 0;
  signed char first[kNumbers];     // -1 where there is none
  unsigned char copies[kNumbers];  // 2 for two or more
} g_index;

void IndexTrack(int track, int c, int h, int n) {
  if (track == g_index.track && c == g_index.c && h == g_index.h && n == g_index.n) {
    return;
  }
  g_index.track = track;
  g_index.c = c;
  g_index.h = h;
  g_index.n = n;
  std::memset(g_index.first, -1, sizeof g_index.first);
  std::memset(g_index.copies, 0, sizeof g_index.copies);
  const int listed = g_d88.ReadTrackRecords(track, g_records, kMaxRecords);
  for (int i = 0; i < listed; ++i) {
    const SectorHeader& header = g_records[i].header;
    if (header.Cylinder() == c && header.Head() == h && header.SizeCode() == n) {
      const int r = header.Number();
      if (g_index.copies[r]++ == 0) {
        g_index.first[r] = static_cast<signed char>(i);
      }
      g_index.copies[r] = g_index.copies[r] > 2 ? 2 : g_index.copies[r];
    }
  }
}

void Report(const char* name, int track, int c, int h, int r, int n, const char* what) {
  Diagnose("%s%s: sector C%d H%d R%d N%d on track %d %s; the file may hold wrong bytes there\n",
           kDiagnosticPrefix, name, c, h, r, n, track, what);
}

void CheckSector(const char* name, int track, int c, int h, int r, int n) {
  IndexTrack(track, c, h, n);
  if (r < 0 || r >= kNumbers || g_index.first[r] < 0) {
    return;  // missing: the run ended there, which the cut reports itself
  }
  const SectorHeader& header = g_records[g_index.first[r]].header;
  char what[96];
  if (header.Status() != kStatusGood) {
    const char* text = SectorStatusText(header.Status());
    if (text != nullptr) {
      std::snprintf(what, sizeof what, "was stored with %s (status 0x%02X)", text, header.Status());
    } else {
      std::snprintf(what, sizeof what, "was stored with status 0x%02X", header.Status());
    }
    Report(name, track, c, h, r, n, what);
  }
  // Writers mark deleted data in both bytes; said once.
  if (header.Deleted() != 0 && header.Status() != kStatusDeletedData) {
    std::snprintf(what, sizeof what, "was stored with a deleted data mark (0x%02X)",
                  header.Deleted());
    Report(name, track, c, h, r, n, what);
  }
  if (g_index.copies[r] > 1) {
    Report(name, track, c, h, r, n,
           "is stored more than once on its track and the first copy was read");
  }
}

}  // namespace

void ReportSuspectSectors(const char* name, int track, int c, int h, int r, int n, int runLength,
                          int got) {
  const int pieceLength = kBaseSectorLength << n;
  g_index.track = -1;  // the image may be another since the last cut
  for (int at = 0; at < runLength && at <= got; at += pieceLength) {
    CheckSector(name, track, c, h, r, n);
    g_d88.NextRunSector(&track, &c, &h, &r);
  }
}
