// Layout of a D88 floppy disk image file and its little-endian field decoders.
//
// A D88 file holds one or more disk images stored back to back with no file-level header.
// Each image starts with a fixed 688-byte header that names the disk, gives the image's byte
// length and indexes up to 164 tracks. A track is a run of sector records, each a 16-byte
// sector header followed directly by that sector's data.
#ifndef D88_D88FORMAT_H
#define D88_D88FORMAT_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// Whole records.
constexpr int kHeaderSize = 688;       // D88Header, at the start of every image
constexpr int kSectorHeaderSize = 16;  // SectorHeader, before every sector's data
constexpr int kTrackCount = 164;       // entries in an image's track table
constexpr int kMaxDisks = 64;          // images a reader indexes in one file
constexpr int kDiskNameLength = 16;    // name bytes in the header, not always NUL-ended

// D88Header fields (byte offsets from the start of the image).
constexpr int kHeaderNameOffset = 0;
constexpr int kHeaderMediaTypeOffset = 27;
constexpr int kHeaderDiskSizeOffset = 28;    // byte length of the whole image, header included
constexpr int kHeaderTrackTableOffset = 32;  // kTrackCount entries, offsets from the image start
constexpr int kTrackTableEntrySize = 4;

// SectorHeader fields (byte offsets from the start of the record).
constexpr int kSectorCylinderOffset = 0;  // C of the sector's ID
constexpr int kSectorHeadOffset = 1;      // H
constexpr int kSectorNumberOffset = 2;    // R
constexpr int kSectorSizeCodeOffset = 3;  // N: nominal data length is 128 << N
constexpr int kSectorCountOffset = 4;     // sectors in this track, repeated in every record
constexpr int kSectorDensityOffset = 6;   // 0x00 double density, 0x40 single density
constexpr int kSectorDeletedOffset = 7;   // 0x00 normal data, 0x10 deleted data address mark
constexpr int kSectorStatusOffset = 8;  // the controller's status when the disk was read; 0 is good
constexpr int kSectorDataSizeOffset = 14;  // data bytes that follow this header

// A sector ID as the reader lists it: C, H, R, N, one byte each.
constexpr int kSectorIdSize = 4;
constexpr int kSectorIdCylinder = 0;
constexpr int kSectorIdHead = 1;
constexpr int kSectorIdNumber = 2;
constexpr int kSectorIdSizeCode = 3;

// The values a sector's status byte (and its deleted byte) hold as D88 writers store them: the
// usual results of the floppy disk controller reading the sector.
constexpr int kStatusGood = 0x00;
constexpr int kStatusDeletedData = 0x10;    // read, but with a deleted data address mark
constexpr int kStatusIdCrcError = 0xA0;     // the sector's ID field failed its CRC
constexpr int kStatusDataCrcError = 0xB0;   // the sector's data failed its CRC
constexpr int kStatusNoAddressMark = 0xE0;  // no ID address mark was found
constexpr int kStatusNoDataMark = 0xF0;     // no data address mark was found
constexpr int kDeletedDataMark = 0x10;      // the deleted byte of a record of deleted data

// What a status byte says, as "a data CRC error"; null for a status without a usual meaning.
inline const char* SectorStatusText(int status) {
  switch (status) {
    case kStatusDeletedData:
      return "a deleted data mark";
    case kStatusIdCrcError:
      return "an ID CRC error";
    case kStatusDataCrcError:
      return "a data CRC error";
    case kStatusNoAddressMark:
      return "no address mark";
    case kStatusNoDataMark:
      return "no data mark";
    default:
      return nullptr;
  }
}

// Size codes whose nominal length 128 << N is still a positive 32-bit value.
constexpr int kBaseSectorLength = 128;
constexpr int kMaxSizeCode = 23;

// Media type byte values and the disk kinds they usually stand for.
constexpr int kMedia2D = 0x00;   // double-sided, double-density
constexpr int kMedia2DD = 0x10;  // double-sided, double-density, double-track
constexpr int kMedia2HD = 0x20;  // double-sided, high-density
constexpr int kMedia1D = 0x30;   // single-sided, double-density
constexpr int kMedia1DD = 0x40;  // single-sided, double-density, double-track

// "2D", "2DD", "2HD", "1D", "1DD", or "unknown" for any other value.
inline const char* MediaTypeName(int mediaType) {
  switch (mediaType) {
    case kMedia2D:
      return "2D";
    case kMedia2DD:
      return "2DD";
    case kMedia2HD:
      return "2HD";
    case kMedia1D:
      return "1D";
    case kMedia1DD:
      return "1DD";
    default:
      return "unknown";
  }
}

// Little-endian decoders, composed byte by byte so that neither the host's byte order nor the
// alignment of p matters.
inline int ReadLE16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}

// Offsets and sizes are held as signed 32-bit values; bytes FF FF FF FF decode to -1.
inline int32_t ReadLE32(const unsigned char* p) {
  const uint32_t value = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return static_cast<int32_t>(value);
}

// The header at the start of every image, as raw bytes with decoded views of its fields.
struct D88Header {
  unsigned char raw[kHeaderSize];

  int MediaType() const { return raw[kHeaderMediaTypeOffset]; }
  int32_t DiskSize() const { return ReadLE32(raw + kHeaderDiskSizeOffset); }
  int32_t TrackOffset(int track) const {
    return ReadLE32(raw + kHeaderTrackTableOffset +
                    static_cast<ptrdiff_t>(kTrackTableEntrySize) * track);
  }
};

// The shortest track table a writer makes: 160 entries, so a 672-byte header. A track that
// starts before its end starts inside the header.
constexpr int kShortestTableEnd = kHeaderTrackTableOffset + kTrackTableEntrySize * 160;

// Whether a header is one a D88 writer makes: a size field of a header or more (and below 2^31),
// a media type of theirs, and track offsets that are 0 or lie past the shortest table and within
// the size. The table ends where the first track begins: entries past that are the track's
// bytes. Truncated images and odd tracks pass; bytes of another kind of file do not.
inline bool LooksLikeD88Header(const D88Header& header) {
  const int32_t size = header.DiskSize();
  if (size < kHeaderSize || std::strcmp(MediaTypeName(header.MediaType()), "unknown") == 0) {
    return false;
  }
  int32_t tableEnd = kHeaderSize;
  for (int t = 0; t < kTrackCount; ++t) {
    const int32_t offset = header.TrackOffset(t);
    if (offset >= kHeaderTrackTableOffset + kTrackTableEntrySize * (t + 1) && offset < tableEnd) {
      tableEnd = offset;
    }
  }
  for (int t = 0; kHeaderTrackTableOffset + kTrackTableEntrySize * t < tableEnd; ++t) {
    const int32_t offset = header.TrackOffset(t);
    if (offset != 0 && (offset < kShortestTableEnd || offset > size)) {
      return false;
    }
  }
  return true;
}

// The extensions D88 writers give their files.
constexpr const char* kD88Extensions[] = {".d88", ".d77", ".88d", ".d98"};

// Whether the name ends in one of them, in any case.
inline bool HasD88Extension(const char* name) {
  const size_t length = std::strlen(name);
  for (const char* extension : kD88Extensions) {
    const size_t extensionLength = std::strlen(extension);
    bool same = length >= extensionLength;
    for (size_t i = 0; same && i < extensionLength; ++i) {
      const char c = name[length - extensionLength + i];
      same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == extension[i];
    }
    if (same) {
      return true;
    }
  }
  return false;
}

// The record before every sector's data, as raw bytes with decoded views of its fields.
struct SectorHeader {
  unsigned char raw[kSectorHeaderSize];

  int Cylinder() const { return raw[kSectorCylinderOffset]; }
  int Head() const { return raw[kSectorHeadOffset]; }
  int Number() const { return raw[kSectorNumberOffset]; }
  int SizeCode() const { return raw[kSectorSizeCodeOffset]; }
  int SectorCount() const { return ReadLE16(raw + kSectorCountOffset); }
  int Density() const { return raw[kSectorDensityOffset]; }
  int Deleted() const { return raw[kSectorDeletedOffset]; }
  int Status() const { return raw[kSectorStatusOffset]; }
  int DataSize() const { return ReadLE16(raw + kSectorDataSizeOffset); }
};

#endif  // D88_D88FORMAT_H
