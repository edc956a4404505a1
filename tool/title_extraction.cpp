#include "tool/title_extraction.h"

#include <cerrno>
#include <cstring>

std::FILE* g_outFile = nullptr;
int g_failedWrites = 0;

// Every run uses 256-byte sectors (N = 1); "The Castle" stores all but VOICE inverted.
const ExtractionList kTheCastleFiles = {
    {"PROG1", 0, 0, 0, 2, 1, 0, 2304, true},
    {"PROG2", 60, 30, 0, 16, 1, 0, 2076, true},
    {"MUSIC", 60, 30, 0, 4, 1, 131, 1540, true},
    {"VOICE", 33, 16, 1, 1, 1, 0, 1536, false},
};

const ExtractionList kCastleExcellentFiles = {
    {"PROG1", 0, 0, 0, 2, 1, 0, 2304, false},
    {"PROG2", 60, 30, 0, 16, 1, 0, 1795, false},
    {"MUSIC", 60, 30, 0, 4, 1, 131, 1540, false},
    {"VOICE", 33, 16, 1, 1, 1, 0, 1536, false},
};

namespace {

constexpr char kDiagnosticPrefix[] = "castle-extract: ";
constexpr int kTempNameAttempts = 100;

// The reason of the stdio call that just failed; never 0, so a failure is never taken for success.
int LastError() {
  return errno != 0 ? errno : EIO;
}

void ReportWriteFailure(const char* name, int error) {
  std::fprintf(stderr, "%scannot write %s: %s\n", kDiagnosticPrefix, name, std::strerror(error));
  ++g_failedWrites;
}

// Writes the file under a temporary name beside it and renames it over `name` only once every
// byte is safely out, so a failure never leaves a half-written file, never touches an existing
// one, and a symbolic link of that name is replaced rather than written through.
bool WriteReplacing(const char* name, const unsigned char* data, int length) {
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

bool Cut(const char* name, int track, int c, int h, int r, int n, int skip, int length,
         bool complemented) {
  if (skip < 0 || length < 0 || skip > kBufferSize - length) {
    return false;
  }
  const int runLength = skip + length;
  // Bytes the disk does not supply must not be those of an earlier cut.
  std::memset(g_buffer, 0, static_cast<size_t>(runLength));
  const int got = g_d88.ReadSectors(track, c, h, r, n, g_buffer, runLength);
  if (got == 0) {
    std::fprintf(stderr, "%s%s not written: the first sector of its run is missing or short\n",
                 kDiagnosticPrefix, name);
    return false;
  }
  if (got < runLength) {
    const int supplied = got > skip ? got - skip : 0;
    std::fprintf(stderr, "%s%s: the disk supplied only %d of its %d bytes; the rest is padding\n",
                 kDiagnosticPrefix, name, supplied, length);
  }
  if (complemented) {
    for (int i = skip; i < runLength; ++i) {
      g_buffer[i] = static_cast<unsigned char>(~g_buffer[i]);
    }
  }
  std::printf("cutting ... %s\n", name);
  return WriteReplacing(name, g_buffer + skip, length);
}

}  // namespace

bool CutFile(const char* name, int track, int c, int h, int r, int n, int skip, int length) {
  return Cut(name, track, c, h, r, n, skip, length, false);
}

bool CutFileInverted(const char* name, int track, int c, int h, int r, int n, int skip,
                     int length) {
  return Cut(name, track, c, h, r, n, skip, length, true);
}

void RunExtractionList(const ExtractionList& list) {
  for (const TitleEntry& row : list) {
    const auto cut = row.complemented ? CutFileInverted : CutFile;
    cut(row.name, row.track, row.c, row.h, row.r, row.n, row.skip, row.length);
  }
}
