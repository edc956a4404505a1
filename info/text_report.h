#ifndef INFO_TEXT_REPORT_H
#define INFO_TEXT_REPORT_H

#include "d88/d88image.h"

// Prints what the open file holds as text: its images, a line per present track, and the
// signature verdict for the first image. moreImages: the file holds whole images beyond the
// 64 the reader indexes.
void PrintTextReport(D88Image& image, const char* path, bool moreImages);

#endif  // INFO_TEXT_REPORT_H
