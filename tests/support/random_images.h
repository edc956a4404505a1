// Seeded random D88 files for property tests: one to three images of a few tracks of odd
// records, counts and sizes that lie, offsets into other tracks and into the middle of records,
// and files cut anywhere. The same seed gives the same files on every system.
#ifndef TESTS_SUPPORT_RANDOM_IMAGES_H
#define TESTS_SUPPORT_RANDOM_IMAGES_H

#include <random>

#include "tests/support/d88_builder.h"

Bytes RandomFile(std::mt19937& random);

#endif  // TESTS_SUPPORT_RANDOM_IMAGES_H
