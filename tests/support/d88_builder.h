// Builds D88 images in memory for tests, fuzz seeds and demo disks, so that no binary image is
// ever checked in. By default every field is consistent: sector counts, data sizes, track
// offsets and the disk size are computed from the records. Each can be overridden to build the
// damaged images found in the wild.
#ifndef TESTS_SUPPORT_D88_BUILDER_H
#define TESTS_SUPPORT_D88_BUILDER_H

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "d88/d88format.h"

using Bytes = std::vector<uint8_t>;

struct SectorRecord {
  uint8_t c = 0;
  uint8_t h = 0;
  uint8_t r = 0;
  uint8_t n = 0;
  uint8_t density = 0;
  uint8_t deleted = 0;  // deleted data address mark
  uint8_t status = 0;   // the controller's status
  Bytes data;
  int countField = -1;     // sector count written in the header; -1: the track's record count
  int dataSizeField = -1;  // data size written in the header; -1: data.size()
};

// A sector of the given ID whose data is `length` bytes of a pattern unique to the ID.
SectorRecord PatternSector(uint8_t c, uint8_t h, uint8_t r, uint8_t n, int length);

// Bytes that differ for every (seed, index) pair, so that misplaced data shows.
Bytes PatternBytes(int length, uint32_t seed);

class D88Builder {
 public:
  D88Builder& SetName(const std::string& name);  // up to 16 bytes, NUL-padded
  D88Builder& SetMediaType(uint8_t type);
  D88Builder& AddSector(int track, SectorRecord sector);
  D88Builder& SetTrackOffsetField(int track, uint32_t value);  // raw table entry
  D88Builder& SetDiskSizeField(uint32_t value);                // raw disk size
  // A header with a shorter track table, as some writers make: 160 entries give 672 bytes.
  D88Builder& SetTrackTableEntries(int entries);
  D88Builder& AppendTrailingBytes(const Bytes& bytes);  // counted in the disk size, after tracks

  Bytes Build() const;

  // A copy in which every record has been passed through `edit`, in stored order; a record for
  // which it returns false is dropped. Everything else is kept, overridden fields included.
  D88Builder Edited(const std::function<bool(int track, SectorRecord& sector)>& edit) const;

  // Offset from the image start at which the track's records begin in the built image.
  int TrackStart(int track) const;
  const std::vector<SectorRecord>& Track(int track) const;

 private:
  size_t HeaderSize() const;

  std::string m_name;
  uint8_t m_mediaType = 0;
  std::map<int, std::vector<SectorRecord>> m_tracks;
  std::map<int, uint32_t> m_trackOffsetFields;
  int64_t m_diskSizeField = -1;
  int m_tableEntries = kTrackCount;
  Bytes m_trailing;
};

// The parts one after the other, as images stored back to back in one file.
Bytes Concat(std::initializer_list<Bytes> parts);

void WriteFileBytes(const std::string& path, const Bytes& bytes);
Bytes ReadFileBytes(const std::string& path);

#endif  // TESTS_SUPPORT_D88_BUILDER_H
