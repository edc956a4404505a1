// Decimal numbers written straight into a line buffer: a map of a crafted file holds millions of
// them, and printf's format parsing would be most of its time.
#ifndef INFO_DECIMAL_H
#define INFO_DECIMAL_H

// Writes the decimal digits of value (and a '-' before a negative one) at out; returns the end.
// Room for 11 characters is enough for any int.
inline char* AppendDecimal(char* out, int value) {
  auto magnitude = static_cast<unsigned>(value);
  if (value < 0) {
    *out++ = '-';
    magnitude = 0u - magnitude;
  }
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (count > 0) {
    *out++ = digits[--count];
  }
  return out;
}

// Copies a NUL-terminated text at out; returns the end.
inline char* AppendText(char* out, const char* text) {
  while (*text != '\0') {
    *out++ = *text++;
  }
  return out;
}

#endif  // INFO_DECIMAL_H
