#include "text/utf8.h"

namespace {

constexpr unsigned char kFirstLeadOfTwo = 0xC0;
constexpr unsigned char kFirstLeadOfThree = 0xE0;
constexpr unsigned char kFirstLeadOfFour = 0xF0;
constexpr unsigned char kPastLastLead = 0xF5;
constexpr unsigned char kContinuationMask = 0xC0;
constexpr unsigned char kContinuation = 0x80;
constexpr unsigned kLastCodePoint = 0x10FFFF;
constexpr unsigned kFirstSurrogate = 0xD800;
constexpr unsigned kLastSurrogate = 0xDFFF;

}  // namespace

int Utf8SequenceLength(const unsigned char* p) {
  int length = 0;
  unsigned lowest = 0;  // the smallest code point a sequence of that length may encode
  if (p[0] >= kFirstLeadOfTwo && p[0] < kFirstLeadOfThree) {
    length = 2;
    lowest = 0x80;
  } else if (p[0] >= kFirstLeadOfThree && p[0] < kFirstLeadOfFour) {
    length = 3;
    lowest = 0x800;
  } else if (p[0] >= kFirstLeadOfFour && p[0] < kPastLastLead) {
    length = 4;
    lowest = 0x10000;
  } else {
    return 0;
  }
  unsigned code = p[0] & (0x3Fu >> (length - 1));
  for (int i = 1; i < length; ++i) {
    if ((p[i] & kContinuationMask) != kContinuation) {
      return 0;
    }
    code = (code << 6) | (p[i] & 0x3Fu);
  }
  const bool surrogate = code >= kFirstSurrogate && code <= kLastSurrogate;
  return code >= lowest && code <= kLastCodePoint && !surrogate ? length : 0;
}

bool IsValidUtf8(const char* text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    const int sequence = *p < 0x80 ? 1 : Utf8SequenceLength(p);
    if (sequence == 0) {
      return false;
    }
    p += sequence;
  }
  return true;
}

int EncodeUtf8(unsigned code, char* bytes) {
  if (code < 0x80) {
    bytes[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (code >> 6));
    bytes[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  bytes[0] = static_cast<char>(0xE0 | (code >> 12));
  bytes[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  bytes[2] = static_cast<char>(0x80 | (code & 0x3F));
  return 3;
}
