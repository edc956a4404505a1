// The bytes of the image an archive walk is unpacking: in memory while they fit (a floppy disk
// image of 2D to 2HD is 0.3 to 1.3 MB), else in an anonymous temporary file. An archive of many
// small entries then costs no system call per entry, and a large image no memory.
#ifndef ARCHIVE_UNPACKED_IMAGE_H
#define ARCHIVE_UNPACKED_IMAGE_H

#include <cstddef>
#include <cstdio>

class UnpackedImage {
 public:
  // Forgets what was unpacked before; false, errno set, where a file holding it cannot be
  // emptied.
  bool Restart();
  // Takes the next bytes; false, errno set, where they cannot be kept.
  bool Write(const void* bytes, size_t length);
  // A stream of what was unpacked, from its start, for the reader, which closes it when done:
  // the memory as a stream, or the file. Valid until the next Restart. Null, errno set, where
  // none can be made.
  std::FILE* Open();
  // Closes the file, where there is one.
  void Close();

 private:
  static constexpr size_t kMemorySize = size_t{2} << 20;
  // Moves what memory holds to the file, made where there is none yet.
  bool Spill();

  size_t m_length = 0;  // in memory
  bool m_spilled = false;
  std::FILE* m_file = nullptr;
};

#endif  // ARCHIVE_UNPACKED_IMAGE_H
