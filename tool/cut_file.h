// Cutting a title's files out of the current image.
#ifndef TOOL_CUT_FILE_H
#define TOOL_CUT_FILE_H

#include "castle/extraction_lists.h"

// Cut one file from the current image into the current directory. False when nothing was
// written: the run's first sector is missing or short, or the file could not be written.
bool CutFile(const char* name, int track, int c, int h, int r, int n, int skip, int length);
bool CutFileInverted(const char* name, int track, int c, int h, int r, int n, int skip, int length);

// Cuts every file of the list in order, whatever each cut returns. Returns the number of files
// that could not be written (a file missing from the disk is not counted).
int RunExtractionList(const ExtractionList& list);

#endif  // TOOL_CUT_FILE_H
