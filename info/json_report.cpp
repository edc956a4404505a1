#include "info/json_report.h"

#include <cstdio>

#include "castle/extraction_lists.h"
#include "info/decimal.h"
#include "info/disk_map.h"
#include "info/json_string.h"
#include "text/shift_jis.h"

namespace {

void PrintSectors(const TrackRecord* records, int listed) {
  for (int i = 0; i < listed; ++i) {
    const SectorHeader& header = records[i].header;
    const struct {
      const char* key;
      int value;
    } fields[] = {{"{\"c\":", header.Cylinder()},        {",\"h\":", header.Head()},
                  {",\"r\":", header.Number()},          {",\"n\":", header.SizeCode()},
                  {",\"size\":", records[i].storedSize}, {",\"count\":", header.SectorCount()},
                  {",\"density\":", header.Density()},   {",\"deleted\":", header.Deleted()},
                  {",\"status\":", header.Status()}};
    char line[160];
    char* end = line;
    if (i > 0) {
      *end++ = ',';
    }
    for (const auto& field : fields) {
      end = AppendDecimal(AppendText(end, field.key), field.value);
    }
    *end++ = '}';
    std::fwrite(line, 1, static_cast<size_t>(end - line), stdout);
  }
}

// Where a walk stopped on records shown before: which track showed them.
void PrintMeeting(const TrackListing& listing) {
  if (listing.notListed) {
    std::printf(",\"not_listed\":true");
    return;
  }
  if (listing.meets == ShownRecords::kNothing) {
    return;
  }
  const bool same = listing.meets == ShownRecords::kSame;
  std::printf(",\"%s\":{\"image\":%d,\"track\":%d", same ? "same_as" : "overlaps",
              listing.owner.image, listing.owner.track);
  if (same && listing.owner.record > 0) {
    std::printf(",\"record\":%d", listing.owner.record);
  }
  std::printf("}");
}

void PrintProblems(const D88Image& image) {
  const HeaderProblems problems = FindHeaderProblems(image);
  std::printf(",\"problems\":[");
  for (int i = 0; i < problems.count; ++i) {
    std::printf(i == 0 ? "" : ",");
    PrintJsonText(problems.text[i]);
  }
  std::printf("]");
}

void PrintImage(D88Image& image, int index, int repeats) {
  std::printf("{\"index\":%d", index);
  if (!image.SelectDisk(index)) {
    std::printf(",\"readable\":false}");
    return;
  }
  const int media = image.GetMediaType();
  std::printf(",\"readable\":true,\"name\":");
  PrintJsonBytes(image.GetDiskName());
  char text[4 * kDiskNameLength + 1];
  std::printf(",\"name_text\":");
  if (ShiftJisTextToUtf8(image.GetDiskName(), text, sizeof text)) {
    PrintJsonText(text);
  } else {
    std::printf("null");
  }
  std::printf(",\"media_type\":%d,\"media\":\"%s\",\"size\":%d,\"repeats\":%d", media,
              MediaTypeName(media), image.GetDiskSize(), repeats);
  PrintProblems(image);
  std::printf(",\"tracks\":[");
  bool first = true;
  for (int track = 0; track < kTrackCount && std::ferror(stdout) == 0; ++track) {
    const TrackListing listing = ListTrack(image, index, track);
    if (IsShown(listing)) {
      std::printf("%s\n{\"track\":%d,\"sectors\":[", first ? "" : ",", track);
      PrintSectors(listing.records, listing.listed);
      std::printf("]");
      PrintMeeting(listing);
      std::printf("}");
      first = false;
    }
  }
  std::printf("]}");
}

// The sectors of each file's run, in the order the command reads them, as the rule of runs
// steps through them; whether they are on the disk is for the reader of the map to see.
void PrintFiles(D88Image& image, const ExtractionList& files) {
  image.SetSectorRange(kFirstSector, kLastSector);
  std::printf(",\"files\":[");
  for (int i = 0; i < kFilesPerTitle; ++i) {
    const TitleEntry& row = files[i];
    std::printf("%s\n{\"name\":\"%s\",\"skip\":%d,\"length\":%d,\"complemented\":%s,\"sectors\":[",
                i == 0 ? "" : ",", row.name, row.skip, row.length,
                row.complemented ? "true" : "false");
    int track = row.track;
    int c = row.c;
    int h = row.h;
    int r = row.r;
    const int pieceLength = kBaseSectorLength << row.n;
    for (int piece = 0; piece * pieceLength < row.skip + row.length; ++piece) {
      std::printf("%s{\"track\":%d,\"c\":%d,\"h\":%d,\"r\":%d,\"n\":%d}", piece == 0 ? "" : ",",
                  track, c, h, r, row.n);
      image.NextRunSector(&track, &c, &h, &r);
    }
    std::printf("]}");
  }
  std::printf("]");
}

void PrintSignature(D88Image& image) {
  const SignatureVerdict verdict = CheckSignature(image);
  std::printf("\"signature\":{\"image\":0,\"track\":%d,\"numbers\":[", kSignatureTrack);
  for (int i = 0; i < 2; ++i) {
    if (verdict.entries > i + 1) {
      std::printf("%s%d", i == 0 ? "" : ",", verdict.numbers[i]);
    } else {
      std::printf("%snull", i == 0 ? "" : ",");
    }
  }
  std::printf("],\"title\":");
  if (verdict.title >= 0) {
    std::printf("\"%s\"", kTitleSignatures[verdict.title].title);
  } else {
    std::printf("null");
  }
  // The titles whose files the first image holds whole, for a copy without its signature.
  std::printf(",\"runs_present\":[");
  bool first = true;
  for (int title = 0; title < kTitleCount; ++title) {
    if (TitleRunsPresent(image, title)) {
      std::printf("%s{\"title\":\"%s\",\"option\":\"%s\"}", first ? "" : ",",
                  kTitleSignatures[title].title, kTitleSignatures[title].option);
      first = false;
    }
  }
  std::printf("]");
  if (verdict.title >= 0) {
    PrintFiles(image, *kTitleFiles[verdict.title]);
  }
  std::printf("}");
}

}  // namespace

void PrintJsonReport(D88Image& image, const char* path, const FileVerdict& verdict,
                     int64_t notIndexedAt) {
  StartListing();
  std::printf("{\"file\":");
  PrintJsonText(path);
  std::printf(",\"d88\":%s,\"reason\":", verdict.d88 ? "true" : "false");
  if (verdict.d88) {
    std::printf("null");
  } else {
    PrintJsonText(verdict.reason);
  }
  std::printf(",\"format\":");
  if (verdict.format != nullptr) {
    std::printf("\"%s\"", verdict.format);
  } else {
    std::printf("null");
  }
  const int count = image.GetDiskCount();
  const int distinct = CountDistinctImages(image);
  std::printf(",\"image_count\":%d,\"more_images\":%s", count,
              notIndexedAt >= 0 ? "true" : "false");
  if (notIndexedAt >= 0) {
    std::printf(",\"stopped_at\":%lld", static_cast<long long>(notIndexedAt));
  }
  std::printf(",\"images\":[");
  for (int index = 0; index < distinct && std::ferror(stdout) == 0; ++index) {
    std::printf(index == 0 ? "\n" : ",\n");
    PrintImage(image, index, index == distinct - 1 ? count - distinct : 0);
  }
  std::printf("],\n");
  PrintSignature(image);
  std::printf("}\n");
}
