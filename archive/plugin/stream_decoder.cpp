#include "archive/plugin/stream_decoder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// gzip: a member starts with these bytes and the method byte 8 (deflate).
constexpr unsigned char kGzipMagic[] = {0x1F, 0x8B, 0x08};
// zlib's window bits for a gzip member alone (15-bit window, +16: gzip wrapper, trailer checked).
constexpr int kGzipWindowBits = 15 + 16;
// bzip2: a stream starts with "BZh" and its block size digit.
constexpr unsigned char kBzip2Magic[] = {'B', 'Z', 'h'};
// zstd: a window of at most 2^27 bytes (128 MiB), zstd's own default bound.
constexpr int kZstdWindowLogMax = 27;

}  // namespace

bool StreamDecoder::Start(int fd, StreamFormat format, int64_t limit) {
  End();
  m_fd = fd;
  m_format = format;
  m_limit = limit;
  m_produced = 0;
  m_fileOffset = 0;
  m_fileEnded = false;
  m_ended = false;
  m_tooLarge = false;
  m_tooGreedy = false;
  m_problem = nullptr;
  m_next = m_input;
  m_available = 0;
  bool started = false;
  switch (format) {
    case StreamFormat::kGzip:
      m_gzip = z_stream();
      started = inflateInit2(&m_gzip, kGzipWindowBits) == Z_OK;
      break;
    case StreamFormat::kXz:
      m_xz = LZMA_STREAM_INIT;
      // Concatenated streams and stream padding, as xz writes and reads them.
      started = lzma_stream_decoder(&m_xz, kMaxDecoderMemory, LZMA_CONCATENATED) == LZMA_OK;
      break;
    case StreamFormat::kBzip2:
      m_bzip2 = bz_stream();
      started = BZ2_bzDecompressInit(&m_bzip2, 0, 0) == BZ_OK;
      break;
    case StreamFormat::kZstd:
      m_zstd = ZSTD_createDStream();
      started = m_zstd != nullptr &&
                ZSTD_isError(
                    ZSTD_DCtx_setParameter(m_zstd, ZSTD_d_windowLogMax, kZstdWindowLogMax)) == 0 &&
                ZSTD_isError(ZSTD_initDStream(m_zstd)) == 0;
      m_zstdPending = 1;
      break;
  }
  m_started = started;
  if (!started) {
    Fail("its decoder cannot start");
  }
  return started;
}

void StreamDecoder::End() {
  m_produced = 0;
  m_problem = nullptr;
  if (!m_started) {
    return;
  }
  m_started = false;
  switch (m_format) {
    case StreamFormat::kGzip:
      inflateEnd(&m_gzip);
      break;
    case StreamFormat::kXz:
      lzma_end(&m_xz);
      break;
    case StreamFormat::kBzip2:
      BZ2_bzDecompressEnd(&m_bzip2);
      break;
    case StreamFormat::kZstd:
      ZSTD_freeDStream(m_zstd);
      m_zstd = nullptr;
      break;
  }
}

int64_t StreamDecoder::Fail(const char* problem) {
  if (m_problem == nullptr) {
    std::snprintf(m_problemText, sizeof m_problemText, "%s", problem);
    m_problem = m_problemText;
  }
  return -1;
}

bool StreamDecoder::Refill() {
  if (m_available > 0) {
    return true;
  }
  if (m_fileEnded) {
    return false;
  }
  ssize_t got = 0;
  do {
    got = pread(m_fd, m_input, sizeof m_input, m_fileOffset);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    m_fileEnded = true;
    return false;
  }
  m_fileOffset += got;
  m_next = m_input;
  m_available = static_cast<size_t>(got);
  return true;
}

bool StreamDecoder::AnotherMemberFollows(const unsigned char* magic, size_t length) {
  // The magic may straddle two reads: keep what is left at the buffer's start first.
  if (m_available < length && !m_fileEnded) {
    std::memmove(m_input, m_next, m_available);
    m_next = m_input;
    ssize_t got = 0;
    do {
      got = pread(m_fd, m_input + m_available, sizeof m_input - m_available, m_fileOffset);
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
      m_fileOffset += got;
      m_available += static_cast<size_t>(got);
    } else {
      m_fileEnded = true;
    }
  }
  return m_available >= length && std::memcmp(m_next, magic, length) == 0;
}

int64_t StreamDecoder::Read(unsigned char* dest, size_t size) {
  if (m_problem != nullptr) {
    return -1;
  }
  if (m_ended || size == 0) {
    return 0;
  }
  // A step may make nothing while it takes in headers: go on until it makes something.
  int64_t made = 0;
  while (made == 0 && !m_ended) {
    made = Step(dest, size);
    if (made < 0) {
      return -1;
    }
  }
  m_produced += made;
  if (m_produced > m_limit) {
    m_tooLarge = true;
    return Fail("it unpacks to more than this program reads");
  }
  return made;
}

bool StreamDecoder::Finish() {
  static unsigned char discard[1 << 16];
  int64_t got = 0;
  while ((got = Read(discard, sizeof discard)) > 0) {
  }
  return got == 0;
}

int64_t StreamDecoder::Step(unsigned char* dest, size_t size) {
  switch (m_format) {
    case StreamFormat::kGzip:
      return StepGzip(dest, size);
    case StreamFormat::kXz:
      return StepXz(dest, size);
    case StreamFormat::kBzip2:
      return StepBzip2(dest, size);
    case StreamFormat::kZstd:
      return StepZstd(dest, size);
  }
  return -1;
}

// A gzip file is one member or several back to back; each ends in a trailer of the CRC-32 and
// the length of what it holds, which zlib compares. Bytes after a member that start no other
// (zeros a tape or a download left, junk) end the stream, as gzip and the web page take them.
int64_t StreamDecoder::StepGzip(unsigned char* dest, size_t size) {
  if (!Refill()) {
    return Fail("cut short: its gzip stream ends before its trailer");
  }
  m_gzip.next_in = const_cast<Bytef*>(m_next);  // zlib's input pointer is not const
  m_gzip.avail_in = static_cast<uInt>(m_available);
  m_gzip.next_out = dest;
  m_gzip.avail_out = static_cast<uInt>(size < (1u << 30) ? size : (1u << 30));
  const int status = inflate(&m_gzip, Z_NO_FLUSH);
  const auto made = static_cast<size_t>(m_gzip.next_out - dest);
  m_next = m_gzip.next_in;
  m_available = m_gzip.avail_in;
  if (status == Z_STREAM_END) {
    if (AnotherMemberFollows(kGzipMagic, sizeof kGzipMagic)) {
      inflateReset(&m_gzip);
    } else {
      m_ended = true;
    }
    return static_cast<int64_t>(made);
  }
  if (status == Z_OK || (status == Z_BUF_ERROR && made > 0)) {
    return static_cast<int64_t>(made);
  }
  if (status == Z_MEM_ERROR) {
    m_tooGreedy = true;
    return Fail("its decoder ran out of memory");
  }
  // zlib's words for the trailer's two checks, said plainly.
  const char* why = m_gzip.msg != nullptr ? m_gzip.msg : "its deflate data is broken";
  if (std::strcmp(why, "incorrect data check") == 0) {
    return Fail("gzip: the CRC-32 in its trailer does not match its data");
  }
  if (std::strcmp(why, "incorrect length check") == 0) {
    return Fail("gzip: the length in its trailer does not match its data");
  }
  char problem[120];
  std::snprintf(problem, sizeof problem, "gzip: %s", why);
  return Fail(problem);
}

int64_t StreamDecoder::StepXz(unsigned char* dest, size_t size) {
  const bool more = Refill();
  m_xz.next_in = m_next;
  m_xz.avail_in = m_available;
  m_xz.next_out = dest;
  m_xz.avail_out = size;
  const lzma_ret status = lzma_code(&m_xz, more ? LZMA_RUN : LZMA_FINISH);
  const size_t made = size - m_xz.avail_out;
  m_next = m_xz.next_in;
  m_available = m_xz.avail_in;
  switch (status) {
    case LZMA_OK:
      return static_cast<int64_t>(made);
    case LZMA_STREAM_END:
      m_ended = true;
      return static_cast<int64_t>(made);
    case LZMA_MEMLIMIT_ERROR: {
      m_tooGreedy = true;
      char problem[120];
      std::snprintf(problem, sizeof problem,
                    "its xz dictionary needs %llu MiB of memory, more than the %llu MiB allowed",
                    static_cast<unsigned long long>(lzma_memusage(&m_xz) >> 20),
                    static_cast<unsigned long long>(kMaxDecoderMemory >> 20));
      return Fail(problem);
    }
    case LZMA_MEM_ERROR:
      m_tooGreedy = true;
      return Fail("its xz decoder ran out of memory");
    case LZMA_BUF_ERROR:
      return Fail("cut short: its xz stream ends before its end");
    case LZMA_DATA_ERROR:
      return Fail("xz: its data or a check of it does not match");
    case LZMA_FORMAT_ERROR:
    case LZMA_OPTIONS_ERROR:
      return Fail("xz: its headers are broken or of an unknown kind");
    default:
      return Fail("xz: it cannot be decoded");
  }
}

// bzip2 checks a CRC of each block and of the whole stream; pbzip2 writes several streams back
// to back.
int64_t StreamDecoder::StepBzip2(unsigned char* dest, size_t size) {
  if (!Refill()) {
    return Fail("cut short: its bzip2 stream ends before its end");
  }
  m_bzip2.next_in = const_cast<char*>(reinterpret_cast<const char*>(m_next));
  m_bzip2.avail_in = static_cast<unsigned>(m_available);
  m_bzip2.next_out = reinterpret_cast<char*>(dest);
  m_bzip2.avail_out = static_cast<unsigned>(size < (1u << 30) ? size : (1u << 30));
  const int status = BZ2_bzDecompress(&m_bzip2);
  const auto made = static_cast<size_t>(reinterpret_cast<unsigned char*>(m_bzip2.next_out) - dest);
  m_next = reinterpret_cast<const unsigned char*>(m_bzip2.next_in);
  m_available = m_bzip2.avail_in;
  if (status == BZ_STREAM_END) {
    if (AnotherMemberFollows(kBzip2Magic, sizeof kBzip2Magic)) {
      BZ2_bzDecompressEnd(&m_bzip2);
      m_bzip2 = bz_stream();
      if (BZ2_bzDecompressInit(&m_bzip2, 0, 0) != BZ_OK) {
        m_started = false;
        return Fail("its decoder cannot start");
      }
    } else {
      m_ended = true;
    }
    return static_cast<int64_t>(made);
  }
  if (status == BZ_OK) {
    return static_cast<int64_t>(made);
  }
  if (status == BZ_MEM_ERROR) {
    m_tooGreedy = true;
    return Fail("its bzip2 decoder ran out of memory");
  }
  return Fail("bzip2: its data or a CRC of it does not match");
}

// zstd: frames back to back, each with the checksum of its content where the writer stored one
// (zstd does by default).
// NOLINTNEXTLINE(readability-non-const-parameter): zstd writes to dest through out.dst
int64_t StreamDecoder::StepZstd(unsigned char* dest, size_t size) {
  if (!Refill()) {
    if (m_zstdPending == 0) {
      m_ended = true;
      return 0;
    }
    return Fail("cut short: its zstd stream ends inside a frame");
  }
  ZSTD_inBuffer in = {m_next, m_available, 0};
  ZSTD_outBuffer out = {dest, size, 0};
  const size_t status = ZSTD_decompressStream(m_zstd, &out, &in);
  m_next += in.pos;
  m_available -= in.pos;
  if (ZSTD_isError(status) != 0) {
    const ZSTD_ErrorCode code = ZSTD_getErrorCode(status);
    if (code == ZSTD_error_frameParameter_windowTooLarge || code == ZSTD_error_memory_allocation) {
      m_tooGreedy = true;
      return Fail("its zstd window needs more memory than the 128 MiB allowed");
    }
    char problem[120];
    std::snprintf(problem, sizeof problem, "zstd: %s", ZSTD_getErrorName(status));
    return Fail(problem);
  }
  m_zstdPending = status;
  return static_cast<int64_t>(out.pos);
}
