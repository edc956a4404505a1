#include "info/json_string.h"

#include <cstdio>

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

void PrintEscaped(const char* text, bool utf8) {
  std::putchar('"');
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != '\0') {
    const int sequence = utf8 && *p > kDelete ? Utf8SequenceLength(p) : 0;
    if (sequence > 0) {
      std::fwrite(p, 1, static_cast<size_t>(sequence), stdout);
      p += sequence;
      continue;
    }
    if (*p == '"' || *p == '\\') {
      std::printf("\\%c", *p);
    } else if (*p >= kFirstPrintable && *p < kDelete) {
      std::putchar(*p);
    } else {
      std::printf("\\u%04x", *p);
    }
    ++p;
  }
  std::putchar('"');
}

}  // namespace

void PrintJsonBytes(const char* text) {
  PrintEscaped(text, false);
}

void PrintJsonText(const char* text) {
  PrintEscaped(text, true);
}
