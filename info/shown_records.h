// Where the sector records d88-info has shown lie in the file, so that it shows each record once.
//
// A record is a 16-byte header at one place in the file. Tracks of a sound image never share
// records, but a damaged or crafted file can point many tracks, of many images, at the same
// records, or at records that overlap them; shown again and again, a few kilobytes of such a file
// would make gigabytes of report. So each track's walk stops where it meets records shown before,
// and the report says where they were shown instead.
//
// What was shown is kept as stretches: runs of records that one walk found at equal distances
// (a real track of equal sectors is one stretch). The stretches never overlap, and every header
// shown lies inside one, so any header shown twice, or two shown headers that share a byte, would
// have to meet a stretch: the report can hold no more records than the file holds 16-byte
// stretches, whatever it is made of.
#ifndef INFO_SHOWN_RECORDS_H
#define INFO_SHOWN_RECORDS_H

#include <cstdint>

// The track that showed a record, and the record's place in that track's listing (from 0).
struct RecordOwner {
  int image;
  int track;
  int record;
};

class ShownRecords {
 public:
  enum Meeting {
    kNothing,  // the header lies clear of every record shown
    kSame,     // a record shown before starts there: the same record
    kOverlap,  // the header shares bytes with records shown before without being one of them
  };

  // Forgets every record shown.
  void Clear();

  // What a record header at the file offset meets; for kSame and kOverlap, *owner says which
  // track showed the records met (for kOverlap, record is that track's first record met).
  Meeting Meet(int64_t offset, RecordOwner* owner) const;

  // Starts showing a track's records: each shown record must then be added, in stored order.
  // False, with nothing to add, when too many stretches are kept to take a whole track more.
  bool BeginTrack(int image, int track);
  // Adds the track's next shown record, whose header lies at the offset.
  void Add(int64_t offset);
  // Ends the track: its last stretch is kept.
  void EndTrack();

 private:
  struct Stretch {
    int64_t start;   // file offset of its first header
    int32_t stride;  // bytes from one header to the next; 0 while it holds one record
    uint16_t count;  // records in it
    uint16_t first;  // the place of its first record in its track's listing
    uint8_t image;
    uint8_t track;

    int64_t End() const { return start + static_cast<int64_t>(count - 1) * stride + 16; }
  };

  // The most stretches kept: far more than 64 images of real tracks make. Newly kept ones wait,
  // sorted, in a short list that is merged into the long one when full, so that keeping one
  // never moves the whole long list.
  static constexpr int kMaxStretches = 1 << 16;
  static constexpr int kMaxWaiting = 256;
  static constexpr int kMaxPerTrack = 256;  // a walk lists at most that many records

  // The stretch of a sorted list that starts last at or before offset, or null.
  static const Stretch* LastAtOrBefore(const Stretch* list, int count, int64_t offset);
  // The stretch of a sorted list that starts first after offset, or null.
  static const Stretch* FirstAfter(const Stretch* list, int count, int64_t offset);
  // Whether a kept stretch starts at an offset from `from` to before `to`.
  bool StartsWithin(int64_t from, int64_t to) const;
  void Keep(const Stretch& stretch);

  Stretch m_kept[kMaxStretches];
  int m_keptCount = 0;
  Stretch m_waiting[kMaxWaiting];
  int m_waitingCount = 0;

  // The track being shown and its stretch in the making.
  Stretch m_current = {};
  int m_currentListed = 0;  // records of the track added so far
};

#endif  // INFO_SHOWN_RECORDS_H
