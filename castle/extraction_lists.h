// The game files of each title: where each lies on the disk, and whether it is stored
// complemented.
#ifndef CASTLE_EXTRACTION_LISTS_H
#define CASTLE_EXTRACTION_LISTS_H

#include "castle/title_signature.h"

// One file of a title: a run of consecutive sectors starting at (c, h, r, n) on the given track,
// of which `skip` bytes are passed over and `length` bytes are written.
struct TitleEntry {
  const char* name;
  int track;
  int c;
  int h;
  int r;
  int n;
  int skip;
  int length;
  bool complemented;  // stored with every byte inverted; written restored
};

constexpr int kFilesPerTitle = 4;
using ExtractionList = TitleEntry[kFilesPerTitle];

// The names of the files every title yields, in the order they are cut.
extern const char* const kOutputNames[kFilesPerTitle];

extern const ExtractionList kTheCastleFiles;
extern const ExtractionList kCastleExcellentFiles;

// Each title's files, indexed as kTitleSignatures.
extern const ExtractionList* const kTitleFiles[kTitleCount];

#endif  // CASTLE_EXTRACTION_LISTS_H
