// Random reads of a file through a window of its bytes: an archive's directory is many small
// records one after another, read here with one system call per window rather than per record.
#ifndef ARCHIVE_PLUGIN_FILE_READER_H
#define ARCHIVE_PLUGIN_FILE_READER_H

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

class FileReader {
 public:
  // Reads the file `fd` from now on; false when its size cannot be told.
  bool Start(int fd) {
    struct stat status = {};
    m_fd = fd;
    m_windowStart = 0;
    m_windowLength = 0;
    m_size = fstat(fd, &status) == 0 ? status.st_size : -1;
    return m_size >= 0;
  }
  int64_t Size() const { return m_size; }

  // Copies length bytes from offset to dest; false where the file has fewer there.
  bool Read(int64_t offset, void* dest, size_t length) {
    if (offset < 0 || offset > m_size || static_cast<int64_t>(length) > m_size - offset) {
      return false;
    }
    auto* out = static_cast<unsigned char*>(dest);
    while (length > 0) {
      if (offset < m_windowStart || offset >= m_windowStart + m_windowLength) {
        if (!Fill(offset)) {
          return false;
        }
      }
      const int64_t from = offset - m_windowStart;
      const size_t count = static_cast<size_t>(m_windowLength - from) < length
                               ? static_cast<size_t>(m_windowLength - from)
                               : length;
      std::memcpy(out, m_window + from, count);
      out += count;
      offset += static_cast<int64_t>(count);
      length -= count;
    }
    return true;
  }

 private:
  bool Fill(int64_t offset) {
    ssize_t got = 0;
    do {
      got = pread(m_fd, m_window, sizeof m_window, offset);
    } while (got < 0 && errno == EINTR);
    m_windowStart = offset;
    m_windowLength = got > 0 ? got : 0;
    return got > 0;
  }

  int m_fd = -1;
  int64_t m_size = -1;
  int64_t m_windowStart = 0;
  int64_t m_windowLength = 0;
  unsigned char m_window[1 << 18] = {};
};

#endif  // ARCHIVE_PLUGIN_FILE_READER_H
