// Text on POSIX systems: a terminal whose locale is UTF-8 is shown the messages in UTF-8.
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/shift_jis.h"

namespace {

// Whether the locale's character set is UTF-8; asked only for a terminal, because loading the
// locale costs allocations and time that a redirected run does not need. -1: not yet asked.
int g_utf8Locale = -1;

bool ShowsUtf8(std::FILE* stream) {
  if (isatty(fileno(stream)) == 0) {
    return false;
  }
  if (g_utf8Locale < 0) {
    const char* codeset = std::setlocale(LC_CTYPE, "") != nullptr ? nl_langinfo(CODESET) : "";
    g_utf8Locale = std::strcmp(codeset, "UTF-8") == 0 ? 1 : 0;
    std::setlocale(LC_CTYPE, "C");
  }
  return g_utf8Locale == 1;
}

}  // namespace

void WriteShiftJis(std::FILE* stream, const char* text) {
  if (!ShowsUtf8(stream)) {
    std::fputs(text, stream);
    return;
  }
  char utf8[512];
  ShiftJisToUtf8(text, utf8, sizeof utf8);
  std::fputs(utf8, stream);
}

void WriteUtf8(std::FILE* stream, const char* text) {
  std::fputs(text, stream);
}
