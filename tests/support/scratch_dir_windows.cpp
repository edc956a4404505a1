// Scratch directories and files by UTF-8 path on Windows, through the wide-character calls.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/support/scratch_dir.h"
#include "tests/support/wide_text.h"

namespace {

// Removes a directory and all in it; a test may leave files read-only.
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") {
        continue;
      }
      const std::wstring full = path + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(full);
      } else {
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(find, &entry) != 0);
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

ScratchDir::ScratchDir() {
  wchar_t base[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, base);
  for (unsigned attempt = 0;; ++attempt) {
    const std::wstring path = std::wstring(base) + L"d88-test-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt);
    if (CreateDirectoryW(path.c_str(), nullptr) != 0) {
      m_path = Utf8(path);
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      std::abort();
    }
  }
}

ScratchDir::~ScratchDir() {
  RemoveTree(Wide(m_path));
}

std::FILE* OpenTestFile(const std::string& path, const char* mode) {
  return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

bool MakeDirectory(const std::string& path) {
  return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

bool MakeHardLink(const std::string& existing, const std::string& link) {
  return CreateHardLinkW(Wide(link).c_str(), Wide(existing).c_str(), nullptr) != 0;
}

bool RemoveFile(const std::string& path) {
  return DeleteFileW(Wide(path).c_str()) != 0;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
