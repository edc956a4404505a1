#include "tests/support/d88_builder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "d88/d88format.h"
#include "tests/support/scratch_dir.h"

namespace {

void PutLE16(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

void PutLE32(uint8_t* p, uint32_t value) {
  PutLE16(p, value);
  PutLE16(p + 2, value >> 16);
}

size_t TrackBytes(const std::vector<SectorRecord>& sectors) {
  size_t bytes = 0;
  for (const SectorRecord& sector : sectors) {
    bytes += kSectorHeaderSize + sector.data.size();
  }
  return bytes;
}

void Die(const char* what, const std::string& path) {
  std::fprintf(stderr, "d88 builder: %s %s\n", what, path.c_str());
  std::abort();
}

}  // namespace

Bytes PatternBytes(int length, uint32_t seed) {
  Bytes bytes(static_cast<size_t>(length));
  uint32_t state = seed * 2654435761u + 0x9E3779B9u;
  for (uint8_t& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(state >> 16);
  }
  return bytes;
}

SectorRecord PatternSector(uint8_t c, uint8_t h, uint8_t r, uint8_t n, int length) {
  SectorRecord sector;
  sector.c = c;
  sector.h = h;
  sector.r = r;
  sector.n = n;
  sector.data = PatternBytes(length, (static_cast<uint32_t>(c) << 24) | (h << 16) | (r << 8) | n);
  return sector;
}

D88Builder& D88Builder::SetName(const std::string& name) {
  m_name = name.substr(0, kDiskNameLength);
  return *this;
}

D88Builder& D88Builder::SetMediaType(uint8_t type) {
  m_mediaType = type;
  return *this;
}

D88Builder& D88Builder::AddSector(int track, SectorRecord sector) {
  m_tracks[track].push_back(std::move(sector));
  return *this;
}

D88Builder& D88Builder::SetTrackOffsetField(int track, uint32_t value) {
  m_trackOffsetFields[track] = value;
  return *this;
}

D88Builder& D88Builder::SetDiskSizeField(uint32_t value) {
  m_diskSizeField = value;
  return *this;
}

D88Builder& D88Builder::SetTrackTableEntries(int entries) {
  m_tableEntries = entries;
  return *this;
}

D88Builder& D88Builder::AppendTrailingBytes(const Bytes& bytes) {
  m_trailing.insert(m_trailing.end(), bytes.begin(), bytes.end());
  return *this;
}

int D88Builder::TrackStart(int track) const {
  size_t offset = HeaderSize();
  for (const auto& [index, sectors] : m_tracks) {
    if (index == track) {
      return static_cast<int>(offset);
    }
    offset += TrackBytes(sectors);
  }
  return 0;
}

D88Builder D88Builder::Edited(const std::function<bool(int, SectorRecord&)>& edit) const {
  D88Builder edited = *this;
  for (auto& [track, sectors] : edited.m_tracks) {
    std::vector<SectorRecord> kept;
    for (SectorRecord& sector : sectors) {
      if (edit(track, sector)) {
        kept.push_back(std::move(sector));
      }
    }
    sectors = std::move(kept);
  }
  return edited;
}

const std::vector<SectorRecord>& D88Builder::Track(int track) const {
  static const std::vector<SectorRecord> kNone;
  const auto found = m_tracks.find(track);
  return found == m_tracks.end() ? kNone : found->second;
}

size_t D88Builder::HeaderSize() const {
  return static_cast<size_t>(kHeaderTrackTableOffset + kTrackTableEntrySize * m_tableEntries);
}

Bytes D88Builder::Build() const {
  Bytes image(HeaderSize(), 0);
  std::memcpy(image.data() + kHeaderNameOffset, m_name.data(), m_name.size());
  image[kHeaderMediaTypeOffset] = m_mediaType;
  for (const auto& [track, sectors] : m_tracks) {
    if (track >= 0 && track < m_tableEntries) {
      PutLE32(image.data() + kHeaderTrackTableOffset + kTrackTableEntrySize * track,
              static_cast<uint32_t>(image.size()));
    }
    for (const SectorRecord& sector : sectors) {
      uint8_t header[kSectorHeaderSize] = {};
      header[kSectorCylinderOffset] = sector.c;
      header[kSectorHeadOffset] = sector.h;
      header[kSectorNumberOffset] = sector.r;
      header[kSectorSizeCodeOffset] = sector.n;
      header[kSectorDensityOffset] = sector.density;
      header[kSectorDeletedOffset] = sector.deleted;
      header[kSectorStatusOffset] = sector.status;
      PutLE16(header + kSectorCountOffset,
              static_cast<uint32_t>(sector.countField >= 0 ? sector.countField
                                                           : static_cast<int>(sectors.size())));
      PutLE16(
          header + kSectorDataSizeOffset,
          static_cast<uint32_t>(sector.dataSizeField >= 0 ? sector.dataSizeField
                                                          : static_cast<int>(sector.data.size())));
      image.insert(image.end(), header, header + kSectorHeaderSize);
      image.insert(image.end(), sector.data.begin(), sector.data.end());
    }
  }
  image.insert(image.end(), m_trailing.begin(), m_trailing.end());
  for (const auto& [track, value] : m_trackOffsetFields) {
    const size_t entry =
        static_cast<size_t>(kHeaderTrackTableOffset + kTrackTableEntrySize * track);
    if (entry + kTrackTableEntrySize <= image.size()) {
      PutLE32(image.data() + entry, value);
    }
  }
  PutLE32(image.data() + kHeaderDiskSizeOffset, m_diskSizeField >= 0
                                                    ? static_cast<uint32_t>(m_diskSizeField)
                                                    : static_cast<uint32_t>(image.size()));
  return image;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::FILE* file = OpenTestFile(path, "wb");
  if (file == nullptr) {
    Die("cannot create", path);
  }
  const bool written =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) {
    Die("cannot write", path);
  }
}

Bytes ReadFileBytes(const std::string& path) {
  Bytes bytes;
  std::FILE* file = OpenTestFile(path, "rb");
  if (file == nullptr) {
    Die("cannot open", path);
  }
  uint8_t chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  std::fclose(file);
  return bytes;
}
