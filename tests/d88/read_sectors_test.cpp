// Reading runs of consecutive sectors, across tracks.
#include "tests/d88/reader_fixture.h"
#include "tests/support/castle_disk.h"

namespace {

class ReadSectorsTest : public ReaderTest {
 protected:
  void SetUp() override { OpenImage(StandardDisk(0xF1, 0xF2, 0xF3)); }

  // Reads a run into a buffer prefilled with 0xEE and returns the whole buffer.
  Bytes Run(int track, int c, int h, int r, int length, int* got, int n = 1) {
    Bytes buffer(static_cast<size_t>(length) + 64, 0xEE);
    *got = m_reader.ReadSectors(track, c, h, r, n, buffer.data(), length);
    return buffer;
  }
};

TEST_F(ReadSectorsTest, RunContinuesOnTheOtherHeadThenTheNextCylinder) {
  // Sector 16 of track 60 (C 30, H 0), all of track 61 (C 30, H 1), sector 1 of track 62 (C 31).
  Bytes expected = StandardSectorData(60, 16);
  for (int r = 1; r <= 16; ++r) {
    expected = Concat({expected, StandardSectorData(61, r)});
  }
  expected = Concat({expected, StandardSectorData(62, 1)});
  int got = 0;
  const Bytes buffer = Run(60, 30, 0, 16, 18 * 256, &got);
  EXPECT_EQ(got, 18 * 256);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + got), expected);
  EXPECT_EQ(buffer[static_cast<size_t>(got)], 0xEE);
}

TEST_F(ReadSectorsTest, OnlyTheLastPieceIsShortened) {
  int got = 0;
  const Bytes buffer = Run(0, 0, 0, 2, 300, &got);
  EXPECT_EQ(got, 300);
  const Bytes second = StandardSectorData(0, 3);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 300),
            Concat({StandardSectorData(0, 2), Bytes(second.begin(), second.begin() + 44)}));
  EXPECT_EQ(buffer[300], 0xEE);
}

TEST_F(ReadSectorsTest, SectorRangeDecidesWhereATrackEnds) {
  m_reader.SetSectorRange(3, 4);
  int got = 0;
  const Bytes buffer = Run(0, 0, 0, 4, 3 * 256, &got);
  EXPECT_EQ(got, 3 * 256);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + got),
            Concat({StandardSectorData(0, 4), StandardSectorData(1, 3), StandardSectorData(1, 4)}));
}

TEST_F(ReadSectorsTest, RunEndsWhereTheSectorsDo) {
  int got = -1;
  Run(0, 0, 0, 17, 512, &got);
  EXPECT_EQ(got, 0);
  Run(0, 0, 0, 2, 512, &got, 0);  // sectors are N = 1
  EXPECT_EQ(got, 0);
  Run(78, 39, 0, 16, 512, &got);  // track 79 holds no sector 1
  EXPECT_EQ(got, 256);
}

TEST_F(ReaderTest, MissingOrShortSectorEndsTheRun) {
  D88Builder builder;
  builder.AddSector(0, PatternSector(0, 0, 1, 1, 256));
  builder.AddSector(0, PatternSector(0, 0, 2, 1, 128));  // data shorter than its N says
  builder.AddSector(0, PatternSector(0, 0, 3, 1, 256));
  OpenImage(builder);

  Bytes buffer(1024, 0xEE);
  EXPECT_EQ(m_reader.ReadSectors(0, 0, 0, 1, 1, buffer.data(), 768), 256);
  // The short sector's bytes are stored but not counted; nothing after them is touched.
  EXPECT_EQ(Bytes(buffer.begin() + 256, buffer.begin() + 384), PatternSector(0, 0, 2, 1, 128).data);
  EXPECT_EQ(buffer[384], 0xEE);

  buffer.assign(1024, 0xEE);
  EXPECT_EQ(m_reader.ReadSectors(0, 0, 0, 2, 1, buffer.data(), 256), 0);
  EXPECT_EQ(m_reader.ReadSectors(0, 0, 0, 2, 1, buffer.data(), 128), 128);
}

TEST_F(ReadSectorsTest, ArgumentsOutsideTheArithmeticReadNothing) {
  Bytes buffer(512, 0xEE);
  const Bytes untouched = buffer;
  EXPECT_EQ(m_reader.ReadSectors(0, 0, 0, 2, 1, buffer.data(), 0), 0);
  EXPECT_EQ(m_reader.ReadSectors(0, 0, 0, 2, 1, buffer.data(), -256), 0);
  EXPECT_EQ(m_reader.ReadSectors(0, 0, 0, 2, -1, buffer.data(), 256), 0);
  EXPECT_EQ(m_reader.ReadSectors(0, 0, 0, 2, kMaxSizeCode + 1, buffer.data(), 256), 0);
  EXPECT_EQ(m_reader.ReadSectors(0, 0, 0, 2, 1, nullptr, 256), 0);
  EXPECT_EQ(m_reader.ReadSector(0, 0, 0, 2, 1, buffer.data(), -1), 0);
  EXPECT_EQ(m_reader.ReadSector(0, 0, 0, 2, 1, nullptr, 256), 0);
  EXPECT_EQ(buffer, untouched);
}

}  // namespace
