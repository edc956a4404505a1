// The archive plugin: the D88 files of an archive or a compressed stream, found and unpacked one
// at a time with every check the format carries. ZIP is read by its central directory here
// (zip_directory.h); gzip, xz, bzip2 and zstd are decoded here (stream_decoder.h); libarchive
// reads tar, 7z, RAR and LZH, with only those formats enabled and no filter at all, so that it
// never hands a stream to an outside program.
#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <clocale>
#include <cstdarg>
#include <cstring>

#include "archive/plugin/file_reader.h"
#include "archive/plugin/rar4_headers.h"
#include "archive/plugin/stream_decoder.h"
#include "archive/plugin/zip_directory.h"
#include "archive/plugin/zip_entry_reader.h"
#include "archive/plugin_interface.h"
#include "d88/d88format.h"

namespace {

unsigned char g_chunk[1 << 16];
// The first bytes of a decoded stream: a tar archive says so at byte 257.
constexpr size_t kTarPeek = 512;
constexpr int kTarMagicAt = 257;
constexpr char kTarMagic[] = "ustar";

// Names of formats that store their names as Unicode, which libarchive gives as UTF-8 under a
// UTF-8 locale. The others give the bytes as stored. The commands' own locale is "C".
class Utf8Locale {
 public:
  Utf8Locale() { std::setlocale(LC_CTYPE, "C.UTF-8"); }
  ~Utf8Locale() { std::setlocale(LC_CTYPE, "C"); }
  Utf8Locale(const Utf8Locale&) = delete;
  Utf8Locale& operator=(const Utf8Locale&) = delete;
};

const char* ArchiveError(archive* reader) {
  const char* text = reader != nullptr ? archive_error_string(reader) : nullptr;
  return text != nullptr ? text : "no reason given";
}

// One walk through an archive.
class Walker {
 public:
  int Run(ArchiveWalk* walk);

  // libarchive's callbacks.
  la_ssize_t ReadSource(archive* reader, const void** buffer);
  la_int64_t SeekSource(la_int64_t offset, int whence);
  la_int64_t SkipSource(la_int64_t request);

 private:
  int Say(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // The walk's end where a decoded stream failed: damaged, too large, or too greedy.
  int StreamFailed();
  // Counts bytes a format decoded; false once the walk has decoded more than it may.
  bool Charge(int64_t bytes);
  int TooLarge();

  int WalkStream(StreamFormat format);
  int WalkZip();
  int WalkLibarchive(const char* format);

  // The caller's bytes of an earlier entry forgotten; false, errno set, where they cannot be.
  bool ResetSpool();
  // Hands over bytes of the entry being unpacked; false with *outcome and *problem set.
  bool Spool(const unsigned char* bytes, int64_t length, int* outcome, const char** problem);
  // Tells the caller how an unpacking went; false where the walk is to stop there.
  bool Unpacked(int outcome, const char* problem);
  const char* Predicate(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // A libarchive entry: whether it is a D88 file (by its name or its first bytes, read into
  // g_sniff), and then unpacking it or stepping over it.
  bool SniffLibarchive(archive* reader, const char* name, bool encrypted, int64_t size);
  archive* OpenLibarchive(const char* format, int* problem);
  bool WalkLibarchiveEntry(archive* reader, archive_entry* entry, bool* stop);
  bool ZipEntryIsImage(const ZipEntry& entry, bool* tooLarge);
  bool UnpackZipEntry(const ZipEntry& entry, bool* stop);
  bool UnpackLibarchive(archive* reader, bool encrypted, const Rar4File* rar, bool* stop);
  bool StepOver(archive* reader);

  ArchiveWalk* m_walk = nullptr;
  FileReader m_file;
  FileReader m_entries;  // a ZIP's entries, apart from its directory
  StreamDecoder m_decoder;
  bool m_decoding = false;  // libarchive reads the decoder's output, not the file
  int64_t m_position = 0;   // in the file, where libarchive reads from it
  int64_t m_formatBytes = 0;
  bool m_stepReads = false;   // stepping over an entry decodes it (7z, RAR): read, and counted
  bool m_countsData = false;  // the format decodes its entries' data: counted
  bool m_rar = false;
  bool m_sevenZip = false;
  bool m_checkRar = false;   // a RAR 4 archive, whose headers are read here too
  bool m_rarInStep = false;  // ... and read as libarchive reads them
  unsigned char m_peek[kTarPeek] = {};
  size_t m_peekLength = 0;
  size_t m_peekServed = 0;
  unsigned char m_source[1 << 16] = {};
  unsigned char m_sniff[kHeaderSize] = {};
  size_t m_sniffLength = 0;
  int64_t m_spooled = 0;
  char m_predicate[256] = {};
};

Walker g_walker;
ZipDirectory g_zip;
ZipEntryReader g_zipEntry;
Rar4Headers g_rar;

la_ssize_t ReadCallback(archive* reader, void* context, const void** buffer) {
  return static_cast<Walker*>(context)->ReadSource(reader, buffer);
}
la_int64_t SeekCallback(archive* /*reader*/, void* context, la_int64_t offset, int whence) {
  return static_cast<Walker*>(context)->SeekSource(offset, whence);
}
la_int64_t SkipCallback(archive* /*reader*/, void* context, la_int64_t request) {
  return static_cast<Walker*>(context)->SkipSource(request);
}

int Walker::Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  std::vsnprintf(m_walk->problem, m_walk->problemSize, format, args);
  va_end(args);
  return kArchiveProblem;
}

const char* Walker::Predicate(const char* format, ...) {
  va_list args;
  va_start(args, format);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  std::vsnprintf(m_predicate, sizeof m_predicate, format, args);
  va_end(args);
  return m_predicate;
}

int Walker::TooLarge() {
  m_walk->tooLarge = 1;
  return Say(" is too large to search: it unpacks to more than %lld MB",
             static_cast<long long>(m_walk->imageLimit / 1000000));
}

int Walker::StreamFailed() {
  if (m_decoder.TooLarge()) {
    return TooLarge();
  }
  if (m_decoder.TooGreedy()) {
    return Say(" cannot be unpacked: %s", m_decoder.Problem());
  }
  return Say(" is damaged (%s)", m_decoder.Problem());
}

bool Walker::Charge(int64_t bytes) {
  m_formatBytes += bytes;
  return m_formatBytes + m_decoder.Produced() <= m_walk->workLimit;
}

int Walker::Run(ArchiveWalk* walk) {
  m_walk = walk;
  walk->decompressed = 0;
  walk->tooLarge = 0;
  walk->problem[0] = '\0';
  m_decoding = false;
  m_position = 0;
  m_formatBytes = 0;
  m_peekLength = 0;
  m_peekServed = 0;
  if (!m_file.Start(walk->fd) || !m_entries.Start(walk->fd)) {
    return Say(" cannot be read as %s (its size cannot be told)", walk->described);
  }
  const Utf8Locale locale;
  const char* format = walk->format;
  int outcome = kArchiveDone;
  if (std::strcmp(format, "zip") == 0) {
    outcome = WalkZip();
  } else if (std::strcmp(format, "gzip") == 0) {
    outcome = WalkStream(StreamFormat::kGzip);
  } else if (std::strcmp(format, "xz") == 0) {
    outcome = WalkStream(StreamFormat::kXz);
  } else if (std::strcmp(format, "bzip2") == 0) {
    outcome = WalkStream(StreamFormat::kBzip2);
  } else if (std::strcmp(format, "zstd") == 0) {
    outcome = WalkStream(StreamFormat::kZstd);
  } else {
    outcome = WalkLibarchive(format);
  }
  walk->decompressed = m_formatBytes + m_decoder.Produced();
  m_decoder.End();  // lets the decoder's memory go
  g_zipEntry.End();
  return outcome;
}

bool Walker::ResetSpool() {
  m_spooled = 0;
  return m_walk->restart(m_walk->context) != 0;
}

bool Walker::Spool(const unsigned char* bytes, int64_t length, int* outcome, const char** problem) {
  m_spooled += length;
  if (m_spooled > m_walk->imageLimit) {
    *outcome = kArchiveProblem;
    *problem = Predicate("unpacks to more than %lld MB: not a floppy disk image",
                         static_cast<long long>(m_walk->imageLimit / 1000000));
    return false;
  }
  errno = 0;
  if (length > 0 && m_walk->write(m_walk->context, bytes, static_cast<size_t>(length)) == 0) {
    *outcome = kArchiveWriteFailed;
    return false;
  }
  return true;
}

bool Walker::Unpacked(int outcome, const char* problem) {
  return m_walk->unpacked(m_walk->context, outcome, problem) != 0;
}

// --- Compressed streams: one file, or a tar archive ---

int Walker::WalkStream(StreamFormat format) {
  if (!m_decoder.Start(m_walk->fd, format, m_walk->workLimit)) {
    return Say(" cannot be read as %s (%s)", m_walk->described, m_decoder.Problem());
  }
  int64_t got = 0;
  while (m_peekLength < kTarPeek &&
         (got = m_decoder.Read(m_peek + m_peekLength, kTarPeek - m_peekLength)) > 0) {
    m_peekLength += static_cast<size_t>(got);
  }
  if (got < 0) {
    return StreamFailed();
  }
  if (m_peekLength == kTarPeek &&
      std::memcmp(m_peek + kTarMagicAt, kTarMagic, sizeof kTarMagic - 1) == 0) {
    m_decoding = true;
    return WalkLibarchive("tar");
  }
  // The one file the stream holds.
  if (m_walk->found(m_walk->context, nullptr, 0) == 0) {
    return m_decoder.Finish() ? kArchiveDone : StreamFailed();
  }
  int outcome = kArchiveDone;
  const char* problem = nullptr;
  if (!ResetSpool()) {
    outcome = kArchiveWriteFailed;
  } else if (Spool(m_peek, static_cast<int64_t>(m_peekLength), &outcome, &problem)) {
    while ((got = m_decoder.Read(g_chunk, sizeof g_chunk)) > 0 &&
           Spool(g_chunk, got, &outcome, &problem)) {
    }
    if (got < 0) {
      outcome = kArchiveProblem;
      problem = m_decoder.TooGreedy() ? Predicate("cannot be unpacked: %s", m_decoder.Problem())
                                      : Predicate("is damaged (%s)", m_decoder.Problem());
    }
  }
  Unpacked(outcome, problem);
  return kArchiveDone;
}

// --- ZIP ---

// Whether a ZIP entry is a D88 file: by its name, or by its first bytes where it could be one.
// *tooLarge where reading them passed the walk's bound.
bool Walker::ZipEntryIsImage(const ZipEntry& entry, bool* tooLarge) {
  if (HasD88Extension(entry.name)) {
    return true;
  }
  int64_t dataStart = 0;
  if ((entry.flags & kZipEncrypted) != 0 || entry.size < kHeaderSize ||
      entry.size > static_cast<uint64_t>(m_walk->imageLimit) ||
      g_zip.CheckLocalHeader(&m_entries, entry, &dataStart) != nullptr ||
      g_zipEntry.Start(&m_entries, entry, dataStart) != nullptr) {
    return false;
  }
  D88Header header;
  size_t got = 0;
  int64_t read = 0;
  while (got < sizeof header.raw &&
         (read = g_zipEntry.Read(header.raw + got, sizeof header.raw - got)) > 0) {
    got += static_cast<size_t>(read);
  }
  *tooLarge = !Charge(static_cast<int64_t>(got));
  return got == sizeof header.raw && LooksLikeD88Header(header);
}

// Unpacks a ZIP entry for the caller; false where the walk passed its bound.
bool Walker::UnpackZipEntry(const ZipEntry& entry, bool* stop) {
  int outcome = kArchiveDone;
  int64_t dataStart = 0;
  const char* said = g_zip.CheckLocalHeader(&m_entries, entry, &dataStart);
  if (said == nullptr) {
    said = g_zipEntry.Start(&m_entries, entry, dataStart);
  }
  if (said != nullptr) {
    outcome = kArchiveProblem;
  } else if (!ResetSpool()) {
    outcome = kArchiveWriteFailed;
  } else {
    int64_t got = 0;
    while ((got = g_zipEntry.Read(g_chunk, sizeof g_chunk)) > 0 &&
           Spool(g_chunk, got, &outcome, &said)) {
      if (!Charge(got)) {
        return false;
      }
    }
    if (got < 0) {
      outcome = kArchiveProblem;
      said = g_zipEntry.TooGreedy()
                 ? "cannot be unpacked: it needs more memory than this program allows"
                 : g_zipEntry.Problem();
    }
  }
  *stop = !Unpacked(outcome, said);
  return true;
}

int Walker::WalkZip() {
  const char* problem = g_zip.Open(&m_file);
  if (problem != nullptr) {
    return Say("%s", problem);
  }
  ZipEntry entry;
  bool stop = false;
  while (!stop && g_zip.Next(&entry, &problem)) {
    bool tooLarge = false;
    const bool image = !entry.directory && ZipEntryIsImage(entry, &tooLarge);
    if (tooLarge) {
      return TooLarge();
    }
    if (image && m_walk->found(m_walk->context, entry.name, entry.declaredUtf8 ? 1 : 0) != 0 &&
        !UnpackZipEntry(entry, &stop)) {
      return TooLarge();
    }
  }
  return problem != nullptr ? Say("%s", problem) : kArchiveDone;
}

// --- libarchive: tar, 7z, RAR, LZH ---

la_ssize_t Walker::ReadSource(archive* reader, const void** buffer) {
  *buffer = m_source;
  if (m_decoding) {
    if (m_peekServed < m_peekLength) {
      *buffer = m_peek + m_peekServed;
      const size_t length = m_peekLength - m_peekServed;
      m_peekServed = m_peekLength;
      return static_cast<la_ssize_t>(length);
    }
    const int64_t got = m_decoder.Read(m_source, sizeof m_source);
    if (got < 0) {
      archive_set_error(reader, EIO, "%s", m_decoder.Problem());
    }
    return got;
  }
  ssize_t got = 0;
  do {
    got = pread(m_walk->fd, m_source, sizeof m_source, m_position);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    archive_set_error(reader, errno, "the file cannot be read");
    return -1;
  }
  m_position += got;
  return got;
}

la_int64_t Walker::SeekSource(la_int64_t offset, int whence) {
  const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m_position : m_file.Size();
  const int64_t to = base + offset;
  if (to < 0) {
    return ARCHIVE_FATAL;
  }
  m_position = to;
  return to;
}

la_int64_t Walker::SkipSource(la_int64_t request) {
  const int64_t left = m_file.Size() - m_position;
  const int64_t skipped = request < left ? request : (left > 0 ? left : 0);
  m_position += skipped;
  return skipped;
}

bool Walker::SniffLibarchive(archive* reader, const char* name, bool encrypted, int64_t size) {
  m_sniffLength = 0;
  if (HasD88Extension(name)) {
    return true;
  }
  if (encrypted || (size >= 0 && size < kHeaderSize)) {
    return false;
  }
  la_ssize_t read = 0;
  while (m_sniffLength < sizeof m_sniff &&
         (read = archive_read_data(reader, m_sniff + m_sniffLength,
                                   sizeof m_sniff - m_sniffLength)) > 0) {
    m_sniffLength += static_cast<size_t>(read);
  }
  if (m_countsData) {
    Charge(static_cast<int64_t>(m_sniffLength));
  }
  D88Header header;
  std::memcpy(header.raw, m_sniff, sizeof header.raw);
  return m_sniffLength == sizeof m_sniff && LooksLikeD88Header(header);
}

bool Walker::StepOver(archive* reader) {
  if (!m_stepReads) {
    return archive_read_data_skip(reader) == ARCHIVE_OK;
  }
  la_ssize_t read = 0;
  while ((read = archive_read_data(reader, g_chunk, sizeof g_chunk)) > 0) {
    if (!Charge(read)) {
      return false;
    }
  }
  return read == 0;
}

bool Walker::UnpackLibarchive(archive* reader, bool encrypted, const Rar4File* rar, bool* stop) {
  int outcome = kArchiveDone;
  const char* problem = nullptr;
  uint32_t crc = 0;
  auto length = static_cast<int64_t>(m_sniffLength);
  if (encrypted) {
    outcome = kArchiveProblem;
    problem = "is encrypted; unpack it with its password first";
  } else if (!ResetSpool()) {
    outcome = kArchiveWriteFailed;
  } else if (Spool(m_sniff, length, &outcome, &problem)) {
    crc = static_cast<uint32_t>(crc32(0, m_sniff, static_cast<uInt>(m_sniffLength)));
    la_ssize_t read = 0;
    while ((read = archive_read_data(reader, g_chunk, sizeof g_chunk)) > 0) {
      if (m_countsData && !Charge(read)) {
        *stop = true;
        return false;
      }
      if (!Spool(g_chunk, read, &outcome, &problem)) {
        break;
      }
      crc = static_cast<uint32_t>(crc32(crc, g_chunk, static_cast<uInt>(read)));
      length += read;
    }
    if (read < 0) {
      if (m_decoding && m_decoder.Problem() != nullptr) {
        *stop = true;
        return false;  // the stream around the archive failed: said for the whole walk
      }
      outcome = kArchiveProblem;
      problem = archive_errno(reader) == ENOMEM
                    ? "cannot be unpacked: it needs more memory than this program allows"
                    : Predicate("is damaged (%s)", ArchiveError(reader));
    } else if (outcome == kArchiveDone && rar != nullptr &&
               (static_cast<uint64_t>(length) != rar->size || crc != rar->crc)) {
      outcome = kArchiveProblem;
      problem = "is damaged (RAR: its CRC-32 does not match its data)";
    }
  }
  *stop = !Unpacked(outcome, problem);
  return true;
}

// A libarchive reader of the one format, each by its own call: no filter, so no outside
// program. Null, said why in *problem, where libarchive cannot start on it.
archive* Walker::OpenLibarchive(const char* format, int* problem) {
  archive* reader = archive_read_new();
  if (reader == nullptr) {
    *problem = Say(" cannot be read as %s (libarchive cannot start)", m_walk->described);
    return nullptr;
  }
  int supported = ARCHIVE_FATAL;
  if (std::strcmp(format, "tar") == 0) {
    supported = archive_read_support_format_tar(reader);
  } else if (m_sevenZip) {
    supported = archive_read_support_format_7zip(reader);
  } else if (m_rar) {
    supported = archive_read_support_format_rar(reader);
    if (supported == ARCHIVE_OK) {
      supported = archive_read_support_format_rar5(reader);
    }
  } else if (std::strcmp(format, "lzh") == 0) {
    supported = archive_read_support_format_lha(reader);
  }
  archive_read_set_read_callback(reader, ReadCallback);
  archive_read_set_callback_data(reader, this);
  if (!m_decoding) {
    archive_read_set_seek_callback(reader, SeekCallback);
    archive_read_set_skip_callback(reader, SkipCallback);
  }
  if (supported != ARCHIVE_OK || archive_read_open1(reader) != ARCHIVE_OK) {
    *problem =
        m_decoding && m_decoder.Problem() != nullptr
            ? StreamFailed()
            : Say(" cannot be read as %s (%s)", m_walk->described,
                  supported != ARCHIVE_OK ? "libarchive does not read it" : ArchiveError(reader));
    archive_read_free(reader);
    return nullptr;
  }
  return reader;
}

// One entry of a libarchive walk: offered to the caller where it is a D88 file, unpacked or
// stepped over. False where the walk cannot go on.
bool Walker::WalkLibarchiveEntry(archive* reader, archive_entry* entry, bool* stop) {
  Rar4File rarFile;
  const int64_t size = archive_entry_size_is_set(entry) != 0 ? archive_entry_size(entry) : -1;
  if (m_rarInStep && (!g_rar.Next(&rarFile) || rarFile.split ||
                      (size >= 0 && static_cast<uint64_t>(size) != rarFile.size))) {
    m_rarInStep = false;  // the headers read here are not libarchive's: no CRC to hold
  }
  if (archive_entry_filetype(entry) != AE_IFREG) {
    return true;
  }
  const char* name = archive_entry_pathname(entry);
  name = name != nullptr ? name : "";
  const bool encrypted = archive_entry_is_encrypted(entry) != 0;
  if (!SniffLibarchive(reader, name, encrypted, size) ||
      m_walk->found(m_walk->context, name, m_sevenZip ? 1 : 0) == 0) {
    return StepOver(reader);
  }
  if (m_checkRar && !m_rarInStep) {
    // A stored RAR 4 entry has no check but the one made here.
    *stop = !Unpacked(kArchiveProblem,
                      "cannot be checked: its RAR headers do not read as libarchive reads them");
    return StepOver(reader);
  }
  return UnpackLibarchive(reader, encrypted, m_rarInStep ? &rarFile : nullptr, stop);
}

int Walker::WalkLibarchive(const char* format) {
  m_rar = std::strcmp(format, "rar") == 0;
  m_sevenZip = std::strcmp(format, "7z") == 0;
  m_stepReads = m_rar || m_sevenZip;
  m_countsData = !m_decoding && std::strcmp(format, "tar") != 0;
  m_peekServed = 0;
  int outcome = kArchiveDone;
  archive* reader = OpenLibarchive(format, &outcome);
  if (reader == nullptr) {
    return outcome;
  }
  m_checkRar = m_rar && g_rar.Start(&m_file);
  m_rarInStep = m_checkRar;
  archive_entry* entry = nullptr;
  int status = ARCHIVE_OK;
  bool stop = false;
  while (!stop &&
         ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK ||
          status == ARCHIVE_WARN) &&
         WalkLibarchiveEntry(reader, entry, &stop)) {
  }
  // Every trailer of the stream around the archive is checked, past where the archive ends.
  const bool tooLarge = m_formatBytes + m_decoder.Produced() > m_walk->workLimit;
  const bool streamFailed =
      !tooLarge && m_decoding && (m_decoder.Problem() != nullptr || (!stop && !m_decoder.Finish()));
  if (tooLarge) {
    outcome = TooLarge();
  } else if (streamFailed) {
    outcome = StreamFailed();
  } else if (!stop && status != ARCHIVE_EOF) {
    outcome = Say(" cannot be read as %s (%s)", m_walk->described, ArchiveError(reader));
  }
  archive_read_free(reader);
  return outcome;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int CastleWalkArchive(ArchiveWalk* walk) {
  return g_walker.Run(walk);
}
