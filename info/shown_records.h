// Which sector records d88-info has listed, so that it lists each once.
//
// A record is a 16-byte header at one place in the file. Tracks of a sound image never share
// records, but a damaged or crafted file can point many tracks, of many images, at the same
// records; listed again and again, a few kilobytes of such a file would make gigabytes of report.
// So a track's walk that reaches a record listed before says where it was listed instead, and
// steps over it without reading the file, from what is kept of it here: its sector count and
// data size, which are all a walk needs to go on.
//
// Only a header that starts exactly where a listed one does is the same record. A damaged
// record may claim data that runs over other records; what it claims hides nothing.
//
// What is kept: a run of records one walk listed at equal distances with equal counts (a real
// track is one run) as one entry, in a list sorted by place whose runs never overlap; any other
// record on its own, in a table looked up by its place. Both are bounded: a listing that would
// need more says so.
#ifndef INFO_SHOWN_RECORDS_H
#define INFO_SHOWN_RECORDS_H

#include <cstdint>

#include "d88/d88image.h"

// The track that listed a record, and the record's place among that track's own listed records
// (from 0).
struct RecordOwner {
  int image;
  int track;
  int32_t record;
};

// What is kept of a listed record.
struct ShownRecord {
  RecordOwner owner;
  int sectorCount;  // its header's fields, all a walk needs to step over it
  int dataSize;
  // The records that follow it in the same run of its track's walk, each where the one before
  // it ends, `stride` bytes apart, with the same sector count; the last of them has lastSize
  // bytes of data. A walk can step over them all at once.
  int following;
  int stride;
  int lastSize;
};

class ShownRecords {
 public:
  // Forgets every record listed.
  void Clear();

  // Whether a record listed before has its header at the file offset; *found says which.
  bool Find(int64_t offset, ShownRecord* found) const;

  // Keeps `count` records of a track that follow each other in its walk (each where the one
  // before it ends), the first of them the track's own record number `first`. False, keeping
  // nothing, when there is no room for them all.
  bool Keep(int image, int track, int32_t first, const TrackRecord* records, int count);

 private:
  // Records at equal distances with equal counts, listed by one walk.
  struct Run {
    int64_t start;      // file offset of its first header
    int32_t stride;     // bytes from one header to the next: 16 plus the data size
    int32_t length;     // records in it, at least 2
    int32_t first;      // its first record's number among its track's own
    uint16_t count;     // the sector count every record of it carries
    uint16_t lastSize;  // the last record's data size (the others' is stride - 16)
    uint8_t image;
    uint8_t track;

    int64_t End() const { return start + static_cast<int64_t>(length - 1) * stride + 16; }
  };
  // A record kept on its own; a start of 0, where no record can lie (the file's first byte is
  // an image's header), marks a free slot.
  struct Single {
    int64_t start;
    int32_t record;
    uint16_t count;
    uint16_t size;
    uint8_t image;
    uint8_t track;
  };

  // Runs kept, and slots for single records (kept at most half full). Far more than 64 images
  // of real tracks need; merely damaged ones add a few single records each.
  static constexpr int kMaxRuns = 1 << 15;
  static constexpr int kSingleSlots = 1 << 17;
  static constexpr int kMaxSingles = kSingleSlots / 2;
  // New runs wait, sorted, in a short list that is merged into the long one when full, so that
  // keeping one never moves the whole long list.
  static constexpr int kMaxWaiting = 256;

  // The run of a sorted list that starts last at or before offset, or null.
  static const Run* LastAtOrBefore(const Run* list, int count, int64_t offset);
  // Whether a kept run shares a byte with [from, to).
  bool RunMeets(int64_t from, int64_t to) const;
  // The slot where a single record at offset is, or would go.
  int SingleSlot(int64_t offset) const;
  // How many records from `from` on form a run: equal distances and equal counts.
  static int RunLength(const TrackRecord* records, int from, int count);
  void KeepRun(const Run& run);
  void KeepSingle(const Single& single);

  Run m_kept[kMaxRuns];
  int m_keptCount = 0;
  Run m_waiting[kMaxWaiting];
  int m_waitingCount = 0;
  Single m_singles[kSingleSlots];
  int m_singleCount = 0;
};

#endif  // INFO_SHOWN_RECORDS_H
