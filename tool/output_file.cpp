#include "tool/output_file.h"

#include <cerrno>
#include <cstring>

#include "tool/messages.h"

std::FILE* g_outFile = nullptr;

namespace {

constexpr int kTempNameAttempts = 100;

// The reason of the stdio call that just failed; never 0, so a failure is never taken for success.
int LastError() {
  return errno != 0 ? errno : EIO;
}

void ReportWriteFailure(const char* name, int error) {
  std::fprintf(stderr, "%scannot write %s: %s\n", kDiagnosticPrefix, name, std::strerror(error));
}

}  // namespace

// The file is written under a temporary name beside it and renamed over `name` only once every
// byte is safely out, so a failure never leaves a half-written file, never touches an existing
// one, and a symbolic link of that name is replaced rather than written through.
bool WriteOutputFile(const char* name, const unsigned char* data, int length) {
  char tempName[64];
  g_outFile = nullptr;
  for (int attempt = 0; attempt < kTempNameAttempts && g_outFile == nullptr; ++attempt) {
    std::snprintf(tempName, sizeof tempName, ".%s.%d.tmp", name, attempt);
    g_outFile = std::fopen(tempName, "wbx");  // exclusive: never an existing file or a link
    if (g_outFile == nullptr && errno != EEXIST) {
      break;
    }
  }
  if (g_outFile == nullptr) {
    ReportWriteFailure(name, LastError());
    return false;
  }

  int error = 0;
  errno = 0;
  if (std::fwrite(data, 1, static_cast<size_t>(length), g_outFile) != static_cast<size_t>(length) ||
      std::fflush(g_outFile) != 0) {
    error = LastError();
  }
  if (std::fclose(g_outFile) != 0 && error == 0) {
    error = LastError();
  }
  g_outFile = nullptr;
  if (error == 0 && std::rename(tempName, name) != 0) {
    error = LastError();
  }
  if (error != 0) {
    std::remove(tempName);
    ReportWriteFailure(name, error);
    return false;
  }
  return true;
}
