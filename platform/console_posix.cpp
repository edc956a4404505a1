// Text on POSIX systems: a terminal whose locale is UTF-8 is shown the messages in UTF-8.
#include <langinfo.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/platform.h"
#include "text/shift_jis.h"

namespace {

// Whether the locale's character set is UTF-8; asked only for a terminal, because loading the
// locale costs allocations and time that a redirected run does not need. -1: not yet asked.
int g_utf8Locale = -1;

// Whether a locale name such as "en_US.UTF-8" or "ja_JP.utf8@modifier" names UTF-8 as its
// character set.
bool NamesUtf8(const char* locale) {
  const char* codeset = std::strchr(locale, '.');
  if (codeset == nullptr) {
    return false;
  }
  ++codeset;
  const size_t length = std::strcspn(codeset, "@");
  return (length == 5 && strncasecmp(codeset, "UTF-8", 5) == 0) ||
         (length == 4 && strncasecmp(codeset, "UTF8", 4) == 0);
}

// The locale the variables choose for the character set, as setlocale reads them: LC_ALL, then
// LC_CTYPE, then LANG; the first that is set and not empty decides.
const char* ChosenLocale() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') {
      return value;
    }
  }
  return "";
}

bool ShowsUtf8(std::FILE* stream) {
  if (isatty(fileno(stream)) == 0) {
    return false;
  }
  if (g_utf8Locale < 0) {
    // A locale that is named but not installed cannot be loaded; its name still says what the
    // terminal shows.
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
      g_utf8Locale = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0 ? 1 : 0;
      std::setlocale(LC_CTYPE, "C");
    } else {
      g_utf8Locale = NamesUtf8(ChosenLocale()) ? 1 : 0;
    }
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

bool IsHelpOption(const char* argument) {
  return std::strcmp(argument, "--help") == 0;
}

bool HasStandardOutput() {
  return true;  // a closed one is occupied at the start, so that writing to it fails
}

int StandardOutputError() {
  return write(STDOUT_FILENO, "", 0) < 0 && errno != 0 ? errno : EIO;
}
