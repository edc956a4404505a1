#include "tool/cut_file.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "tool/messages.h"
#include "tool/output_file.h"
#include "tool/program_objects.h"
#include "tool/sector_health.h"

namespace {

ListOutcome g_outcome;  // of the current list
OutputPlace g_prepare = nullptr;
void* g_placeContext = nullptr;
bool g_placeFailed = false;

// Makes the place the files go, before the first of them; false where it cannot be made.
bool PreparePlace() {
  if (g_prepare != nullptr) {
    const OutputPlace prepare = g_prepare;
    g_prepare = nullptr;
    g_placeFailed = !prepare(g_placeContext);
  }
  return !g_placeFailed;
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
    Diagnose("%s%s not written: the first sector of its run is missing or short\n",
             kDiagnosticPrefix, name);
    ++g_outcome.incomplete;
    return false;
  }
  if (!PreparePlace()) {
    ++g_outcome.unwritten;
    ++g_outcome.incomplete;
    return false;
  }
  ReportSuspectSectors(name, track, c, h, r, n, runLength, got);
  if (got < runLength) {
    ++g_outcome.incomplete;
    const int supplied = got > skip ? got - skip : 0;
    Diagnose("%s%s: the disk supplied only %d of its %d bytes; the rest is padding\n",
             kDiagnosticPrefix, name, supplied, length);
  }
  if (complemented) {
    for (int i = skip; i < runLength; ++i) {
      g_buffer[i] = static_cast<unsigned char>(~g_buffer[i]);
    }
  }
  std::printf("cutting ... %s\n", name);
  if (!WriteOutputFile(name, g_buffer + skip, length)) {
    ++g_outcome.unwritten;
    g_outcome.incomplete += got < runLength ? 0 : 1;  // a padded file counts once
    return false;
  }
  return true;
}

}  // namespace

bool CutFile(const char* name, int track, int c, int h, int r, int n, int skip, int length) {
  return Cut(name, track, c, h, r, n, skip, length, false);
}

bool CutFileInverted(const char* name, int track, int c, int h, int r, int n, int skip,
                     int length) {
  return Cut(name, track, c, h, r, n, skip, length, true);
}

ListOutcome RunExtractionList(const ExtractionList& list) {
  g_outcome = ListOutcome();
  g_placeFailed = false;
  ForgetSuspectSectors();
  for (const TitleEntry& row : list) {
    const auto cut = row.complemented ? CutFileInverted : CutFile;
    cut(row.name, row.track, row.c, row.h, row.r, row.n, row.skip, row.length);
  }
  g_prepare = nullptr;
  return g_outcome;
}

void SetOutputPlace(OutputPlace prepare, void* context) {
  g_prepare = prepare;
  g_placeContext = context;
}
