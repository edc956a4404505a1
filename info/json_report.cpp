#include "info/json_report.h"

#include <cstdio>

#include "castle/extraction_lists.h"
#include "info/decimal.h"
#include "info/disk_map.h"
#include "info/json_string.h"
#include "info/report_output.h"
#include "text/shift_jis.h"

namespace {

// The most a track's entry can cost, to keep the document within its bound: the entry's own
// keys, and each record of its own or segment of records listed before (with its place in the
// walk); then, for each image left, its entry without tracks, and the signature.
constexpr int kTrackCost = 256;
constexpr int kItemCost = 192;
constexpr int kImageTailCost = 1024;
constexpr int kSignatureCost = 8192;

void PrintSectors(const TrackRecord* records, int count) {
  for (int i = 0; i < count; ++i) {
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
    ReportBytes(line, static_cast<size_t>(end - line));
  }
}

// The walk in order: {"sectors":n} for n records of the track's own (the next n of "sectors"),
// {"image","track","record","records"} for records listed before by that track, from its own
// record number "record" on; with "through":{"image","track"} for every own record of each
// track from that one to this one, the same track of one image after another or one track
// after another of the same image.
void PrintSegments(const TrackListing& listing) {
  ReportText(",\"walk\":[");
  for (int i = 0; i < listing.segmentCount; ++i) {
    const WalkSegment& segment = listing.segments[i];
    if (segment.own) {
      ReportFormat("%s{\"sectors\":%d}", i == 0 ? "" : ",", segment.length);
    } else {
      ReportFormat("%s{\"image\":%d,\"track\":%d,\"record\":%d,\"records\":%d", i == 0 ? "" : ",",
                   segment.owner.image, segment.owner.track, segment.owner.record, segment.length);
      if (segment.throughImage != segment.owner.image ||
          segment.throughTrack != segment.owner.track) {
        ReportFormat(",\"through\":{\"image\":%d,\"track\":%d}", segment.throughImage,
                     segment.throughTrack);
      }
      ReportText("}");
    }
  }
  ReportText("]");
}

// The walk, where it is more than one segment (its own sectors, or "same_as" for "records"
// records), then the first records listed before and the records left out.
void PrintWalk(const TrackListing& listing) {
  const WalkSegment& only = listing.segments[0];
  const bool plain =
      listing.segmentCount == 0 ||
      (listing.segmentCount == 1 && (only.own || (only.throughImage == only.owner.image &&
                                                  only.throughTrack == only.owner.track)));
  if (!plain) {
    PrintSegments(listing);
  }
  // The first records listed before, as before the walk was said whole.
  for (int i = 0; i < listing.segmentCount; ++i) {
    const WalkSegment& segment = listing.segments[i];
    if (!segment.own) {
      ReportFormat(",\"same_as\":{\"image\":%d,\"track\":%d", segment.owner.image,
                   segment.owner.track);
      if (segment.owner.record > 0) {
        ReportFormat(",\"record\":%d", segment.owner.record);
      }
      ReportText("}");
      break;
    }
  }
  if (listing.notListed > 0) {
    ReportFormat(",\"not_listed\":%d", listing.notListed);
  }
}

void PrintProblems(const D88Image& image) {
  const HeaderProblems problems = FindHeaderProblems(image);
  ReportText(",\"problems\":[");
  for (int i = 0; i < problems.count; ++i) {
    ReportText(i == 0 ? "" : ",");
    PrintJsonText(problems.text[i]);
  }
  ReportText("]");
}

// An image's header entry, and its tracks where the scope lists them.
void PrintImage(D88Image& image, int index, int repeats, int imagesAfter,
                const ReportScope& scope) {
  ReportFormat("{\"index\":%d", index);
  if (!image.SelectDisk(index)) {
    ReportText(",\"readable\":false}");
    return;
  }
  const int media = image.GetMediaType();
  ReportText(",\"readable\":true,\"name\":");
  PrintJsonBytes(image.GetDiskName());
  char text[4 * kDiskNameLength + 1];
  ReportText(",\"name_text\":");
  if (ShiftJisTextToUtf8(image.GetDiskName(), text, sizeof text)) {
    PrintJsonText(text);
  } else {
    ReportText("null");
  }
  ReportFormat(",\"media_type\":%d,\"media\":\"%s\",\"size\":%d,\"repeats\":%d", media,
               MediaTypeName(media), image.GetDiskSize(), repeats);
  PrintProblems(image);
  if (!scope.ListsTracksOf(index)) {
    ReportText("}");
    return;
  }
  ReportText(",\"tracks\":[");
  const int64_t reserve = static_cast<int64_t>(imagesAfter + 1) * kImageTailCost + kSignatureCost;
  bool first = true;
  int notShown = 0;
  for (int track = 0; track < kTrackCount && !ReportFailed(); ++track) {
    const int64_t room = ReportRoom() - reserve - kTrackCost;
    if (room < 0) {
      StopListing();
    }
    if (ListingStopped()) {
      notShown += IsPresent(image, track) ? 1 : 0;
      continue;
    }
    const int64_t items = room / kItemCost;
    const TrackListing listing = ListTrack(
        image, index, track, items < kMaxWalkRecords ? static_cast<int>(items) : kMaxWalkRecords,
        scope.recordsPerTrack);
    if (IsShown(listing)) {
      ReportFormat("%s\n{\"track\":%d,\"records\":%d,\"sectors\":[", first ? "" : ",", track,
                   listing.walkLength);
      PrintSectors(listing.records, listing.ownCount);
      ReportText("]");
      PrintWalk(listing);
      ReportText("}");
      first = false;
    }
  }
  ReportText("]");
  if (notShown > 0) {
    ReportFormat(",\"tracks_not_listed\":%d", notShown);
  }
  ReportText("}");
}

// The sectors of each file's run, in the order the command reads them, as the rule of runs
// steps through them, each with the bytes its sector gives ("read": 0 where the track has no
// such sector, less than 128 << N where it is short).
void PrintFiles(D88Image& image, const ExtractionList& files) {
  static unsigned char data[kSectorLength];  // the size every run's sectors have
  image.SetSectorRange(kFirstSector, kLastSector);
  ReportText(",\"files\":[");
  for (int i = 0; i < kFilesPerTitle; ++i) {
    const TitleEntry& row = files[i];
    ReportFormat("%s\n{\"name\":\"%s\",\"skip\":%d,\"length\":%d,\"complemented\":%s,\"sectors\":[",
                 i == 0 ? "" : ",", row.name, row.skip, row.length,
                 row.complemented ? "true" : "false");
    int track = row.track;
    int c = row.c;
    int h = row.h;
    int r = row.r;
    const int pieceLength = kBaseSectorLength << row.n;
    for (int piece = 0; piece * pieceLength < row.skip + row.length; ++piece) {
      const int read = image.ReadSector(track, c, h, r, row.n, data,
                                        pieceLength < kSectorLength ? pieceLength : kSectorLength);
      ReportFormat("%s{\"track\":%d,\"c\":%d,\"h\":%d,\"r\":%d,\"n\":%d,\"read\":%d}",
                   piece == 0 ? "" : ",", track, c, h, r, row.n, read);
      image.NextRunSector(&track, &c, &h, &r);
    }
    ReportText("]}");
  }
  ReportText("]");
}

// For an image without its signature track: the titles of which it holds files whole, and how
// many, for castle-extract --title.
void PrintRunsPresent(D88Image& image, int signatureImage) {
  ReportText(",\"runs_present\":[");
  bool first = true;
  for (int title = 0; title < kTitleCount; ++title) {
    const int whole = TitleFilesOnCopy(image, title, signatureImage);
    if (whole > 0) {
      ReportFormat("%s{\"title\":\"%s\",\"option\":\"%s\",\"files_whole\":%d,\"files\":%d}",
                   first ? "" : ",", kTitleSignatures[title].title,
                   kTitleSignatures[title].option, whole, kFilesPerTitle);
      first = false;
    }
  }
  ReportText("]");
}

// The other images that carry a title's signature, for castle-extract --image.
void PrintOtherImages(D88Image& image, int distinct, int signatureImage) {
  ReportText(",\"other_images\":[");
  bool first = true;
  for (int other = 0; other < distinct; ++other) {
    const int title = other == signatureImage ? -1 : CheckSignature(image, other).title;
    if (title >= 0) {
      ReportFormat("%s{\"image\":%d,\"title\":\"%s\"}", first ? "" : ",", other,
                   kTitleSignatures[title].title);
      first = false;
    }
  }
  ReportText("]");
}

// The signature of the image the scope names (the first where it names none), which titles'
// runs that image holds whole, and which other images carry a signature.
void PrintSignature(D88Image& image, int distinct, int signatureImage) {
  const SignatureVerdict verdict = CheckSignature(image, signatureImage);
  ReportFormat("\"signature\":{\"image\":%d,\"track\":%d,\"numbers\":[", signatureImage,
               kSignatureTrack);
  for (int i = 0; i < 2; ++i) {
    if (verdict.entries > i + 1) {
      ReportFormat("%s%d", i == 0 ? "" : ",", verdict.numbers[i]);
    } else {
      ReportFormat("%snull", i == 0 ? "" : ",");
    }
  }
  ReportText("],\"title\":");
  if (verdict.title >= 0) {
    ReportFormat("\"%s\"", kTitleSignatures[verdict.title].title);
  } else {
    ReportText("null");
  }
  PrintRunsPresent(image, signatureImage);
  PrintOtherImages(image, distinct, signatureImage);
  if (verdict.title >= 0 && image.SelectDisk(signatureImage)) {
    PrintFiles(image, *kTitleFiles[verdict.title]);
  }
  ReportText("}");
}

}  // namespace

void PrintJsonReport(D88Image& image, const char* path, const FileVerdict& verdict,
                     int64_t notIndexedAt, int64_t fileSize, const ReportEntry* entry,
                     const ReportScope& scope) {
  StartListing();
  StartReportOutput(JsonReportBound(fileSize));
  ReportText("{\"file\":");
  PrintJsonText(path);
  if (entry != nullptr) {
    ReportText(",\"entry\":");
    PrintJsonText(entry->name);
    ReportText(",\"entry_text\":");
    if (entry->decoded) {
      PrintJsonText(entry->name);
    } else {
      ReportText("null");
    }
    ReportFormat(",\"entry_number\":%d", entry->number);
  }
  ReportFormat(",\"d88\":%s,\"reason\":", verdict.d88 ? "true" : "false");
  if (verdict.d88) {
    ReportText("null");
  } else {
    PrintJsonText(verdict.reason);
  }
  ReportText(",\"format\":");
  if (verdict.format != nullptr) {
    ReportFormat("\"%s\"", verdict.format);
  } else {
    ReportText("null");
  }
  const int count = image.GetDiskCount();
  const int distinct = CountDistinctImages(image);
  ReportFormat(",\"image_count\":%d,\"more_images\":%s", count,
               notIndexedAt >= 0 ? "true" : "false");
  if (notIndexedAt >= 0) {
    ReportFormat(",\"stopped_at\":%lld", static_cast<long long>(notIndexedAt));
  }
  ReportText(",\"images\":[");
  for (int index = 0; index < distinct && !ReportFailed(); ++index) {
    ReportText(index == 0 ? "\n" : ",\n");
    PrintImage(image, index, index == distinct - 1 ? count - distinct : 0, distinct - 1 - index,
               scope);
  }
  ReportText("],\n");
  PrintSignature(image, distinct, scope.SignatureImage());
  ReportText("}\n");
}
