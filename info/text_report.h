#ifndef INFO_TEXT_REPORT_H
#define INFO_TEXT_REPORT_H

#include <cstdint>

#include "d88/d88image.h"
#include "info/file_verdict.h"
#include "info/report_scope.h"

// Prints what the open file holds as text: its images, a line per present track (each record
// listed once: a track whose walk reaches records listed before says where), and the signature
// verdict for the first image. Before the images, a line says when the file is no D88 image,
// and when the index holds not every image of the file (notIndexedAt, the offset of the first
// image it does not hold, or -1). At most 16 bytes per byte of the file (fileSize, -1 when
// unknown) plus 16 KB: where the listing would pass that, it stops and says what it left out.
// entry: the image of an archive the report is of, named after the file; null for the file.
// scope: one image's tracks only (the others by their lines alone; the signature is then that
// image's), and at most so many records of each track.
void PrintTextReport(D88Image& image, const char* path, const FileVerdict& verdict,
                     int64_t notIndexedAt, int64_t fileSize, const ReportEntry* entry = nullptr,
                     const ReportScope& scope = ReportScope());

#endif  // INFO_TEXT_REPORT_H
