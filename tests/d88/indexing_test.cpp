// Opening a file, indexing its images and selecting one.
#include <unistd.h>

#include "tests/d88/reader_fixture.h"
#include "tests/support/run_command.h"

namespace {

D88Builder NamedImage(const std::string& name, uint8_t mediaType) {
  D88Builder builder;
  builder.SetName(name).SetMediaType(mediaType).AddSector(0, PatternSector(0, 0, 1, 1, 256));
  return builder;
}

void ExpectNoCurrentImage(D88Image& reader) {
  unsigned char buffer[256];
  EXPECT_EQ(reader.GetMediaType(), -1);
  EXPECT_STREQ(reader.GetDiskName(), "");
  EXPECT_EQ(reader.GetMarker(), -1);
  EXPECT_EQ(reader.ReadSector(0, 0, 0, 1, 1, buffer, 256), 0);
  EXPECT_EQ(reader.ReadSectors(0, 0, 0, 1, 1, buffer, 256), 0);
  EXPECT_EQ(reader.ReadSectorIds(0, buffer, 256), 0);
}

TEST_F(ReaderTest, NewReaderHasNothingToRead) {
  EXPECT_EQ(m_reader.GetDiskCount(), 0);
  EXPECT_FALSE(m_reader.SelectDisk(0));
  ExpectNoCurrentImage(m_reader);
}

TEST_F(ReaderTest, IndexesImagesBackToBackAndSelectsEach) {
  const Bytes tail = {1, 2, 3};  // trailing bytes shorter than a header are no image
  OpenBytes(Concat({NamedImage("FIRST", 0x00).Build(), NamedImage("SECOND", 0x10).Build(),
                    NamedImage("THIRD", 0x20).Build(), tail}));
  EXPECT_EQ(m_reader.GetDiskCount(), 3);

  const char* names[] = {"FIRST", "SECOND", "THIRD"};
  unsigned char data[256];
  for (int n = 2; n >= 0; --n) {
    ASSERT_TRUE(m_reader.SelectDisk(n));
    EXPECT_STREQ(m_reader.GetDiskName(), names[n]);
    EXPECT_EQ(m_reader.GetMediaType(), 0x10 * n);
    EXPECT_EQ(m_reader.GetMarker(), -1);
    // Track offsets count from each image's own header.
    ASSERT_EQ(m_reader.ReadSector(0, 0, 0, 1, 1, data, 256), 256);
    EXPECT_EQ(Bytes(data, data + 256), PatternSector(0, 0, 1, 1, 256).data);
  }
}

TEST_F(ReaderTest, FailedSelectionLeavesNoCurrentImage) {
  OpenImage(NamedImage("DISK", 0x20));
  EXPECT_FALSE(m_reader.SelectDisk(1));  // one past the last image
  ExpectNoCurrentImage(m_reader);
  EXPECT_FALSE(m_reader.SelectDisk(-1));
  ExpectNoCurrentImage(m_reader);
  ASSERT_TRUE(m_reader.SelectDisk(0));
  EXPECT_STREQ(m_reader.GetDiskName(), "DISK");
}

TEST_F(ReaderTest, ImageWhoseHeaderIsGoneByNowCannotBeSelected) {
  // The file loses its second image between indexing and selection.
  const Bytes first = NamedImage("FIRST", 0).Build();
  OpenBytes(Concat({first, NamedImage("SECOND", 0x10).Build()}));
  ASSERT_EQ(m_reader.GetDiskCount(), 2);
  ASSERT_EQ(truncate(m_path.c_str(), static_cast<off_t>(first.size() + 100)), 0);
  EXPECT_FALSE(m_reader.SelectDisk(1));
  ExpectNoCurrentImage(m_reader);
  EXPECT_TRUE(m_reader.SelectDisk(0));
}

TEST_F(ReaderTest, FileShorterThanAHeaderHoldsNoImage) {
  OpenBytes(Bytes(kHeaderSize - 1, 0));
  EXPECT_EQ(m_reader.GetDiskCount(), 0);
  EXPECT_FALSE(m_reader.SelectDisk(0));
  ExpectNoCurrentImage(m_reader);
}

TEST_F(ReaderTest, IndexStopsAtSixtyFourImages) {
  Bytes file;
  for (int i = 0; i < 65; ++i) {
    const Bytes image = NamedImage("IMAGE" + std::to_string(i), 0).Build();
    file.insert(file.end(), image.begin(), image.end());
  }
  OpenBytes(file);
  EXPECT_EQ(m_reader.GetDiskCount(), 64);
  ASSERT_TRUE(m_reader.SelectDisk(63));
  EXPECT_STREQ(m_reader.GetDiskName(), "IMAGE63");
  EXPECT_FALSE(m_reader.SelectDisk(64));
}

TEST_F(ReaderTest, DiskSizeOfZeroRepeatsTheSameImage) {
  D88Builder builder = NamedImage("LOOP", 0);
  builder.SetDiskSizeField(0);
  OpenBytes(builder.Build());
  EXPECT_EQ(m_reader.GetDiskCount(), 64);
  ASSERT_TRUE(m_reader.SelectDisk(63));
  EXPECT_STREQ(m_reader.GetDiskName(), "LOOP");
}

TEST_F(ReaderTest, NameStopsAtNulOrAfterSixteenBytes) {
  OpenImage(NamedImage("ABCDEFGHIJKLMNOP", 0));
  EXPECT_STREQ(m_reader.GetDiskName(), "ABCDEFGHIJKLMNOP");

  Bytes image = NamedImage("", 0).Build();
  const char raw[] = {'A', 'B', 0, 'X', 'Y'};
  std::copy(raw, raw + sizeof raw, image.begin());
  OpenBytes(image);
  ASSERT_TRUE(m_reader.SelectDisk(0));
  EXPECT_STREQ(m_reader.GetDiskName(), "AB");
}

TEST_F(ReaderTest, OpenFailureAndCloseKeepTheDocumentedFields) {
  OpenImage(NamedImage("DISK", 0x10));
  EXPECT_FALSE(m_reader.Open(m_scratch.File("missing.d88").c_str()));
  EXPECT_EQ(m_reader.GetDiskCount(), 1);  // kept, though the file is gone
  EXPECT_FALSE(m_reader.SelectDisk(0));   // no file: nothing changes
  EXPECT_STREQ(m_reader.GetDiskName(), "DISK");

  OpenImage(NamedImage("DISK", 0x10));
  EXPECT_TRUE(m_reader.Open(nullptr));
  EXPECT_EQ(m_reader.GetDiskCount(), 0);
  EXPECT_EQ(m_reader.GetMediaType(), -1);
  EXPECT_EQ(m_reader.GetMarker(), -1);
  unsigned char data[256];
  EXPECT_EQ(m_reader.ReadSector(0, 0, 0, 1, 1, data, 256), 0);
  EXPECT_TRUE(m_reader.Open(nullptr));  // closing twice is harmless
}

TEST_F(ReaderTest, ReopeningClosesTheEarlierFile) {
  WriteFileBytes(m_path, NamedImage("DISK", 0).Build());
  ASSERT_TRUE(m_reader.Open(m_path.c_str()));
  const int before = OpenHandleCount();
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(m_reader.Open(m_path.c_str()));
  }
  EXPECT_EQ(OpenHandleCount(), before);
  EXPECT_FALSE(m_reader.Open(m_scratch.File("missing.d88").c_str()));
  EXPECT_EQ(OpenHandleCount(), before - 1);
}

TEST_F(ReaderTest, AnotherFileIsReadFromItsOwnBytes) {
  // Two files whose indexing reads nothing past the first header (a size of 2^31 ends it): no
  // byte read of the first is served for the second.
  D88Builder first = NamedImage("FIRST", 0);
  D88Builder second = NamedImage("SECOND", 0x10);
  first.SetDiskSizeField(0x80000000u);
  second.SetDiskSizeField(0x80000000u);
  const std::string otherPath = m_scratch.File("other.d88");
  WriteFileBytes(otherPath, second.Build());
  for (int round = 0; round < 2; ++round) {
    OpenImage(first);
    EXPECT_STREQ(m_reader.GetDiskName(), "FIRST");
    ASSERT_TRUE(m_reader.Open(otherPath.c_str()));
    ASSERT_TRUE(m_reader.SelectDisk(0));
    EXPECT_STREQ(m_reader.GetDiskName(), "SECOND");
    EXPECT_EQ(m_reader.GetMediaType(), 0x10);
  }
}

TEST_F(ReaderTest, TrackTableEndsWhereTheFirstTrackBegins) {
  // A 672-byte header of 160 entries: the first record's header lies where entries 160 to 163
  // of a full table would (entry 161 would read as offset 1), and is no track offset.
  D88Builder shortTable;
  shortTable.SetTrackTableEntries(160).AddSector(0, PatternSector(0, 0, 1, 1, 256));
  shortTable.AddSector(159, PatternSector(79, 1, 1, 1, 256));
  // One entry pointing back into the table is damage, not a shorter table.
  D88Builder strayEntry = NamedImage("STRAY", 0);
  strayEntry.SetTrackOffsetField(2, 1).AddSector(163, PatternSector(81, 1, 1, 1, 256));
  struct Case {
    const D88Builder& disk;
    std::vector<std::pair<int, int>> listed;  // track, bytes of IDs listed
  };
  for (const Case& c : {Case{shortTable, {{0, 4}, {159, 4}, {160, 0}, {161, 0}, {163, 0}}},
                        Case{strayEntry, {{0, 4}, {163, 4}}}}) {
    OpenImage(c.disk);
    unsigned char ids[64];
    for (const auto& [track, bytes] : c.listed) {
      EXPECT_EQ(m_reader.ReadSectorIds(track, ids, sizeof ids), bytes) << "track " << track;
    }
  }
}

TEST_F(ReaderTest, OpenStreamIndexesAStreamItIsGiven) {
  // As a pipe copied to an anonymous file reaches it: a stream with no path, left anywhere.
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  const Bytes file = Concat({NamedImage("FIRST", 0).Build(), NamedImage("SECOND", 0x10).Build()});
  ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), stream), file.size());
  const int before = OpenHandleCount();
  ASSERT_TRUE(m_reader.OpenStream(stream));
  EXPECT_EQ(m_reader.GetDiskCount(), 2);
  ASSERT_TRUE(m_reader.SelectDisk(1));
  EXPECT_STREQ(m_reader.GetDiskName(), "SECOND");
  EXPECT_FALSE(m_reader.OpenStream(nullptr));  // and the stream it held is closed
  EXPECT_EQ(OpenHandleCount(), before - 1);
  EXPECT_FALSE(m_reader.SelectDisk(0));
}

}  // namespace
