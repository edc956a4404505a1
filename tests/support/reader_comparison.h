// Runs the reader the commands use and the plain reference reader side by side over one file,
// call for call, for the differential fuzz target and the reader's property test.
#ifndef TESTS_SUPPORT_READER_COMPARISON_H
#define TESTS_SUPPORT_READER_COMPARISON_H

#include <string>

// Makes every public call of D88Image on the file (the index, each selection with its name, media
// type and size, every track's offset, ID listing, record listing and walk, a search for every
// listed sector and for one that is not there, and runs over several sector ranges and size
// codes) through both readers, and says the first difference: "" when they agree throughout.
std::string CompareWithReference(const char* path);

#endif  // TESTS_SUPPORT_READER_COMPARISON_H
