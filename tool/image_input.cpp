#include "tool/image_input.h"

#include <cstring>

#include "archive/packed_images.h"
#include "platform/platform.h"
#include "tool/messages.h"

namespace {

// Says that the image file cannot be opened: the Japanese line first, byte for byte, as
// scripts compare it; then the reason.
void ReportOpenFailure(const char* path, const InputOpening& opening) {
  std::fflush(stdout);
  WriteShiftJis(stderr, kCannotOpenText);
  Diagnose("%scannot open %s: %s\n", kDiagnosticPrefix, path, OpenFailureText(opening));
}

}  // namespace

std::FILE* OpenImageInput(const char* path, const char* entry, const char* directory,
                          bool* opened) {
  InputOpening opening;
  std::FILE* input = OpenInputFile(path, &opening);
  *opened = input != nullptr;
  if (input == nullptr) {
    ReportOpenFailure(path, opening);
    return nullptr;
  }
  // The directory is entered before the image is read, so that a mistyped one is said at once,
  // whatever the disk and however long a pipe; the image was found from where the command
  // started.
  int error = 0;
  if (directory != nullptr && !ChangeDirectory(directory, &error)) {
    std::fclose(input);
    Diagnose("%scannot change to directory %s: %s\n", kDiagnosticPrefix, directory,
             ErrorText(error));
    return nullptr;
  }
  std::FILE* image = PrepareInput(input, &opening);
  if (image == nullptr) {
    ReportOpenFailure(path, opening);
    return nullptr;
  }
  if (opening.cutShort) {
    Diagnose("%s%s: only its first %lld bytes are read, the most a D88 file can hold\n",
             kDiagnosticPrefix, path, static_cast<long long>(kMaxIndexedFileSize));
  }
  const OtherFormat* packed = FindPackedFormat(image);
  if (packed == nullptr) {
    if (entry == nullptr) {
      return image;
    }
    std::fclose(image);
    Diagnose("%s%s is no archive: --entry names a D88 file in one\n", kDiagnosticPrefix, path);
    return nullptr;
  }
  PackedOutcome outcome;
  std::FILE* unpacked = UnpackChosenImage(image, *packed, path, entry, &outcome);
  std::fclose(image);
  if (unpacked == nullptr && outcome.problem != nullptr) {
    Diagnose("%s%s%s\n", kDiagnosticPrefix, path, outcome.problem);
  } else if (unpacked == nullptr) {
    opening.error = outcome.error;
    opening.step = outcome.step;
    ReportOpenFailure(path, opening);
  }
  return unpacked;
}
