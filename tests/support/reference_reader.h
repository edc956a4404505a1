// A second reader of D88 files, for the tests only: every operation of D88Image written again
// from the format as plainly as it can be. It reads the whole file once, when it is opened, and
// takes every field from those bytes where the format says it lies: no window, no position to
// keep track of, nothing else remembered but the index and the current image's header. The
// reader the commands use reads through a window of the file for speed; this one is what it
// must agree with, call for call.
#ifndef TESTS_SUPPORT_REFERENCE_READER_H
#define TESTS_SUPPORT_REFERENCE_READER_H

#include <cstdint>
#include <vector>

#include "d88/d88image.h"

class ReferenceReader {
 public:
  ReferenceReader() = default;
  ReferenceReader(const ReferenceReader&) = delete;
  ReferenceReader& operator=(const ReferenceReader&) = delete;

  bool Open(const char* path);
  int GetDiskCount() const { return m_count; }
  bool SelectDisk(int n);
  const char* GetDiskName() const { return m_name; }
  int GetMediaType() const { return m_media; }
  int GetDiskSize() const { return m_size; }
  int GetMarker() const { return -1; }
  void SetSectorRange(int first, int last) {
    m_first = first;
    m_last = last;
  }
  int ReadSector(int track, int c, int h, int r, int n, unsigned char* dest, int capacity);
  int ReadSectors(int track, int c, int h, int r, int n, unsigned char* dest, int length);
  int ReadSectorIds(int track, unsigned char* dest, int capacity);
  int ReadTrackRecords(int track, TrackRecord* dest, int maxRecords);
  int32_t GetTrackOffset(int track) const;
  bool StartTrackWalk(int track, TrackWalk* walk) const;
  bool NextTrackRecord(TrackWalk* walk, TrackRecord* record);
  int CountDistinctImages();

 private:
  // The file offset where the track's first record lies, or -1 when it cannot be read.
  int64_t TrackStart(int track) const;
  int64_t NextTrackStart(int64_t at) const;
  bool CountEndsWalkAt(int64_t at, int place, int count) const;
  // Copies up to length bytes from the offset; returns how many the file had there.
  int ReadAt(int64_t offset, unsigned char* dest, int length) const;

  bool m_open = false;
  std::vector<unsigned char> m_bytes;  // the whole file
  int m_count = 0;
  int64_t m_offsets[kMaxDisks] = {};
  int m_first = 1;
  int m_last = 16;
  int64_t m_base = 0;
  int32_t m_size = 0;
  int32_t m_table[kTrackCount] = {};
  int m_media = -1;
  char m_name[kDiskNameLength + 1] = {};
};

#endif  // TESTS_SUPPORT_REFERENCE_READER_H
