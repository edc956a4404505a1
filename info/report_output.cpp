#include "info/report_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

int64_t g_bound = 0;
int64_t g_printed = 0;

}  // namespace

void StartReportOutput(int64_t bound) {
  g_bound = bound;
  g_printed = 0;
}

// A file whose size cannot be told (a device) sets no bound.
constexpr int64_t kNoBound = INT64_C(1) << 62;

int64_t TextReportBound(int64_t fileSize) {
  return fileSize < 0 ? kNoBound : 16 * fileSize + 16384;
}

int64_t JsonReportBound(int64_t fileSize) {
  return fileSize < 0 ? kNoBound : 32 * fileSize + 65536;
}

void ReportBytes(const char* bytes, size_t length) {
  std::fwrite(bytes, 1, length, stdout);
  g_printed += static_cast<int64_t>(length);
}

void ReportText(const char* text) {
  WriteUtf8(stdout, text);
  g_printed += static_cast<int64_t>(std::strlen(text));
}

void ReportFormat(const char* format, ...) {
  static char line[1024];
  va_list args;
  va_start(args, format);
  // clang 14's analyzer does not see va_start through the va_list typedef of x86-64.
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  const int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (length > 0) {
    ReportBytes(line, static_cast<size_t>(length) < sizeof line ? static_cast<size_t>(length)
                                                                : sizeof line - 1);
  }
}

int64_t ReportRoom() {
  return g_bound - g_printed;
}

bool ReportFailed() {
  return std::ferror(stdout) != 0;
}
