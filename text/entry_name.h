// The names archives give the files they hold, as text. Archives rarely say how a name is
// encoded: ZIP has a flag for UTF-8, which Japanese archivers of the 1990s and 2000s never set,
// writing Shift_JIS (code page 932) instead; tar and LZH say nothing at all. A name is therefore
// read as UTF-8 where its bytes are UTF-8, else as code page 932. One case reads both ways: a
// name of half-width katakana alone (bytes 0xA1 to 0xDF) can form valid two-byte UTF-8, as
// "ﾃｽﾄｱ" (C3 BD C4 B1) does "ýı". Two such characters in a row are taken as katakana: Latin text
// puts one accented letter between plain ones ("café", "Schlöss"), rarely two together.
#ifndef TEXT_ENTRY_NAME_H
#define TEXT_ENTRY_NAME_H

// Room for a name as text: each byte of a name becomes at most four ("\xNN").
constexpr int kEntryNameBytes = 1024;
constexpr int kEntryNameTextSize = 4 * kEntryNameBytes;

// Converts a name's bytes (NUL-terminated) to UTF-8 in out (capacity bytes with the NUL). Where
// the archive declares its names UTF-8 (declaredUtf8) and they are, they are taken as such.
// Returns true for text; false where neither encoding fits, out then holding the name with every
// byte past ASCII as "\xNN", so that it is never empty and never invalid. An empty name is
// "(no name)".
bool EntryNameText(const char* bytes, bool declaredUtf8, char* out, int capacity);

// Whether valid UTF-8 bytes read better as half-width katakana in code page 932.
bool ReadsAsHalfWidthKatakana(const char* bytes);

// Copies UTF-8 text for a terminal or a log: control characters (C0, DEL and C1), which could
// retitle or clear a terminal, as "\xNN"; the rest as it is. Cut at a whole character where it
// does not fit.
void EscapeControls(const char* text, char* out, int capacity);

#endif  // TEXT_ENTRY_NAME_H
