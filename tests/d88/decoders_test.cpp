#include <gtest/gtest.h>

#include "d88/d88format.h"

namespace {

TEST(Decoders, ReadLE16IsUnsignedAndLittleEndian) {
  const unsigned char bytes[] = {0x10, 0x00, 0xFF, 0xFF, 0x34, 0x12};
  EXPECT_EQ(ReadLE16(bytes), 16);
  EXPECT_EQ(ReadLE16(bytes + 2), 65535);
  EXPECT_EQ(ReadLE16(bytes + 4), 0x1234);
}

TEST(Decoders, ReadLE32IsSignedAndIgnoresAlignment) {
  // One byte of padding puts the fields off any natural alignment.
  const unsigned char bytes[] = {0xAA, 0xB0, 0x02, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,
                                 0x00, 0x00, 0x00, 0x80, 0x78, 0x56, 0x34, 0x12};
  EXPECT_EQ(ReadLE32(bytes + 1), 688);
  EXPECT_EQ(ReadLE32(bytes + 5), -1);
  EXPECT_EQ(ReadLE32(bytes + 9), INT32_MIN);
  EXPECT_EQ(ReadLE32(bytes + 13), 0x12345678);
}

TEST(Decoders, RecordViewsDecodeTheirFields) {
  SectorHeader sector = {{0x27, 0x01, 0xF2, 0x01, 0x10, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x01}};
  EXPECT_EQ(sector.Cylinder(), 0x27);
  EXPECT_EQ(sector.Head(), 1);
  EXPECT_EQ(sector.Number(), 0xF2);
  EXPECT_EQ(sector.SizeCode(), 1);
  EXPECT_EQ(sector.SectorCount(), 16);
  EXPECT_EQ(sector.DataSize(), 256);

  D88Header header = {};
  header.raw[27] = 0x20;
  header.raw[28] = 0xB0;
  header.raw[29] = 0x02;
  header.raw[32 + 4 * 163 + 3] = 0x80;
  EXPECT_EQ(header.MediaType(), 0x20);
  EXPECT_EQ(header.DiskSize(), 688);
  EXPECT_EQ(header.TrackOffset(163), INT32_MIN);
}

}  // namespace
