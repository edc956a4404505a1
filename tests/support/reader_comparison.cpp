#include "tests/support/reader_comparison.h"

#include <cstring>

#include "d88/d88image.h"
#include "tests/support/reference_reader.h"

namespace {

constexpr int kListed = 64;   // records and IDs listed a track: more than real tracks hold
constexpr int kSearched = 8;  // sectors of a track searched for, and runs from the first two
constexpr int kSectorCapacity = 0xFFFF;
constexpr int kRunLength = 2048;
constexpr int kImagesRead = 4;  // and the last: files of 64 images mostly repeat one

// Buffers for the two readers, filled alike before every call so that bytes a call must leave
// alone are compared too.
unsigned char g_ours[kSectorCapacity];
unsigned char g_theirs[kSectorCapacity];
TrackRecord g_ourRecords[kListed];
TrackRecord g_theirRecords[kListed];

class Comparison {
 public:
  Comparison(D88Image& ours, ReferenceReader& theirs) : m_ours(ours), m_theirs(theirs) {}

  // Notes the first difference, said as "track 5: ReadSector" (a place of -1 is not said);
  // true while there is none. Nothing is built while the readers agree.
  bool Same(bool same, const char* what, int place = -1, int record = -1) {
    if (!same && m_difference.empty()) {
      m_difference = (place >= 0 ? m_placeName + std::to_string(place) + ": " : "") + what;
      if (record >= 0) {
        m_difference += ", record " + std::to_string(record);
      }
    }
    return m_difference.empty();
  }
  bool SameBuffers(int length, const char* what, int place) {
    return Same(std::memcmp(g_ours, g_theirs, static_cast<size_t>(length)) == 0, what, place);
  }
  // Fills the start of both buffers alike: what a call wrote there, and a little after it.
  static void Clear(int length) {
    std::memset(g_ours, 0xEE, static_cast<size_t>(length));
    std::memset(g_theirs, 0xEE, static_cast<size_t>(length));
  }

  void Selection(int disk) {
    m_placeName = "image ";
    Same(m_ours.SelectDisk(disk) == m_theirs.SelectDisk(disk), "SelectDisk", disk);
    Same(std::strcmp(m_ours.GetDiskName(), m_theirs.GetDiskName()) == 0, "GetDiskName", disk);
    Same(m_ours.GetMediaType() == m_theirs.GetMediaType(), "GetMediaType", disk);
    Same(m_ours.GetDiskSize() == m_theirs.GetDiskSize(), "GetDiskSize", disk);
    Same(m_ours.GetMarker() == m_theirs.GetMarker(), "GetMarker", disk);
    m_placeName = "track ";
  }

  void Track(int track) {
    Same(m_ours.GetTrackOffset(track) == m_theirs.GetTrackOffset(track), "GetTrackOffset", track);
    Clear(kListed * kSectorIdSize);
    const int ids = m_ours.ReadSectorIds(track, g_ours, kListed * kSectorIdSize);
    Same(ids == m_theirs.ReadSectorIds(track, g_theirs, kListed * kSectorIdSize), "ReadSectorIds",
         track);
    SameBuffers(kListed * kSectorIdSize, "ReadSectorIds", track);
    Records(track);
    Walk(track);
    // A search for each listed sector with room for all its data and with less, and for one
    // the track most likely lacks; a run from each with the ranges and size codes rotating.
    unsigned char id[kSearched][kSectorIdSize];
    const int searched = ids / kSectorIdSize < kSearched ? ids / kSectorIdSize : kSearched;
    std::memcpy(id, g_ours, static_cast<size_t>(searched) * kSectorIdSize);
    for (int i = 0; i < searched; ++i) {
      const unsigned char* s = id[i];
      for (const int capacity : {kSectorCapacity, 100}) {
        // The bytes after what a search stored are compared as far as 64 past it, and filled
        // again after, so that the buffers stay alike without filling all 64 KB each time.
        const int got = m_ours.ReadSector(track, s[0], s[1], s[2], s[3], g_ours, capacity);
        Same(got == m_theirs.ReadSector(track, s[0], s[1], s[2], s[3], g_theirs, capacity),
             "ReadSector", track);
        const int compared = got + 64 < capacity ? got + 64 : capacity;
        SameBuffers(compared, "ReadSector", track);
        Clear(compared);
      }
      if (i < 2) {
        Run(track, s, i);
      }
    }
    if (searched > 0) {
      Same(m_ours.ReadSector(track, id[0][0], id[0][1], id[0][2] ^ 0x80, id[0][3], g_ours,
                             kSectorCapacity) == m_theirs.ReadSector(track, id[0][0], id[0][1],
                                                                     id[0][2] ^ 0x80, id[0][3],
                                                                     g_theirs, kSectorCapacity),
           "ReadSector of a missing sector", track);
    }
  }

  void Records(int track) {
    for (const int most : {kListed, 3}) {
      const int listed = m_ours.ReadTrackRecords(track, g_ourRecords, most);
      if (!Same(listed == m_theirs.ReadTrackRecords(track, g_theirRecords, most),
                "ReadTrackRecords", track)) {
        return;
      }
      for (int i = 0; i < listed; ++i) {
        const TrackRecord& a = g_ourRecords[i];
        const TrackRecord& b = g_theirRecords[i];
        Same(std::memcmp(a.header.raw, b.header.raw, kSectorHeaderSize) == 0 &&
                 a.storedSize == b.storedSize && a.offset == b.offset,
             "ReadTrackRecords", track, i);
      }
    }
  }

  // The walk record by record, ours stepping over every third record with the header the
  // reference read.
  void Walk(int track) {
    TrackWalk a;
    TrackWalk b;
    Same(m_ours.StartTrackWalk(track, &a) == m_theirs.StartTrackWalk(track, &b), "StartTrackWalk",
         track);
    for (int i = 0; i < kListed && !b.ended; ++i) {
      TrackRecord ours;
      TrackRecord theirs;
      const bool read = m_theirs.NextTrackRecord(&b, &theirs);
      if (read && i % 3 == 2) {
        D88Image::PassTrackRecord(&a, theirs.header.SectorCount(), theirs.header.DataSize());
      } else if (!Same(m_ours.NextTrackRecord(&a, &ours) == read, "NextTrackRecord", track, i) ||
                 !read) {
        break;
      } else {
        Same(std::memcmp(ours.header.raw, theirs.header.raw, kSectorHeaderSize) == 0 &&
                 ours.storedSize == theirs.storedSize && ours.offset == theirs.offset,
             "NextTrackRecord", track, i);
      }
      Same(a.next == b.next && a.place == b.place && a.ended == b.ended,
           "the walk stands elsewhere after a record", track, i);
    }
  }

  void Run(int track, const unsigned char* id, int turn) {
    const int ranges[][2] = {{1, 16}, {0, 255}, {id[2], id[2]}};
    const int sizeCodes[] = {id[3], 1, 0, kMaxSizeCode};
    const auto& range = ranges[(track + turn) % 3];
    const int n = sizeCodes[(track / 3 + turn) % 4];
    m_ours.SetSectorRange(range[0], range[1]);
    m_theirs.SetSectorRange(range[0], range[1]);
    Clear(kRunLength);
    Same(m_ours.ReadSectors(track, id[0], id[1], id[2], n, g_ours, kRunLength) ==
             m_theirs.ReadSectors(track, id[0], id[1], id[2], n, g_theirs, kRunLength),
         "ReadSectors", track);
    SameBuffers(kRunLength, "ReadSectors", track);
  }

  const std::string& Difference() const { return m_difference; }

 private:
  D88Image& m_ours;
  ReferenceReader& m_theirs;
  std::string m_difference;
  const char* m_placeName = "track ";
};

}  // namespace

std::string CompareWithReference(const char* path) {
  // Both long-lived, as in the commands: reopened for every file, so that what a reader keeps
  // from one file to the next is compared too.
  static D88Image ours;
  static ReferenceReader theirs;
  Comparison compare(ours, theirs);
  compare.Same(ours.Open(path) == theirs.Open(path), "Open");
  compare.Same(ours.GetDiskCount() == theirs.GetDiskCount(), "GetDiskCount");
  compare.Same(CountDistinctImages(ours) == theirs.CountDistinctImages(), "CountDistinctImages");
  const int count = ours.GetDiskCount();
  for (int disk = 0; disk <= count && compare.Difference().empty(); ++disk) {
    compare.Selection(disk);
    if (disk >= kImagesRead && disk != count - 1) {
      continue;
    }
    for (int track = 0; track < kTrackCount && compare.Difference().empty(); ++track) {
      compare.Track(track);
    }
  }
  // Once more over the first image's tracks from the last, so that the reader's window is met
  // coming from the other side.
  compare.Selection(0);
  for (int track = kTrackCount - 1; track >= 0 && compare.Difference().empty(); --track) {
    compare.Track(track);
  }
  compare.Same(ours.Open(nullptr) == theirs.Open(nullptr), "Open(nullptr)");
  compare.Same(ours.GetDiskCount() == theirs.GetDiskCount() &&
                   ours.GetMediaType() == theirs.GetMediaType() &&
                   std::strcmp(ours.GetDiskName(), theirs.GetDiskName()) == 0,
               "after Open(nullptr)");
  return compare.Difference();
}
