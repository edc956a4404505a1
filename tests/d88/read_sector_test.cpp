// Finding one sector by its full ID.
#include "tests/d88/reader_fixture.h"

namespace {

Bytes Read(D88Image& reader, int track, int c, int h, int r, int n, int capacity) {
  Bytes data(static_cast<size_t>(capacity) + 16, 0xEE);
  const int got = reader.ReadSector(track, c, h, r, n, data.data(), capacity);
  data.resize(static_cast<size_t>(got));
  return data;
}

class ReadSectorTest : public ReaderTest {
 protected:
  // Track 5 holds, unsorted, sectors 3, 1, 2 of (C 2, H 1, N 1), one sector with another N and
  // one with another C; track 6 holds two sectors with the same ID.
  void SetUp() override {
    for (uint8_t r : {3, 1, 2}) {
      m_builder.AddSector(5, PatternSector(2, 1, r, 1, 256));
    }
    m_builder.AddSector(5, PatternSector(2, 1, 4, 0, 128));
    m_builder.AddSector(5, PatternSector(9, 1, 5, 1, 256));
    m_builder.AddSector(6, PatternSector(3, 0, 1, 1, 256));
    SectorRecord duplicate = PatternSector(3, 0, 1, 1, 256);
    duplicate.data.assign(256, 0x42);
    m_builder.AddSector(6, duplicate);
    OpenImage(m_builder);
  }

  D88Builder m_builder;
};

TEST_F(ReadSectorTest, FindsASectorByAllFourIdBytes) {
  for (uint8_t r : {1, 2, 3}) {
    EXPECT_EQ(Read(m_reader, 5, 2, 1, r, 1, 256), PatternSector(2, 1, r, 1, 256).data);
  }
  EXPECT_EQ(Read(m_reader, 5, 2, 1, 4, 0, 256), PatternSector(2, 1, 4, 0, 128).data);
  EXPECT_EQ(Read(m_reader, 5, 9, 1, 5, 1, 256), PatternSector(9, 1, 5, 1, 256).data);

  EXPECT_TRUE(Read(m_reader, 5, 2, 1, 4, 1, 256).empty());        // wrong N
  EXPECT_TRUE(Read(m_reader, 5, 2, 0, 1, 1, 256).empty());        // wrong H
  EXPECT_TRUE(Read(m_reader, 5, 3, 1, 1, 1, 256).empty());        // wrong C
  EXPECT_TRUE(Read(m_reader, 5, 2, 1, 6, 1, 256).empty());        // no such R
  EXPECT_TRUE(Read(m_reader, 4, 2, 1, 1, 1, 256).empty());        // absent track
  EXPECT_TRUE(Read(m_reader, 5, 2 + 256, 1, 1, 1, 256).empty());  // not a byte value
}

TEST_F(ReadSectorTest, CapacityLimitsWhatIsStored) {
  const Bytes whole = PatternSector(2, 1, 2, 1, 256).data;
  EXPECT_EQ(Read(m_reader, 5, 2, 1, 2, 1, 100), Bytes(whole.begin(), whole.begin() + 100));
  EXPECT_TRUE(Read(m_reader, 5, 2, 1, 2, 1, 0).empty());
  EXPECT_EQ(Read(m_reader, 5, 2, 1, 2, 1, 4096), whole);  // never more than the data size
}

TEST_F(ReadSectorTest, FirstOfTwoEqualIdsWins) {
  EXPECT_EQ(Read(m_reader, 6, 3, 0, 1, 1, 256), PatternSector(3, 0, 1, 1, 256).data);
}

TEST_F(ReadSectorTest, TrackIndexOutsideTheTableFindsNothing) {
  EXPECT_TRUE(Read(m_reader, -1, 2, 1, 1, 1, 256).empty());
  EXPECT_TRUE(Read(m_reader, kTrackCount, 2, 1, 1, 1, 256).empty());
}

TEST_F(ReaderTest, TrackOffsetMayEqualTheDiskSizeButNotPassIt) {
  // Track 1's entry points at the trailing record, which lies exactly at the disk size when the
  // size field is set to it; the file still holds the record beyond.
  D88Builder builder;
  builder.AddSector(0, PatternSector(0, 0, 1, 1, 256));
  const Bytes first = builder.Build();
  const int end = static_cast<int>(first.size());
  builder.SetTrackOffsetField(1, static_cast<uint32_t>(end))
      .SetDiskSizeField(static_cast<uint32_t>(end));
  Bytes image = builder.Build();
  D88Builder trailing;
  trailing.AddSector(0, PatternSector(0, 1, 1, 1, 256));
  const Bytes record = trailing.Build();
  image.insert(image.end(), record.begin() + kHeaderSize, record.end());

  OpenBytes(image);
  ASSERT_TRUE(m_reader.SelectDisk(0));
  EXPECT_EQ(Read(m_reader, 1, 0, 1, 1, 1, 256), PatternSector(0, 1, 1, 1, 256).data);

  builder.SetDiskSizeField(static_cast<uint32_t>(end - 1));
  image = builder.Build();
  image.insert(image.end(), record.begin() + kHeaderSize, record.end());
  OpenBytes(image);
  ASSERT_TRUE(m_reader.SelectDisk(0));
  EXPECT_TRUE(Read(m_reader, 1, 0, 1, 1, 1, 256).empty());
}

TEST_F(ReaderTest, SectorCountOfZeroEndsTheSearch) {
  D88Builder builder;
  SectorRecord first = PatternSector(0, 0, 1, 1, 256);
  first.countField = 0;
  builder.AddSector(0, first).AddSector(0, PatternSector(0, 0, 2, 1, 256));
  OpenImage(builder);
  EXPECT_TRUE(Read(m_reader, 0, 0, 0, 2, 1, 256).empty());
}

TEST_F(ReaderTest, SearchEndsOnTheCountOfTheRecordJustRead) {
  // Counts 4, 1, 4, 4: the second record's count is passed over (its position is not 0), and
  // the walk reaches the fourth record.
  D88Builder builder;
  const int counts[] = {4, 1, 4, 4};
  for (int i = 0; i < 4; ++i) {
    SectorRecord sector = PatternSector(0, 0, static_cast<uint8_t>(i + 1), 1, 256);
    sector.countField = counts[i];
    builder.AddSector(0, sector);
  }
  OpenImage(builder);
  EXPECT_EQ(Read(m_reader, 0, 0, 0, 4, 1, 256), PatternSector(0, 0, 4, 1, 256).data);

  // Counts of 2 stop the walk after the second record.
  D88Builder shorter;
  for (int i = 0; i < 4; ++i) {
    SectorRecord sector = PatternSector(0, 0, static_cast<uint8_t>(i + 1), 1, 256);
    sector.countField = 2;
    shorter.AddSector(0, sector);
  }
  OpenImage(shorter);
  EXPECT_EQ(Read(m_reader, 0, 0, 0, 2, 1, 256), PatternSector(0, 0, 2, 1, 256).data);
  EXPECT_TRUE(Read(m_reader, 0, 0, 0, 3, 1, 256).empty());
}

TEST_F(ReaderTest, SearchEndsWhereTheNextTrackBeginsUnlessItsCountEndsItSoonAfter) {
  // Track 33 holds sectors 1 to 5 of C16 H1, each saying the track holds `count`; track 34,
  // right after it, holds sectors 6 to 8 of the same ID, each saying `next`.
  struct Case {
    int count, next;
    bool found;  // sector 6, from track 33
  };
  const Case cases[] = {
      {0x1000, 0x1000, false},  // a converter's count: the search stops at track 34
      {5, 5, false},            // the count ends it first
      {8, 8, true},             // all agree, and the count ends the walk at the 8th record
      {8, 3, false},            // ... but track 34's records say otherwise
      {300, 300, false},        // past the look at the next track
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    D88Builder builder;
    for (int r = 1; r <= 8; ++r) {
      SectorRecord sector = PatternSector(16, 1, static_cast<uint8_t>(r), 1, 256);
      sector.countField = r <= 5 ? c.count : c.next;
      builder.AddSector(r <= 5 ? 33 : 34, sector);
    }
    OpenImage(builder);
    EXPECT_EQ(Read(m_reader, 33, 16, 1, 6, 1, 256).empty(), !c.found);
    EXPECT_EQ(Read(m_reader, 34, 16, 1, 6, 1, 256), PatternSector(16, 1, 6, 1, 256).data);
  }
}

TEST_F(ReaderTest, SectorsOfEverySizeReadWholeWhereverTheyLie) {
  // Data sizes around the reader's 8 KB window (below, at, past and far past it), on one track
  // and another far behind it, read forwards, backwards and alternating between the tracks:
  // wherever a sector starts or ends against the window, its bytes come back exactly.
  const int sizes[] = {0, 1, 255, 256, 8175, 8176, 8192, 8193, 16384, 65535, 3, 4096};
  D88Builder builder;
  for (uint8_t i = 0; i < std::size(sizes); ++i) {
    builder.AddSector(0, PatternSector(0, 0, i, 1, sizes[i]));
    builder.AddSector(150, PatternSector(75, 0, i, 2, sizes[std::size(sizes) - 1 - i]));
  }
  OpenImage(builder);
  std::vector<std::pair<int, int>> order;  // (track, index)
  for (int i = 0; i < static_cast<int>(std::size(sizes)); ++i) {
    order.push_back({0, i});
  }
  for (int i = static_cast<int>(std::size(sizes)) - 1; i >= 0; --i) {
    order.push_back({0, i});
    order.push_back({150, i});
  }
  for (const auto& [track, i] : order) {
    SCOPED_TRACE(std::to_string(track) + "/" + std::to_string(i));
    const int size = track == 0 ? sizes[i] : sizes[std::size(sizes) - 1 - i];
    const SectorRecord expected = track == 0
                                      ? PatternSector(0, 0, static_cast<uint8_t>(i), 1, size)
                                      : PatternSector(75, 0, static_cast<uint8_t>(i), 2, size);
    EXPECT_EQ(Read(m_reader, track, expected.c, 0, expected.r, expected.n, 65535), expected.data);
    EXPECT_EQ(Read(m_reader, track, expected.c, 0, expected.r, expected.n, size / 2),
              Bytes(expected.data.begin(), expected.data.begin() + size / 2));
  }
}

}  // namespace
