// The parts of the text seam that every system shares.
#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

namespace {

// Room for a diagnostic with a long path in it; a longer one is cut.
char g_line[8192];

}  // namespace

void Diagnose(const char* format, ...) {
  std::fflush(stdout);
  va_list args;
  va_start(args, format);
  // clang 14's analyzer does not see va_start through the va_list typedef of x86-64.
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  std::vsnprintf(g_line, sizeof g_line, format, args);
  va_end(args);
  WriteUtf8(stderr, g_line);
}

bool FinishStandardOutput(const char* program) {
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) {
    return true;
  }
  const int error = LastStreamError();
  std::clearerr(stdout);
  Diagnose("%s: cannot write standard output: %s\n", program, ErrorText(error));
  return false;
}
