#include "info/disk_map.h"

#include <climits>

#include "castle/extraction_lists.h"
#include "castle/title_signature.h"

namespace {

ShownRecords g_shown;

}  // namespace

int64_t FirstImageNotIndexed(D88Image& image, int64_t fileSize) {
  const int count = image.GetDiskCount();
  if (count == 0 || CountDistinctImages(image) < count) {
    return -1;
  }
  // Images lie back to back from the start of the file, so the next would start where the
  // sizes of the indexed ones add up to; a size of 2^31 or more decodes negative but is a size.
  int64_t next = 0;
  for (int index = 0; index < count; ++index) {
    if (!image.SelectDisk(index)) {
      return -1;
    }
    next += static_cast<uint32_t>(image.GetDiskSize());
  }
  // The index ends at its 64 images, or where the next offset would pass 2^31 - 1; anywhere
  // else it ended because the file did.
  const bool stopped = count == kMaxDisks || next > INT32_MAX;
  return stopped && fileSize >= next + kHeaderSize ? next : -1;
}

void StartListing() {
  g_shown.Clear();
}

TrackListing ListTrack(D88Image& image, int imageIndex, int track) {
  static TrackRecord records[kMaxListedRecords];
  TrackListing listing = {records, 0, false, false, ShownRecords::kNothing, {}};
  int read = image.ReadTrackRecords(track, records, kMaxListedRecords);
  if (read == 0) {
    return listing;
  }
  listing.zeroCount = records[0].header.SectorCount() == 0;
  read = listing.zeroCount ? 1 : read;
  if (!g_shown.BeginTrack(imageIndex, track)) {
    listing.notListed = true;
    return listing;
  }
  for (; listing.listed < read; ++listing.listed) {
    listing.meets = g_shown.Meet(records[listing.listed].offset, &listing.owner);
    if (listing.meets != ShownRecords::kNothing) {
      break;
    }
    g_shown.Add(records[listing.listed].offset);
  }
  g_shown.EndTrack();
  return listing;
}

SignatureVerdict CheckSignature(D88Image& image) {
  unsigned char ids[kSignatureListSize] = {};
  const int stored =
      image.SelectDisk(0) ? image.ReadSectorIds(kSignatureTrack, ids, sizeof ids) : 0;
  return {
      stored / kSectorIdSize, {ids[kSecondSectorNumber], ids[kThirdSectorNumber]}, FindTitle(ids)};
}

bool TitleRunsPresent(D88Image& image, int title) {
  static unsigned char run[4 * kSectorLength * kLastSector];  // room for the longest run
  if (!image.SelectDisk(0)) {
    return false;
  }
  image.SetSectorRange(kFirstSector, kLastSector);
  for (const TitleEntry& row : *kTitleFiles[title]) {
    const int length = row.skip + row.length;
    if (length > static_cast<int>(sizeof run) ||
        image.ReadSectors(row.track, row.c, row.h, row.r, row.n, run, length) != length) {
      return false;
    }
  }
  return true;
}
