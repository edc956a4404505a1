// Arguments, the image that cannot be opened, and what is recognised as a title.
#include "tests/tool/command_fixture.h"

namespace {

TEST_F(CommandTest, WrongArgumentCountPrintsUsage) {
  const std::string usage = "Usage: " + kProgramAsNamed + " [d88file]\n";
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

TEST_F(CommandTest, ImageThatCannotBeOpenedIsReportedInShiftJisThenWhy) {
  // A missing file, and a directory, which opens on some systems but is no file to read: the
  // Japanese line first, byte for byte, then the path and the reason.
  struct Case {
    std::string path, reason;
  };
  for (const Case& c :
       {Case{m_input.File("missing.d88"), kNoSuchFile}, Case{m_input.Path(), kIsADirectory}}) {
    const CommandResult result = RunArgs({c.path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              kCannotOpen + "castle-extract: cannot open " + c.path + ": " + c.reason + "\n");
  }
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

TEST_F(CommandTest, ImageAskedForByNumberIsRecognisedAndCutAsTheFirst) {
  D88Builder loop = StandardDisk(1, 2, 3);
  loop.SetDiskSizeField(0);  // indexed 64 times, one image
  const Bytes two = Concat({StandardDisk(1, 2, 3).Build(), TheCastleDisk().Build()});
  const std::string none = "castle-extract: " + m_diskPath + " holds ";
  const std::string kTakesImages =
      "castle-extract: --image takes an image number from 0 to 63, not ";
  struct Case {
    Bytes file;
    std::vector<std::string> options;
    int exitCode;
    std::string out, err;
  };
  const Case cases[] = {
      {two, {"--image", "1"}, 0, kTheCastleRecognised + kAllFourCut, ""},
      {two, {"--image=0"}, 0, "", ""},
      {two, {"--image", "2"}, 1, "", none + "2 images; there is no image 2\n"},
      {loop.Build(), {"--image", "1"}, 1, "", none + "1 image; there is no image 1\n"},
      {Bytes(100, 0), {"--image", "0"}, 1, "", none + "0 images; there is no image 0\n"},
      {two, {"--image", "0x1"}, 0, kTheCastleRecognised + kAllFourCut, ""},  // as d88-info reads it
      {two, {"--image", "-1"}, 1, "", kTakesImages + "\"-1\"\n"},
      {two, {"--image", "1x"}, 1, "", kTakesImages + "\"1x\"\n"},
      {two, {"--image", "64"}, 1, "", kTakesImages + "\"64\"\n"},  // past what a file indexes
      {two,
       {"--image", "1", "--image", "1"},
       1,
       "",
       "castle-extract: --image is given more than once\n"},
      {two,
       {"--title", "castle", "--title=castle"},
       1,
       "",
       "castle-extract: --title is given more than once\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.back());
    WriteFileBytes(m_diskPath, c.file);
    std::vector<std::string> args = c.options;
    args.push_back(m_diskPath);
    const CommandResult result = RunArgs(args);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(WorkFiles().size(), c.out.empty() ? 0u : 4u);
    if (!c.out.empty()) {
      EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
    }
    for (const std::string& name : WorkFiles()) {
      ASSERT_TRUE(RemoveFile(m_work.File(name)));
    }
  }
}

TEST_F(CommandTest, OptionsHelpVersionAndAnotherDirectory) {
  WriteFileBytes(m_diskPath, ExcellentDisk().Build());
  WriteFileBytes(m_input.File("neither.d88"), StandardDisk(1, 2, 3).Build());
  ASSERT_TRUE(MakeDirectory(m_work.File("out")));
  const std::string usage = "Usage: " + kProgramAsNamed + " [d88file]\n";
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;  // its start
    std::string err;
  };
  const Case cases[] = {
      {{"--help"},
       0,
       "Usage: castle-extract [-C DIR] [--entry NAME] [--image N] [--title castle|excellent] [--] "
       "d88file\n",
       ""},
      {{"--version"}, 0, "castle-extract " CASTLE_EXTRACT_VERSION "\n", ""},
      {{"-C", "out", m_diskPath}, 0, kExcellentRecognised + kAllFourCut, ""},
      {{"-C", "missing", m_diskPath},
       1,
       "",
       "castle-extract: cannot change to directory missing: " + kNoSuchDirectory + "\n"},
      // The directory is entered before the disk is looked at: a disk of neither title too.
      {{"-C", "missing", m_input.File("neither.d88")},
       1,
       "",
       "castle-extract: cannot change to directory missing: " + kNoSuchDirectory + "\n"},
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

TEST_F(CommandTest, EveryArgumentCountsHoweverMany) {
  // 1,100 arguments: the -C that decides is the last of 550.
  WriteFileBytes(m_diskPath, ExcellentDisk().Build());
  std::vector<std::string> args;
  for (int i = 0; i < 549; ++i) {
    args.insert(args.end(), {"-C", "."});
  }
  args.insert(args.end(), {"-C", "nowhere", m_diskPath});
  const CommandResult result = RunArgs(args);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "castle-extract: cannot change to directory nowhere: " + kNoSuchDirectory + "\n");
}

TEST_F(CommandTest, ALongDiagnosticKeepsItsNewlineAndWholeCharacters) {
  // A path of 30 KB is said whole; one of 90 KB is cut where a character starts, with "..." and
  // the newline the line ends in.
  for (const int characters : {10000, 30000}) {
    std::string path;
    for (int i = 0; i < characters; ++i) {
      path += u8"城";
    }
    const CommandResult result = RunArgs({path});
    EXPECT_EQ(result.exitCode, 1);
    const std::string err = result.err.substr(result.err.find('\n') + 1);  // past the Japanese
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.back(), '\n');
    if (characters == 10000) {
      EXPECT_EQ(err.find("castle-extract: cannot open " + path + ": "), 0u);
    } else {
      EXPECT_LE(err.size(), 65536u);
      EXPECT_EQ(err.substr(err.size() - 4), "...\n");
      const std::string cut = err.substr(0, err.size() - 4);
      EXPECT_EQ(cut.size() % 3, std::string("castle-extract: cannot open ").size() % 3);
    }
  }
}

TEST_F(CommandTest, ImagesNamedInAnyScriptOrWithSpacesOpen) {
  // Japanese, characters of no Japanese code page, and spaces, in the name and the folder.
  ASSERT_TRUE(MakeDirectory(m_input.File(u8"ディスク と disks")));
  for (const char* name :
       {u8"城 ディスク.d88", u8"Schlöss 🏰.d88", u8"ディスク と disks/disk image.d88"}) {
    SCOPED_TRACE(name);
    WriteFileBytes(m_input.File(name), TheCastleDisk().Build());
    const CommandResult result = RunArgs({m_input.File(name)});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, kTheCastleRecognised + kAllFourCut);
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(CommandTest, TitleAskedForCutsACopyWithoutItsSignature) {
  // A copy whose track 79 carries no signature is cut as asked, without the recognition message;
  // one that carries the other title's is refused; the asked one runs as without the option.
  const std::string asked =
      "castle-extract: track 79 carries no title signature; cutting the "
      "files of \"The Castle\" as asked\n";
  D88Builder noTrack79 = TheCastleDisk();
  noTrack79.SetTrackOffsetField(79, 0);
  struct Case {
    Bytes disk;
    std::vector<std::string> options;
    int exitCode;
    std::string out, err;
    bool castleFiles;  // else none
  };
  const Case cases[] = {
      {StandardDisk(1, 2, 3).Build(), {"--title", "castle"}, 0, kAllFourCut, asked, true},
      {noTrack79.Build(), {"--title=castle"}, 0, kAllFourCut, asked, true},
      {TheCastleDisk().Build(),
       {"--title", "castle"},
       0,
       kTheCastleRecognised + kAllFourCut,
       "",
       true},
      {TheCastleDisk().Build(),
       {"--title", "excellent"},
       1,
       "",
       "castle-extract: track 79 carries the signature of \"The Castle\", not of \"Castle "
       "Excellent\"; nothing was written\n",
       false},
      {TheCastleDisk().Build(),
       {"--title", "Castle"},
       1,
       "",
       "castle-extract: --title takes castle or excellent, not \"Castle\"\n",
       false},
      {TheCastleDisk().Build(), {"--titles=castle"}, 1, "", "", false},  // usage
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.back());
    WriteFileBytes(m_diskPath, c.disk);
    std::vector<std::string> args = c.options;
    args.push_back(m_diskPath);
    const CommandResult result = RunArgs(args);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.out, c.out);
    if (c.exitCode == 1 && c.err.empty()) {
      EXPECT_EQ(result.err.rfind("Usage: ", 0), 0u) << result.err;
    } else {
      EXPECT_EQ(result.err, c.err);
    }
    if (c.castleFiles) {
      ASSERT_EQ(WorkFiles(), kAllFourFiles);
      EXPECT_EQ(Output("PROG1"), Complemented(StandardRun(0, 2, 0, 2304)));
      EXPECT_EQ(Output("PROG2"), Complemented(StandardRun(60, 16, 0, 2076)));
      for (const std::string& name : kAllFourFiles) {
        ASSERT_TRUE(RemoveFile(m_work.File(name)));
      }
    }
    EXPECT_TRUE(WorkFiles().empty());
  }
}

}  // namespace
