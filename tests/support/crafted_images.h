// Files crafted to make a careless reader slow or its reports huge, for the tests and the
// benchmarks.
#ifndef TESTS_SUPPORT_CRAFTED_IMAGES_H
#define TESTS_SUPPORT_CRAFTED_IMAGES_H

#include "tests/support/d88_builder.h"

// 64 images of nothing but a header, every track of each pointing just past it, into the next
// image's header, whose 16-byte pieces read as records of no data: 43 KB in which every track
// reaches 256 records.
Bytes ChainedHeaders();

// A disk of "The Castle" whose tracks, all but the signature track, point at one shared track of
// 65,495 records: records of no data, then every sector the command reads. Each sector search
// walks past the 65,000 others: 1 MB that took a reader with a seek per record seconds to cut.
Bytes SharedTrackDisk();

// 64 images of nothing but a header, every track of each pointing just past it, into the next
// image's header, which reads as one record whose data runs to the header after; past the last
// header, a shared run of 255 records of 8 KB each. Every track of every image reaches the run:
// 2.1 MB in which a walk that reads every record it reaches reads 2.7 million of 8 KB apart.
Bytes SharedRunImages();

// 64 images of 164 tracks of 256 records of no data each, every record its own: 43 MB whose
// full listing is millions of records, of which a page draws a few thousand.
Bytes ManyRecordImages();

#endif  // TESTS_SUPPORT_CRAFTED_IMAGES_H
