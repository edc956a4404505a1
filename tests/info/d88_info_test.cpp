// Black-box tests of d88-info: exact output for the disks castle-extract meets, and its usage.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/castle_disk.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

const std::string kUsage =
    "Usage: d88-info FILE\n"
    "       d88-info --sector TRACK C H R N FILE\n"
    "       d88-info --help | --version\n";

// The map lines of tracks 0 to 78 of a standard disk.
std::string StandardTracks() {
  std::string lines;
  for (int track = 0; track < 79; ++track) {
    lines += "  track " + std::to_string(track) + ": 16 sectors, C" + std::to_string(track / 2) +
             " H" + std::to_string(track % 2) + " N1: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n";
  }
  return lines;
}

class InfoTest : public ::testing::Test {
 protected:
  CommandResult Info(const std::vector<std::string>& args) {
    CommandOptions options;
    options.workDir = m_dir.Path();
    return RunCommand(D88_INFO_PATH, args, options);
  }
  CommandResult InfoOn(const Bytes& file) {
    WriteFileBytes(m_path, file);
    return Info({m_path});
  }

  ScratchDir m_dir;
  const std::string m_path = m_dir.File("disk.d88");
};

TEST_F(InfoTest, MapsAWholeDiskOfEitherTitle) {
  struct Case {
    uint8_t second, third;
    const char* name;
    std::string verdict;
  };
  for (const Case& c : {Case{0xF2, 0xF3, "THE CASTLE", "0xF2 0xF3: The Castle"},
                        Case{0xF3, 0xF2, "EXCELLENT", "0xF3 0xF2: Castle Excellent"}}) {
    D88Builder disk = StandardDisk(0xF1, c.second, c.third);
    disk.SetName(c.name).SetMediaType(0x10);
    const CommandResult result = InfoOn(disk.Build());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "file: " + m_path + "\nimages: 1\nimage 0: name \"" + c.name +
                              "\", media 0x10 (2DD), size 345312 bytes\n" + StandardTracks() +
                              "  track 79: 3 sectors, C39 H1 N1: 241 " + std::to_string(c.second) +
                              " " + std::to_string(c.third) +
                              "\nsignature: track 79 of image 0, sectors 2 and 3 numbered " +
                              c.verdict + "\n");
  }
}

TEST_F(InfoTest, ShowsWhyADiskIsNotRecognised) {
  // Odd IDs and sizes on track 79 are shown; the signature line reads the same as for a match.
  D88Builder disk;
  disk.SetName("N\"AME\x01").SetMediaType(0x77);
  disk.AddSector(79, PatternSector(39, 1, 0xF1, 1, 256));
  disk.AddSector(79, PatternSector(39, 0, 0xF2, 1, 100));
  disk.AddSector(79, PatternSector(39, 1, 0xF2, 30, 16));
  const CommandResult result = InfoOn(disk.Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "file: " + m_path +
                            "\nimages: 1\n"
                            "image 0: name \"N\\x22AME\\x01\", media 0x77 (unknown), size 1108 "
                            "bytes\n"
                            "  track 79: 3 sectors, C39 H1 N1: 241 242[C39 H0 N1]=100 "
                            "242[C39 H1 N30]=16\n"
                            "signature: track 79 of image 0, sectors 2 and 3 numbered 0xF2 0xF2: "
                            "neither title\n");

  D88Builder oneSector;
  oneSector.AddSector(79, PatternSector(39, 1, 0xF2, 1, 256));
  EXPECT_EQ(InfoOn(oneSector.Build()).out,
            "file: " + m_path +
                "\nimages: 1\nimage 0: name \"\", media 0x00 (2D), size 960 bytes\n"
                "  track 79: 1 sector, C39 H1 N1: 242\n"
                "signature: track 79 of image 0, sectors 2 and 3 numbered -- --: neither title\n");
}

TEST_F(InfoTest, ListsEveryImageButSignsOnlyTheFirst) {
  D88Builder first;
  first.SetName("FIRST").SetMediaType(0x20).AddSector(0, PatternSector(0, 0, 1, 3, 1024));
  D88Builder second = StandardDisk(1, 0xF2, 0xF3);
  second.SetName("SECOND");
  const CommandResult result = InfoOn(Concat({first.Build(), second.Build(), Bytes{1, 2, 3}}));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "file: " + m_path +
                            "\nimages: 2\n"
                            "image 0: name \"FIRST\", media 0x20 (2HD), size 1728 bytes\n"
                            "  track 0: 1 sector, C0 H0 N3: 1\n"
                            "image 1: name \"SECOND\", media 0x00 (2D), size 345312 bytes\n" +
                            StandardTracks() +
                            "  track 79: 3 sectors, C39 H1 N1: 1 242 243\n"
                            "signature: track 79 of image 0, sectors 2 and 3 numbered -- --: "
                            "neither title\n");
}

TEST_F(InfoTest, DumpsOneSector) {
  D88Builder disk;
  SectorRecord sector = PatternSector(5, 1, 9, 0, 20);
  for (int i = 0; i < 20; ++i) {
    sector.data[static_cast<size_t>(i)] = static_cast<uint8_t>(i < 10 ? 'A' + i : i);
  }
  disk.AddSector(11, sector);
  WriteFileBytes(m_path, disk.Build());
  const CommandResult result = Info({"--sector", "11", "5", "1", "0x9", "0", m_path});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "track 11, sector C5 H1 R9 N0: 20 bytes\n"
            "00000000  41 42 43 44 45 46 47 48  49 4a 0a 0b 0c 0d 0e 0f  |ABCDEFGHIJ......|\n"
            "00000010  10 11 12 13                                       |....|\n");

  const CommandResult missing = Info({"--sector", "11", "5", "1", "10", "0", m_path});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "d88-info: track 11 of image 0 has no sector C5 H1 R10 N0 with data\n");
}

TEST_F(InfoTest, UnreadableFileIsNamedWithTheReason) {
  const CommandResult result = Info({m_dir.File("missing.d88")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "d88-info: cannot open " + m_dir.File("missing.d88") + ": No such file or directory\n");
}

TEST_F(InfoTest, HostileImagesEnd) {
  // Every track points into the header, counts never match, sizes run past the end.
  D88Builder disk;
  for (int track = 0; track < 164; ++track) {
    disk.SetTrackOffsetField(track, static_cast<uint32_t>(track % 7 + 1));
  }
  SectorRecord sector = PatternSector(0xFF, 0xFF, 0xFF, 0xFF, 8);
  sector.countField = 0;
  sector.dataSizeField = 0xFFFF;
  disk.AddSector(0, sector);
  disk.SetDiskSizeField(0);
  const CommandResult result = InfoOn(disk.Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.signal, 0);
  EXPECT_NE(result.out.find("images: 64\n"), std::string::npos);
  EXPECT_EQ(result.err, "");
}

TEST_F(InfoTest, UsageErrorsHelpAndVersion) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"--bogus"},
                                               {"a", "b"},
                                               {"--sector", "1", "2"},
                                               {"--sector", "164", "0", "0", "1", "1", "f"},
                                               {"--sector", "0", "0", "0", "x", "1", "f"}}) {
    const CommandResult result = Info(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(kUsage), std::string::npos) << result.err;
  }
  const CommandResult help = Info({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind(kUsage, 0), 0u);
  const CommandResult version = Info({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "d88-info 1.0.0\n");
}

}  // namespace
