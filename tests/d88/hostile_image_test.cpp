// Damaged and hostile images: every walk ends, nothing is read beyond what the file holds, and
// offsets or sizes at or above 2^31 lead nowhere.
#include "tests/d88/reader_fixture.h"

namespace {

constexpr uint32_t kNegative = 0x80000000u;

D88Builder SmallDisk() {
  D88Builder builder;
  builder.SetName("SMALL");
  for (uint8_t r = 1; r <= 3; ++r) {
    builder.AddSector(0, PatternSector(0, 0, r, 1, 256));
  }
  builder.AddSector(1, PatternSector(0, 1, 1, 1, 256));
  return builder;
}

TEST_F(ReaderTest, NegativeTrackOffsetIsAnAbsentTrack) {
  D88Builder builder = SmallDisk();
  builder.SetTrackOffsetField(0, kNegative).SetTrackOffsetField(1, 0xFFFFFFFFu);
  OpenImage(builder);
  unsigned char data[256];
  EXPECT_EQ(m_reader.ReadSector(0, 0, 0, 1, 1, data, 256), 0);
  EXPECT_EQ(m_reader.ReadSectorIds(1, data, 256), 0);
}

TEST_F(ReaderTest, NegativeDiskSizeEndsTheIndexAndClosesEveryTrack) {
  D88Builder builder = SmallDisk();
  builder.SetDiskSizeField(0xFFFFFFF0u);
  OpenBytes(Concat({builder.Build(), SmallDisk().Build()}));
  EXPECT_EQ(m_reader.GetDiskCount(), 1);
  ASSERT_TRUE(m_reader.SelectDisk(0));
  unsigned char data[256];
  EXPECT_EQ(m_reader.ReadSector(0, 0, 0, 1, 1, data, 256), 0);
}

TEST_F(ReaderTest, NegativeDiskSizeNeverLeadsBackwards) {
  // A size of 0xFFFFFFFF after a first image would point one byte back, into that image.
  D88Builder second = SmallDisk();
  second.SetDiskSizeField(0xFFFFFFFFu);
  OpenBytes(Concat({SmallDisk().Build(), second.Build()}));
  EXPECT_EQ(m_reader.GetDiskCount(), 2);
}

TEST_F(ReaderTest, IndexStopsWhereTheNextOffsetWouldPassTwoGigabytes) {
  // The second image's size carries the next offset past 2^31 - 1: it is the last indexed.
  D88Builder big = SmallDisk();
  big.SetDiskSizeField(0x7FFFFFFFu);
  OpenBytes(Concat({SmallDisk().Build(), big.Build()}));
  EXPECT_EQ(m_reader.GetDiskCount(), 2);
  ASSERT_TRUE(m_reader.SelectDisk(1));
  unsigned char data[256];
  EXPECT_EQ(m_reader.ReadSector(1, 0, 1, 1, 1, data, 256), 256);
}

TEST_F(ReaderTest, EveryTruncationEndsEveryOperation) {
  // Cut the image at every byte: listing, searching and runs must end, and a read never
  // reports more bytes than the file still holds for the sector.
  const D88Builder builder = SmallDisk();
  const Bytes whole = builder.Build();
  const int thirdData = builder.TrackStart(0) + 2 * (kSectorHeaderSize + 256) + kSectorHeaderSize;
  for (size_t length = 0; length <= whole.size(); ++length) {
    SCOPED_TRACE(length);
    OpenBytes(Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
    if (length < static_cast<size_t>(kHeaderSize)) {
      EXPECT_EQ(m_reader.GetDiskCount(), 0);
      continue;
    }
    ASSERT_TRUE(m_reader.SelectDisk(0));
    Bytes data(2048, 0xEE);
    const int ids = m_reader.ReadSectorIds(0, data.data(), 2048);
    EXPECT_LE(ids, 12);
    const int available = std::max(0, std::min(256, static_cast<int>(length) - thirdData));
    const int expected = static_cast<int>(length) >= thirdData ? available : 0;
    EXPECT_EQ(m_reader.ReadSector(0, 0, 0, 3, 1, data.data(), 256), expected);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + expected),
              Bytes(whole.begin() + thirdData, whole.begin() + thirdData + expected));
    const int run = m_reader.ReadSectors(0, 0, 0, 1, 1, data.data(), 2048);
    EXPECT_TRUE(run == 0 || run == 256 || run == 512 || run == 768) << run;
  }
}

TEST_F(ReaderTest, DataSizeBeyondTheFileReadsOnlyWhatIsThere) {
  D88Builder builder;
  SectorRecord sector = PatternSector(0, 0, 1, 1, 100);
  sector.dataSizeField = 0xFFFF;
  builder.AddSector(0, sector);
  OpenImage(builder);
  Bytes data(0x10000, 0xEE);
  EXPECT_EQ(m_reader.ReadSector(0, 0, 0, 1, 1, data.data(), 0xFFFF), 100);
  EXPECT_EQ(m_reader.ReadSectors(0, 0, 0, 1, 1, data.data(), 256), 0);
}

TEST_F(ReaderTest, AbsurdCountsEndAtTheEndOfTheFile) {
  // Counts that never match a record's position, and data sizes that skip far ahead.
  D88Builder builder;
  for (uint8_t r = 1; r <= 8; ++r) {
    SectorRecord sector = PatternSector(0, 0, r, 1, 16);
    sector.countField = 0xFFFF;
    builder.AddSector(0, sector);
  }
  SectorRecord far = PatternSector(0, 0, 9, 1, 16);
  far.countField = 0xFFFF;
  far.dataSizeField = 0xFFFF;
  builder.AddSector(1, far);
  OpenImage(builder);
  unsigned char data[64];
  EXPECT_EQ(m_reader.ReadSector(0, 0, 0, 99, 1, data, 64), 0);
  EXPECT_EQ(m_reader.ReadSectorIds(0, data, 64), 36);  // eight here, then track 1's one
  EXPECT_EQ(m_reader.ReadSectorIds(1, data, 64), 4);
}

TEST_F(ReaderTest, TrackPointingIntoTheHeaderEnds) {
  D88Builder builder = SmallDisk();
  builder.SetTrackOffsetField(2, 1);
  OpenImage(builder);
  Bytes data(4096, 0);
  m_reader.ReadSectorIds(2, data.data(), 4096);
  EXPECT_EQ(m_reader.ReadSector(2, 0x55, 0x55, 0x55, 0x55, data.data(), 4096), 0);
  EXPECT_EQ(m_reader.ReadSectors(2, 0x55, 0x55, 0x55, 1, data.data(), 4096), 0);
}

TEST_F(ReaderTest, BadListingArgumentsTouchNothing) {
  OpenImage(SmallDisk());
  Bytes data(16, 0xEE);
  EXPECT_EQ(m_reader.ReadSectorIds(0, data.data(), -4), 0);
  EXPECT_EQ(m_reader.ReadSectorIds(0, nullptr, 16), 0);
  EXPECT_EQ(m_reader.ReadSectorIds(0, data.data(), 3), 0);
  EXPECT_EQ(data, Bytes(16, 0xEE));
}

}  // namespace
