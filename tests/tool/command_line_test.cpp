// Arguments, the image that cannot be opened, and what is recognised as a title.
#include "tests/tool/command_fixture.h"

namespace {

TEST_F(CommandTest, WrongArgumentCountPrintsUsage) {
  const std::string usage = std::string("Usage: ") + CASTLE_EXTRACT_PATH + " [d88file]\n";
  WriteFileBytes(m_diskPath, TheCastleDisk().Build());
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {m_diskPath, m_diskPath}, {m_diskPath, "-v", "x"}}) {
    const CommandResult result = RunArgs(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, usage);
  }
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(CommandTest, UsageNamesTheProgramAsInvokedOrByDefault) {
  if (RunsWrapped()) {
    GTEST_SKIP() << "a wrapper sets argv[0] itself";
  }
  CommandOptions options;
  options.omitArgv0 = true;
  const CommandResult result = RunArgs({}, options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Usage: castle-extract [d88file]\n");
}

TEST_F(CommandTest, ImageThatCannotBeOpenedIsReportedInShiftJis) {
  const CommandResult result = RunArgs({m_input.File("missing.d88")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, kCannotOpen);
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(CommandTest, SignatureDecidesTheTitle) {
  struct Case {
    uint8_t first, second, third;
    std::string message;
  };
  const Case cases[] = {
      {0xF1, 0xF2, 0xF3, kTheCastleRecognised},
      {0x00, 0xF2, 0xF3, kTheCastleRecognised},  // the first sector does not matter
      {0xF2, 0xF3, 0xF2, kExcellentRecognised},
      {0xF1, 0xF2, 0xF2, ""},
      {0xF1, 0xF3, 0xF3, ""},
      {0xF2, 0xF3, 0xF1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const CommandResult result = Run(StandardDisk(c.first, c.second, c.third).Build());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, c.message.empty() ? "" : c.message + kAllFourCut);
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(CommandTest, OnlyTheSectorNumbersOfTrack79Count) {
  // C, H and N of the signature sectors, and their data sizes, are not looked at.
  D88Builder odd =
      StandardDisk(1, 2, 3).Edited([](int track, SectorRecord&) { return track != 79; });
  odd.AddSector(79, PatternSector(0xAA, 0xBB, 0x01, 0x07, 5));
  odd.AddSector(79, PatternSector(0x12, 0x34, 0xF2, 0x00, 0));
  odd.AddSector(79, PatternSector(0x56, 0x78, 0xF3, 0xFF, 3));
  odd.AddSector(79, PatternSector(0x56, 0x78, 0xF4, 0xFF, 3));
  const CommandResult result = Run(odd.Build());
  EXPECT_EQ(result.out, kTheCastleRecognised + kAllFourCut);
  EXPECT_EQ(result.exitCode, 0);
}

TEST_F(CommandTest, UnrecognisedDisksEndSilently) {
  D88Builder oneSector;
  oneSector.AddSector(79, PatternSector(39, 1, 0xF2, 1, 256));
  D88Builder twoSectors;
  twoSectors.AddSector(79, PatternSector(39, 1, 0xF1, 1, 256))
      .AddSector(79, PatternSector(39, 1, 0xF2, 1, 256));
  D88Builder noTrack79 = TheCastleDisk();
  noTrack79.SetTrackOffsetField(79, 0);

  const Bytes disks[] = {Bytes(),           Bytes(687, 0),
                         oneSector.Build(), twoSectors.Build(),
                         noTrack79.Build(), Bytes(400000, 0xFF)};
  for (const Bytes& disk : disks) {
    SCOPED_TRACE(disk.size());
    const CommandResult result = Run(disk);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(WorkFiles().empty());
  }
}

TEST_F(CommandTest, OnlyTheFirstImageOfAFileIsExamined) {
  const Bytes castle = TheCastleDisk().Build();
  CommandResult result = Run(Concat({StandardDisk(1, 2, 3).Build(), castle}));
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(WorkFiles().empty());

  result = Run(Concat({ExcellentDisk().Build(), castle}));
  EXPECT_EQ(result.out, kExcellentRecognised + kAllFourCut);
  EXPECT_EQ(Output("PROG1"), StandardRun(0, 2, 0, 2304));
}

}  // namespace
