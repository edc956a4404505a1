// What a report lists: every image of the file, or one (the others then by their headers alone),
// and at most so many records of each track.
#ifndef INFO_REPORT_SCOPE_H
#define INFO_REPORT_SCOPE_H

#include "info/disk_map.h"

constexpr int kEveryImage = -1;

struct ReportScope {
  int image = kEveryImage;                // the image whose tracks are listed
  int recordsPerTrack = kMaxWalkRecords;  // own records and runs listed before, on each track

  bool ListsTracksOf(int index) const { return image == kEveryImage || image == index; }
  // The image whose signature is checked and whose files are followed.
  int SignatureImage() const { return image == kEveryImage ? 0 : image; }
};

#endif  // INFO_REPORT_SCOPE_H
