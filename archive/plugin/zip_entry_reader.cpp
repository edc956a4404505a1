#include "archive/plugin/zip_entry_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "archive/plugin/little_endian.h"

namespace {

// The methods libarchive reads besides the two decoded here.
constexpr uint16_t kLibarchiveMethods[] = {12 /* bzip2 */, 14 /* LZMA */, 95 /* xz */,
                                           98 /* PPMd */};
constexpr int kRawDeflateBits = -15;  // zlib: deflate data with no wrapper, 32 KB window

la_ssize_t ServeEntry(archive* /*reader*/, void* context, const void** buffer) {
  return static_cast<ZipEntryReader*>(context)->Serve(buffer);
}

}  // namespace

int64_t ZipEntryReader::Fail(const char* format, ...) {
  if (m_problem == nullptr) {
    va_list args;
    va_start(args, format);
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
    std::vsnprintf(m_problemText, sizeof m_problemText, format, args);
    va_end(args);
    m_problem = m_problemText;
  }
  return -1;
}

void ZipEntryReader::End() {
  if (m_inflating) {
    inflateEnd(&m_zlib);
    m_inflating = false;
  }
  if (m_archive != nullptr) {
    archive_read_free(m_archive);
    m_archive = nullptr;
  }
}

const char* ZipEntryReader::Start(FileReader* file, const ZipEntry& entry, int64_t dataStart) {
  End();
  m_file = file;
  m_entry = entry;
  m_dataStart = dataStart;
  m_packedRead = 0;
  m_made = 0;
  m_crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
  m_ended = false;
  m_problem = nullptr;
  m_tooGreedy = false;
  if ((entry.flags & kZipEncrypted) != 0) {
    Fail("is encrypted; unpack it with its password first");
    return m_problem;
  }
  if (entry.method == kZipStored) {
    if (entry.packedSize != entry.size) {
      Fail("is damaged (ZIP: it is stored, yet its two sizes differ)");
    }
    return m_problem;
  }
  if (entry.method == kZipDeflated) {
    m_zlib = z_stream();
    m_inflating = inflateInit2(&m_zlib, kRawDeflateBits) == Z_OK;
    if (!m_inflating) {
      Fail("cannot be unpacked (zlib cannot start)");
    }
    return m_problem;
  }
  bool known = false;
  for (const uint16_t method : kLibarchiveMethods) {
    known = known || method == entry.method;
  }
  if (!known || entry.packedSize > UINT32_MAX - 1 || entry.size > UINT32_MAX - 1) {
    Fail("is packed by ZIP method %u, which this program does not unpack", entry.method);
    return m_problem;
  }
  // A local header made from the directory's values: no data descriptor to look for, no other
  // CRC-32 or sizes to believe. libarchive then checks the data against them too.
  static constexpr char kName[] = "entry";
  unsigned char* h = m_localHeader;
  PutLe32(h, 0x04034B50);
  PutLe16(h + 4, 20);
  PutLe16(h + 6, entry.flags & ~(kZipDataDescriptor | kZipUtf8Names));
  PutLe16(h + 8, entry.method);
  PutLe32(h + 10, 0);
  PutLe32(h + 14, entry.crc);
  PutLe32(h + 18, static_cast<uint32_t>(entry.packedSize));
  PutLe32(h + 22, static_cast<uint32_t>(entry.size));
  PutLe16(h + 26, sizeof kName - 1);
  PutLe16(h + 28, 0);
  std::memcpy(h + 30, kName, sizeof kName - 1);
  m_localHeaderLength = 30 + sizeof kName - 1;
  m_headerServed = false;
  m_archive = archive_read_new();
  archive_entry* header = nullptr;
  if (m_archive == nullptr || archive_read_support_format_zip_streamable(m_archive) != ARCHIVE_OK ||
      archive_read_open(m_archive, this, nullptr, ServeEntry, nullptr) != ARCHIVE_OK ||
      archive_read_next_header(m_archive, &header) != ARCHIVE_OK) {
    Fail("cannot be unpacked (%s)",
         m_archive != nullptr && archive_error_string(m_archive) != nullptr
             ? archive_error_string(m_archive)
             : "libarchive cannot start");
  }
  return m_problem;
}

int64_t ZipEntryReader::Serve(const void** buffer) {
  if (!m_headerServed) {
    m_headerServed = true;
    *buffer = m_localHeader;
    return static_cast<int64_t>(m_localHeaderLength);
  }
  *buffer = m_input;
  return ReadPacked(m_input, sizeof m_input);
}

int64_t ZipEntryReader::Read(unsigned char* dest, size_t size) {
  if (m_problem != nullptr) {
    return -1;
  }
  if (m_ended || size == 0) {
    return 0;
  }
  const int64_t made = Decode(dest, size);
  if (made < 0) {
    return -1;
  }
  if (made > 0) {
    m_crc = static_cast<uint32_t>(crc32(m_crc, dest, static_cast<uInt>(made)));
    m_made += static_cast<uint64_t>(made);
    if (m_made > m_entry.size) {
      return Fail("is damaged (ZIP: it unpacks to more than the %llu bytes its headers give)",
                  static_cast<unsigned long long>(m_entry.size));
    }
    return made;
  }
  m_ended = true;
  if (m_made != m_entry.size) {
    return Fail("is damaged (ZIP: it unpacks to %llu bytes, not the %llu its headers give)",
                static_cast<unsigned long long>(m_made),
                static_cast<unsigned long long>(m_entry.size));
  }
  if (m_crc != m_entry.crc) {
    return Fail("is damaged (ZIP: its CRC-32 does not match its data)");
  }
  return 0;
}

int64_t ZipEntryReader::ReadPacked(unsigned char* dest, size_t size) {
  const uint64_t left = m_entry.packedSize - m_packedRead;
  const size_t length = left < size ? static_cast<size_t>(left) : size;
  if (length > 0 && !m_file->Read(m_dataStart + static_cast<int64_t>(m_packedRead), dest, length)) {
    return Fail("is damaged (ZIP: the file ends inside its data)");
  }
  m_packedRead += length;
  return static_cast<int64_t>(length);
}

int64_t ZipEntryReader::Decode(unsigned char* dest, size_t size) {
  if (m_entry.method == kZipStored) {
    return ReadPacked(dest, size);
  }
  if (m_inflating) {
    return Inflate(dest, size);
  }
  const la_ssize_t got = archive_read_data(m_archive, dest, size);
  if (got < 0) {
    m_tooGreedy = archive_errno(m_archive) == ENOMEM;
    return Fail("is damaged (ZIP: %s)", archive_error_string(m_archive) != nullptr
                                            ? archive_error_string(m_archive)
                                            : "its data cannot be decoded");
  }
  return got;
}

// Deflate data must end exactly where its packed size says.
int64_t ZipEntryReader::Inflate(unsigned char* dest, size_t size) {
  m_zlib.next_out = dest;
  m_zlib.avail_out = static_cast<uInt>(size < (1u << 30) ? size : (1u << 30));
  while (m_zlib.avail_out > 0) {
    if (m_zlib.avail_in == 0) {
      const int64_t length = ReadPacked(m_input, sizeof m_input);
      if (length < 0) {
        return -1;
      }
      m_zlib.next_in = m_input;
      m_zlib.avail_in = static_cast<uInt>(length);
    }
    const bool lastInput = m_packedRead == m_entry.packedSize;
    const int status = inflate(&m_zlib, Z_NO_FLUSH);
    if (status == Z_STREAM_END) {
      if (m_zlib.avail_in != 0 || !lastInput) {
        return Fail("is damaged (ZIP: its deflate data ends before its packed size)");
      }
      break;
    }
    if (status == Z_BUF_ERROR && m_zlib.avail_in == 0 && lastInput) {
      return Fail("is damaged (ZIP: its deflate data is cut short)");
    }
    if (status != Z_OK && status != Z_BUF_ERROR) {
      m_tooGreedy = status == Z_MEM_ERROR;
      return Fail("is damaged (ZIP: %s)",
                  m_zlib.msg != nullptr ? m_zlib.msg : "its deflate data is broken");
    }
  }
  return static_cast<int64_t>(m_zlib.next_out - dest);
}
