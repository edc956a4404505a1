#include "tool/image_input.h"

#include <cstring>

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

// The names of the images an archive holds, as "a.d88, b.d88", with how many more there are
// than were kept.
const char* NameList(const PackedImages& images) {
  static char list[kMaxPackedImages * (kMaxEntryName + 2) + 32];
  list[0] = '\0';
  size_t used = 0;
  const int kept = images.count < kMaxPackedImages ? images.count : kMaxPackedImages;
  for (int i = 0; i < kept; ++i) {
    const int wrote =
        std::snprintf(list + used, sizeof list - used, "%s%s", i == 0 ? "" : ", ", images.names[i]);
    used += wrote > 0 ? static_cast<size_t>(wrote) : 0;
  }
  if (images.count > kept) {
    std::snprintf(list + used, sizeof list - used, " and %d more", images.count - kept);
  }
  return list;
}

// The last part of an entry's path: an archive keeps its files in folders.
const char* BaseName(const char* name) {
  const char* slash = std::strrchr(name, '/');
  return slash != nullptr ? slash + 1 : name;
}

// Which image of an archive to read: the one it holds, or the one `entry` names (its whole name
// in the archive, or its name alone where that is one image's). -1, said why, for none.
int ChooseImage(const char* path, const PackedImages& images, const char* entry) {
  const int kept = images.count < kMaxPackedImages ? images.count : kMaxPackedImages;
  if (entry == nullptr) {
    if (images.count == 1) {
      return 0;
    }
    if (images.count == 0) {
      Diagnose("%s%s holds no D88 image (it is %s)\n", kDiagnosticPrefix, path, images.format);
    } else {
      Diagnose("%s%s holds %d D88 files: %s; choose one with --entry NAME\n", kDiagnosticPrefix,
               path, images.count, NameList(images));
    }
    return -1;
  }
  int found = -1;
  int alone = 0;  // images whose name alone is the one asked for
  for (int i = 0; i < kept; ++i) {
    if (std::strcmp(images.names[i], entry) == 0) {
      return i;
    }
    if (std::strcmp(BaseName(images.names[i]), entry) == 0) {
      found = i;
      ++alone;
    }
  }
  if (alone == 1) {
    return found;
  }
  if (images.count == 0) {
    Diagnose("%s%s holds no D88 image (it is %s)\n", kDiagnosticPrefix, path, images.format);
  } else {
    Diagnose("%s%s holds no D88 file named %s; it holds %s\n", kDiagnosticPrefix, path, entry,
             NameList(images));
  }
  return -1;
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
  const PackedImages* packed = FindPackedImages(image, &opening);
  if (packed == nullptr && opening.problem == nullptr && entry != nullptr) {
    opening.problem = " is no archive: --entry names a D88 file in one";
  }
  int chosen = -1;
  if (packed != nullptr && (chosen = ChooseImage(path, *packed, entry)) >= 0) {
    std::FILE* unpacked = UnpackImage(image, chosen, &opening);
    std::fclose(image);
    image = unpacked;
    if (image == nullptr && opening.problem == nullptr) {
      ReportOpenFailure(path, opening);
      return nullptr;
    }
  }
  if (opening.problem != nullptr || (packed != nullptr && chosen < 0)) {
    if (opening.problem != nullptr) {
      Diagnose("%s%s%s\n", kDiagnosticPrefix, path, opening.problem);
    }
    if (image != nullptr) {
      std::fclose(image);
    }
    return nullptr;
  }
  return image;
}
