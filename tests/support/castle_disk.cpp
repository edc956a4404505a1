#include "tests/support/castle_disk.h"

#include <algorithm>

#include "castle/extraction_lists.h"
#include "d88/d88image.h"

Bytes StandardSectorData(int track, int r) {
  return PatternBytes(kSectorLength, static_cast<uint32_t>(track * 256 + r) ^ 0x5A5A0000u);
}

D88Builder StandardDisk(uint8_t signatureFirst, uint8_t second, uint8_t third) {
  D88Builder builder;
  builder.SetName("DEMO DISK").SetMediaType(kMedia2D);
  for (int track = 0; track < kRegularTracks; ++track) {
    for (int r = kFirstSector; r <= kLastSector; ++r) {
      SectorRecord sector;
      sector.c = static_cast<uint8_t>(track / kSides);
      sector.h = static_cast<uint8_t>(track % kSides);
      sector.r = static_cast<uint8_t>(r);
      sector.n = kSectorSizeCode;
      sector.data = StandardSectorData(track, r);
      builder.AddSector(track, std::move(sector));
    }
  }
  for (uint8_t r : {signatureFirst, second, third}) {
    builder.AddSector(kSignatureTrack,
                      PatternSector(kSignatureTrack / kSides, kSignatureTrack % kSides, r,
                                    kSectorSizeCode, kSectorLength));
  }
  return builder;
}

D88Builder TheCastleDisk() {
  const TitleSignature& title = kTitleSignatures[0];
  return StandardDisk(0xF1, title.secondNumber, title.thirdNumber);
}

D88Builder ExcellentDisk() {
  const TitleSignature& title = kTitleSignatures[1];
  return StandardDisk(0xF1, title.secondNumber, title.thirdNumber);
}

std::vector<int> TracksTheCommandReads() {
  std::vector<int> tracks = {kSignatureTrack};
  D88Image steps;  // only for the run rule, with the command's sector range
  steps.SetSectorRange(kFirstSector, kLastSector);
  for (const ExtractionList* list : kTitleFiles) {
    for (const TitleEntry& row : *list) {
      int track = row.track, c = row.c, h = row.h, r = row.r;
      for (int piece = 0; piece * (kBaseSectorLength << row.n) < row.skip + row.length; ++piece) {
        tracks.push_back(track);
        steps.NextRunSector(&track, &c, &h, &r);
      }
    }
  }
  std::sort(tracks.begin(), tracks.end());
  tracks.erase(std::unique(tracks.begin(), tracks.end()), tracks.end());
  return tracks;
}
