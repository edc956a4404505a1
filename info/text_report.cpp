#include "info/text_report.h"

#include <cstdio>
#include <cstring>

#include "castle/extraction_lists.h"
#include "castle/title_signature.h"
#include "info/decimal.h"
#include "info/disk_map.h"
#include "info/report_output.h"
#include "text/entry_name.h"
#include "text/shift_jis.h"

namespace {

// The most a track line can cost, to keep the report within its bound: the line's own words,
// and each record of its own or segment of records listed before.
constexpr int kTrackLineCost = 192;
constexpr int kItemCost = 96;
// What must still fit after the tracks: for each image left, its line and the line that says
// its tracks are not listed; the lines of runs of tracks held back to be joined; the signature
// lines, one for each image that carries a title.
constexpr int kImageTailCost = 320;
constexpr int kHeldLinesCost = 512;
constexpr int kSignatureCost = 6400;

constexpr char kBoundReached[] = "the report has reached its bound";

// "1st", "2nd", "3rd", "4th", ..., "11th", "21st".
char* AppendOrdinal(char* out, int number) {
  out = AppendDecimal(out, number);
  const int last = number % 10;
  const bool teen = number % 100 / 10 == 1;
  const char* suffix = teen || last == 0 || last > 3 ? "th"
                       : last == 1                   ? "st"
                       : last == 2                   ? "nd"
                                                     : "rd";
  return AppendText(out, suffix);
}

// Records listed before, as "same records as track 10 of image 1 from its 3rd, 2 records": the
// count is said where they are not the rest of that track's own records. Whole tracks one after
// another are "same records as tracks 5 to 9" or "same records as track 0 of images 1 to 14".
char* AppendJoin(char* out, const WalkSegment& segment, int imageIndex) {
  if (segment.throughTrack != segment.owner.track) {
    out = AppendDecimal(AppendText(out, "same records as tracks "), segment.owner.track);
    out = AppendDecimal(AppendText(out, " to "), segment.throughTrack);
    return segment.owner.image == imageIndex
               ? out
               : AppendDecimal(AppendText(out, " of image "), segment.owner.image);
  }
  out = AppendDecimal(AppendText(out, "same records as track "), segment.owner.track);
  if (segment.throughImage != segment.owner.image) {
    out = AppendDecimal(AppendText(out, " of images "), segment.owner.image);
    return AppendDecimal(AppendText(out, " to "), segment.throughImage);
  }
  if (segment.owner.image != imageIndex) {
    out = AppendDecimal(AppendText(out, " of image "), segment.owner.image);
  }
  if (segment.owner.record > 0) {
    out = AppendOrdinal(AppendText(out, " from its "), segment.owner.record + 1);
  }
  if (segment.owner.record + segment.length != OwnRecordsListed(segment.owner)) {
    out = AppendDecimal(AppendText(out, ", "), segment.length);
    out = AppendText(out, segment.length == 1 ? " record" : " records");
  }
  return out;
}

void Emit(const char* line, const char* end) {
  ReportBytes(line, static_cast<size_t>(end - line));
}

// A track's own records: the sector numbers in stored order. A sector whose C, H or N differ
// from the track's first own record's shows them in brackets; one whose data is not 128 << N
// bytes long shows its length after '='.
void PrintOwn(const TrackRecord* records, const WalkSegment& segment) {
  const SectorHeader& first = records[0].header;
  for (int i = segment.first; i < segment.first + segment.length; ++i) {
    const SectorHeader& id = records[i].header;
    char item[48];
    char* at = AppendDecimal(AppendText(item, " "), id.Number());
    if (id.Cylinder() != first.Cylinder() || id.Head() != first.Head() ||
        id.SizeCode() != first.SizeCode()) {
      at = AppendDecimal(AppendText(at, "[C"), id.Cylinder());
      at = AppendDecimal(AppendText(at, " H"), id.Head());
      at = AppendText(AppendDecimal(AppendText(at, " N"), id.SizeCode()), "]");
    }
    const int size = records[i].storedSize;
    if (id.SizeCode() > kMaxSizeCode || size != kBaseSectorLength << id.SizeCode()) {
      at = AppendDecimal(AppendText(at, "="), size);
    }
    Emit(item, at);
  }
}

// Whether a track's line is only records listed before, which runs of tracks say alike.
bool OnlyJoins(const TrackListing& listing) {
  return listing.ownCount == 0 && listing.notListed == 0 && !listing.zeroCount;
}

// The line of a track that lists only records listed before, after "track N:"; false when it
// is too long to hold (it is then printed as any other).
bool JoinsText(const TrackListing& listing, int imageIndex, char* text, size_t capacity) {
  constexpr size_t kLongestJoin = 120;
  char* at = text;
  for (int i = 0; i < listing.segmentCount; ++i) {
    if (static_cast<size_t>(at - text) + kLongestJoin >= capacity) {
      return false;
    }
    at = AppendJoin(AppendText(at, i == 0 ? " " : ", then "), listing.segments[i], imageIndex);
  }
  *at = '\0';
  return true;
}

// The records of a track's walk left out, and why: ", and 14 more records not listed: ...".
char* AppendNotListed(char* at, const TrackListing& listing, int limit) {
  if (listing.notListed == 0) {
    return at;
  }
  at = AppendText(at, listing.walkLength > 0 ? ", and " : " ");
  at = AppendDecimal(at, listing.notListed);
  at = AppendText(at, listing.walkLength > 0 ? " more" : "");
  at = AppendText(at, listing.notListed == 1 ? " record not listed: " : " records not listed: ");
  return listing.cutByLimit ? AppendDecimal(AppendText(at, "--records asks for "), limit)
                            : AppendText(at, kBoundReached);
}

// One line for a track: its index, how many records its walk holds (and what their counts say
// where the walk did not end on them), the C, H and N of its first own record, then its walk in
// order: its own sector numbers, and records listed before by other tracks.
void PrintTrack(int track, const TrackListing& listing, int imageIndex, int limit) {
  char head[160];
  char* at = AppendDecimal(AppendText(head, "  track "), track);
  *at++ = ':';
  if (listing.ownCount > 0) {
    const SectorHeader& first = listing.records[0].header;
    // A walk listed in part says how much of it is listed: "2 of 16 sectors".
    const int walked = listing.walkLength + listing.notListed;
    at = AppendDecimal(AppendText(at, " "), listing.walkLength);
    if (listing.notListed > 0) {
      at = AppendDecimal(AppendText(at, " of "), walked);
    }
    at = AppendText(at, walked == 1 ? " sector" : " sectors");
    if (!listing.endedByCount && !listing.zeroCount) {
      if (listing.sharedCount < 0) {
        at = AppendText(at, " (their counts differ)");
      } else if (listing.sharedCount != walked) {
        at = AppendText(AppendDecimal(AppendText(at, " (each says "), listing.sharedCount), ")");
      }
    }
    at = AppendDecimal(AppendText(at, ", C"), first.Cylinder());
    at = AppendDecimal(AppendText(at, " H"), first.Head());
    at = AppendText(AppendDecimal(AppendText(at, " N"), first.SizeCode()), ":");
  }
  Emit(head, at);
  for (int i = 0; i < listing.segmentCount; ++i) {
    const WalkSegment& segment = listing.segments[i];
    char join[160];
    at = AppendText(join, i == 0 ? "" : ", then");
    if (segment.own) {
      Emit(join, at);
      PrintOwn(listing.records, segment);
    } else {
      Emit(join, AppendJoin(AppendText(at, " "), segment, imageIndex));
    }
  }
  char end[160];
  at = AppendNotListed(AppendText(end, listing.zeroCount ? " (its sector count is 0)" : ""),
                       listing, limit);
  *at++ = '\n';
  Emit(end, at);
}

// The name as text where it is Shift_JIS text (so plain ASCII too), else byte by byte with
// escapes; a quote and a backslash are always escaped, so that the name ends at its quote.
void PrintName(const char* name) {
  char text[4 * kDiskNameLength + 1];
  const bool decoded = ShiftJisTextToUtf8(name, text, sizeof text);
  char shown[4 * sizeof text];
  char* at = shown;
  for (const char* c = decoded ? text : name; *c != '\0'; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    const bool plain =
        byte != '"' && byte != '\\' && ((byte >= 0x20 && byte < 0x7F) || (decoded && byte >= 0x80));
    if (plain) {
      *at++ = *c;
    } else {
      at += std::snprintf(at, 5, "\\x%02x", byte);
    }
  }
  *at = '\0';
  ReportText(shown);
}

// Tracks in a row that list only records listed before and read alike, held back to be said in
// one line.
class HeldLines {
 public:
  HeldLines(int imageIndex, int limit) : m_image(imageIndex), m_limit(limit) {}
  // Holds the track's line, or says the held ones and holds nothing when it reads otherwise.
  void Add(int track, const TrackListing& listing) {
    char text[sizeof m_text];
    if (!OnlyJoins(listing) || !JoinsText(listing, m_image, text, sizeof text)) {
      Flush();
      PrintTrack(track, listing, m_image, m_limit);
      return;
    }
    if (m_first >= 0 && std::strcmp(text, m_text) != 0) {
      Flush();
    }
    if (m_first < 0) {
      m_first = track;
      std::memcpy(m_text, text, sizeof m_text);
    }
    m_last = track;
  }
  // Says the held tracks, which name present tracks only: an absent one ends the run.
  void Flush() {
    if (m_first < 0) {
      return;
    }
    char line[32];
    char* at =
        AppendDecimal(AppendText(line, m_first == m_last ? "  track " : "  tracks "), m_first);
    if (m_last != m_first) {
      at = AppendDecimal(AppendText(at, " to "), m_last);
    }
    *at++ = ':';
    Emit(line, at);
    ReportText(m_text);
    ReportText("\n");
    m_first = -1;
  }

 private:
  int m_image;
  int m_limit;  // the records listed of each track at most
  int m_first = -1;
  int m_last = -1;
  char m_text[kHeldLinesCost - 64];
};

// An image's line, and its tracks where the scope lists them.
void PrintImage(D88Image& image, int index, int imagesAfter, const ReportScope& scope) {
  if (!image.SelectDisk(index)) {
    ReportFormat("image %d: header cannot be read\n", index);
    return;
  }
  const int media = image.GetMediaType();
  ReportFormat("image %d: name \"", index);
  PrintName(image.GetDiskName());
  ReportFormat("\", media 0x%02x (%s), size %d bytes\n", media, MediaTypeName(media),
               image.GetDiskSize());
  if (!scope.ListsTracksOf(index)) {
    return;
  }
  const int64_t reserve =
      static_cast<int64_t>(imagesAfter + 1) * kImageTailCost + kHeldLinesCost + kSignatureCost;
  HeldLines held(index, scope.recordsPerTrack);
  int notShown = 0;  // present tracks left out once the report reached its bound
  for (int track = 0; track < kTrackCount && !ReportFailed(); ++track) {
    const int64_t room = ReportRoom() - reserve - kTrackLineCost;
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
    if (!IsShown(listing)) {
      held.Flush();
      continue;
    }
    held.Add(track, listing);
  }
  held.Flush();
  if (notShown > 0) {
    ReportFormat("  %d more track%s not listed: %s\n", notShown, notShown == 1 ? "" : "s",
                 kBoundReached);
  }
}

// A copy without its protection track may still hold the files: says how to cut them.
void PrintHowToCut(D88Image& image, int signatureImage) {
  int present[kTitleCount];
  int whole[kTitleCount];
  int count = 0;
  for (int title = 0; title < kTitleCount; ++title) {
    whole[count] = TitleFilesOnCopy(image, title, signatureImage);
    if (whole[count] > 0) {
      present[count++] = title;
    }
  }
  if (count == 0) {
    return;
  }
  ReportText("signature: none; the runs of");
  for (int i = 0; i < count; ++i) {
    ReportFormat("%s\"%s\"", i == 0 ? " " : " and ", kTitleSignatures[present[i]].title);
    if (whole[i] < kFilesPerTitle) {
      ReportFormat(" (%d of its %d files)", whole[i], kFilesPerTitle);
    }
  }
  ReportText(" are present: try castle-extract");
  if (signatureImage != 0) {
    ReportFormat(" --image %d", signatureImage);
  }
  for (int i = 0; i < count; ++i) {
    ReportFormat("%s--title %s", i == 0 ? " " : " or ", kTitleSignatures[present[i]].option);
  }
  ReportText("\n");
}

// Says, in the same words whatever the outcome, what the second and third sectors stored on
// track 79 of the image (the first, or the one asked for) are numbered and which title that
// makes; for an image of neither title, how a copy without its signature can be cut, and which
// other images carry one.
void PrintSignature(D88Image& image, int distinct, int signatureImage) {
  const SignatureVerdict verdict = CheckSignature(image, signatureImage);
  ReportFormat("signature: track %d of image %d, sectors 2 and 3 numbered", kSignatureTrack,
               signatureImage);
  for (int i = 0; i < 2; ++i) {
    if (verdict.entries > i + 1) {
      ReportFormat(" 0x%02X", verdict.numbers[i]);
    } else {
      ReportText(" --");
    }
  }
  ReportFormat(": %s\n",
               verdict.title >= 0 ? kTitleSignatures[verdict.title].title : "neither title");
  if (verdict.title < 0) {
    PrintHowToCut(image, signatureImage);
  }
  // Every other image that carries a title, whether this one is a game disk or not.
  for (int other = 0; other < distinct; ++other) {
    const int title = other == signatureImage ? -1 : CheckSignature(image, other).title;
    if (title >= 0) {
      ReportFormat("signature: image %d is \"%s\": try castle-extract --image %d\n", other,
                   kTitleSignatures[title].title, other);
    }
  }
}

}  // namespace

void PrintTextReport(D88Image& image, const char* path, const FileVerdict& verdict,
                     int64_t notIndexedAt, int64_t fileSize, const ReportEntry* entry,
                     const ReportScope& scope) {
  StartListing();
  StartReportOutput(TextReportBound(fileSize));
  ReportText("file: ");
  ReportText(path);
  if (entry != nullptr) {
    // A name can hold any byte: one that would work a terminal is shown escaped.
    static char shown[kEntryNameTextSize];
    EscapeControls(entry->name, shown, sizeof shown);
    ReportText("\nentry: ");
    ReportText(shown);
  }
  const int count = image.GetDiskCount();
  const bool pastTheLimit = notIndexedAt >= 0 && count == kMaxDisks;
  ReportFormat("\nimages: %d%s\n", count,
               pastTheLimit ? " (the file holds more; only the first 64 are indexed)" : "");
  if (!verdict.d88) {
    ReportFormat("not a D88 disk image: %s\n", verdict.reason);
  }
  if (notIndexedAt >= 0 && !pastTheLimit) {
    ReportText("only the images in the first 2 GiB are listed\n");
  }
  const int distinct = CountDistinctImages(image);
  for (int index = 0; index < distinct && !ReportFailed(); ++index) {
    PrintImage(image, index, distinct - 1 - index, scope);
  }
  if (distinct < count) {
    if (distinct < count - 1) {
      ReportFormat("images %d to %d:", distinct, count - 1);
    } else {
      ReportFormat("image %d:", distinct);
    }
    ReportFormat(
        " image %d again: its size field is 0, which gives no start for a next image and "
        "leaves no track readable\n",
        distinct - 1);
  }
  PrintSignature(image, distinct, scope.SignatureImage());
}
