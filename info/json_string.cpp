#include "info/json_string.h"

#include <cstdio>

#include "info/report_output.h"
#include "text/utf8.h"

namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

// The literal is built whole and written in one go, so that a console that wants its text
// converted gets whole characters.
void PrintEscaped(const char* text, bool utf8) {
  static char literal[32768];
  constexpr size_t kLongestStep = 6;  // \u00XX
  size_t length = 0;
  literal[length++] = '"';
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != '\0' && length + kLongestStep + 2 < sizeof literal) {
    const int sequence = utf8 && *p > kDelete ? Utf8SequenceLength(p) : 0;
    if (sequence > 0) {
      for (int i = 0; i < sequence; ++i) {
        literal[length++] = static_cast<char>(*p++);
      }
    } else if (*p == '"' || *p == '\\') {
      literal[length++] = '\\';
      literal[length++] = static_cast<char>(*p++);
    } else if (*p >= kFirstPrintable && *p < kDelete) {
      literal[length++] = static_cast<char>(*p++);
    } else {
      length += static_cast<size_t>(
          std::snprintf(literal + length, sizeof literal - length, "\\u%04x", *p++));
    }
  }
  literal[length++] = '"';
  literal[length] = '\0';
  ReportText(literal);
}

}  // namespace

void PrintJsonBytes(const char* text) {
  PrintEscaped(text, false);
}

void PrintJsonText(const char* text) {
  PrintEscaped(text, true);
}
