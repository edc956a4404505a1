#include "tests/support/crafted_images.h"

#include "castle/disk_layout.h"
#include "castle/title_signature.h"
#include "tests/support/castle_disk.h"

Bytes ChainedHeaders() {
  Bytes file;
  for (int image = 0; image < kMaxDisks; ++image) {
    D88Builder header;
    header.SetName("ABCDEFGHIJKLMN");  // bytes 14 and 15, a data size field, stay 0
    for (int track = 0; track < kTrackCount; ++track) {
      header.SetTrackOffsetField(track, kHeaderSize);
    }
    file = Concat({file, header.Build()});
  }
  return file;
}

Bytes SharedTrackDisk() {
  constexpr int kRecords = 65495;
  // The tracks the runs read (track = cylinder * 2 + head), whole.
  constexpr int kReadTracks[] = {0, 33, 60, 61};
  D88Builder disk;
  const auto add = [&disk](SectorRecord sector) {
    sector.countField = kRecords;
    disk.AddSector(0, std::move(sector));
  };
  for (int i = 0; i < kRecords - 4 * (kLastSector - kFirstSector + 1); ++i) {
    add(PatternSector(0xFF, 0xFF, 0xFF, kSectorSizeCode, 0));
  }
  for (const int track : kReadTracks) {
    for (int r = kFirstSector; r <= kLastSector; ++r) {
      add(PatternSector(static_cast<uint8_t>(track / kSides), static_cast<uint8_t>(track % kSides),
                        static_cast<uint8_t>(r), kSectorSizeCode, kSectorLength));
    }
  }
  const TitleSignature& title = kTitleSignatures[0];
  for (const uint8_t r : {uint8_t{0xF1}, title.secondNumber, title.thirdNumber}) {
    disk.AddSector(kSignatureTrack, PatternSector(kSignatureTrack / kSides,
                                                  kSignatureTrack % kSides, r, 1, kSectorLength));
  }
  for (int track = 1; track < kTrackCount; ++track) {
    if (track != kSignatureTrack) {
      disk.SetTrackOffsetField(track, static_cast<uint32_t>(disk.TrackStart(0)));
    }
  }
  return disk.Build();
}
