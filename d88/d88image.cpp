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
    m_diskCount = 0;
    m_mediaType = -1;
    m_marker = -1;
    return true;
  }
  return OpenStream(std::fopen(path, "rb"));
}

bool D88Image::OpenStream(std::FILE* file) {
  if (m_file != nullptr && m_file != file) {
    std::fclose(m_file);
  }
  m_file = file;
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
    if (!SeekTo(offset) || !ReadWhole(header.raw, kHeaderSize)) {
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
  std::memset(m_diskName, 0, sizeof m_diskName);
  if (n < 0 || n >= m_diskCount) {
    return false;
  }

  // The file was indexed when it was opened; a header that no longer reads whole is no image.
  D88Header header;
  if (!SeekTo(m_diskOffset[n]) || !ReadWhole(header.raw, kHeaderSize)) {
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
    if (offset >= kHeaderTrackTableOffset + kTrackTableEntrySize * (t + 1) && offset < tableEnd) {
      tableEnd = offset;
    }
  }
  for (int t = 0; t < kTrackCount; ++t) {
    const bool inTable = kHeaderTrackTableOffset + kTrackTableEntrySize * t < tableEnd;
    m_trackOffset[t] = inTable ? header.TrackOffset(t) : 0;
  }
  m_mediaType = header.MediaType();
  m_diskSize = header.DiskSize();
  for (int i = 0; i < kDiskNameLength && header.raw[kHeaderNameOffset + i] != 0; ++i) {
    m_diskName[i] = static_cast<char>(header.raw[kHeaderNameOffset + i]);
  }
  return true;
}

int D88Image::ReadSector(int track, int c, int h, int r, int n, unsigned char* dest, int capacity) {
  if (dest == nullptr || capacity < 0 || !SeekToTrack(track)) {
    return 0;
  }
  // Records are stored unsorted, so the walk goes from the first one. It ends on the record
  // whose position matches the track's sector count, or when the file gives out.
  for (int64_t i = 0;; ++i) {
    SectorHeader header;
    if (!ReadWhole(header.raw, kSectorHeaderSize)) {
      return 0;
    }
    const int count = header.SectorCount();
    if (count == 0) {
      return 0;
    }
    const int size = header.DataSize();
    if (header.Cylinder() == c && header.Head() == h && header.Number() == r &&
        header.SizeCode() == n) {
      const int wanted = size < capacity ? size : capacity;
      return static_cast<int>(std::fread(dest, 1, static_cast<size_t>(wanted), m_file));
    }
    if (std::fseek(m_file, size, SEEK_CUR) != 0 || i == count - 1) {
      return 0;
    }
  }
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

// The walk of a listing: every record from the track's first, handed to store(index, header,
// file offset of its data). Unlike a sector search, a count of 0 does not end it; the record
// whose position matches the count of its own header does, as do a full destination and the
// end of the file.
template <typename Store>
int D88Image::WalkTrackListing(int track, int maxRecords, Store store) {
  if (maxRecords <= 0 || !SeekToTrack(track)) {
    return 0;
  }
  int64_t dataOffset = static_cast<int64_t>(m_diskBase) + m_trackOffset[track];
  int stored = 0;
  while (stored < maxRecords) {
    SectorHeader header;
    if (!ReadWhole(header.raw, kSectorHeaderSize)) {
      break;
    }
    dataOffset += kSectorHeaderSize;
    store(stored, header, dataOffset);
    ++stored;
    const int size = header.DataSize();
    // Records without data are common in listings built to be slow; skipping nothing costs a
    // system call all the same.
    if (stored == header.SectorCount() || (size != 0 && std::fseek(m_file, size, SEEK_CUR) != 0)) {
      break;
    }
    dataOffset += size;
  }
  return stored;
}

int D88Image::ReadSectorIds(int track, unsigned char* dest, int capacity) {
  if (dest == nullptr || capacity < 0) {
    return 0;
  }
  const int entries = WalkTrackListing(
      track, capacity / kSectorIdSize, [dest](int index, const SectorHeader& header, int64_t) {
        unsigned char* id = dest + static_cast<ptrdiff_t>(index) * kSectorIdSize;
        id[kSectorIdCylinder] = header.raw[kSectorCylinderOffset];
        id[kSectorIdHead] = header.raw[kSectorHeadOffset];
        id[kSectorIdNumber] = header.raw[kSectorNumberOffset];
        id[kSectorIdSizeCode] = header.raw[kSectorSizeCodeOffset];
      });
  return entries * kSectorIdSize;
}

int D88Image::ReadTrackRecords(int track, TrackRecord* dest, int maxRecords) {
  if (dest == nullptr) {
    return 0;
  }
  int64_t lastDataOffset = 0;
  const int stored = WalkTrackListing(
      track, maxRecords,
      [dest, &lastDataOffset](int index, const SectorHeader& header, int64_t dataOffset) {
        dest[index].header = header;
        dest[index].storedSize = header.DataSize();
        lastDataOffset = dataOffset;
      });
  // Only the last record listed can run past the end of the file: any record after a cut-short
  // one has no header to read.
  if (stored > 0 && std::fseek(m_file, 0, SEEK_END) == 0) {
    const int64_t fileEnd = std::ftell(m_file);
    TrackRecord& last = dest[stored - 1];
    const int64_t held = fileEnd > lastDataOffset ? fileEnd - lastDataOffset : 0;
    if (fileEnd >= 0 && held < last.storedSize) {
      last.storedSize = static_cast<int32_t>(held);
    }
  }
  return stored;
}

bool D88Image::SeekTo(int64_t offset) {
  return offset >= 0 && offset <= LONG_MAX &&
         std::fseek(m_file, static_cast<long>(offset), SEEK_SET) == 0;
}

// A track can be read only while its table entry is positive and within the disk size; a failed
// selection sets the size to 0 and so closes every track.
bool D88Image::SeekToTrack(int track) {
  if (m_file == nullptr || track < 0 || track >= kTrackCount) {
    return false;
  }
  const int32_t offset = m_trackOffset[track];
  if (offset <= 0 || offset > m_diskSize) {
    return false;
  }
  return SeekTo(static_cast<int64_t>(m_diskBase) + offset);
}

bool D88Image::ReadWhole(unsigned char* dest, int length) {
  return std::fread(dest, 1, static_cast<size_t>(length), m_file) == static_cast<size_t>(length);
}
