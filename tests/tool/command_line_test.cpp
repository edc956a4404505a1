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

TEST_F(CommandTest, InputThroughAPipeOrADirectory) {
  // cat disk | castle-extract /dev/stdin, castle-extract <(zcat disk.gz), castle-extract DIR.
  const Bytes disk = ExcellentDisk().Build();
  struct Case {
    std::string argument;
    int inputFd;
    int exitCode;
    std::string out, err;
  };
  for (const Case& c : {Case{"/dev/stdin", 0, 0, kExcellentRecognised + kAllFourCut, ""},
                        Case{"/dev/fd/63", 63, 0, kExcellentRecognised + kAllFourCut, ""},
                        Case{m_input.Path(), -1, 1, "", kCannotOpen}}) {
    SCOPED_TRACE(c.argument);
    CommandOptions options;
    options.input = std::string(disk.begin(), disk.end());
    options.inputFd = c.inputFd;
    const CommandResult result = RunArgs({c.argument}, options);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    if (c.exitCode == 0) {
      ASSERT_EQ(WorkFiles(), kAllFourFiles);
      EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
    }
  }
}

TEST_F(CommandTest, OptionsHelpVersionAndAnotherDirectory) {
  WriteFileBytes(m_diskPath, ExcellentDisk().Build());
  ASSERT_EQ(mkdir(m_work.File("out").c_str(), 0755), 0);
  const std::string usage = std::string("Usage: ") + CASTLE_EXTRACT_PATH + " [d88file]\n";
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;  // its start
    std::string err;
  };
  const Case cases[] = {
      {{"--help"}, 0, "Usage: castle-extract [-C DIR] [--] d88file\n", ""},
      {{"--version"}, 0, "castle-extract " CASTLE_EXTRACT_VERSION "\n", ""},
      {{"-C", "out", m_diskPath}, 0, kExcellentRecognised + kAllFourCut, ""},
      {{"-C", "missing", m_diskPath},
       1,
       "",
       "castle-extract: cannot change to directory missing: No such file or directory\n"},
      {{"--", m_diskPath}, 0, kExcellentRecognised + kAllFourCut, ""},
      {{"-x", m_diskPath}, 1, "", usage},
      {{"-C"}, 1, "", usage},
      {{"-C", "out"}, 1, "", usage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
    const CommandResult result = RunArgs(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(result.err, c.err);
  }
  ASSERT_EQ(ListDirectory(m_work.File("out")), kAllFourFiles);
  EXPECT_EQ(ReadFileBytes(m_work.File("out/MUSIC")), StandardRun(60, 4, 131, 1540));
}

TEST_F(CommandTest, TerminalUnderAUtf8LocaleShowsTheJapaneseAsText) {
  WriteFileBytes(m_diskPath, TheCastleDisk().Build());
  struct Case {
    std::string locale, path, shown;
  };
  const std::string recognised = u8"The Castleのディスクを認識しました.\n";
  const Case cases[] = {
      {"LC_ALL=C.UTF-8", m_diskPath, recognised + kAllFourCut},
      {"LC_ALL=C.UTF-8", m_input.File("missing.d88"), u8"ファイルをオープンできません.\n"},
      {"LC_ALL=C", m_diskPath, kTheCastleRecognised + kAllFourCut},  // bytes as they are
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale + " " + c.path);
    CommandOptions options;
    options.terminal = true;
    options.environment = {c.locale};
    EXPECT_EQ(RunArgs({c.path}, options).out, c.shown);
  }
}

}  // namespace
