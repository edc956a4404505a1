// Everything d88-info's reports print goes through here, so that a report knows how much it has
// printed and can keep within its bound: in proportion to the file, whatever the file is made of.
#ifndef INFO_REPORT_OUTPUT_H
#define INFO_REPORT_OUTPUT_H

#include <cstddef>
#include <cstdint>

// Starts a report that must stay within `bound` bytes.
void StartReportOutput(int64_t bound);

// The report's bound: 16 bytes of text, or 32 of JSON, per byte of the file, plus 16 KB or 64 KB
// for what every report has whatever the file (its path, the signature lines). A size of -1
// (not known) sets no bound.
int64_t TextReportBound(int64_t fileSize);
int64_t JsonReportBound(int64_t fileSize);

// Prints bytes, UTF-8 text (converted for a Windows console), or a printf format.
void ReportBytes(const char* bytes, size_t length);
void ReportText(const char* text);
void ReportFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Bytes still to print before the bound; negative past it.
int64_t ReportRoom();

// Whether standard output has failed: a report stops then.
bool ReportFailed();

#endif  // INFO_REPORT_OUTPUT_H
