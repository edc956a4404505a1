// The reader agrees with the plain reference reader, call for call, over seeded random images:
// tracks of odd records, counts and sizes that lie, offsets into other tracks and into the
// middle of records, several images, and files cut anywhere.
#include "tests/d88/reader_fixture.h"
#include "tests/support/random_images.h"
#include "tests/support/reader_comparison.h"

namespace {

#ifdef _WIN32
constexpr int kImages = 40;  // every file operation goes through Wine
#else
constexpr int kImages = 250;
#endif

TEST_F(ReaderTest, AgreesWithThePlainReferenceReaderOnRandomImages) {
  std::mt19937 random(20261209);
  for (int trial = 0; trial < kImages; ++trial) {
    WriteFileBytes(m_path, RandomFile(random));
    ASSERT_EQ(CompareWithReference(m_path.c_str()), "") << "trial " << trial;
  }
}

}  // namespace
