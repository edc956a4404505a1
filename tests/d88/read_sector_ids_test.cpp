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

namespace {

// Each record as ReadTrackRecords lists it: R, data size as stored, deleted mark and status.
struct Listed {
  int r, storedSize, deleted, status;
  bool operator==(const Listed& other) const {
    return r == other.r && storedSize == other.storedSize && deleted == other.deleted &&
           status == other.status;
  }
};

std::vector<Listed> Records(D88Image& reader, int track, int maxRecords) {
  std::vector<TrackRecord> records(static_cast<size_t>(maxRecords) + 1);
  const int stored = reader.ReadTrackRecords(track, records.data(), maxRecords);
  std::vector<Listed> listed;
  for (int i = 0; i < stored; ++i) {
    const TrackRecord& record = records[static_cast<size_t>(i)];
    listed.push_back({record.header.Number(), record.storedSize, record.header.Deleted(),
                      record.header.Status()});
  }
  return listed;
}

TEST_F(ReaderTest, TrackRecordsGiveEachRecordItsOwnSizeAndMarks) {
  // Two records share an ID but not a size; the last record's data runs past the file's end.
  D88Builder builder;
  SectorRecord marked = PatternSector(0, 0, 1, 1, 256);
  marked.deleted = 0x10;
  marked.status = 0xB0;
  builder.AddSector(3, marked)
      .AddSector(3, PatternSector(0, 0, 2, 1, 128))
      .AddSector(3, PatternSector(0, 0, 2, 1, 300));
  SectorRecord zeroCount = PatternSector(0, 1, 7, 1, 16);
  zeroCount.countField = 0;
  builder.AddSector(4, zeroCount).AddSector(4, PatternSector(0, 1, 8, 1, 16));
  SectorRecord cut = PatternSector(0, 0, 9, 1, 40);
  cut.dataSizeField = 256;
  builder.AddSector(5, cut);
  OpenImage(builder);

  using L = std::vector<Listed>;
  EXPECT_EQ(Records(m_reader, 3, 16), (L{{1, 256, 0x10, 0xB0}, {2, 128, 0, 0}, {2, 300, 0, 0}}));
  EXPECT_EQ(Records(m_reader, 3, 2), (L{{1, 256, 0x10, 0xB0}, {2, 128, 0, 0}}));
  EXPECT_EQ(Records(m_reader, 4, 16), (L{{7, 16, 0, 0}, {8, 16, 0, 0}}));  // count 0 goes on
  EXPECT_EQ(Records(m_reader, 5, 16), (L{{9, 40, 0, 0}}));  // what the file holds, not 256
  EXPECT_EQ(Records(m_reader, 6, 16), L{});
  EXPECT_EQ(m_reader.ReadTrackRecords(3, nullptr, 16), 0);

  // Each record says where its header lies in the file.
  TrackRecord records[3];
  ASSERT_EQ(m_reader.ReadTrackRecords(3, records, 3), 3);
  const int64_t start = builder.TrackStart(3);
  EXPECT_EQ(records[0].offset, start);
  EXPECT_EQ(records[1].offset, start + kSectorHeaderSize + 256);
  EXPECT_EQ(records[2].offset, start + 2 * kSectorHeaderSize + 256 + 128);
}

TEST_F(ReaderTest, ACutShortRecordIsListedWithTheBytesTheFileHolds) {
  // The file's end is known only from a read that returned bytes: a look past it (for the next
  // record a count promises, or for a second image a size field promises) says nothing.
  D88Builder moreRecords;  // the count says 16; the 4th record's data is cut to 152 bytes
  for (uint8_t r = 1; r <= 4; ++r) {
    SectorRecord sector = PatternSector(0, 0, r, 1, 256);
    sector.countField = 16;
    moreRecords.AddSector(0, sector);
  }
  // A 2HD track of 26 sectors of 1024 bytes, cut in the data of its 24th, which runs past the
  // reader's window of the file.
  D88Builder hd;
  hd.SetMediaType(kMedia2HD);
  for (uint8_t r = 1; r <= 26; ++r) {
    hd.AddSector(0, PatternSector(0, 0, r, 3, 1024));
  }
  hd.SetDiskSizeField(1261568);  // the whole disk: a second image would start there
  struct Case {
    const D88Builder& disk;
    size_t cutBy;  // bytes missing from the end
    int records;
    int lastSize;
  };
  for (const Case& c : {Case{moreRecords, 104, 4, 152}, Case{hd, 2 * 1040 + 120, 24, 904}}) {
    const Bytes whole = c.disk.Build();
    OpenBytes(Bytes(whole.begin(), whole.end() - static_cast<long>(c.cutBy)));
    ASSERT_TRUE(m_reader.SelectDisk(0));
    const std::vector<Listed> listed = Records(m_reader, 0, 64);
    ASSERT_EQ(static_cast<int>(listed.size()), c.records);
    EXPECT_EQ(listed.back().storedSize, c.lastSize);
    EXPECT_EQ(listed[0].storedSize, c.records == 4 ? 256 : 1024);
    EXPECT_EQ(Records(m_reader, 0, 64).back().storedSize, c.lastSize);  // and again
  }
}

TEST_F(ReaderTest, AWalkGoesRecordByRecordAndStepsOverRecordsItHolds) {
  D88Builder builder;
  for (uint8_t r = 1; r <= 3; ++r) {
    builder.AddSector(2, PatternSector(1, 0, r, 1, 100 * r));
  }
  OpenImage(builder);
  TrackWalk walk;
  EXPECT_FALSE(m_reader.StartTrackWalk(3, &walk));
  EXPECT_TRUE(walk.ended);
  ASSERT_TRUE(m_reader.StartTrackWalk(2, &walk));
  TrackRecord record;
  ASSERT_TRUE(m_reader.NextTrackRecord(&walk, &record));
  EXPECT_EQ(record.header.Number(), 1);
  // Over the second without reading it: its count and size are all a walk needs.
  D88Image::PassTrackRecord(&walk, 3, 200);
  EXPECT_EQ(walk.place, 2);
  ASSERT_TRUE(m_reader.NextTrackRecord(&walk, &record));
  EXPECT_EQ(record.header.Number(), 3);
  EXPECT_EQ(record.storedSize, 300);
  EXPECT_TRUE(walk.ended);
  EXPECT_FALSE(m_reader.NextTrackRecord(&walk, &record));
}

}  // namespace
