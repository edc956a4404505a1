#include "d88/d88image.h"

#include <climits>
#include <cstddef>
#include <cstring>

D88Image::~D88Image() {
  if (m_file != nullptr) {
    std::fclose(m_file);
  }
}

bool D88Image::Open(const char* path) {
  if (m_file != nullptr) {
    std::fclose(m_file);
    m_file = nullptr;
  }
  if (path == nullptr) {
    ForgetWindow();
    m_diskCount = 0;
    m_mediaType = -1;
    m_marker = -1;
    return true;
  }
  std::FILE* file = std::fopen(path, "rb");
  // The reader reads through a window of its own: a stream buffer under it would only copy
  // every byte twice, and read more than asked for after every seek.
  if (file != nullptr) {
    std::setvbuf(file, nullptr, _IONBF, 0);
  }
  return OpenStream(file);
}

bool D88Image::OpenStream(std::FILE* file) {
  if (m_file != nullptr && m_file != file) {
    std::fclose(m_file);
  }
  m_file = file;
  ForgetWindow();
  if (m_file == nullptr) {
    return false;
  }

  // Images lie back to back: each header's disk size leads to the next one. The entry after the
  // last whole image keeps the offset just past it.
  int64_t offset = 0;
  m_diskCount = 0;
  while (m_diskCount < kMaxDisks) {
    m_diskOffset[m_diskCount] = static_cast<int32_t>(offset);
    D88Header header;
    if (!ReadWhole(offset, header.raw, kHeaderSize)) {
      break;
    }
    ++m_diskCount;
    // A size at or above 2^31 (negative as decoded) leads nowhere, nor does one that carries
    // the next offset past what an offset can hold.
    const int32_t size = header.DiskSize();
    offset += size;
    if (size < 0 || offset > INT32_MAX) {
      break;
    }
  }
  return true;
}

bool D88Image::SelectDisk(int n) {
  if (m_file == nullptr) {
    return false;
  }
  m_marker = -1;
  m_diskBase = -1;
  m_mediaType = -1;
  m_diskSize = 0;
  m_trackBoundCount = 0;
  std::memset(m_diskName, 0, sizeof m_diskName);
  if (n < 0 || n >= m_diskCount) {
    return false;
  }

  // The file was indexed when it was opened; a header that no longer reads whole is no image.
  D88Header header;
  if (!ReadWhole(m_diskOffset[n], header.raw, kHeaderSize)) {
    return false;
  }
  m_diskBase = m_diskOffset[n];
  // Some writers make a shorter header with fewer track entries (160 in a 672-byte header), and
  // the first track's records follow it at once. The table therefore ends where the first track
  // begins: an entry at or past the smallest track offset is no entry. An offset that points
  // back into the table before its own entry's end is nonsense and does not shorten it.
  int64_t tableEnd = kHeaderSize;
  for (int t = 0; t < kTrackCount; ++t) {
    const int32_t offset = header.TrackOffset(t);
    m_trackOffset[t] = offset;
    if (offset >= kHeaderTrackTableOffset + kTrackTableEntrySize * (t + 1) && offset < tableEnd) {
      tableEnd = offset;
    }
  }
  for (int t = (static_cast<int>(tableEnd) - kHeaderTrackTableOffset + kTrackTableEntrySize - 1) /
               kTrackTableEntrySize;
       t < kTrackCount; ++t) {
    m_trackOffset[t] = 0;  // past the table's end: bytes of the first track, no entry
  }
  m_mediaType = header.MediaType();
  m_diskSize = header.DiskSize();
  FindTrackBounds();
  for (int i = 0; i < kDiskNameLength && header.raw[kHeaderNameOffset + i] != 0; ++i) {
    m_diskName[i] = static_cast<char>(header.raw[kHeaderNameOffset + i]);
  }
  return true;
}

int D88Image::CopyData(int64_t offset, unsigned char* dest, int length) {
  const int64_t from = offset - m_windowStart;
  if (from >= 0 && from + length <= m_windowLength) {  // the usual case: in the window
    std::memcpy(dest, m_window + from, static_cast<size_t>(length));
    return length;
  }
  return ReadUpTo(offset, dest, length);
}

int D88Image::ReadSector(int track, int c, int h, int r, int n, unsigned char* dest, int capacity) {
  int64_t position = 0;
  if (dest == nullptr || capacity < 0 || !TrackStart(track, &position)) {
    return 0;
  }
  // Records are stored unsorted, so the walk goes from the first one. It ends on the record
  // whose position matches the track's sector count, where the next track begins (unless the
  // count ends it soon after), or when the file gives out.
  int64_t bound = TrackBoundAfter(position);
  int firstCount = -1;
  for (int64_t i = 0;; ++i) {
    if (position >= bound) {
      // Past the next track's start, the records are this track's only where they agree with
      // every one before on a count that ends the walk soon; then no other bound is met.
      if (!CountEndsWalkSoon(position, i, firstCount)) {
        return 0;
      }
      bound = INT64_MAX;
    }
    SectorHeader header;
    if (!ReadSectorHeader(position, &header)) {
      return 0;
    }
    position += kSectorHeaderSize;
    const int count = header.SectorCount();
    if (count == 0) {
      return 0;
    }
    // Once they disagree (0), no count can keep the walk past a bound.
    firstCount = firstCount < 0 || firstCount == count ? count : 0;
    const int size = header.DataSize();
    // The sector number first: on a track, it is what tells records apart.
    if (header.Number() == r && header.Cylinder() == c && header.Head() == h &&
        header.SizeCode() == n) {
      return CopyData(position, dest, size < capacity ? size : capacity);
    }
    if (i == count - 1) {
      return 0;
    }
    position += size;
  }
}

void D88Image::FindTrackBounds() {
  m_trackBoundCount = 0;
  for (int track = 0; track <= kTrackCount; ++track) {
    int64_t place = 0;
    if (track == kTrackCount) {
      place = static_cast<int64_t>(m_diskBase) + m_diskSize;
    } else if (!TrackStart(track, &place)) {
      continue;
    }
    // Sorted by insertion, each once: at most 165 places.
    int at = m_trackBoundCount;
    while (at > 0 && m_trackBounds[at - 1] > place) {
      --at;
    }
    if (at > 0 && m_trackBounds[at - 1] == place) {
      continue;
    }
    std::memmove(&m_trackBounds[at + 1], &m_trackBounds[at],
                 static_cast<size_t>(m_trackBoundCount - at) * sizeof m_trackBounds[0]);
    m_trackBounds[at] = place;
    ++m_trackBoundCount;
  }
}

int64_t D88Image::TrackBoundAfter(int64_t offset) const {
  int low = 0;  // m_trackBounds[0, low) are at or before offset
  int high = m_trackBoundCount;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (m_trackBounds[middle] <= offset) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low < m_trackBoundCount ? m_trackBounds[low] : INT64_MAX;
}

bool D88Image::CountEndsWalkSoon(int64_t offset, int64_t place, int count) {
  const int64_t end = count - 1 - place;  // the place the count names, from here
  if (count <= 0 || end < 0 || end >= kTrackLookAhead) {
    return false;
  }
  for (int64_t i = 0; i <= end; ++i) {
    SectorHeader header;
    if (!ReadSectorHeader(offset, &header) || header.SectorCount() != count) {
      return false;
    }
    offset += kSectorHeaderSize + header.DataSize();
  }
  return true;
}

int D88Image::ReadSectors(int track, int c, int h, int r, int n, unsigned char* dest, int length) {
  if (dest == nullptr || length < 0 || n < 0 || n > kMaxSizeCode) {
    return 0;
  }
  const int pieceLength = kBaseSectorLength << n;
  int total = 0;
  while (total < length) {
    const int chunk = pieceLength < length - total ? pieceLength : length - total;
    // A short sector leaves what it had in dest but ends the run uncounted.
    if (ReadSector(track, c, h, r, n, dest + total, chunk) < chunk) {
      return total;
    }
    total += chunk;
    // Only a sector that was found gets here, so c and r are still byte values.
    NextRunSector(&track, &c, &h, &r);
  }
  return total;
}

void D88Image::NextRunSector(int* track, int* c, int* h, int* r) const {
  if (*r != m_lastSector) {
    ++*r;
    return;
  }
  ++*track;
  if (*h == 0) {
    *h = 1;
  } else {
    *h = 0;
    ++*c;
  }
  *r = m_firstSector;
}

// A listing walks every record from the track's first. Unlike a sector search, a count of 0
// does not end it; the record whose place matches the count of its own header does, as does
// the end of the file.
bool D88Image::StartTrackWalk(int track, TrackWalk* walk) const {
  *walk = TrackWalk();
  walk->ended = !TrackStart(track, &walk->next);
  return !walk->ended;
}

void D88Image::PassTrackRecord(TrackWalk* walk, int sectorCount, int dataSize) {
  ++walk->place;
  walk->ended = walk->place == sectorCount;
  walk->next += kSectorHeaderSize + dataSize;
}

bool D88Image::NextRecordHeader(TrackWalk* walk, SectorHeader* header, int64_t* offset) {
  if (walk->ended || m_file == nullptr || !ReadSectorHeader(walk->next, header)) {
    walk->ended = true;
    return false;
  }
  *offset = walk->next;
  PassTrackRecord(walk, header->SectorCount(), header->DataSize());
  return true;
}

int D88Image::NextTrackRecords(TrackWalk* walk, TrackRecord* dest, int maxRecords) {
  int stored = 0;
  for (; stored < maxRecords; ++stored) {
    TrackRecord& record = dest[stored];
    if (!NextRecordHeader(walk, &record.header, &record.offset)) {
      break;
    }
    // The file may end inside the data, even where a whole header follows no more.
    record.storedSize = HeldBytes(record.offset + kSectorHeaderSize, record.header.DataSize());
  }
  return stored;
}

int D88Image::ReadSectorIds(int track, unsigned char* dest, int capacity) {
  TrackWalk walk;
  if (dest == nullptr || capacity < kSectorIdSize || !StartTrackWalk(track, &walk)) {
    return 0;
  }
  int stored = 0;
  SectorHeader header;
  int64_t offset = 0;
  while (stored + kSectorIdSize <= capacity && NextRecordHeader(&walk, &header, &offset)) {
    unsigned char* id = dest + stored;
    id[kSectorIdCylinder] = header.raw[kSectorCylinderOffset];
    id[kSectorIdHead] = header.raw[kSectorHeadOffset];
    id[kSectorIdNumber] = header.raw[kSectorNumberOffset];
    id[kSectorIdSizeCode] = header.raw[kSectorSizeCodeOffset];
    stored += kSectorIdSize;
  }
  return stored;
}

int D88Image::ReadTrackRecords(int track, TrackRecord* dest, int maxRecords) {
  TrackWalk walk;
  if (dest == nullptr || !StartTrackWalk(track, &walk)) {
    return 0;
  }
  return NextTrackRecords(&walk, dest, maxRecords);
}

int32_t D88Image::GetTrackOffset(int track) const {
  return track >= 0 && track < kTrackCount ? m_trackOffset[track] : 0;
}

// A track can be read only while its table entry is positive and within the disk size; a failed
// selection sets the size to 0 and so closes every track.
bool D88Image::TrackStart(int track, int64_t* offset) const {
  if (m_file == nullptr || track < 0 || track >= kTrackCount) {
    return false;
  }
  const int32_t entry = m_trackOffset[track];
  if (entry <= 0 || entry > m_diskSize) {
    return false;
  }
  *offset = static_cast<int64_t>(m_diskBase) + entry;
  return true;
}

bool D88Image::ReadWhole(int64_t offset, unsigned char* dest, int length) {
  return ReadUpTo(offset, dest, length) == length;
}

int32_t D88Image::HeldBytesPastWindow(int64_t offset, int32_t length) {
  const int64_t end = FileEnd();
  if (end < 0 || offset + length <= end) {
    return length;
  }
  return offset < end ? static_cast<int32_t>(end - offset) : 0;
}

int D88Image::ReadUpTo(int64_t offset, unsigned char* dest, int length) {
  int got = 0;
  while (got < length) {
    const int64_t at = offset + got;
    const bool inWindow = at >= m_windowStart && at < m_windowStart + m_windowLength;
    if (!inWindow && length - got >= kWindowSize) {
      // More than the window holds: straight from the stream into dest, window untouched.
      if (!PlaceStream(at)) {
        break;
      }
      const size_t read = std::fread(dest + got, 1, static_cast<size_t>(length - got), m_file);
      m_streamPosition += static_cast<int64_t>(read);
      got += static_cast<int>(read);
      break;
    }
    if (!inWindow && !FillWindow(at)) {
      break;
    }
    const int from = static_cast<int>(at - m_windowStart);
    const int count = m_windowLength - from < length - got ? m_windowLength - from : length - got;
    std::memcpy(dest + got, m_window + from, static_cast<size_t>(count));
    got += count;
  }
  return got;
}

bool D88Image::FillWindow(int64_t offset) {
  m_windowStart = offset;
  m_windowLength = 0;
  if (!PlaceStream(offset)) {
    return false;
  }
  std::clearerr(m_file);
  const size_t read = std::fread(m_window, 1, sizeof m_window, m_file);
  m_windowLength = static_cast<int32_t>(read);
  m_streamPosition += static_cast<int64_t>(read);
  // A short read at the end of the file tells where it ends, for free; a read that returned
  // nothing only says that the file ends at or before where it started.
  if (read > 0 && read < sizeof m_window && std::ferror(m_file) == 0) {
    m_fileEnd = m_streamPosition;
  }
  return read > 0;
}

bool D88Image::PlaceStream(int64_t offset) {
  if (offset == m_streamPosition) {
    return true;
  }
  m_streamPosition = -1;
  if (offset < 0 || offset > LONG_MAX ||
      std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0) {
    return false;
  }
  m_streamPosition = offset;
  return true;
}

void D88Image::ForgetWindow() {
  m_windowStart = 0;
  m_windowLength = 0;
  m_streamPosition = -1;
  m_fileEnd = -1;
}

int64_t D88Image::FileEnd() {
  if (m_fileEnd < 0) {
    m_streamPosition = -1;
    if (std::fseek(m_file, 0, SEEK_END) == 0) {
      m_fileEnd = std::ftell(m_file);
      m_streamPosition = m_fileEnd;
    }
  }
  return m_fileEnd;
}

int CountDistinctImages(D88Image& image) {
  const int count = image.GetDiskCount();
  for (int index = 0; index < count; ++index) {
    if (image.SelectDisk(index) && image.GetDiskSize() == 0) {
      return index + 1;
    }
  }
  return count;
}
