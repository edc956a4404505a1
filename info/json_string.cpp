#include "info/json_string.h"

#include <cstdio>

#include "info/report_output.h"

namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

// The length of the valid UTF-8 sequence that starts at p, or 0.
int Utf8SequenceLength(const unsigned char* p) {
  int length = 0;
  unsigned int lowest = 0;  // the smallest code point a sequence of that length may encode
  if (p[0] >= 0xC0 && p[0] < 0xE0) {
    length = 2;
    lowest = 0x80;
  } else if (p[0] >= 0xE0 && p[0] < 0xF0) {
    length = 3;
    lowest = 0x800;
  } else if (p[0] >= 0xF0 && p[0] < 0xF5) {
    length = 4;
    lowest = 0x10000;
  } else {
    return 0;
  }
  unsigned int code = p[0] & (0x3Fu >> (length - 1));
  for (int i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) {
      return 0;
    }
    code = (code << 6) | (p[i] & 0x3Fu);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code >= lowest && code <= 0x10FFFF && !surrogate ? length : 0;
}

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
