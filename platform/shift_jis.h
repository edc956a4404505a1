// Converting the command's Shift_JIS messages for a terminal that shows another character set.
// Only what the messages use is known: ASCII, hiragana, katakana, the long vowel mark and the
// kanji of "認識"; anything else becomes U+FFFD, so a new message with other characters shows
// at once (a test converts every message).
#ifndef PLATFORM_SHIFT_JIS_H
#define PLATFORM_SHIFT_JIS_H

constexpr unsigned kReplacementCharacter = 0xFFFD;

// Decodes the character at *text and advances past it; returns its code point.
unsigned DecodeShiftJis(const unsigned char** text);

// Converts NUL-terminated Shift_JIS text to UTF-8 in out, which holds capacity bytes (at least
// 1); the result is NUL-terminated and cut at a whole character. Returns its length.
int ShiftJisToUtf8(const char* text, char* out, int capacity);

// The same to UTF-16 code units.
int ShiftJisToUtf16(const char* text, char16_t* out, int capacity);

#endif  // PLATFORM_SHIFT_JIS_H
