// Text on Windows: a console is given UTF-16, so that the Japanese messages and any path read
// correctly whatever the console's code page; files and pipes get the bytes themselves.
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/windows_text.h"
#include "text/shift_jis.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");
wchar_t g_wide[kMaxWidePath];

}  // namespace

bool ToWide(const char* utf8, wchar_t* out, int capacity) {
  return MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out, capacity) > 0;
}

bool ToUtf8(const wchar_t* wide, char* out, int capacity) {
  return WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, capacity, nullptr, nullptr) > 0;
}

bool WriteToConsole(std::FILE* stream, const wchar_t* text, int length) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || GetConsoleMode(handle, &mode) == 0) {
    return false;
  }
  // What the C library holds for the console goes first, to keep the order.
  std::fflush(stream);
  DWORD written = 0;
  WriteConsoleW(handle, text, static_cast<DWORD>(length), &written, nullptr);
  return true;
}

void WriteShiftJis(std::FILE* stream, const char* text) {
  const int length =
      ShiftJisToUtf16(text, reinterpret_cast<char16_t*>(g_wide), static_cast<int>(kMaxWidePath));
  if (!WriteToConsole(stream, g_wide, length)) {
    std::fputs(text, stream);
  }
}

void WriteUtf8(std::FILE* stream, const char* text) {
  // A console takes UTF-16, converted a piece at a time, each ending where a character does:
  // a line longer than the buffer is written whole, its newline included.
  constexpr size_t kPiece = kMaxWidePath / 2;  // bytes: never more UTF-16 units than that
  for (size_t left = std::strlen(text); left > 0;) {
    size_t piece = left < kPiece ? left : kPiece;
    while (piece < left && piece > 0 && (static_cast<unsigned char>(text[piece]) & 0xC0) == 0x80) {
      --piece;  // a continuation byte: the character starts before it
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(piece), g_wide, kMaxWidePath);
    if (length <= 0 || !WriteToConsole(stream, g_wide, length)) {
      std::fwrite(text, 1, left, stream);  // no console: the bytes themselves, all of them
      return;
    }
    text += piece;
    left -= piece;
  }
}

bool IsHelpOption(const char* argument) {
  return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "/?") == 0;
}

int StandardOutputError() {
  DWORD written = 0;
  if (WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "", 0, &written, nullptr) != 0) {
    return EIO;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE) {
    return EPIPE;
  }
  return -static_cast<int>(error);  // in Windows' own words, as ErrorText gives them
}
