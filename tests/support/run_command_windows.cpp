// Runs a built program on Windows (under Wine in CI) and captures what it did. Its standard output
// and error go to files rather than pipes, which a test reads once the program has ended: the
// program sees them as redirected, as in a script; or standard output is a pipe whose reader is
// gone. Options for what Windows has not (terminals, signals, file size limits, piped input) are
// POSIX-only.
#include <windows.h>
// clang-format off
#include <io.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wide_text.h"

namespace {

// One argument as the C runtime's parser (and CommandLineToArgvW) reads it back: quoted when it
// has spaces, tabs or quotes or is empty; backslashes doubled where a quote follows them.
std::wstring Quote(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

HANDLE CreateCapture(const std::wstring& path) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ReadCapture(const std::wstring& path) {
  std::string text;
  if (std::FILE* file = _wfopen(path.c_str(), L"rb")) {
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
      text.append(chunk, got);
    }
    std::fclose(file);
  }
  return text;
}

}  // namespace

bool RunsWrapped() {
  return false;
}

CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const CommandOptions& options) {
  static const ScratchDir captures;
  static int runs = 0;
  const std::wstring base = Wide(captures.File("run" + std::to_string(++runs)));
  const std::wstring outPath = base + L".out";
  const std::wstring errPath = base + L".err";

  std::wstring commandLine = Quote(Wide(program));
  for (const std::string& argument : args) {
    commandLine += L" " + Quote(Wide(argument));
  }
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE out = INVALID_HANDLE_VALUE;
  if (options.stdoutReaderGone) {
    HANDLE reader = INVALID_HANDLE_VALUE;
    CreatePipe(&reader, &out, &inheritable, 0);
    CloseHandle(reader);
  } else {
    out = CreateCapture(outPath);
  }
  const HANDLE err = options.mergeStderr ? out : CreateCapture(errPath);
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  const HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  const std::wstring workDir = Wide(options.workDir);
  CommandResult result;
  if (CreateProcessW(Wide(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     workDir.c_str(), &startup, &process) != 0) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  if (err != out) {
    CloseHandle(err);
  }
  result.out = ReadCapture(outPath);
  result.err = options.mergeStderr ? "" : ReadCapture(errPath);
  DeleteFileW(outPath.c_str());
  DeleteFileW(errPath.c_str());
  return result;
}

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((Wide(path) + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name != L"." && name != L"..") {
        names.push_back(Utf8(name));
      }
    } while (FindNextFileW(find, &entry) != 0);
    FindClose(find);
  }
  std::sort(names.begin(), names.end());
  return names;
}

int FileMode(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return -1;
  }
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
}

// The C runtime's open descriptors, which every stream holds one of. (Windows would count its
// handles, but Wine does not.)
int OpenHandleCount() {
  constexpr int kMostDescriptors = 2048;
  int count = 0;
  for (int fd = 0; fd < kMostDescriptors; ++fd) {
    count += _get_osfhandle(fd) != -1 ? 1 : 0;
  }
  return count;
}
