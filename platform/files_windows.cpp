// Files and the run's start on Windows: paths arrive as UTF-8 and go to the wide-character calls,
// so that a name in Japanese, or with characters of no code page, opens; output files replace
// the old ones in one step, as on POSIX.
// clang-format off
#include <windows.h>  // before the other Windows headers, which need its definitions
#include <shellapi.h>
#include <tlhelp32.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "platform/launch_decision.h"
#include "platform/platform.h"
#include "platform/windows_text.h"

namespace {

// Errors of the C library are errno values; errors of Windows calls are stored negated.
int WindowsError() {
  const DWORD error = GetLastError();
  return error != 0 ? -static_cast<int>(error) : EIO;
}

// Why a file could not be opened, as the C library says it: the words users and scripts know.
int OpenError() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    default:
      return WindowsError();
  }
}

// Whether a standard handle leads anywhere: a process started with no console at all
// (DETACHED_PROCESS) has none, or one that is no handle of its own.
bool UsableHandle(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  SetLastError(NO_ERROR);
  return GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
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

// The arguments as UTF-8: every argument of the longest command line fits (32,767 characters,
// each taking at most three bytes), and every argument it can hold (one character and a space
// each).
constexpr int kMaxArguments = 16384;
// The most folders "name (2)", "name (3)", ... tried for images of the same name.
constexpr int kMaxFolderNumber = 9999;
char g_argumentText[3 * 32768];
char* g_arguments[kMaxArguments + 1];

// Set by the first Ctrl+C (or Ctrl+Break) in a window of its own: the run stops between images.
volatile LONG g_interrupted = 0;
bool g_ownWindow = false;

BOOL WINAPI RemoveTemporaryOnInterrupt(DWORD event) {
  const bool keyed = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
  if (g_ownWindow && keyed && InterlockedExchange(&g_interrupted, 1) == 0) {
    return TRUE;  // handled: the image at hand is finished, then the summary
  }
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

// Decided once, at the start, from the facts of how the program was started.
bool g_hasStandardOutput = true;
wchar_t g_startDirectory[kMaxWidePath];

// The file name of the process that started this one ("explorer.exe"), or "" where it cannot be
// told (it may have ended).
const char* ParentName() {
  static char name[3 * MAX_PATH];
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    return "";
  }
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  const DWORD self = GetCurrentProcessId();
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == self) {
      parent = entry.th32ParentProcessID;
    }
  }
  name[0] = '\0';
  for (BOOL more = Process32FirstW(snapshot, &entry); more && parent != 0;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == parent && !ToUtf8(entry.szExeFile, name, sizeof name)) {
      name[0] = '\0';
    }
  }
  CloseHandle(snapshot);
  return name;
}

LaunchFacts GatherLaunchFacts() {
  LaunchFacts facts;
  DWORD processes[2];
  facts.consoleProcesses = static_cast<int>(GetConsoleProcessList(processes, 2));
  const HWND window = GetConsoleWindow();
  facts.consoleWindow = window != nullptr;
  facts.windowVisible = window != nullptr && IsWindowVisible(window) != 0;
  // A terminal's pseudo console (Windows Terminal, the default one of Windows 11) has a window
  // that is never shown: the terminal shows the console in a tab of its own.
  wchar_t windowClass[32] = L"";
  facts.pseudoConsole = window != nullptr && GetClassNameW(window, windowClass, 32) > 0 &&
                        std::wcscmp(windowClass, L"PseudoConsoleWindow") == 0;
  // A service's window station is not one a user sees, whatever its consoles say.
  USEROBJECTFLAGS station = {};
  DWORD needed = 0;
  facts.interactiveStation = GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS,
                                                       &station, sizeof station, &needed) == 0 ||
                             (station.dwFlags & WSF_VISIBLE) != 0;
  DWORD mode = 0;
  facts.inputIsConsole = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
  facts.outputIsConsole = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  facts.parent = ParentName();
  return facts;
}

// The names Windows keeps for devices, whatever folder or extension they come with: opening
// one reads a device, and a serial port may never answer.
bool IsDeviceName(const wchar_t* path) {
  const wchar_t* name = path;
  for (const wchar_t* p = path; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/' || (*p == L':' && p == path + 1)) {
      name = p + 1;
    }
  }
  size_t length = std::wcscspn(name, L".");
  while (length > 0 && name[length - 1] == L' ') {
    --length;
  }
  constexpr const wchar_t* kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* device : kDevices) {
    if (length == std::wcslen(device) && _wcsnicmp(name, device, length) == 0) {
      return true;
    }
  }
  // COM1 to COM9 and LPT1 to LPT9, and the superscript digits Windows takes as well.
  const bool port =
      length == 4 && (_wcsnicmp(name, L"COM", 3) == 0 || _wcsnicmp(name, L"LPT", 3) == 0);
  const wchar_t digit = port ? name[3] : L'\0';
  return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
         digit == L'\u00B3';
}

// Errors a virus scanner or an indexer causes for a moment by holding a file just closed.
bool IsPassingHold(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED ||
         error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
}

// Why the file cannot be deleted now (another program holds it without sharing deletion), or 0.
DWORD DeletionBlocked(const wchar_t* path) {
  const HANDLE file = CreateFileW(
      path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return IsPassingHold(error) ? error : 0;
  }
  CloseHandle(file);
  return 0;
}

// Puts the temporary file in the place of `name` as Windows replaces a file: ReplaceFileW keeps
// the old file's attributes (hidden, say), its security and its alternate streams; where there
// is no old file, or ReplaceFileW cannot (some file systems), a move in one step. The attributes
// a user sets are carried over in any case, as not every ReplaceFileW does (Wine's). A file held
// by a scanner is waited for, a few times within about a second.
bool PutInPlace(const wchar_t* name) {
  static wchar_t fullName[kMaxWidePath];
  static wchar_t fullTemp[kMaxWidePath];
  if (GetFullPathNameW(name, kMaxWidePath, fullName, nullptr) == 0 ||
      GetFullPathNameW(g_tempName, kMaxWidePath, fullTemp, nullptr) == 0) {
    return false;
  }
  constexpr DWORD kUserAttributes =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD old = GetFileAttributesW(fullName);
  constexpr DWORD kWaits[] = {50, 100, 200, 300, 400};
  for (int attempt = 0;; ++attempt) {
    const bool exists = GetFileAttributesW(fullName) != INVALID_FILE_ATTRIBUTES;
    // Held by another program, the old file cannot be deleted: wait for it before ReplaceFileW,
    // which may leave files of its own behind when it fails (Wine's does).
    DWORD replaceError = exists ? DeletionBlocked(fullName) : ERROR_FILE_NOT_FOUND;
    bool placed = exists && replaceError == 0 &&
                  ReplaceFileW(fullName, fullTemp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                               nullptr, nullptr) != 0;
    if (exists && replaceError == 0 && !placed) {
      replaceError = GetLastError();
    }
    if (!placed && !IsPassingHold(replaceError)) {
      placed =
          MoveFileExW(fullTemp, fullName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (placed) {
      const DWORD now = GetFileAttributesW(fullName);
      if (old != INVALID_FILE_ATTRIBUTES && now != INVALID_FILE_ATTRIBUTES &&
          (old & kUserAttributes & ~now) != 0) {
        SetFileAttributesW(fullName, now | (old & kUserAttributes));
      }
      return true;
    }
    const DWORD error = IsPassingHold(replaceError) ? replaceError : GetLastError();
    if (!IsPassingHold(error) || attempt == static_cast<int>(std::size(kWaits))) {
      // The old file could not be removed because another program holds it.
      SetLastError(error == ERROR_UNABLE_TO_REMOVE_REPLACED ? ERROR_SHARING_VIOLATION : error);
      return false;
    }
    Sleep(kWaits[attempt]);
  }
}

}  // namespace

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
  // Started with no console at all (DETACHED_PROCESS), the program has no standard output or
  // error: what it says goes nowhere, which is no failure of it.
  g_hasStandardOutput = _fileno(stdout) >= 0 && UsableHandle(STD_OUTPUT_HANDLE);
  // "\n" is written as it is, so that redirected output is byte for byte that of other systems.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The C runtime buffers standard error when it is a file; a diagnostic belongs where it
  // happened, among the lines of standard output.
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  SetConsoleCtrlHandler(RemoveTemporaryOnInterrupt, TRUE);
  g_ownWindow = OpensItsOwnWindow(GatherLaunchFacts());
  if (g_ownWindow) {
    std::atexit(WaitForEnter);
  }
}

bool RunsInItsOwnWindow() {
  return g_ownWindow;
}

bool InterruptRequested() {
  return g_interrupted != 0;
}

void RequestInterrupt(bool interrupt) {
  InterlockedExchange(&g_interrupted, interrupt ? 1 : 0);
}

bool HasStandardOutput() {
  return g_hasStandardOutput;
}

bool ReturnToStartingDirectory(int* error) {
  if (g_startDirectory[0] == L'\0') {
    const DWORD length = GetCurrentDirectoryW(kMaxWidePath, g_startDirectory);
    if (length == 0 || length >= kMaxWidePath) {
      g_startDirectory[0] = L'\0';
      *error = WindowsError();
      return false;
    }
    return true;
  }
  if (SetCurrentDirectoryW(g_startDirectory) == 0) {
    *error = WindowsError();
    return false;
  }
  return true;
}

const char* MakeFolderForImage(const char* imagePath, bool inCurrentFolder, int* error,
                               bool* trimmed) {
  static wchar_t full[kMaxWidePath];
  static char folder[3 * kMaxWidePath];
  // Named after the image without its extension: C:\disks\castle.d88 gives C:\disks\castle
  // (and a name without one gets ".files"), or castle in the current folder.
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
  // Windows drops the dots and spaces that end a name ("game .d88" would make "game"): drop
  // them here, so that the folder said is the folder made.
  *trimmed = false;
  for (size_t end = std::wcslen(full);
       end > 0 && (full[end - 1] == L'.' || full[end - 1] == L' ') &&
       (name == nullptr || full + end - 1 > name + 1);
       --end) {
    full[end - 1] = L'\0';
    *trimmed = true;
  }
  if (inCurrentFolder && name != nullptr) {
    const DWORD length = GetCurrentDirectoryW(kMaxWidePath, g_wideName);
    if (length == 0 || length + std::wcslen(name) >= kMaxWidePath) {
      *error = WindowsError();
      return nullptr;
    }
    std::wcscat(g_wideName, name);
    std::wcscpy(full, g_wideName);
    name = full + length;
  }
  // A folder of its own that did not exist: never one of the user's, nor that of another image
  // of the same name (game.d88 and game.D77): "game", then "game (2)", "game (3)", ...
  const size_t base = std::wcslen(full);
  const size_t nameLength = name != nullptr ? base - static_cast<size_t>(name + 1 - full) : base;
  constexpr size_t kLongestName = 255;  // characters of one name in a path
  for (int number = 1;; ++number) {
    wchar_t suffix[16] = L"";
    if (number > 1) {
      _snwprintf(suffix, 16, L" (%d)", number);
    }
    if (nameLength + std::wcslen(suffix) > kLongestName || base + 16 >= kMaxWidePath) {
      *error = -static_cast<int>(ERROR_FILENAME_EXCED_RANGE);
      return nullptr;
    }
    std::wcscpy(full + base, suffix);
    if (CreateDirectoryW(full, nullptr) != 0) {
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS || number == kMaxFolderNumber) {
      *error = WindowsError();
      return nullptr;
    }
  }
  ToUtf8(full, folder, sizeof folder);
  return folder;
}

const char* ProgramName(const char* argv0) {
  // The name alone: Windows gives the whole path of the program as it was started.
  const char* name = argv0;
  for (const char* c = argv0; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/' || *c == ':') {
      name = c + 1;
    }
  }
  return name;
}

std::FILE* OpenInputFile(const char* path, InputOpening* opening) {
  wchar_t* wide = g_wideName;
  if (!ToWide(path, wide, kMaxWidePath)) {
    opening->error = WindowsError();
    return nullptr;
  }
  if (IsDeviceName(wide)) {
    opening->step = "it is a device, not a file";
    return nullptr;
  }
  const DWORD attributes = GetFileAttributesW(wide);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    opening->error = EISDIR;
    return nullptr;
  }
  // Shared for every use, deletion and renaming included: the user may move or delete an image
  // while the command reads it, as Explorer lets them.
  const HANDLE opened =
      CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    opening->error = OpenError();
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(opened), _O_RDONLY | _O_BINARY);
  std::FILE* input = fd >= 0 ? _fdopen(fd, "rb") : nullptr;
  if (input == nullptr) {
    opening->error = EIO;
    if (fd >= 0) {
      _close(fd);
    } else {
      CloseHandle(opened);
    }
    return nullptr;
  }
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(input)));
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    std::fclose(input);
    opening->step = "it is a device, not a file";
    return nullptr;
  }
  g_haveInput = GetFileInformationByHandle(handle, &g_input) != 0;
  // The reader reads through a window of its own; a stream buffer would read twice.
  std::setvbuf(input, nullptr, _IONBF, 0);
  return input;
}

std::FILE* PrepareInput(std::FILE* input, InputOpening* /*opening*/) {
  return input;  // only files are opened here, and a file can seek
}

int ReadFileAt(std::FILE* file, int64_t offset, unsigned char* dest, int length) {
  const int64_t position = _ftelli64(file);
  const bool placed = _fseeki64(file, offset, SEEK_SET) == 0;
  const size_t got = placed ? std::fread(dest, 1, static_cast<size_t>(length), file) : 0;
  _fseeki64(file, position < 0 ? 0 : position, SEEK_SET);
  return static_cast<int>(got);
}

int64_t FileSize(std::FILE* file) {
  return _filelengthi64(_fileno(file));
}

const char* TemporaryDirectory() {
  static char directory[3 * MAX_PATH];
  wchar_t wide[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, wide);
  if (length == 0 || length > MAX_PATH || !ToUtf8(wide, directory, sizeof directory)) {
    return ".";
  }
  return directory;
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
  // The bytes on the device before the file takes the old one's place.
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (FlushFileBuffers(handle) == 0 && GetLastError() != ERROR_INVALID_FUNCTION) {
    *error = WindowsError();
    std::fclose(stream);
  } else if (std::fclose(stream) != 0) {
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
  } else if (!PutInPlace(g_wideName)) {
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
  // The C runtime takes a pipe whose reader went away for an invalid argument; it is a broken
  // pipe, as on every other system.
  const DWORD system = GetLastError();
  if (system == ERROR_NO_DATA || system == ERROR_BROKEN_PIPE) {
    return EPIPE;
  }
  return errno != 0 ? errno : EIO;
}
