// Files and the run's start on Windows: paths arrive as UTF-8 and go to the wide-character calls,
// so that a name in Japanese, or with characters of no code page, opens; output files replace
// the old ones in one step, as on POSIX.
// clang-format off
#include <windows.h>  // before the other Windows headers, which need its definitions
#include <shellapi.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/platform.h"
#include "platform/windows_text.h"

namespace {

// Errors of the C library are errno values; errors of Windows calls are stored negated.
int WindowsError() {
  const DWORD error = GetLastError();
  return error != 0 ? -static_cast<int>(error) : EIO;
}

// The identity of the disk image being read, which no output may replace.
BY_HANDLE_FILE_INFORMATION g_input = {};
bool g_haveInput = false;

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// The temporary file being written, for the console's Ctrl+C handler to remove.
wchar_t g_tempName[kMaxWidePath];
volatile LONG g_tempExists = 0;
wchar_t g_wideName[kMaxWidePath];

// The arguments as UTF-8: every argument of the longest command line fits, each character taking
// at most three bytes.
constexpr int kMaxArguments = 1024;
char g_argumentText[3 * 32768];
char* g_arguments[kMaxArguments + 1];

BOOL WINAPI RemoveTemporaryOnInterrupt(DWORD /*event*/) {
  if (g_tempExists != 0) {
    DeleteFileW(g_tempName);  // opened for sharing deletion: gone once the process ends
  }
  return FALSE;  // then the default: the process ends
}

void WaitForEnter() {
  WriteUtf8(stdout, "\nPress Enter to close this window.");
  std::fflush(stdout);
  std::getchar();
}

}  // namespace

// Started from Explorer (a file dropped onto the program, or a double click), the console window
// belongs to this process alone and closes with it.
// Under Wine, a program started from a Unix terminal also has its console to itself, but the
// terminal stays; Wine is known by the function its ntdll adds.
bool RunsInItsOwnWindow() {
  DWORD mode = 0;
  DWORD processes[2];
  const bool underWine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return !underWine && GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0 &&
         GetConsoleProcessList(processes, 2) == 1;
}

void StartCommand(int* argc, char*** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr) {
    int used = 0;
    int converted = 0;
    for (; converted < count && converted < kMaxArguments; ++converted) {
      char* text = g_argumentText + used;
      const int room = static_cast<int>(sizeof g_argumentText) - used;
      const int length =
          WideCharToMultiByte(CP_UTF8, 0, wide[converted], -1, text, room, nullptr, nullptr);
      if (length <= 0) {
        break;
      }
      g_arguments[converted] = text;
      used += length;
    }
    g_arguments[converted] = nullptr;
    LocalFree(wide);
    *argc = converted;
    *argv = g_arguments;
  }
  // "\n" is written as it is, so that redirected output is byte for byte that of other systems.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The C runtime buffers standard error when it is a file; a diagnostic belongs where it
  // happened, among the lines of standard output.
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  SetConsoleCtrlHandler(RemoveTemporaryOnInterrupt, TRUE);
  if (RunsInItsOwnWindow()) {
    std::atexit(WaitForEnter);
  }
}

const char* MakeFolderBesideImage(const char* imagePath, int* error) {
  static wchar_t full[kMaxWidePath];
  static char folder[3 * kMaxWidePath];
  // The folder beside the image, named after it without its extension: C:\disks\castle.d88
  // gives C:\disks\castle (and a name without one gets ".files").
  if (!ToWide(imagePath, g_wideName, kMaxWidePath) ||
      GetFullPathNameW(g_wideName, kMaxWidePath, full, nullptr) == 0) {
    *error = WindowsError();
    return nullptr;
  }
  wchar_t* name = std::wcsrchr(full, L'\\');
  wchar_t* extension = std::wcsrchr(full, L'.');
  if (extension != nullptr && (name == nullptr || extension > name + 1)) {
    *extension = L'\0';
  } else {
    std::wcscat(full, L".files");
  }
  if (CreateDirectoryW(full, nullptr) == 0 && GetLastError() != ERROR_ALREADY_EXISTS) {
    *error = WindowsError();
    return nullptr;
  }
  ToUtf8(full, folder, sizeof folder);
  return folder;
}

std::FILE* OpenInputFile(const char* path, int* error, bool* cutShort) {
  *cutShort = false;
  wchar_t* wide = g_wideName;
  if (!ToWide(path, wide, kMaxWidePath)) {
    *error = WindowsError();
    return nullptr;
  }
  const DWORD attributes = GetFileAttributesW(wide);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *error = EISDIR;
    return nullptr;
  }
  errno = 0;
  std::FILE* input = _wfopen(wide, L"rb");
  if (input == nullptr) {
    *error = LastStreamError();
    return nullptr;
  }
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(input)));
  g_haveInput = GetFileInformationByHandle(handle, &g_input) != 0;
  return input;
}

bool IsInputFile(const char* name) {
  if (!g_haveInput || !ToWide(name, g_wideName, kMaxWidePath)) {
    return false;
  }
  const HANDLE file = CreateFileW(
      g_wideName, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool same = GetFileInformationByHandle(file, &info) != 0 && SameFile(info, g_input);
  CloseHandle(file);
  return same;
}

bool ChangeDirectory(const char* path, int* error) {
  if (!ToWide(path, g_wideName, kMaxWidePath) || SetCurrentDirectoryW(g_wideName) == 0) {
    *error = WindowsError();
    return false;
  }
  return true;
}

std::FILE* CreateTemporaryFile(const char* name, int* error) {
  if (!ToWide(name, g_wideName, kMaxWidePath)) {
    *error = WindowsError();
    return nullptr;
  }
  // The process ID keeps runs apart, the counter steps over names left by others; created only
  // if new. Deletion is shared so that Ctrl+C can remove the file while it is being written.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned counter = 0; file == INVALID_HANDLE_VALUE; ++counter) {
    _snwprintf(g_tempName, kMaxWidePath, L".%ls.%lu.%u.tmp", g_wideName, GetCurrentProcessId(),
               counter);
    InterlockedExchange(&g_tempExists, 1);
    file = CreateFileW(g_tempName, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      InterlockedExchange(&g_tempExists, 0);
      const DWORD reason = GetLastError();
      if (reason != ERROR_FILE_EXISTS && reason != ERROR_ALREADY_EXISTS) {
        *error = -static_cast<int>(reason);
        return nullptr;
      }
    }
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
  std::FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
  if (stream == nullptr) {
    *error = EIO;
    if (fd >= 0) {
      _close(fd);
    } else {
      CloseHandle(file);
    }
    DeleteFileW(g_tempName);
    InterlockedExchange(&g_tempExists, 0);
  }
  return stream;
}

bool ReplaceWithTemporary(std::FILE* stream, const char* name, int* error) {
  errno = 0;
  if (std::fclose(stream) != 0) {
    *error = LastStreamError();
  } else if (!ToWide(name, g_wideName, kMaxWidePath)) {
    *error = WindowsError();
  } else if (const DWORD attributes = GetFileAttributesW(g_wideName);
             attributes != INVALID_FILE_ATTRIBUTES &&
             (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *error = EISDIR;
  } else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    // A read-only file is one the user protects; Windows refuses to replace it, and so do we
    // where the system would let us (Wine).
    *error = -static_cast<int>(ERROR_ACCESS_DENIED);
  } else if (MoveFileExW(g_tempName, g_wideName,
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    *error = WindowsError();
  } else {
    InterlockedExchange(&g_tempExists, 0);
    return true;
  }
  DeleteFileW(g_tempName);
  InterlockedExchange(&g_tempExists, 0);
  return false;
}

void DiscardTemporary(std::FILE* stream) {
  std::fclose(stream);
  DeleteFileW(g_tempName);
  InterlockedExchange(&g_tempExists, 0);
}

const char* ErrorText(int error) {
  if (error >= 0) {
    return std::strerror(error);
  }
  // The words Windows uses for the errors a run meets, the same on every Windows whatever its
  // language; others as Windows says them in English, where it can.
  struct Known {
    DWORD code;
    const char* text;
  };
  static const Known kKnown[] = {
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
      {ERROR_ACCESS_DENIED, "Access is denied."},
      {ERROR_WRITE_PROTECT, "The media is write protected."},
      {ERROR_SHARING_VIOLATION,
       "The process cannot access the file because it is being used by another process."},
      {ERROR_LOCK_VIOLATION,
       "The process cannot access the file because another process has locked a portion of the "
       "file."},
      {ERROR_HANDLE_DISK_FULL, "The disk is full."},
      {ERROR_DISK_FULL, "There is not enough space on the disk."},
      {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
      {ERROR_DIRECTORY, "The directory name is invalid."},
      {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
  };
  const auto code = static_cast<DWORD>(-error);
  for (const Known& known : kKnown) {
    if (known.code == code) {
      return known.text;
    }
  }
  static char text[256];
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text, nullptr);
  if (length == 0) {
    std::snprintf(text, sizeof text, "Windows error %lu", code);
  }
  for (char* end = text + std::strlen(text); end > text && (end[-1] == '\r' || end[-1] == '\n');) {
    *--end = '\0';
  }
  return text;
}

int LastStreamError() {
  return errno != 0 ? errno : EIO;
}
