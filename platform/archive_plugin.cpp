// The archive plugin: archives and compressed streams read through libarchive (ZIP, LZH, 7z,
// RAR, tar, and gzip, xz, bzip2 or zstd around one file), loaded by the commands only when they
// meet one.
#include "platform/archive_plugin.h"

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdarg>
#include <cstring>

#include "d88/d88format.h"

namespace {

unsigned char g_chunk[1 << 16];

// Names of entries in archives that do not mark them as UTF-8 are Shift_JIS (code page 932), as
// Japanese archivers write them. libarchive converts them to the locale's character set, which
// must therefore be UTF-8 while an archive is read; the commands' own is "C".
class Utf8Names {
 public:
  Utf8Names() { std::setlocale(LC_CTYPE, "C.UTF-8"); }
  ~Utf8Names() { std::setlocale(LC_CTYPE, "C"); }
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;
};

// What went wrong, said after the file's path.
class Problem {
 public:
  Problem(char* text, size_t size) : m_text(text), m_size(size) {}
  int Say(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    // clang 14's analyzer does not see va_start through the va_list typedef of x86-64.
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
    std::vsnprintf(m_text, m_size, format, args);
    va_end(args);
    return kArchiveProblem;
  }

 private:
  char* m_text;
  size_t m_size;
};

// What libarchive says went wrong.
const char* Error(archive* reader) {
  const char* text = archive_error_string(reader);
  return text != nullptr ? text : "no reason given";
}

// An archive open for reading from the file's start, with every format and filter libarchive
// has. Null, said why, when libarchive cannot start on it.
archive* OpenArchive(int fd, const char* described, Problem* problem) {
  archive* reader = archive_read_new();
  if (reader == nullptr) {
    problem->Say(" cannot be read as %s (libarchive cannot start)", described);
    return nullptr;
  }
  archive_read_support_filter_all(reader);
  archive_read_support_format_all(reader);
  archive_read_support_format_raw(reader);  // the one file of a compressed stream
  archive_read_set_options(reader, "hdrcharset=CP932");
  if (lseek(fd, 0, SEEK_SET) != 0 ||
      archive_read_open_fd(reader, fd, static_cast<size_t>(sizeof g_chunk)) != ARCHIVE_OK) {
    problem->Say(" cannot be read as %s (%s)", described, Error(reader));
    archive_read_free(reader);
    return nullptr;
  }
  return reader;
}

// Whether a header was read: a warning (such as a name that could not be converted) is not an
// end.
bool HeaderRead(int status) {
  return status == ARCHIVE_OK || status == ARCHIVE_WARN;
}

// Whether the first bytes of an entry read as a D88 image: a whole header of the kind D88
// writers make.
bool ReadsAsD88(archive* reader) {
  D88Header header;
  size_t got = 0;
  while (got < sizeof header.raw) {
    const la_ssize_t read = archive_read_data(reader, header.raw + got, sizeof header.raw - got);
    if (read <= 0) {
      return false;
    }
    got += static_cast<size_t>(read);
  }
  return LooksLikeD88Header(header);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int CastleListPackedImages(
    int fd, const char* described, const char* streamName, PackedImages* images, char* problem,
    size_t problemSize) {
  Problem says(problem, problemSize);
  const Utf8Names names;
  archive* reader = OpenArchive(fd, described, &says);
  if (reader == nullptr) {
    return kArchiveProblem;
  }
  images->count = 0;
  archive_entry* entry = nullptr;
  int status = ARCHIVE_OK;
  for (int place = 0; HeaderRead(status = archive_read_next_header(reader, &entry)); ++place) {
    const bool streamed = archive_format(reader) == ARCHIVE_FORMAT_RAW;
    // Read as it is, with nothing to unpack: libarchive did not know the format after all.
    if (streamed && archive_filter_code(reader, 0) == ARCHIVE_FILTER_NONE) {
      status = ARCHIVE_FATAL;
      archive_set_error(reader, EINVAL, "not one that libarchive reads");
      break;
    }
    if (!streamed && archive_entry_filetype(entry) != AE_IFREG) {
      continue;
    }
    const char* text = archive_entry_pathname_utf8(entry);
    const char* bytes = text != nullptr ? text : archive_entry_pathname(entry);
    char name[kMaxEntryName];
    std::snprintf(name, sizeof name, "%s", streamed ? streamName : bytes != nullptr ? bytes : "");
    const bool image = streamed || HasD88Extension(name) ||
                       (archive_entry_is_encrypted(entry) == 0 && ReadsAsD88(reader));
    if (image) {
      if (images->count < kMaxPackedImages) {
        std::memcpy(images->names[images->count], name, sizeof name);
        images->decoded[images->count] = streamed || text != nullptr;
        images->places[images->count] = place;
      }
      ++images->count;
    }
  }
  const int outcome = status == ARCHIVE_EOF
                          ? kArchiveDone
                          : says.Say(" cannot be read as %s (%s)", described, Error(reader));
  archive_read_free(reader);
  return outcome;
}

extern "C" __attribute__((visibility("default"))) int CastleUnpackPackedImage(
    int fd, int place, const char* name, std::FILE* spool, int64_t limit, char* problem,
    size_t problemSize) {
  Problem says(problem, problemSize);
  const Utf8Names names;
  archive* reader = OpenArchive(fd, "an archive", &says);
  if (reader == nullptr) {
    return kArchiveProblem;
  }
  archive_entry* entry = nullptr;
  int status = ARCHIVE_OK;
  for (int at = 0; HeaderRead(status) && at <= place; ++at) {
    status = archive_read_next_header(reader, &entry);
  }
  int outcome = kArchiveDone;
  if (!HeaderRead(status)) {
    outcome = says.Say(": %s cannot be found again (%s)", name, Error(reader));
  } else if (archive_entry_is_encrypted(entry) != 0) {
    outcome = says.Say(": %s is encrypted; unpack it with its password first", name);
  }
  // Every byte passes the format's checks: a CRC that does not match fails the last read.
  int64_t unpacked = 0;
  la_ssize_t read = 0;
  while (outcome == kArchiveDone &&
         (read = archive_read_data(reader, g_chunk, sizeof g_chunk)) > 0) {
    unpacked += read;
    errno = 0;
    if (unpacked > limit) {
      outcome = says.Say(": %s unpacks to more than %lld MB: not a floppy disk image", name,
                         static_cast<long long>(limit / 1000000));
    } else if (std::fwrite(g_chunk, 1, static_cast<size_t>(read), spool) !=
               static_cast<size_t>(read)) {
      outcome = kArchiveWriteFailed;
    }
  }
  if (outcome == kArchiveDone && read < 0) {
    outcome = says.Say(": %s is damaged (%s)", name, Error(reader));
  }
  archive_read_free(reader);
  return outcome;
}
