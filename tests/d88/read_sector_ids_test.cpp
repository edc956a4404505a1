// Listing the sector IDs of a track.
#include "tests/d88/reader_fixture.h"

namespace {

Bytes List(D88Image& reader, int track, int capacity, int* stored) {
  Bytes buffer(static_cast<size_t>(capacity) + 8, 0xEE);
  *stored = reader.ReadSectorIds(track, buffer.data(), capacity);
  return buffer;
}

TEST_F(ReaderTest, ListsIdsInStoredOrderUpToTheCapacity) {
  D88Builder builder;
  builder.AddSector(7, PatternSector(3, 1, 0xF1, 1, 256));
  builder.AddSector(7, PatternSector(4, 0, 0xF3, 2, 512));
  builder.AddSector(7, PatternSector(5, 1, 0xF2, 0, 0));
  OpenImage(builder);

  int stored = 0;
  Bytes ids = List(m_reader, 7, 64, &stored);
  EXPECT_EQ(stored, 12);
  EXPECT_EQ(Bytes(ids.begin(), ids.begin() + 13),
            (Bytes{3, 1, 0xF1, 1, 4, 0, 0xF3, 2, 5, 1, 0xF2, 0, 0xEE}));

  ids = List(m_reader, 7, 11, &stored);  // only whole entries fit
  EXPECT_EQ(stored, 8);
  EXPECT_EQ(ids[8], 0xEE);
  List(m_reader, 8, 64, &stored);
  EXPECT_EQ(stored, 0);
}

TEST_F(ReaderTest, OneSectorTrackLeavesTheRestOfTheDestination) {
  D88Builder builder;
  builder.AddSector(79, PatternSector(39, 1, 0xF2, 1, 256));
  OpenImage(builder);
  int stored = 0;
  const Bytes ids = List(m_reader, 79, 12, &stored);
  EXPECT_EQ(stored, 4);
  EXPECT_EQ(Bytes(ids.begin(), ids.begin() + 12),
            (Bytes{39, 1, 0xF2, 1, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(ReaderTest, CountOfZeroDoesNotEndAListing) {
  // Every record says 0 sectors: the listing goes on until the destination is full.
  D88Builder builder;
  for (uint8_t r = 1; r <= 5; ++r) {
    SectorRecord sector = PatternSector(0, 0, r, 1, 256);
    sector.countField = 0;
    builder.AddSector(0, sector);
  }
  OpenImage(builder);
  int stored = 0;
  const Bytes ids = List(m_reader, 0, 12, &stored);
  EXPECT_EQ(stored, 12);
  EXPECT_EQ(ids[10], 3);
  // With room for more than there are, the listing ends where the file does.
  List(m_reader, 0, 400, &stored);
  EXPECT_EQ(stored, 20);
}

TEST_F(ReaderTest, ListingStopsOnTheCountOfTheRecordJustRead) {
  D88Builder builder;
  for (uint8_t r = 1; r <= 4; ++r) {
    SectorRecord sector = PatternSector(0, 0, r, 1, 256);
    sector.countField = 2;
    builder.AddSector(0, sector);
  }
  OpenImage(builder);
  int stored = 0;
  List(m_reader, 0, 64, &stored);
  EXPECT_EQ(stored, 8);
}

}  // namespace
