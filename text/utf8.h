// UTF-8 as names and paths arrive in it: telling a valid sequence from bytes of another encoding,
// and writing one.
#ifndef TEXT_UTF8_H
#define TEXT_UTF8_H

// The length of the valid UTF-8 sequence of two to four bytes that starts at p (a character
// past ASCII: no overlong form, no surrogate, nothing past U+10FFFF), or 0. Never reads past a
// NUL, which is no continuation byte.
int Utf8SequenceLength(const unsigned char* p);

// Whether NUL-terminated text is UTF-8 throughout: ASCII and valid sequences.
bool IsValidUtf8(const char* text);

// Writes a code point of the basic multilingual plane (below U+10000) as UTF-8 into bytes, which
// holds at least 3; returns the bytes written.
int EncodeUtf8(unsigned code, char* bytes);

#endif  // TEXT_UTF8_H
