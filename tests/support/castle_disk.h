// Disks laid out as the two game disks are, filled with synthetic bytes, for the tests, the fuzz
// seeds and the demo.
#ifndef TESTS_SUPPORT_CASTLE_DISK_H
#define TESTS_SUPPORT_CASTLE_DISK_H

#include <cstdint>
#include <vector>

#include "tests/support/d88_builder.h"

// The regular tracks hold sectors 1 to 16 of 256 bytes with C = track / 2 and H = track % 2;
// the signature track holds three sectors numbered first, second, third.
D88Builder StandardDisk(uint8_t signatureFirst, uint8_t second, uint8_t third);
D88Builder TheCastleDisk();
D88Builder ExcellentDisk();

// The data a StandardDisk holds for sector r of a regular track.
Bytes StandardSectorData(int track, int r);

// The tracks the command reads on either title: those of its files' runs and the signature track.
std::vector<int> TracksTheCommandReads();

#endif  // TESTS_SUPPORT_CASTLE_DISK_H
