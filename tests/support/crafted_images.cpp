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

Bytes SharedRunImages() {
  constexpr int kImages = 64;
  constexpr int kRunRecords = 255;
  constexpr uint8_t kRunSizeCode = 6;  // 8192 bytes
  // As a record header, a name of these bytes says: 65,535 sectors, and data that runs to the
  // next image's header (688 - 16 = 672 = 0x2A0 bytes).
  const std::string name("ABCD\xFF\xFFGHIJKLMN\xA0\x02", kDiskNameLength);
  Bytes file;
  for (int image = 0; image < kImages; ++image) {
    D88Builder header;
    header.SetName(name);
    for (int track = 0; track < kTrackCount; ++track) {
      header.SetTrackOffsetField(track, kHeaderSize);
    }
    file = Concat({file, header.Build()});
  }
  D88Builder run;
  for (int r = 0; r < kRunRecords; ++r) {
    SectorRecord record = PatternSector(0, 0, static_cast<uint8_t>(r), kRunSizeCode,
                                        kBaseSectorLength << kRunSizeCode);
    record.countField = 0xFFFF;
    run.AddSector(0, record);
  }
  const Bytes built = run.Build();
  file.insert(file.end(), built.begin() + run.TrackStart(0), built.end());
  return file;
}

Bytes ManyRecordImages() {
  constexpr int kRecords = 256;
  D88Builder image;
  for (int track = 0; track < kTrackCount; ++track) {
    for (int r = 0; r < kRecords; ++r) {
      SectorRecord sector =
          PatternSector(static_cast<uint8_t>(track / kSides), static_cast<uint8_t>(track % kSides),
                        static_cast<uint8_t>(r), kSectorSizeCode, 0);
      sector.countField = kRecords;
      image.AddSector(track, std::move(sector));
    }
  }
  const Bytes one = image.Build();
  Bytes file;
  file.reserve(one.size() * kMaxDisks);
  for (int i = 0; i < kMaxDisks; ++i) {
    file.insert(file.end(), one.begin(), one.end());
  }
  return file;
}
