// Shift_JIS, as the Japanese home computers these disks come from write text, converted for a
// terminal or a report that shows Unicode: the command's own messages, and names read from disks.
// It holds ASCII, half-width katakana (one byte, 0xA1 to 0xDF) and the JIS X 0208 characters
// (two bytes: a lead byte 0x81 to 0x9F or 0xE0 to 0xEA, then a trail byte 0x40 to 0xFC but 0x7F).
#ifndef TEXT_SHIFT_JIS_H
#define TEXT_SHIFT_JIS_H

constexpr unsigned kReplacementCharacter = 0xFFFD;

// Decodes the character at *text and advances past it; returns its code point. A byte that
// starts no character, or a lead byte whose trail byte is out of range (or the text's end), is
// U+FFFD and is passed over alone. Never reads past the NUL that ends the text.
unsigned DecodeShiftJis(const unsigned char** text);

// Converts NUL-terminated Shift_JIS text to UTF-8 in out, which holds capacity bytes (at least
// 1); the result is NUL-terminated and cut at a whole character. Returns its length.
int ShiftJisToUtf8(const char* text, char* out, int capacity);

// The same to UTF-16 code units.
int ShiftJisToUtf16(const char* text, char16_t* out, int capacity);

// Converts text read from a disk, such as an image's name, to UTF-8 in out (capacity bytes with
// the NUL). True only when every character is printable text (ASCII 0x20 to 0x7E, half-width
// katakana, JIS X 0208) and the whole of it fits; out then holds it. False otherwise, with out
// holding no text.
bool ShiftJisTextToUtf8(const char* text, char* out, int capacity);

// The same for names that may hold control characters (an archive's entry names, escaped where
// they are shown): true when every byte starts a character and the whole of it fits.
bool ShiftJisWholeToUtf8(const char* text, char* out, int capacity);

#endif  // TEXT_SHIFT_JIS_H
