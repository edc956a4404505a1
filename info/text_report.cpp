#include "info/text_report.h"

#include <cstdio>

#include "castle/title_signature.h"
#include "info/decimal.h"
#include "info/disk_map.h"
#include "platform/platform.h"

namespace {

// One line per present track: its index, sector count, the first sector's C, H and N, then the
// sector numbers in stored order. A sector whose C, H or N differ from the first's shows them in
// brackets; one whose data is not 128 << N bytes long shows its length after '='.
void PrintTrack(int track, const TrackRecord* records, int listed) {
  const SectorHeader& first = records[0].header;
  std::printf("  track %d: %d sector%s, C%d H%d N%d:", track, listed, listed == 1 ? "" : "s",
              first.Cylinder(), first.Head(), first.SizeCode());
  for (int i = 0; i < listed; ++i) {
    const SectorHeader& id = records[i].header;
    char number[16] = {' '};
    std::fwrite(number, 1, static_cast<size_t>(AppendDecimal(number + 1, id.Number()) - number),
                stdout);
    if (id.Cylinder() != first.Cylinder() || id.Head() != first.Head() ||
        id.SizeCode() != first.SizeCode()) {
      std::printf("[C%d H%d N%d]", id.Cylinder(), id.Head(), id.SizeCode());
    }
    const int size = records[i].storedSize;
    if (id.SizeCode() > kMaxSizeCode || size != kBaseSectorLength << id.SizeCode()) {
      std::printf("=%d", size);
    }
  }
  std::printf(first.SectorCount() == 0 ? " (its sector count is 0)\n" : "\n");
}

void PrintName(const char* name) {
  for (const char* c = name; *c != '\0'; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    std::printf(byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\' ? "%c" : "\\x%02x",
                byte);
  }
}

void PrintImage(D88Image& image, int index) {
  if (!image.SelectDisk(index)) {
    std::printf("image %d: header cannot be read\n", index);
    return;
  }
  const int media = image.GetMediaType();
  std::printf("image %d: name \"", index);
  PrintName(image.GetDiskName());
  std::printf("\", media 0x%02x (%s), size %d bytes\n", media, MediaTypeName(media),
              image.GetDiskSize());
  for (int track = 0; track < kTrackCount; ++track) {
    int listed = 0;
    const TrackRecord* records = ListTrack(image, track, &listed);
    if (listed > 0) {
      PrintTrack(track, records, listed);
    }
  }
}

// Says, in the same words whatever the outcome, what the second and third sectors stored on
// track 79 of the first image are numbered and which title that makes.
void PrintSignature(D88Image& image) {
  const SignatureVerdict verdict = CheckSignature(image);
  std::printf("signature: track %d of image 0, sectors 2 and 3 numbered", kSignatureTrack);
  for (int i = 0; i < 2; ++i) {
    if (verdict.entries > i + 1) {
      std::printf(" 0x%02X", verdict.numbers[i]);
    } else {
      std::printf(" --");
    }
  }
  std::printf(": %s\n",
              verdict.title >= 0 ? kTitleSignatures[verdict.title].title : "neither title");
}

}  // namespace

void PrintTextReport(D88Image& image, const char* path, bool moreImages) {
  std::fputs("file: ", stdout);
  WriteUtf8(stdout, path);
  const int count = image.GetDiskCount();
  std::printf("\nimages: %d%s\n", count,
              moreImages ? " (the file holds more; only the first 64 are indexed)" : "");
  const int distinct = DistinctImageCount(image);
  for (int index = 0; index < distinct; ++index) {
    PrintImage(image, index);
  }
  if (distinct < count) {
    if (distinct < count - 1) {
      std::printf("images %d to %d:", distinct, count - 1);
    } else {
      std::printf("image %d:", distinct);
    }
    std::printf(
        " image %d again: its size field is 0, which gives no start for a next image and "
        "leaves no track readable\n",
        distinct - 1);
  }
  PrintSignature(image);
}
