// The game files of each title: where they lie on the disk, and the routines that cut them out.
#ifndef TOOL_TITLE_EXTRACTION_H
#define TOOL_TITLE_EXTRACTION_H

#include <cstdio>

#include "d88/d88image.h"

// One working buffer for the whole run: 80 tracks of 16 sectors of 256 bytes.
constexpr int kBufferSize = 0x50000;

extern D88Image g_d88;
extern unsigned char g_buffer[kBufferSize];
extern std::FILE* g_outFile;
extern int g_failedWrites;  // output files that could not be written; decides the exit code

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

extern const ExtractionList kTheCastleFiles;
extern const ExtractionList kCastleExcellentFiles;

// Cut one file from the current image into the current directory. False when nothing was
// written: the run's first sector is missing or short, or the file could not be written.
bool CutFile(const char* name, int track, int c, int h, int r, int n, int skip, int length);
bool CutFileInverted(const char* name, int track, int c, int h, int r, int n, int skip, int length);

// Cuts every file of the list in order, whatever each cut returns.
void RunExtractionList(const ExtractionList& list);

#endif  // TOOL_TITLE_EXTRACTION_H
