#ifndef INFO_HEX_DUMP_H
#define INFO_HEX_DUMP_H

#include <cstdio>

// Writes bytes as lines of 16: an 8-digit hex offset, the bytes in hex in two groups of eight,
// and the printable ASCII characters between bars (others as '.').
void PrintHexDump(std::FILE* out, const unsigned char* data, int length);

#endif  // INFO_HEX_DUMP_H
