#include "tool/output_file.h"

#include <cerrno>

#include "platform/platform.h"
#include "tool/messages.h"

std::FILE* g_outFile = nullptr;

namespace {

void ReportWriteFailure(const char* name, const char* reason) {
  Diagnose("%scannot write %s: %s\n", kDiagnosticPrefix, name, reason);
}

}  // namespace

// The file is written under a temporary name beside it and renamed over `name` only once every
// byte is safely out, so a failure never leaves a half-written file, never touches an existing
// one, and a symbolic link of that name is replaced rather than written through. The disk image
// itself is never replaced, whatever it is called.
bool WriteOutputFile(const char* name, const unsigned char* data, int length) {
  if (IsInputFile(name)) {
    ReportWriteFailure(name, "it is the disk image being read");
    return false;
  }
  int error = 0;
  g_outFile = CreateTemporaryFile(name, &error);
  if (g_outFile == nullptr) {
    ReportWriteFailure(name, ErrorText(error));
    return false;
  }
  errno = 0;
  if (std::fwrite(data, 1, static_cast<size_t>(length), g_outFile) != static_cast<size_t>(length) ||
      std::fflush(g_outFile) != 0) {
    error = LastStreamError();
    DiscardTemporary(g_outFile);
    g_outFile = nullptr;
    ReportWriteFailure(name, ErrorText(error));
    return false;
  }
  const bool replaced = ReplaceWithTemporary(g_outFile, name, &error);
  g_outFile = nullptr;
  if (!replaced) {
    ReportWriteFailure(name, ErrorText(error));
  }
  return replaced;
}
