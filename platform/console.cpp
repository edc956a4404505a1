// The parts of the text seam that every system shares.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

// Room for a diagnostic with two long paths in it (an image and a temporary directory, each
// up to 4 KB, with the reason) or the names of an archive's files; a longer one is cut where a
// character starts, and ends as it would have, with "..." and its newline.
char g_line[65536];
constexpr char kCut[] = "...";

// Why standard output first failed to be written, kept from the call that failed: by the end of
// the run errno says something else, and a stream in error with nothing left to write has no
// reason to give.
int g_stdoutError = 0;

// Flushes standard output; false, with the reason kept, when it cannot be written.
bool FlushStandardOutput() {
  errno = 0;
  if (std::fflush(stdout) == 0) {
    return std::ferror(stdout) == 0;
  }
  if (g_stdoutError == 0) {
    g_stdoutError = LastStreamError();
  }
  return false;
}

}  // namespace

void Diagnose(const char* format, ...) {
  FlushStandardOutput();
  va_list args;
  va_start(args, format);
  // clang 14's analyzer does not see va_start through the va_list typedef of x86-64.
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  const int length = std::vsnprintf(g_line, sizeof g_line, format, args);
  va_end(args);
  if (length >= static_cast<int>(sizeof g_line)) {
    const size_t formatLength = std::strlen(format);
    const bool newline = formatLength > 0 && format[formatLength - 1] == '\n';
    size_t cut = sizeof g_line - sizeof kCut - 1;
    while (cut > 0 && (static_cast<unsigned char>(g_line[cut]) & 0xC0) == 0x80) {
      --cut;  // a UTF-8 continuation byte: the character starts before it
    }
    std::snprintf(g_line + cut, sizeof g_line - cut, "%s%s", kCut, newline ? "\n" : "");
  }
  WriteUtf8(stderr, g_line);
}

const char* OpenFailureText(const InputOpening& opening) {
  // A step names a directory, which may be as long as a path can be.
  static char text[8192];
  if (opening.step == nullptr) {
    return ErrorText(opening.error);
  }
  if (opening.error == 0) {
    return opening.step;
  }
  std::snprintf(text, sizeof text, "%s: %s", opening.step, ErrorText(opening.error));
  return text;
}

bool FinishStandardOutput(const char* program) {
  if (FlushStandardOutput() || !HasStandardOutput()) {
    return true;
  }
  // A write that failed inside printf, not in a flush of ours, kept no reason: ask again.
  const int error = g_stdoutError != 0 ? g_stdoutError : StandardOutputError();
  std::clearerr(stdout);
  Diagnose("%s: cannot write standard output: %s\n", program, ErrorText(error));
  return false;
}

const char* OptionWithValue(const char* name, int argc, char** argv, int* next,
                            const char** value) {
  const char* option = argv[*next];
  const size_t length = std::strlen(name);
  if (std::strncmp(option, name, length) != 0) {
    return nullptr;
  }
  if (option[length] == '=') {
    *value = option + length + 1;
    return name;
  }
  if (option[length] == '\0' && *next + 1 < argc) {
    *value = argv[++*next];
    return name;
  }
  return nullptr;
}

// A number in decimal, or in hex after 0x; nothing else (no sign, no octal, no spaces).
bool ParseNumber(const char* text, int low, int high, int* value) {
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = hex ? text + 2 : text;
  long parsed = 0;
  for (const char* c = digits; *c != '\0'; ++c) {
    int digit = -1;
    if (*c >= '0' && *c <= '9') {
      digit = *c - '0';
    } else if (hex && *c >= 'a' && *c <= 'f') {
      digit = *c - 'a' + 10;
    } else if (hex && *c >= 'A' && *c <= 'F') {
      digit = *c - 'A' + 10;
    }
    if (digit < 0) {
      return false;
    }
    parsed = parsed * (hex ? 16 : 10) + digit;
    if (parsed > high) {
      return false;
    }
  }
  if (*digits == '\0' || parsed < low) {
    return false;
  }
  *value = static_cast<int>(parsed);
  return true;
}
