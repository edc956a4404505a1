// UTF-8 and UTF-16 for the Windows side of the test support: tests name files in UTF-8, and
// Windows takes such names only through its wide-character calls.
#ifndef TESTS_SUPPORT_WIDE_TEXT_H
#define TESTS_SUPPORT_WIDE_TEXT_H

#include <windows.h>

#include <string>

inline std::wstring Wide(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return wide;
}

inline std::string Utf8(const std::wstring& wide) {
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length > 0 ? length : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), length, nullptr, nullptr);
  utf8.resize(utf8.size() - 1);
  return utf8;
}

#endif  // TESTS_SUPPORT_WIDE_TEXT_H
