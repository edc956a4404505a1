#include "tests/support/archive_maker.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
  if ((kind == ArchiveKind::kGzip || kind == ArchiveKind::kTarGzip) && options.stored) {
    // zlib at level 0: stored deflate blocks, every byte where it was.
    const Bytes data =
        kind == ArchiveKind::kGzip ? members.front().data : MakeArchive(ArchiveKind::kTar, members);
    Bytes out(data.size() + data.size() / 1000 + 1024);
    z_stream stream = {};
    deflateInit2(&stream, 0, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(out.size() - stream.avail_out);
    deflateEnd(&stream);
    return out;
  }
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
    case ArchiveKind::kTar:
      Check(archive_write_set_format_pax_restricted(writer), writer, "tar");
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
  if (options.stored) {
    const char* option =
        kind == ArchiveKind::kZip ? "zip:compression=store" : "7zip:compression=store";
    Check(archive_write_set_options(writer, option), writer, "store");
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
  if (options.utf8FlagOff) {
    // Bit 11 of the flags of every local header (at 6) and directory record (at 8).
    for (size_t at = 0; at + 10 < out.size(); ++at) {
      if (out[at] == 'P' && out[at + 1] == 'K' && (out[at + 2] == 3 || out[at + 2] == 1) &&
          out[at + 3] == out[at + 2] + 1) {
        out[at + (out[at + 2] == 3 ? 7 : 9)] &= ~0x08;
      }
    }
  }
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

Bytes MakeRar4(const std::vector<ArchiveMember>& members) {
  // Every block: CRC-16 (the low half of the CRC-32 of the rest of its header), type, flags,
  // header size.
  const auto block = [](Bytes& out, uint8_t type, uint16_t flags, const Bytes& fields) {
    Bytes header = {type};
    PutLE(header, flags, 2);
    PutLE(header, static_cast<uint32_t>(7 + fields.size()), 2);
    header.insert(header.end(), fields.begin(), fields.end());
    PutLE(out, static_cast<uint32_t>(crc32(0, header.data(), static_cast<uInt>(header.size()))), 2);
    out.insert(out.end(), header.begin(), header.end());
  };
  Bytes out = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  block(out, 0x73, 0, Bytes(6, 0));  // the archive header
  for (const ArchiveMember& member : members) {
    Bytes fields;
    const auto size = static_cast<uint32_t>(member.data.size());
    PutLE(fields, size, 4);  // packed size
    PutLE(fields, size, 4);  // size
    fields.push_back(3);     // made on Unix
    PutLE(fields, static_cast<uint32_t>(crc32(0, member.data.data(), static_cast<uInt>(size))), 4);
    PutLE(fields, 0x5A215C00u, 4);  // a DOS date and time
    fields.push_back(20);           // version 2.0 unpacks it
    fields.push_back(0x30);         // stored
    PutLE(fields, static_cast<uint32_t>(member.name.size()), 2);
    PutLE(fields, 0x81A4, 4);  // attributes: a file, rw-r--r--
    fields.insert(fields.end(), member.name.begin(), member.name.end());
    block(out, 0x74, 0x8000, fields);  // a long block: the data follows
    out.insert(out.end(), member.data.begin(), member.data.end());
  }
  block(out, 0x7B, 0x4000, {});  // the end of the archive
  return out;
}

namespace {

// A ustar header of a file of that name and size.
Bytes TarHeader(const std::string& name, uint64_t size) {
  Bytes header(512, 0);
  std::snprintf(reinterpret_cast<char*>(header.data()), 100, "%s", name.c_str());
  std::snprintf(reinterpret_cast<char*>(header.data()) + 100, 8, "%07o", 0644);
  std::snprintf(reinterpret_cast<char*>(header.data()) + 108, 8, "%07o", 0);
  std::snprintf(reinterpret_cast<char*>(header.data()) + 116, 8, "%07o", 0);
  std::snprintf(reinterpret_cast<char*>(header.data()) + 124, 12, "%011llo",
                static_cast<unsigned long long>(size));
  std::snprintf(reinterpret_cast<char*>(header.data()) + 136, 12, "%011o", 1700000000);
  header[156] = '0';
  std::memcpy(header.data() + 257,
              "ustar\0"
              "00",
              8);
  std::memset(header.data() + 148, ' ', 8);
  unsigned sum = 0;
  for (const uint8_t byte : header) {
    sum += byte;
  }
  std::snprintf(reinterpret_cast<char*>(header.data()) + 148, 8, "%06o", sum);
  return header;
}

// Raw deflate of the bytes, ended by a full flush so that what follows owes it nothing.
Bytes DeflateFlushed(z_stream* stream, const Bytes& bytes, int flush) {
  Bytes out(bytes.size() + bytes.size() / 100 + 1024);
  stream->next_in = const_cast<Bytef*>(bytes.data());
  stream->avail_in = static_cast<uInt>(bytes.size());
  stream->next_out = out.data();
  stream->avail_out = static_cast<uInt>(out.size());
  deflate(stream, flush);
  out.resize(out.size() - stream->avail_out);
  return out;
}

}  // namespace

namespace {

// Raw deflate data of `count` zeros, ended by a full flush, made in no time: a mebibyte of zeros
// after a full flush deflates the same each time, so it is repeated. *crc is the CRC-32 of the
// zeros, carried on from its value.
Bytes DeflatedZeros(z_stream* stream, uint64_t count, uLong* crc) {
  const Bytes zeros(1 << 20, 0);
  const Bytes chunk = DeflateFlushed(stream, zeros, Z_FULL_FLUSH);
  const uLong zerosCrc = crc32(0, zeros.data(), static_cast<uInt>(zeros.size()));
  Bytes out;
  uint64_t left = count;
  for (; left >= zeros.size(); left -= zeros.size()) {
    out.insert(out.end(), chunk.begin(), chunk.end());
    *crc = crc32_combine(*crc, zerosCrc, static_cast<z_off_t>(zeros.size()));
  }
  const Bytes rest(static_cast<size_t>(left), 0);
  const Bytes end = DeflateFlushed(stream, rest, Z_FULL_FLUSH);
  out.insert(out.end(), end.begin(), end.end());
  *crc = crc32(*crc, rest.data(), static_cast<uInt>(rest.size()));
  return out;
}

}  // namespace

Bytes MakeZipOfZeros(const std::vector<std::pair<std::string, uint64_t>>& entries) {
  Bytes out;
  Bytes directory;
  for (const auto& [name, size] : entries) {
    z_stream stream = {};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    uLong crc = crc32(0, nullptr, 0);
    Bytes data = DeflatedZeros(&stream, size, &crc);
    const Bytes end = DeflateFlushed(&stream, {}, Z_FINISH);
    data.insert(data.end(), end.begin(), end.end());
    deflateEnd(&stream);
    const auto offset = static_cast<uint32_t>(out.size());
    for (Bytes* header : {&out, &directory}) {
      const bool central = header == &directory;
      PutLE(*header, central ? 0x02014B50u : 0x04034B50u, 4);
      if (central) {
        PutLE(*header, 20, 2);  // made by
      }
      PutLE(*header, 20, 2);  // needed
      PutLE(*header, 0, 2);   // flags
      PutLE(*header, 8, 2);   // deflated
      PutLE(*header, 0, 4);   // time and date
      PutLE(*header, static_cast<uint32_t>(crc), 4);
      PutLE(*header, static_cast<uint32_t>(data.size()), 4);
      PutLE(*header, static_cast<uint32_t>(size), 4);
      PutLE(*header, static_cast<uint32_t>(name.size()), 2);
      PutLE(*header, 0, 2);  // extra field
      if (central) {
        PutLE(*header, 0, 4);  // comment, disk
        PutLE(*header, 0, 2);  // internal attributes
        PutLE(*header, 0, 4);  // external attributes
        PutLE(*header, offset, 4);
      }
      header->insert(header->end(), name.begin(), name.end());
    }
    out.insert(out.end(), data.begin(), data.end());
  }
  const auto directoryOffset = static_cast<uint32_t>(out.size());
  out.insert(out.end(), directory.begin(), directory.end());
  PutLE(out, 0x06054B50u, 4);
  PutLE(out, 0, 4);  // disks
  PutLE(out, static_cast<uint32_t>(entries.size()), 2);
  PutLE(out, static_cast<uint32_t>(entries.size()), 2);
  PutLE(out, static_cast<uint32_t>(directory.size()), 4);
  PutLE(out, directoryOffset, 4);
  PutLE(out, 0, 2);  // comment
  return out;
}

Bytes MakeTarGzipWithJunk(uint64_t junk, const std::vector<ArchiveMember>& members) {
  z_stream stream = {};
  deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3};  // a gzip header, made on Unix
  uLong crc = crc32(0, nullptr, 0);
  uint64_t length = 0;
  const auto add = [&](const Bytes& bytes, int flush) {
    const Bytes deflated = DeflateFlushed(&stream, bytes, flush);
    out.insert(out.end(), deflated.begin(), deflated.end());
    crc = crc32(crc, bytes.data(), static_cast<uInt>(bytes.size()));
    length += bytes.size();
  };
  add(TarHeader("junk.bin", junk), Z_FULL_FLUSH);
  const Bytes zeros = DeflatedZeros(&stream, junk, &crc);
  out.insert(out.end(), zeros.begin(), zeros.end());
  length += junk;
  Bytes rest(static_cast<size_t>((512 - junk % 512) % 512), 0);
  const Bytes tar = MakeArchive(ArchiveKind::kTarGzip, members);  // its tar, inflated below
  Bytes inflated(tar.size() * 4 + 65536);
  z_stream inflating = {};
  inflateInit2(&inflating, 31);
  inflating.next_in = const_cast<Bytef*>(tar.data());
  inflating.avail_in = static_cast<uInt>(tar.size());
  inflating.next_out = inflated.data();
  inflating.avail_out = static_cast<uInt>(inflated.size());
  inflate(&inflating, Z_FINISH);
  inflated.resize(inflated.size() - inflating.avail_out);
  inflateEnd(&inflating);
  rest.insert(rest.end(), inflated.begin(), inflated.end());
  add(rest, Z_FINISH);
  deflateEnd(&stream);
  PutLE(out, static_cast<uint32_t>(crc), 4);
  PutLE(out, static_cast<uint32_t>(length), 4);
  return out;
}

Bytes MakeXzAskingFor4GiB(const Bytes& data) {
  Bytes xz = MakeArchive(ArchiveKind::kXz, {{"", data}});
  // The block header follows the 12-byte stream header; its size is its first byte's, times 4,
  // plus 4. Its LZMA2 filter (ID 0x21) carries one byte of properties: the dictionary size, 40
  // being 4 GiB. A CRC-32 of the header ends it.
  const size_t start = 12;
  const size_t size = (xz[start] + 1u) * 4u;
  for (size_t at = start + 2; at + 2 < start + size - 4; ++at) {
    if (xz[at] == 0x21 && xz[at + 1] == 0x01) {
      xz[at + 2] = 40;
      break;
    }
  }
  const auto crc = static_cast<uint32_t>(crc32(0, xz.data() + start, static_cast<uInt>(size - 4)));
  for (int i = 0; i < 4; ++i) {
    xz[start + size - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
  }
  return xz;
}
