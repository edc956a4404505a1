// Read-only random access to the sectors of the disk images in a D88 file.
//
// A reader opens one file, indexes the images stored back to back in it, makes one of them
// current by loading its header, and then finds sectors by their full ID (C, H, R, N) through
// the current image's track table. It never prints, throws or allocates: failures are results
// (false, or a byte count of 0), and the only resource it holds is one stdio stream.
//
// Every search walks its track from the first record, but the reader moves through the file
// itself: it knows where each record lies, reads the file through a window of its bytes, and
// asks the system for more only when a record lies outside that window. A walk over records
// that are already in the window costs no system call.
#ifndef D88_D88IMAGE_H
#define D88_D88IMAGE_H

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "d88/d88format.h"

// One sector record of a track as ReadTrackRecords lists it: the record's header as stored, how
// many of the data bytes the header announces the file really holds (fewer only where the file
// ends inside the data), and where in the file the header lies.
struct TrackRecord {
  SectorHeader header;
  int32_t storedSize;
  int64_t offset;
};

// Where a walk through a track's records stands, as ReadTrackRecords walks them: a caller can go
// record by record, stop where it likes, and step over records whose headers it holds already.
struct TrackWalk {
  int64_t next = 0;   // file offset of the next record's header
  int32_t place = 0;  // that record's place in the walk, from 0
  bool ended = true;  // the last record said so, or the walk never started
};

// How many records a walk that passes the start of the next track (or the image's end) may read
// past it as its own: only where its records agree on a sector count that ends it within so
// many. A broken converter's count (every record says 4096) then makes no track of the whole
// disk, and a damaged record that sends a walk astray keeps it to its own track.
constexpr int kTrackLookAhead = 256;

class D88Image {
 public:
  D88Image() = default;
  ~D88Image();
  D88Image(const D88Image&) = delete;
  D88Image& operator=(const D88Image&) = delete;

  // With a path: closes any file already open, opens this one and indexes its images. False if
  // it cannot be opened; the reader then holds no file and keeps its other fields.
  // With nullptr: closes the file, forgets the index and the media type; always true.
  bool Open(const char* path);

  // Takes over a stream already open for binary reading, as Open does with the one it opens:
  // closes any other file, then indexes the stream's images. The stream must be able to seek.
  // False, with no file held, for a null stream. The reader closes the stream when done.
  bool OpenStream(std::FILE* file);

  int GetDiskCount() const { return m_diskCount; }

  // Makes image n current by loading its header. On failure no image is current and no track
  // can be read, though the old track table stays in place.
  bool SelectDisk(int n);

  const char* GetDiskName() const { return m_diskName; }
  int GetMediaType() const { return m_mediaType; }
  // The disk size field of the current image; 0 when there is none.
  int GetDiskSize() const { return m_diskSize; }
  int GetMarker() const { return m_marker; }

  // The sector numbers that open and close a track, used by ReadSectors to step from one track
  // into the next.
  void SetSectorRange(int first, int last) {
    m_firstSector = first;
    m_lastSector = last;
  }

  // Stores up to capacity bytes of the data of sector (c, h, r, n) of the given track at dest.
  // Returns the number of bytes stored; 0 when the sector is not found. The search ends where
  // its sector count says, and where the next track begins unless the count ends it within
  // kTrackLookAhead records after.
  int ReadSector(int track, int c, int h, int r, int n, unsigned char* dest, int capacity);

  // Reads length bytes from consecutive sectors in pieces of 128 << n bytes, starting at sector
  // (c, h, r, n) and moving to the next track (and head, then cylinder) after the range's last
  // sector. Returns the bytes read: less than length when a sector is missing or short.
  int ReadSectors(int track, int c, int h, int r, int n, unsigned char* dest, int length);

  // Stores the 4-byte ID (C, H, R, N) of each sector of the track, in stored order, while whole
  // entries fit in capacity. Returns 4 times the number of entries stored.
  int ReadSectorIds(int track, unsigned char* dest, int capacity);

  // Lists the track's records, in stored order, in one walk that ends as ReadSectorIds' does,
  // while they fit in maxRecords. Returns the number stored.
  int ReadTrackRecords(int track, TrackRecord* dest, int maxRecords);

  // A walk over the track's records from its first, one record at a time: ReadTrackRecords is
  // such a walk. False, with the walk ended, for a track that cannot be read.
  bool StartTrackWalk(int track, TrackWalk* walk) const;
  // Lists the walk's next records, up to maxRecords of them, and steps past them; returns how
  // many. The record whose place matches the count of its own header ends the walk, as does
  // the end of the file.
  int NextTrackRecords(TrackWalk* walk, TrackRecord* dest, int maxRecords);
  // The same for one record: false when the walk has ended or the file holds no whole header
  // where it stands.
  bool NextTrackRecord(TrackWalk* walk, TrackRecord* record) {
    return NextTrackRecords(walk, record, 1) == 1;
  }
  // Steps past the walk's next record, whose header the caller holds already (its sector count
  // and data size fields), as NextTrackRecord would, without reading the file.
  static void PassTrackRecord(TrackWalk* walk, int sectorCount, int dataSize);

  // The current image's track table entry, as the reader keeps it: 0 for an absent track and for
  // an entry past the end of a shorter table. 0 for a track outside 0 to 163.
  int32_t GetTrackOffset(int track) const;

  // Steps (track, c, h, r) to the sector that a run reads next: the next number, or after the
  // range's last sector the range's first on the next track (the other head, then the next
  // cylinder).
  void NextRunSector(int* track, int* c, int* h, int* r) const;

 private:
  // Bytes the reader holds of the file at a time: two tracks of 16 sectors of 256 bytes, so that
  // a run from the end of one track into the next is read without going back to the system.
  static constexpr int kWindowSize = 8192;

  // Reads the header of the walk's next record and steps past it, as NextTrackRecord does.
  bool NextRecordHeader(TrackWalk* walk, SectorHeader* header, int64_t* offset);
  // The file offset of the track's first record; false for a track that cannot be read.
  bool TrackStart(int track, int64_t* offset) const;
  // Notes where the current image's tracks start and where it ends, sorted, each once.
  void FindTrackBounds();
  // The first of them past offset; INT64_MAX where there is none.
  int64_t TrackBoundAfter(int64_t offset) const;
  // Whether a walk at `place` whose records so far all said `count` (0 where they disagreed),
  // reaching the next track at `offset`, goes on there as its own: the records from there
  // agree, and the count ends the walk within kTrackLookAhead of them.
  bool CountEndsWalkSoon(int64_t offset, int64_t place, int count);
  // Stores length bytes from the file offset at dest; false when the file has fewer there.
  bool ReadWhole(int64_t offset, unsigned char* dest, int length);
  // The same for a sector header, with no call for one that lies in the window.
  bool ReadSectorHeader(int64_t offset, SectorHeader* header) {
    const int64_t from = offset - m_windowStart;
    if (from >= 0 && from <= m_windowLength - kSectorHeaderSize) {
      std::memcpy(header->raw, m_window + from, kSectorHeaderSize);
      return true;
    }
    return ReadWhole(offset, header->raw, kSectorHeaderSize);
  }
  // Stores up to length bytes from the file offset at dest; returns how many the file had.
  int ReadUpTo(int64_t offset, unsigned char* dest, int length);
  // The same, straight from the window where it holds them.
  int CopyData(int64_t offset, unsigned char* dest, int length);
  // How many of the length bytes from offset the file holds: all of them where the window does.
  int32_t HeldBytes(int64_t offset, int32_t length) {
    return offset >= m_windowStart && offset + length <= m_windowStart + m_windowLength
               ? length
               : HeldBytesPastWindow(offset, length);
  }
  int32_t HeldBytesPastWindow(int64_t offset, int32_t length);
  // Makes the window hold the file's bytes from offset on; false when there are none.
  bool FillWindow(int64_t offset);
  // Puts the stream at offset, with a seek only when it is elsewhere.
  bool PlaceStream(int64_t offset);
  // Forgets the window and where the stream is, for a stream just taken over.
  void ForgetWindow();
  // The file's length, or -1 when it cannot be told.
  int64_t FileEnd();

  std::FILE* m_file = nullptr;
  int32_t m_marker = -1;  // reset whenever the file or the current image changes
  int32_t m_diskCount = 0;
  int32_t m_firstSector = 1;
  int32_t m_lastSector = 16;
  int32_t m_diskOffset[kMaxDisks] = {};
  int32_t m_diskSize = 0;  // bounds the track offsets; 0 makes every track unreadable
  int32_t m_diskBase = 0;  // -1 after a selection has begun and failed
  int32_t m_trackOffset[kTrackCount] = {};
  int32_t m_mediaType = -1;
  char m_diskName[kDiskNameLength + 1] = {};
  // Where the current image's tracks start and where it ends, sorted, each once.
  int64_t m_trackBounds[kTrackCount + 1] = {};
  int m_trackBoundCount = 0;

  // The window: the file's bytes from m_windowStart on, m_windowLength of them.
  unsigned char m_window[kWindowSize] = {};
  int64_t m_windowStart = 0;
  int32_t m_windowLength = 0;
  int64_t m_streamPosition = -1;  // where the stream is; -1 when not known
  int64_t m_fileEnd = -1;         // the file's length once known; -1 until then
};

// The number of distinct images the reader indexed: an image whose size field is 0 gives no start
// for a next one, so the index repeats it to the end; it counts once. Selects images to tell.
int CountDistinctImages(D88Image& image);

#endif  // D88_D88IMAGE_H
