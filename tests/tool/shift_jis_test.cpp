// The Shift_JIS decoder that shows the command's messages on a terminal and disk names as text.
#include <gtest/gtest.h>

#include <string>

#include "text/entry_name.h"
#include "text/shift_jis.h"
#include "tool/messages.h"

namespace {

struct Case {
  std::string sjis;
  bool text;         // decodes as printable text
  std::string utf8;  // what ShiftJisToUtf8 makes of it
};

TEST(ShiftJis, DecodesJisX0208HalfWidthKatakanaAndAscii) {
  const Case cases[] = {
      {"\x8F\xE9\x83\x66\x83\x42\x83\x58\x83\x4E\xB6\xC0", true, u8"城ディスクｶﾀ"},
      {"\x81\x40\x9F\xFC", true, u8"\u3000\u6ECC"},  // first and last pair of the low lead bytes
      {"\xE0\x40\xEA\xA4", true, u8"漾熙"},          // first and last of the high ones
      {"\x81\x60\x81\x5F", true, u8"\uFF5E\uFF3C"},  // as code page 932 and browsers map them
      {"\xA1\xDF", true, u8"｡ﾟ"},                    // the ends of half-width katakana
      {" ~AZ", true, " ~AZ"},
      {"\x8F\x7F", false, u8"\uFFFD\x7F"},    // trail byte in the gap
      {"\x8F\x3F", false, u8"\uFFFD?"},       // trail byte below the range
      {"\x8F\xFD", false, u8"\uFFFD\uFFFD"},  // and above it
      {"AB\x8F", false, u8"AB\uFFFD"},        // a lead byte at the end
      {"\xEB\x40", false, u8"\uFFFD@"},       // past JIS X 0208 (vendor rows)
      {"\x87\x40", false, u8"\uFFFD@"},       // NEC row 13, not JIS X 0208
      {"\x80\xA0\xFD", false, u8"\uFFFD\uFFFD\uFFFD"},
      {"A\x01", false, "A\x01"},  // a control character is no name text
      {"\x7F", false, "\x7F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    char out[64];
    EXPECT_EQ(ShiftJisToUtf8(c.sjis.c_str(), out, sizeof out), static_cast<int>(c.utf8.size()));
    EXPECT_EQ(std::string(out), c.utf8);
    EXPECT_EQ(ShiftJisTextToUtf8(c.sjis.c_str(), out, sizeof out), c.text);
    EXPECT_EQ(std::string(out), c.text ? c.utf8 : "");
  }
}

TEST(ShiftJis, OutputStopsAtAWholeCharacterAtTheBuffersCapacity) {
  // "A城" is 4 bytes of UTF-8: it needs 5 with the NUL.
  struct Fit {
    int capacity;
    std::string cut;
    bool whole;
  };
  for (const Fit& fit :
       {Fit{5, u8"A城", true}, Fit{4, "A", false}, Fit{2, "A", false}, Fit{1, "", false}}) {
    SCOPED_TRACE(fit.capacity);
    char out[8] = "xxxxxxx";
    EXPECT_EQ(ShiftJisToUtf8("A\x8F\xE9", out, fit.capacity), static_cast<int>(fit.cut.size()));
    EXPECT_EQ(std::string(out), fit.cut);
    EXPECT_EQ(ShiftJisTextToUtf8("A\x8F\xE9", out, fit.capacity), fit.whole);
    EXPECT_EQ(std::string(out), fit.whole ? fit.cut : "");
    EXPECT_EQ(out[fit.capacity], 'x');  // nothing written past the capacity
  }
}

TEST(ShiftJis, EveryMessageDecodesWhole) {
  char out[128];
  ASSERT_TRUE(ShiftJisTextToUtf8(std::string(kRecognisedText, sizeof kRecognisedText - 2).c_str(),
                                 out, sizeof out));
  EXPECT_EQ(std::string(out), u8"のディスクを認識しました.");
  ASSERT_TRUE(ShiftJisTextToUtf8(std::string(kCannotOpenText, sizeof kCannotOpenText - 2).c_str(),
                                 out, sizeof out));
  EXPECT_EQ(std::string(out), u8"ファイルをオープンできません.");
}

}  // namespace

TEST(EntryNames, UnflaggedNamesAreUtf8WhereTheyAreElseCodePage932) {
  struct Name {
    std::string bytes;
    bool declaredUtf8;
    bool text;
    std::string shown;
  };
  const Name names[] = {
      {u8"ゲーム1.d88", false, true, u8"ゲーム1.d88"},                // Info-ZIP's zip, GNU tar
      {"\x83\x51\x81\x5B\x83\x80.d88", false, true, u8"ゲーム.d88"},  // a Japanese archiver
      {u8"café.d88", false, true, u8"café.d88"},            // one accented letter among plain ones
      {"\xC3\xBD\xC4\xB1.d88", false, true, u8"ﾃｽﾄｱ.d88"},  // katakana, though valid UTF-8
      {"\xC3\xBD\xC4\xB1.d88", true, true, u8"ýı.d88"},     // ... unless the archive says UTF-8
      {"\xFF\xFE.d88", false, false, "\\xff\\xfe.d88"},     // neither: the bytes, escaped
      {"", false, true, "(no name)"},
  };
  for (const Name& name : names) {
    SCOPED_TRACE(name.shown);
    char text[kEntryNameTextSize];
    EXPECT_EQ(EntryNameText(name.bytes.c_str(), name.declaredUtf8, text, sizeof text), name.text);
    EXPECT_EQ(std::string(text), name.shown);
  }
  // Printed, no control character reaches a terminal, C1 ones (U+0080 to U+009F) included.
  char shown[64];
  EscapeControls(u8"a\x1b]0;x\x07\u009b2J\x7f城", shown, sizeof shown);
  EXPECT_EQ(std::string(shown), u8"a\\x1b]0;x\\x07\\x9b2J\\x7f城");
}
