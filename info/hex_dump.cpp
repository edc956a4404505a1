#include "info/hex_dump.h"

namespace {

constexpr int kBytesPerLine = 16;
constexpr int kGroupSize = 8;

char Printable(unsigned char byte) {
  return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
}

}  // namespace

void PrintHexDump(std::FILE* out, const unsigned char* data, int length) {
  for (int line = 0; line < length; line += kBytesPerLine) {
    std::fprintf(out, "%08x ", line);
    for (int i = 0; i < kBytesPerLine; ++i) {
      if (i % kGroupSize == 0) {
        std::fputc(' ', out);
      }
      if (line + i < length) {
        std::fprintf(out, "%02x ", data[line + i]);
      } else {
        std::fputs("   ", out);
      }
    }
    std::fputs(" |", out);
    for (int i = 0; i < kBytesPerLine && line + i < length; ++i) {
      std::fputc(Printable(data[line + i]), out);
    }
    std::fputs("|\n", out);
  }
}
