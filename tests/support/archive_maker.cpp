#include "tests/support/archive_maker.h"

#include <archive.h>
#include <archive_entry.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(int status, archive* writer, const char* what) {
  if (status < ARCHIVE_WARN) {
    std::fprintf(stderr, "archive maker: %s: %s\n", what, archive_error_string(writer));
    std::abort();
  }
}

// CRC-16 as LZH uses it: polynomial 0x8005, bits reflected, starting at 0.
uint16_t Crc16(const Bytes& data) {
  uint16_t crc = 0;
  for (const uint8_t byte : data) {
    crc = static_cast<uint16_t>(crc ^ byte);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>((crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1);
    }
  }
  return crc;
}

void PutLE(Bytes& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
}

}  // namespace

Bytes MakeArchive(ArchiveKind kind, const std::vector<ArchiveMember>& members,
                  const ArchiveOptions& options) {
  // Names are UTF-8; libarchive converts them from the locale's character set.
  const std::string locale = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_CTYPE, "C.UTF-8");
  archive* writer = archive_write_new();
  const bool single = kind == ArchiveKind::kGzip || kind == ArchiveKind::kXz;
  switch (kind) {
    case ArchiveKind::kZip:
      Check(archive_write_set_format_zip(writer), writer, "zip");
      break;
    case ArchiveKind::kSevenZip:
      Check(archive_write_set_format_7zip(writer), writer, "7z");
      break;
    case ArchiveKind::kTarGzip:
      Check(archive_write_set_format_pax_restricted(writer), writer, "tar");
      Check(archive_write_add_filter_gzip(writer), writer, "gzip");
      break;
    case ArchiveKind::kGzip:
    case ArchiveKind::kXz:
      Check(archive_write_set_format_raw(writer), writer, "raw");
      Check(kind == ArchiveKind::kGzip ? archive_write_add_filter_gzip(writer)
                                       : archive_write_add_filter_xz(writer),
            writer, "filter");
      break;
  }
  if (options.shiftJisNames) {
    Check(archive_write_set_options(writer, "hdrcharset=CP932"), writer, "hdrcharset");
  }
  if (options.encrypted) {
    Check(archive_write_set_options(writer, "zip:encryption=zipcrypt"), writer, "encryption");
    Check(archive_write_set_passphrase(writer, "castle"), writer, "passphrase");
  }
  size_t total = 0;
  for (const ArchiveMember& member : members) {
    total += member.data.size() + 4096;
  }
  Bytes out(total + 65536);
  size_t used = 0;
  Check(archive_write_open_memory(writer, out.data(), out.size(), &used), writer, "open");
  for (size_t i = 0; i < members.size() && !(single && i > 0); ++i) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname_utf8(entry, members[i].name.c_str());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, static_cast<la_int64_t>(members[i].data.size()));
    archive_entry_set_mtime(entry, 1700000000, 0);
    Check(archive_write_header(writer, entry), writer, "header");
    if (!members[i].data.empty()) {
      Check(static_cast<int>(
                archive_write_data(writer, members[i].data.data(), members[i].data.size()) < 0
                    ? ARCHIVE_FATAL
                    : ARCHIVE_OK),
            writer, "data");
    }
    archive_entry_free(entry);
  }
  Check(archive_write_close(writer), writer, "close");
  archive_write_free(writer);
  std::setlocale(LC_CTYPE, locale.c_str());
  out.resize(used);
  return out;
}

Bytes MakeLzh(const std::vector<ArchiveMember>& members) {
  Bytes out;
  for (const ArchiveMember& member : members) {
    Bytes header;
    const std::string method = "-lh0-";
    header.insert(header.end(), method.begin(), method.end());
    PutLE(header, static_cast<uint32_t>(member.data.size()), 4);  // packed size
    PutLE(header, static_cast<uint32_t>(member.data.size()), 4);  // original size
    PutLE(header, 0x5A215C00u, 4);                                // a DOS date and time
    header.push_back(0x20);                                       // attribute: a file
    header.push_back(0);                                          // header level 0
    header.push_back(static_cast<uint8_t>(member.name.size()));
    header.insert(header.end(), member.name.begin(), member.name.end());
    PutLE(header, Crc16(member.data), 2);
    uint8_t sum = 0;
    for (const uint8_t byte : header) {
      sum = static_cast<uint8_t>(sum + byte);
    }
    out.push_back(static_cast<uint8_t>(header.size()));
    out.push_back(sum);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), member.data.begin(), member.data.end());
  }
  out.push_back(0);  // the end of the archive
  return out;
}
