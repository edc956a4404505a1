#include "tests/support/random_images.h"

namespace {

D88Builder RandomImage(std::mt19937& random) {
  const auto pick = [&random](int low, int high) {
    return low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1));
  };
  D88Builder image;
  image.SetMediaType(static_cast<uint8_t>(pick(0, 4) * 0x10));
  const int tracks = pick(1, 6);
  for (int t = 0; t < tracks; ++t) {
    const int track = pick(0, 163);
    const int records = pick(1, 24);
    for (int i = 0; i < records; ++i) {
      const int sizes[] = {0, 16, 128, 256, 300, 1024, 8192};
      SectorRecord sector = PatternSector(
          static_cast<uint8_t>(pick(0, 3)), static_cast<uint8_t>(pick(0, 2)),
          static_cast<uint8_t>(pick(0, 20)), static_cast<uint8_t>(pick(0, 3)), sizes[pick(0, 6)]);
      const int lie = pick(0, 9);
      sector.countField = lie == 0 ? 0 : lie == 1 ? 0xFFFF : lie == 2 ? pick(1, 30) : -1;
      sector.dataSizeField = pick(0, 12) == 0 ? pick(0, 0xFFFF) : -1;
      sector.status = static_cast<uint8_t>(pick(0, 8) == 0 ? 0xB0 : 0);
      image.AddSector(track, sector);
    }
  }
  // Entries that point at another track's records, into a record, into the header, or past
  // the image.
  for (int stray = pick(0, 3); stray > 0; --stray) {
    const int other = pick(0, 163);
    int from = image.TrackStart(other);
    if (pick(0, 1) == 0) {
      for (const SectorRecord& sector : image.Track(other)) {
        if (pick(0, 2) == 0) {
          break;
        }
        from += kSectorHeaderSize + static_cast<int>(sector.data.size());
      }
    } else {
      from = pick(0, 3) == 0 ? pick(1, 700) : from + pick(0, 600);
    }
    image.SetTrackOffsetField(pick(0, 163), static_cast<uint32_t>(from));
  }
  return image;
}

}  // namespace

Bytes RandomFile(std::mt19937& random) {
  Bytes file;
  for (int images = 1 + static_cast<int>(random() % 3); images > 0; --images) {
    D88Builder image = RandomImage(random);
    if (random() % 5 == 0) {
      image.SetDiskSizeField(static_cast<uint32_t>(random() % 3 == 0 ? 0 : random() % 40000));
    }
    file = Concat({file, image.Build()});
  }
  if (random() % 3 == 0) {
    file.resize(random() % (file.size() + 1));
  }
  return file;
}
