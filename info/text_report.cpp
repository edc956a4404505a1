#include "info/text_report.h"

#include <cstdio>
#include <cstring>

#include "castle/title_signature.h"
#include "info/decimal.h"
#include "info/disk_map.h"
#include "platform/platform.h"
#include "text/shift_jis.h"

namespace {

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

// Where a walk that stopped on records listed before says they were listed: kept short, because
// a crafted file can make every track of every image say it.
char* AppendMeeting(char* out, const TrackListing& listing, int imageIndex) {
  if (listing.notListed) {
    return AppendText(out, "not listed: too many records listed already to tell them apart");
  }
  out = AppendText(out, listing.meets == ShownRecords::kSame ? "same records as track "
                                                             : "records run into those of track ");
  out = AppendDecimal(out, listing.owner.track);
  if (listing.owner.image != imageIndex) {
    out = AppendDecimal(AppendText(out, " of image "), listing.owner.image);
  }
  if (listing.meets == ShownRecords::kSame && listing.owner.record > 0) {
    out = AppendOrdinal(AppendText(out, " from its "), listing.owner.record + 1);
  }
  return out;
}

void Emit(const char* line, const char* end) {
  std::fwrite(line, 1, static_cast<size_t>(end - line), stdout);
}

// One line for a track with records of its own: its index, sector count, the first sector's C,
// H and N, then the sector numbers in stored order. A sector whose C, H or N differ from the
// first's shows them in brackets; one whose data is not 128 << N bytes long shows its length
// after '='. A walk that then met records listed before says so at the end.
void PrintTrack(int track, const TrackListing& listing, int imageIndex) {
  const TrackRecord* records = listing.records;
  const SectorHeader& first = records[0].header;
  std::printf("  track %d: %d sector%s, C%d H%d N%d:", track, listing.listed,
              listing.listed == 1 ? "" : "s", first.Cylinder(), first.Head(), first.SizeCode());
  for (int i = 0; i < listing.listed; ++i) {
    const SectorHeader& id = records[i].header;
    char number[16] = {' '};
    Emit(number, AppendDecimal(number + 1, id.Number()));
    if (id.Cylinder() != first.Cylinder() || id.Head() != first.Head() ||
        id.SizeCode() != first.SizeCode()) {
      std::printf("[C%d H%d N%d]", id.Cylinder(), id.Head(), id.SizeCode());
    }
    const int size = records[i].storedSize;
    if (id.SizeCode() > kMaxSizeCode || size != kBaseSectorLength << id.SizeCode()) {
      std::printf("=%d", size);
    }
  }
  char end[160];
  char* at = AppendText(end, listing.zeroCount ? " (its sector count is 0)" : "");
  if (listing.meets != ShownRecords::kNothing) {
    at = AppendMeeting(AppendText(at, ", then "), listing, imageIndex);
  }
  *at++ = '\n';
  Emit(end, at);
}

// Tracks first to last, which list nothing of their own and meet the same records.
void PrintMeeting(int first, int last, const TrackListing& listing, int imageIndex) {
  char line[160];
  char* at = AppendDecimal(AppendText(line, first == last ? "  track " : "  tracks "), first);
  if (last != first) {
    at = AppendDecimal(AppendText(at, " to "), last);
  }
  at = AppendMeeting(AppendText(at, ": "), listing, imageIndex);
  *at++ = '\n';
  Emit(line, at);
}

bool SameMeeting(const TrackListing& a, const TrackListing& b) {
  return a.meets == b.meets && a.notListed == b.notListed && a.owner.image == b.owner.image &&
         a.owner.track == b.owner.track && a.owner.record == b.owner.record;
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
  WriteUtf8(stdout, shown);
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
  // A run of tracks that list nothing of their own and meet the same records is one line.
  int groupFirst = -1;
  int groupLast = -1;
  TrackListing group = {};
  for (int track = 0; track < kTrackCount && std::ferror(stdout) == 0; ++track) {
    const TrackListing listing = ListTrack(image, index, track);
    if (!IsShown(listing)) {
      continue;
    }
    const bool onlyMeets = listing.listed == 0;
    if (groupFirst >= 0 && (!onlyMeets || !SameMeeting(listing, group))) {
      PrintMeeting(groupFirst, groupLast, group, index);
      groupFirst = -1;
    }
    if (!onlyMeets) {
      PrintTrack(track, listing, index);
    } else if (groupFirst < 0) {
      groupFirst = groupLast = track;
      group = listing;
    } else {
      groupLast = track;
    }
  }
  if (groupFirst >= 0) {
    PrintMeeting(groupFirst, groupLast, group, index);
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
  if (verdict.title >= 0) {
    return;
  }
  // A copy without its protection track may still hold the files: say how to cut them.
  int present[kTitleCount];
  int count = 0;
  for (int title = 0; title < kTitleCount; ++title) {
    if (TitleRunsPresent(image, title)) {
      present[count++] = title;
    }
  }
  if (count == 0) {
    return;
  }
  std::printf("signature: none; the runs of");
  for (int i = 0; i < count; ++i) {
    std::printf("%s\"%s\"", i == 0 ? " " : " and ", kTitleSignatures[present[i]].title);
  }
  std::printf(" are present: try castle-extract");
  for (int i = 0; i < count; ++i) {
    std::printf("%s--title %s", i == 0 ? " " : " or ", kTitleSignatures[present[i]].option);
  }
  std::printf("\n");
}

}  // namespace

void PrintTextReport(D88Image& image, const char* path, const FileVerdict& verdict,
                     int64_t notIndexedAt) {
  StartListing();
  std::fputs("file: ", stdout);
  WriteUtf8(stdout, path);
  const int count = image.GetDiskCount();
  const bool pastTheLimit = notIndexedAt >= 0 && count == kMaxDisks;
  std::printf("\nimages: %d%s\n", count,
              pastTheLimit ? " (the file holds more; only the first 64 are indexed)" : "");
  if (!verdict.d88) {
    std::printf("not a D88 disk image: %s\n", verdict.reason);
  }
  if (notIndexedAt >= 0 && !pastTheLimit) {
    std::printf("only the images in the first 2 GiB are listed\n");
  }
  const int distinct = CountDistinctImages(image);
  for (int index = 0; index < distinct && std::ferror(stdout) == 0; ++index) {
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
