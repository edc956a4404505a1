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

int ListTrack(D88Image& image, int track, TrackRecord* records) {
  const int listed = image.ReadTrackRecords(track, records, kMaxListedRecords);
  return listed > 0 && records[0].header.SectorCount() == 0 ? 1 : listed;
}

SignatureVerdict CheckSignature(D88Image& image) {
  unsigned char ids[kSignatureListSize] = {};
  const int stored =
      image.SelectDisk(0) ? image.ReadSectorIds(kSignatureTrack, ids, sizeof ids) : 0;
  return {
      stored / kSectorIdSize, {ids[kSecondSectorNumber], ids[kThirdSectorNumber]}, FindTitle(ids)};
}
