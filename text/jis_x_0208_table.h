// The JIS X 0208 characters as Shift_JIS writes them: two bytes, a lead byte for each pair of
// JIS rows and a trail byte for the place in the row.
#ifndef TEXT_JIS_X_0208_TABLE_H
#define TEXT_JIS_X_0208_TABLE_H

#include <cstdint>

// Lead bytes 0x81 to 0x9F, then 0xE0 to 0xEA: JIS rows 1 to 84.
constexpr int kJisLeadCount = 0x9F - 0x81 + 1 + 0xEA - 0xE0 + 1;
// Trail bytes 0x40 to 0x7E, then 0x80 to 0xFC.
constexpr int kJisTrailCount = 0x7E - 0x40 + 1 + 0xFC - 0x80 + 1;

// The code point of each character, 0 where a pair of bytes is no JIS X 0208 character.
extern const uint16_t kJisX0208[kJisLeadCount][kJisTrailCount];

#endif  // TEXT_JIS_X_0208_TABLE_H
