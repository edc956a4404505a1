// A compressed stream (gzip, xz, bzip2 or zstd) decoded from a file with every check its format
// carries: each gzip member's CRC-32 and length, xz's block checks and index, bzip2's block and
// stream CRCs, zstd's frame checksums. libarchive's gzip filter skips the trailer, so the plugin
// decodes these streams itself and gives libarchive only what they hold (a tar archive).
//
// It decodes no more than a limit of bytes in all, and refuses a stream whose dictionary or
// window would take more memory than kMaxDecoderMemory: a small file must not cost gigabytes.
#ifndef ARCHIVE_PLUGIN_STREAM_DECODER_H
#define ARCHIVE_PLUGIN_STREAM_DECODER_H

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <cstddef>
#include <cstdint>

// The most memory a stream's decoder may take: past any dictionary a real compressor uses for a
// floppy disk image (xz -9 uses 64 MiB, zstd --ultra -22 128 MiB).
constexpr uint64_t kMaxDecoderMemory = UINT64_C(160) << 20;

enum class StreamFormat { kGzip, kXz, kBzip2, kZstd };

class StreamDecoder {
 public:
  StreamDecoder() = default;
  ~StreamDecoder() { End(); }
  StreamDecoder(const StreamDecoder&) = delete;
  StreamDecoder& operator=(const StreamDecoder&) = delete;

  // Starts decoding the file `fd` from its first byte; no more than `limit` bytes will be
  // decoded. False, said why, when the decoder cannot start.
  bool Start(int fd, StreamFormat format, int64_t limit);
  // Decodes up to size bytes into dest: how many, 0 at the stream's end (every check made), -1
  // when the stream is damaged, cut short, asks too much, or passes the limit (Problem()).
  int64_t Read(unsigned char* dest, size_t size);
  // Decodes the rest of the stream, keeping nothing, so that every check is made even where
  // what was wanted of it ended sooner; false as Read fails.
  bool Finish();

  // Why the stream failed, in words, after "is damaged (" or as a whole: see TooLarge.
  const char* Problem() const { return m_problem; }
  // Whether it failed by passing the limit rather than by damage.
  bool TooLarge() const { return m_tooLarge; }
  // Whether it failed by asking for more memory than kMaxDecoderMemory.
  bool TooGreedy() const { return m_tooGreedy; }
  int64_t Produced() const { return m_produced; }
  // Lets the decoder and its memory go.
  void End();

 private:
  // Refills the input buffer where it is used up; false at the file's end or a read error.
  bool Refill();
  // One step of the format's decoder into dest: bytes made, 0 at the stream's end, -1 failure.
  int64_t Step(unsigned char* dest, size_t size);
  int64_t StepGzip(unsigned char* dest, size_t size);
  int64_t StepXz(unsigned char* dest, size_t size);
  int64_t StepBzip2(unsigned char* dest, size_t size);
  int64_t StepZstd(unsigned char* dest, size_t size);
  // Whether the input goes on with another member (gzip, bzip2) after the one that just ended.
  bool AnotherMemberFollows(const unsigned char* magic, size_t length);
  int64_t Fail(const char* problem);

  static constexpr size_t kInputSize = 1 << 16;

  int m_fd = -1;
  StreamFormat m_format = StreamFormat::kGzip;
  int64_t m_limit = 0;
  int64_t m_produced = 0;
  int64_t m_fileOffset = 0;  // where the next refill reads
  bool m_fileEnded = false;
  bool m_ended = false;  // the stream's end was reached with every check made
  bool m_tooLarge = false;
  bool m_tooGreedy = false;
  const char* m_problem = nullptr;
  char m_problemText[160] = {};
  unsigned char m_input[kInputSize] = {};
  const unsigned char* m_next = m_input;  // the input not yet decoded
  size_t m_available = 0;
  // The format's decoder, while m_started.
  bool m_started = false;
  z_stream m_gzip = {};
  lzma_stream m_xz = LZMA_STREAM_INIT;
  bz_stream m_bzip2 = {};
  ZSTD_DStream* m_zstd = nullptr;
  size_t m_zstdPending = 0;  // ZSTD_decompressStream's last hint: 0 where a frame just ended
};

#endif  // ARCHIVE_PLUGIN_STREAM_DECODER_H
