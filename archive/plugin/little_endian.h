// Fields of archive headers, which ZIP and RAR both write little-endian: read and written byte by
// byte, so that neither the host's byte order nor a field's alignment matters.
#ifndef ARCHIVE_PLUGIN_LITTLE_ENDIAN_H
#define ARCHIVE_PLUGIN_LITTLE_ENDIAN_H

#include <cstdint>

inline uint16_t Le16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t Le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t Le64(const unsigned char* p) {
  return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32);
}

inline void PutLe16(unsigned char* p, uint32_t value) {
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
}

inline void PutLe32(unsigned char* p, uint32_t value) {
  PutLe16(p, value);
  PutLe16(p + 2, value >> 16);
}

#endif  // ARCHIVE_PLUGIN_LITTLE_ENDIAN_H
