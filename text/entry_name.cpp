#include "text/entry_name.h"

#include <cstdio>
#include <cstring>

#include "text/shift_jis.h"
#include "text/utf8.h"

namespace {

constexpr unsigned char kFirstHalfWidth = 0xA1;
constexpr unsigned char kLastHalfWidth = 0xDF;
constexpr unsigned char kAsciiEnd = 0x80;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
// C1 control characters, U+0080 to U+009F, are C2 80 to C2 9F in UTF-8.
constexpr unsigned char kC1Lead = 0xC2;
constexpr unsigned char kLastC1 = 0x9F;
constexpr char kNoName[] = "(no name)";

bool IsHalfWidth(unsigned char byte) {
  return byte >= kFirstHalfWidth && byte <= kLastHalfWidth;
}

// Appends length bytes to out at *used, when they fit with the NUL; false when they do not.
bool Append(char* out, int capacity, int* used, const char* bytes, int length) {
  if (*used + length >= capacity) {
    return false;
  }
  std::memcpy(out + *used, bytes, static_cast<size_t>(length));
  *used += length;
  out[*used] = '\0';
  return true;
}

// Every byte past ASCII as \xNN, cut at a whole step where it does not fit.
void EscapeBytes(const char* bytes, char* out, int capacity) {
  int used = 0;
  out[0] = '\0';
  for (const auto* p = reinterpret_cast<const unsigned char*>(bytes); *p != 0; ++p) {
    char step[5] = {static_cast<char>(*p), '\0'};
    const int length = *p < kAsciiEnd ? 1 : std::snprintf(step, sizeof step, "\\x%02x", *p);
    if (!Append(out, capacity, &used, step, length)) {
      return;
    }
  }
}

}  // namespace

bool ReadsAsHalfWidthKatakana(const char* bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  bool twoInARow = false;
  int run = 0;  // characters past ASCII in a row
  for (; *p != 0; ++p) {
    if (*p < kAsciiEnd) {
      run = 0;
      continue;
    }
    if (!IsHalfWidth(*p)) {
      return false;
    }
    // A lead byte of a valid two-byte sequence starts a character; its continuation does not.
    if (*p >= 0xC0) {
      twoInARow = twoInARow || ++run >= 2;
    }
  }
  return twoInARow;
}

bool EntryNameText(const char* bytes, bool declaredUtf8, char* out, int capacity) {
  if (capacity <= 0) {
    return false;
  }
  out[0] = '\0';
  if (bytes[0] == '\0') {
    int used = 0;
    return Append(out, capacity, &used, kNoName, sizeof kNoName - 1);
  }
  const bool utf8 = IsValidUtf8(bytes);
  if (utf8 && (declaredUtf8 || !ReadsAsHalfWidthKatakana(bytes))) {
    int used = 0;
    if (!Append(out, capacity, &used, bytes, static_cast<int>(std::strlen(bytes)))) {
      EscapeControls(bytes, out, capacity);  // cut at a whole character
    }
    return true;
  }
  if (ShiftJisWholeToUtf8(bytes, out, capacity)) {  // code page 932
    return true;
  }
  EscapeBytes(bytes, out, capacity);
  return false;
}

void EscapeControls(const char* text, char* out, int capacity) {
  if (capacity <= 0) {
    return;
  }
  int used = 0;
  out[0] = '\0';
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    const bool c0 = *p < kFirstPrintable || *p == kDelete;
    const bool c1 = *p == kC1Lead && p[1] >= kAsciiEnd && p[1] <= kLastC1;
    char step[9];
    int length = 0;
    int passed = 1;
    if (c0) {
      length = std::snprintf(step, sizeof step, "\\x%02x", *p);
    } else if (c1) {
      length = std::snprintf(step, sizeof step, "\\x%02x", p[1]);
      passed = 2;
    } else {
      const int sequence = *p < kAsciiEnd ? 1 : Utf8SequenceLength(p);
      passed = sequence > 0 ? sequence : 1;
      length = sequence > 0 ? sequence : std::snprintf(step, sizeof step, "\\x%02x", *p);
      if (sequence > 0) {
        std::memcpy(step, p, static_cast<size_t>(sequence));
      }
    }
    if (!Append(out, capacity, &used, step, length)) {
      return;
    }
    p += passed;
  }
}
