// How both game disks are laid out: 40 cylinders of two sides, every regular track holding
// sectors numbered 1 to 16 of 256 bytes (size code 1), and track index = cylinder * 2 + head.
// Track 79, the last, is the protection track that tells the titles apart.
#ifndef CASTLE_DISK_LAYOUT_H
#define CASTLE_DISK_LAYOUT_H

#include "d88/d88format.h"

constexpr int kFirstSector = 1;
constexpr int kLastSector = 16;
constexpr int kSectorSizeCode = 1;
constexpr int kSectorLength = kBaseSectorLength << kSectorSizeCode;
constexpr int kSignatureTrack = 79;
constexpr int kRegularTracks = kSignatureTrack;  // tracks 0 to 78
constexpr int kSides = 2;

#endif  // CASTLE_DISK_LAYOUT_H
