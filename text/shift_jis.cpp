#include "text/shift_jis.h"

#include "text/jis_x_0208_table.h"
#include "text/utf8.h"

namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
// Half-width katakana: 0xA1 to 0xDF are U+FF61 to U+FF9F in order.
constexpr unsigned char kFirstHalfWidth = 0xA1;
constexpr unsigned char kLastHalfWidth = 0xDF;
constexpr unsigned kHalfWidthBase = 0xFF61;
// The two stretches of lead bytes and of trail bytes, in the order the table holds them.
constexpr unsigned char kFirstLead = 0x81;
constexpr unsigned char kLastLowLead = 0x9F;
constexpr unsigned char kFirstHighLead = 0xE0;
constexpr unsigned char kLastLead = 0xEA;
constexpr unsigned char kFirstTrail = 0x40;
constexpr unsigned char kTrailGap = 0x7F;
constexpr unsigned char kLastTrail = 0xFC;

// The row of the table for a lead byte, or -1.
int LeadIndex(unsigned char byte) {
  if (byte >= kFirstLead && byte <= kLastLowLead) {
    return byte - kFirstLead;
  }
  if (byte >= kFirstHighLead && byte <= kLastLead) {
    return kLastLowLead - kFirstLead + 1 + (byte - kFirstHighLead);
  }
  return -1;
}

// The place in a row for a trail byte, or -1.
int TrailIndex(unsigned char byte) {
  if (byte < kFirstTrail || byte > kLastTrail || byte == kTrailGap) {
    return -1;
  }
  return byte - kFirstTrail - (byte > kTrailGap ? 1 : 0);
}

}  // namespace

unsigned DecodeShiftJis(const unsigned char** text) {
  const unsigned char* p = *text;
  *text = p + 1;
  if (p[0] <= kDelete) {
    return p[0];
  }
  if (p[0] >= kFirstHalfWidth && p[0] <= kLastHalfWidth) {
    return kHalfWidthBase + (p[0] - kFirstHalfWidth);
  }
  const int lead = LeadIndex(p[0]);
  const int trail = lead >= 0 ? TrailIndex(p[1]) : -1;  // a NUL is no trail byte
  const unsigned code = trail >= 0 ? kJisX0208[lead][trail] : 0;
  if (code == 0) {
    return kReplacementCharacter;
  }
  *text = p + 2;
  return code;
}

int ShiftJisToUtf8(const char* text, char* out, int capacity) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int length = 0;
  while (*p != 0) {
    char bytes[3];
    const int count = EncodeUtf8(DecodeShiftJis(&p), bytes);
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

namespace {

// The text converted whole, or false with out holding no text: a byte that starts no character,
// a control character where only printable text is wanted, or more than fits.
bool ConvertWhole(const char* text, char* out, int capacity, bool printableOnly) {
  if (capacity < 1) {
    return false;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int length = 0;
  while (*p != 0) {
    const unsigned code = DecodeShiftJis(&p);
    char bytes[3];
    const int count = EncodeUtf8(code, bytes);
    const bool control = code < kFirstPrintable || code == kDelete;
    if (code == kReplacementCharacter || (printableOnly && control) || length + count >= capacity) {
      out[0] = '\0';
      return false;
    }
    for (int i = 0; i < count; ++i) {
      out[length++] = bytes[i];
    }
  }
  out[length] = '\0';
  return true;
}

}  // namespace

bool ShiftJisTextToUtf8(const char* text, char* out, int capacity) {
  return ConvertWhole(text, out, capacity, true);
}

bool ShiftJisWholeToUtf8(const char* text, char* out, int capacity) {
  return ConvertWhole(text, out, capacity, false);
}
