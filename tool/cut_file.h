// Cutting a title's files out of the current image.
#ifndef TOOL_CUT_FILE_H
#define TOOL_CUT_FILE_H

#include "castle/extraction_lists.h"

// Cut one file from the current image into the current directory. False when nothing was
// written: the run's first sector is missing or short, or the file could not be written.
bool CutFile(const char* name, int track, int c, int h, int r, int n, int skip, int length);
bool CutFileInverted(const char* name, int track, int c, int h, int r, int n, int skip, int length);

// How a list's cuts went.
struct ListOutcome {
  int unwritten = 0;   // files that could not be written (a file missing from the disk is not)
  int incomplete = 0;  // files not written whole: missing from the disk, padded, or unwritten
};

// Cuts every file of the list in order, whatever each cut returns.
ListOutcome RunExtractionList(const ExtractionList& list);

// Where the files go, made only when the first of them is about to be written: `prepare` is
// called once then, and says on standard error why the files cannot go there (false). Null for
// the current directory, as it is.
using OutputPlace = bool (*)(void* context);
void SetOutputPlace(OutputPlace prepare, void* context);

#endif  // TOOL_CUT_FILE_H
