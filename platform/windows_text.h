// UTF-8 and UTF-16 for the Windows side of the seam: paths and arguments arrive as UTF-8 from
// the commands and go to the system's wide-character calls.
#ifndef PLATFORM_WINDOWS_TEXT_H
#define PLATFORM_WINDOWS_TEXT_H

#include <windows.h>

#include <cstdio>

// The longest path the wide-character calls take, in UTF-16 units with the NUL.
constexpr int kMaxWidePath = 32768;

// Converts NUL-terminated UTF-8 to UTF-16 in out; false when it does not fit.
bool ToWide(const char* utf8, wchar_t* out, int capacity);

// Converts NUL-terminated UTF-16 to UTF-8 in out; false when it does not fit.
bool ToUtf8(const wchar_t* wide, char* out, int capacity);

// Writes UTF-16 text to the stream when the stream is a console, and returns true; false, with
// nothing written, when it is a file or a pipe.
bool WriteToConsole(std::FILE* stream, const wchar_t* text, int length);

#endif  // PLATFORM_WINDOWS_TEXT_H
