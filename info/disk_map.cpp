#include "info/disk_map.h"

#include "castle/title_signature.h"

int DistinctImageCount(D88Image& image) {
  const int count = image.GetDiskCount();
  for (int index = 0; index < count; ++index) {
    if (image.SelectDisk(index) && image.GetDiskSize() == 0) {
      return index + 1;
    }
  }
  return count;
}

bool HoldsMoreImages(D88Image& image, int64_t fileSize) {
  if (image.GetDiskCount() < kMaxDisks || DistinctImageCount(image) < kMaxDisks) {
    return false;
  }
  // Images lie back to back from the start of the file, so the next would start where the
  // sizes of the indexed ones add up to.
  int64_t next = 0;
  for (int index = 0; index < kMaxDisks; ++index) {
    if (!image.SelectDisk(index)) {
      return false;
    }
    next += image.GetDiskSize();
  }
  return fileSize >= next + kHeaderSize;
}

const TrackRecord* ListTrack(D88Image& image, int track, int* listed) {
  static TrackRecord records[kMaxListedRecords];
  const int read = image.ReadTrackRecords(track, records, kMaxListedRecords);
  *listed = read > 0 && records[0].header.SectorCount() == 0 ? 1 : read;
  return records;
}

SignatureVerdict CheckSignature(D88Image& image) {
  unsigned char ids[kSignatureListSize] = {};
  const int stored =
      image.SelectDisk(0) ? image.ReadSectorIds(kSignatureTrack, ids, sizeof ids) : 0;
  return {
      stored / kSectorIdSize, {ids[kSecondSectorNumber], ids[kThirdSectorNumber]}, FindTitle(ids)};
}
