#include "archive/unpacked_image.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace {

unsigned char g_memory[size_t{2} << 20];

}  // namespace

bool UnpackedImage::Restart() {
  m_length = 0;
  if (!m_spilled) {
    return true;
  }
  m_spilled = false;
  return ftruncate(fileno(m_file), 0) == 0 && std::fseek(m_file, 0, SEEK_SET) == 0;
}

bool UnpackedImage::Spill() {
  if (m_file == nullptr) {
    errno = 0;
    m_file = AnonymousTemporaryFile();
    if (m_file == nullptr) {
      return false;
    }
  } else if (ftruncate(fileno(m_file), 0) != 0 || std::fseek(m_file, 0, SEEK_SET) != 0) {
    return false;
  }
  m_spilled = true;
  return std::fwrite(g_memory, 1, m_length, m_file) == m_length;
}

bool UnpackedImage::Write(const void* bytes, size_t length) {
  static_assert(sizeof g_memory == kMemorySize, "the memory is the size said");
  if (!m_spilled && length <= kMemorySize - m_length) {
    std::memcpy(g_memory + m_length, bytes, length);
    m_length += length;
    return true;
  }
  if (!m_spilled && !Spill()) {
    return false;
  }
  errno = 0;
  return std::fwrite(bytes, 1, length, m_file) == length;
}

std::FILE* UnpackedImage::Open() {
  // An empty image is an empty file: a stream over no memory is not one every C library makes.
  if (m_length == 0 && !m_spilled && !Spill()) {
    return nullptr;
  }
  if (!m_spilled) {
    return fmemopen(g_memory, m_length, "rb");
  }
  // The reader closes what it is given; the file stays for the next image.
  if (std::fflush(m_file) != 0) {
    return nullptr;
  }
  const int copy = dup(fileno(m_file));
  std::FILE* stream = copy >= 0 ? fdopen(copy, "rb") : nullptr;
  if (stream == nullptr && copy >= 0) {
    close(copy);
  }
  if (stream != nullptr) {
    std::setvbuf(stream, nullptr, _IONBF, 0);  // the reader reads through a window of its own
    std::rewind(stream);
  }
  return stream;
}

void UnpackedImage::Close() {
  if (m_file != nullptr) {
    std::fclose(m_file);
    m_file = nullptr;
  }
  m_spilled = false;
  m_length = 0;
}
