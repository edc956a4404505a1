#ifndef INFO_JSON_REPORT_H
#define INFO_JSON_REPORT_H

#include <cstdint>

#include "d88/d88image.h"
#include "info/file_verdict.h"
#include "info/report_scope.h"

// Prints what the open file holds as one JSON document: the same facts as the text report, each
// record with all it carries (and once: a track whose walk reaches records listed before says
// where), each image's header problems, and for a recognised first image the sectors its files
// come from. The keys are described in d88-info's manual page; they only ever grow.
// notIndexedAt: the offset of the first image of the file the index does not hold, or -1. At
// most 32 bytes per byte of the file (fileSize, -1 when unknown) plus 64 KB. entry: the image
// of an archive the report is of, named after the file (keys "entry", "entry_text"). scope: one
// image's tracks only (the others without "tracks"; the signature is then that image's), and
// at most so many records of each track.
void PrintJsonReport(D88Image& image, const char* path, const FileVerdict& verdict,
                     int64_t notIndexedAt, int64_t fileSize, const ReportEntry* entry = nullptr,
                     const ReportScope& scope = ReportScope());

#endif  // INFO_JSON_REPORT_H
