#include "tests/support/reference_reader.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

int Le16(const unsigned char* p) {
  return p[0] + p[1] * 256;
}

int32_t Le32(const unsigned char* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

int ReferenceReader::ReadAt(int64_t offset, unsigned char* dest, int length) const {
  const auto size = static_cast<int64_t>(m_bytes.size());
  if (offset < 0 || offset > LONG_MAX || offset >= size || length <= 0) {
    return 0;
  }
  const int64_t got = size - offset < length ? size - offset : length;
  std::memcpy(dest, m_bytes.data() + offset, static_cast<size_t>(got));
  return static_cast<int>(got);
}

bool ReferenceReader::Open(const char* path) {
  m_open = false;
  m_bytes.clear();
  if (path == nullptr) {
    m_count = 0;
    m_media = -1;
    return true;
  }
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    return false;
  }
  unsigned char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    m_bytes.insert(m_bytes.end(), chunk, chunk + got);
  }
  std::fclose(file);
  m_open = true;
  // Each image's header gives its size, and so where the next one starts.
  m_count = 0;
  int64_t offset = 0;
  while (m_count < kMaxDisks) {
    m_offsets[m_count] = offset;
    unsigned char header[kHeaderSize];
    if (ReadAt(offset, header, kHeaderSize) != kHeaderSize) {
      break;
    }
    ++m_count;
    const int32_t size = Le32(header + 28);
    offset += size;
    if (size < 0 || offset > INT32_MAX) {
      break;
    }
  }
  return true;
}

bool ReferenceReader::SelectDisk(int n) {
  if (!m_open) {
    return false;
  }
  m_base = -1;
  m_media = -1;
  m_size = 0;
  std::memset(m_name, 0, sizeof m_name);
  unsigned char header[kHeaderSize];
  if (n < 0 || n >= m_count || ReadAt(m_offsets[n], header, kHeaderSize) != kHeaderSize) {
    return false;
  }
  m_base = m_offsets[n];
  // The table ends where the first track starts; an entry pointing back into the table before
  // its own end does not shorten it.
  int64_t end = kHeaderSize;
  for (int t = 0; t < kTrackCount; ++t) {
    const int32_t entry = Le32(header + 32 + 4 * t);
    if (entry >= 32 + 4 * (t + 1) && entry < end) {
      end = entry;
    }
  }
  for (int t = 0; t < kTrackCount; ++t) {
    m_table[t] = 32 + 4 * t < end ? Le32(header + 32 + 4 * t) : 0;
  }
  m_media = header[27];
  m_size = Le32(header + 28);
  for (int i = 0; i < kDiskNameLength && header[i] != 0; ++i) {
    m_name[i] = static_cast<char>(header[i]);
  }
  return true;
}

int32_t ReferenceReader::GetTrackOffset(int track) const {
  if (track < 0 || track >= kTrackCount) {
    return 0;
  }
  return m_table[track];
}

int64_t ReferenceReader::TrackStart(int track) const {
  if (!m_open || track < 0 || track >= kTrackCount || m_table[track] <= 0 ||
      m_table[track] > m_size) {
    return -1;
  }
  return m_base + m_table[track];
}

// The first place past `at` where a track of the current image starts, or the image ends.
int64_t ReferenceReader::NextTrackStart(int64_t at) const {
  int64_t next = m_base + m_size > at ? m_base + m_size : INT64_MAX;
  for (int t = 0; t < kTrackCount; ++t) {
    const int64_t start = TrackStart(t);
    if (start > at && start < next) {
      next = start;
    }
  }
  return next;
}

// Whether the records from `at` on, read one by one, all say `count` up to the one whose place in
// the walk that count names, which lies within 256 records.
bool ReferenceReader::CountEndsWalkAt(int64_t at, int place, int count) const {
  for (int i = 0; i < 256; ++i) {
    unsigned char header[kSectorHeaderSize];
    if (ReadAt(at, header, kSectorHeaderSize) != kSectorHeaderSize || Le16(header + 4) != count) {
      return false;
    }
    if (place + i + 1 == count) {
      return true;
    }
    at += kSectorHeaderSize + Le16(header + 14);
  }
  return false;
}

int ReferenceReader::ReadSector(int track, int c, int h, int r, int n, unsigned char* dest,
                                int capacity) {
  int64_t at = TrackStart(track);
  if (dest == nullptr || capacity < 0 || at < 0) {
    return 0;
  }
  // A search ends where the next track starts, unless every record of the walk says the same
  // count and that count ends it within 256 records after.
  int64_t next = NextTrackStart(at);
  int first = -1;
  bool same = true;
  for (int i = 0;; ++i) {
    if (at >= next) {
      if (!same || !CountEndsWalkAt(at, i, first)) {
        return 0;
      }
      next = INT64_MAX;
    }
    unsigned char header[kSectorHeaderSize];
    if (ReadAt(at, header, kSectorHeaderSize) != kSectorHeaderSize) {
      return 0;
    }
    const int count = Le16(header + 4);
    const int size = Le16(header + 14);
    if (count == 0) {
      return 0;
    }
    if (first < 0) {
      first = count;
    } else if (count != first) {
      same = false;
    }
    if (header[0] == c && header[1] == h && header[2] == r && header[3] == n) {
      return ReadAt(at + kSectorHeaderSize, dest, size < capacity ? size : capacity);
    }
    if (i == count - 1) {
      return 0;
    }
    at += kSectorHeaderSize + size;
  }
}

int ReferenceReader::ReadSectors(int track, int c, int h, int r, int n, unsigned char* dest,
                                 int length) {
  if (dest == nullptr || length < 0 || n < 0 || n > 23) {
    return 0;
  }
  int total = 0;
  while (total < length) {
    int chunk = 128 << n;
    if (chunk > length - total) {
      chunk = length - total;
    }
    if (ReadSector(track, c, h, r, n, dest + total, chunk) < chunk) {
      return total;
    }
    total += chunk;
    if (r == m_last) {
      ++track;
      if (h == 0) {
        h = 1;
      } else {
        h = 0;
        ++c;
      }
      r = m_first;
    } else {
      ++r;
    }
  }
  return total;
}

bool ReferenceReader::StartTrackWalk(int track, TrackWalk* walk) const {
  *walk = TrackWalk();
  const int64_t start = TrackStart(track);
  walk->next = start < 0 ? 0 : start;
  walk->ended = start < 0;
  return start >= 0;
}

bool ReferenceReader::NextTrackRecord(TrackWalk* walk, TrackRecord* record) {
  if (walk->ended || !m_open ||
      ReadAt(walk->next, record->header.raw, kSectorHeaderSize) != kSectorHeaderSize) {
    walk->ended = true;
    return false;
  }
  record->offset = walk->next;
  const int size = Le16(record->header.raw + 14);
  const int64_t held = static_cast<int64_t>(m_bytes.size()) - (walk->next + kSectorHeaderSize);
  record->storedSize = held < 0 ? 0 : held < size ? static_cast<int32_t>(held) : size;
  ++walk->place;
  walk->ended = walk->place == Le16(record->header.raw + 4);
  walk->next += kSectorHeaderSize + size;
  return true;
}

int ReferenceReader::ReadTrackRecords(int track, TrackRecord* dest, int maxRecords) {
  TrackWalk walk;
  if (dest == nullptr || !StartTrackWalk(track, &walk)) {
    return 0;
  }
  int stored = 0;
  while (stored < maxRecords && NextTrackRecord(&walk, &dest[stored])) {
    ++stored;
  }
  return stored;
}

int ReferenceReader::ReadSectorIds(int track, unsigned char* dest, int capacity) {
  TrackWalk walk;
  if (dest == nullptr || !StartTrackWalk(track, &walk)) {
    return 0;
  }
  int stored = 0;
  TrackRecord record;
  while (stored + 4 <= capacity && NextTrackRecord(&walk, &record)) {
    std::memcpy(dest + stored, record.header.raw, 4);  // C, H, R, N
    stored += 4;
  }
  return stored;
}

int ReferenceReader::CountDistinctImages() {
  for (int index = 0; index < m_count; ++index) {
    if (SelectDisk(index) && m_size == 0) {
      return index + 1;
    }
  }
  return m_count;
}
