// JSON string literals for d88-info's --json output, always valid UTF-8.
#ifndef INFO_JSON_STRING_H
#define INFO_JSON_STRING_H

// Bytes of a disk image (a disk name): printable ASCII as it is, every other byte as \u00XX,
// so that the exact bytes can be recovered whatever their encoding.
void PrintJsonBytes(const char* text);

// Text that is UTF-8 where it is valid (a path as given on the command line): valid sequences
// as they are, control characters and bytes that are not valid UTF-8 as \u00XX.
void PrintJsonText(const char* text);

#endif  // INFO_JSON_STRING_H
