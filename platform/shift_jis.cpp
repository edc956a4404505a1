#include "platform/shift_jis.h"

namespace {

// Lead bytes of the double-byte rows the messages use.
constexpr unsigned char kSymbolRow = 0x81;
constexpr unsigned char kHiraganaRow = 0x82;
constexpr unsigned char kKatakanaRow = 0x83;

// Hiragana: 0x829F to 0x82F1 are U+3041 to U+3093 in order.
constexpr unsigned char kFirstHiragana = 0x9F;
constexpr unsigned char kLastHiragana = 0xF1;
constexpr unsigned kHiraganaBase = 0x3041;
// Katakana: 0x8340 to 0x837E are U+30A1 to U+30DF; 0x7F is skipped; 0x8380 to 0x8396 are
// U+30E0 to U+30F6.
constexpr unsigned char kFirstKatakana = 0x40;
constexpr unsigned char kKatakanaGap = 0x7F;
constexpr unsigned char kLastKatakana = 0x96;
constexpr unsigned kKatakanaBase = 0x30A1;

struct Mapping {
  unsigned char lead;
  unsigned char trail;
  unsigned codePoint;
};
constexpr Mapping kOthers[] = {
    {kSymbolRow, 0x5B, 0x30FC},  // ー long vowel mark
    {0x94, 0x46, 0x8A8D},        // 認
    {0x8E, 0xAF, 0x8B58},        // 識
};

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

unsigned DoubleByte(unsigned char lead, unsigned char trail) {
  if (lead == kHiraganaRow && trail >= kFirstHiragana && trail <= kLastHiragana) {
    return kHiraganaBase + (trail - kFirstHiragana);
  }
  if (lead == kKatakanaRow && trail >= kFirstKatakana && trail <= kLastKatakana &&
      trail != kKatakanaGap) {
    return kKatakanaBase + (trail - kFirstKatakana) - (trail > kKatakanaGap ? 1 : 0);
  }
  for (const Mapping& other : kOthers) {
    if (other.lead == lead && other.trail == trail) {
      return other.codePoint;
    }
  }
  return kReplacementCharacter;
}

}  // namespace

unsigned DecodeShiftJis(const unsigned char** text) {
  const unsigned char* p = *text;
  if (p[0] < 0x80) {
    *text = p + 1;
    return p[0];
  }
  if (!IsLeadByte(p[0]) || p[1] == 0) {
    *text = p + 1;
    return kReplacementCharacter;
  }
  *text = p + 2;
  return DoubleByte(p[0], p[1]);
}

int ShiftJisToUtf8(const char* text, char* out, int capacity) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int length = 0;
  while (*p != 0) {
    const unsigned code = DecodeShiftJis(&p);
    char bytes[3];
    int count = 0;
    if (code < 0x80) {
      bytes[count++] = static_cast<char>(code);
    } else if (code < 0x800) {
      bytes[count++] = static_cast<char>(0xC0 | (code >> 6));
      bytes[count++] = static_cast<char>(0x80 | (code & 0x3F));
    } else {  // everything decoded lies in the basic multilingual plane
      bytes[count++] = static_cast<char>(0xE0 | (code >> 12));
      bytes[count++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      bytes[count++] = static_cast<char>(0x80 | (code & 0x3F));
    }
    if (length + count >= capacity) {
      break;
    }
    for (int i = 0; i < count; ++i) {
      out[length++] = bytes[i];
    }
  }
  out[length] = '\0';
  return length;
}

int ShiftJisToUtf16(const char* text, char16_t* out, int capacity) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int length = 0;
  while (*p != 0 && length + 1 < capacity) {
    out[length++] = static_cast<char16_t>(DecodeShiftJis(&p));
  }
  out[length] = u'\0';
  return length;
}
