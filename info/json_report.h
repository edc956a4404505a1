#ifndef INFO_JSON_REPORT_H
#define INFO_JSON_REPORT_H

#include "d88/d88image.h"

// Prints what the open file holds as one JSON document: the same facts as the text report, each
// record with all it carries, and for a recognised first image the sectors its files come from.
// The keys are described in d88-info's manual page; they only ever grow. moreImages: the file
// holds whole images beyond the 64 the reader indexes.
void PrintJsonReport(D88Image& image, const char* path, bool moreImages);

#endif  // INFO_JSON_REPORT_H
