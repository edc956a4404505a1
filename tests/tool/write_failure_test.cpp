// Output files that cannot be written: reported, never half-written, never the disk image itself;
// and the exit code says so. What only POSIX systems have (links, permissions, signals) is in
// posix_test.cpp.
#include "tests/tool/command_fixture.h"

namespace {

TEST_F(CommandTest, OutputNameTakenByADirectoryIsReported) {
  ASSERT_TRUE(MakeDirectory(m_work.File("PROG2")));
  const CommandResult result = Run(TheCastleDisk().Build());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, kTheCastleRecognised + kAllFourCut);  // every row still runs
  EXPECT_EQ(result.err, "castle-extract: cannot write PROG2: Is a directory\n");
  EXPECT_EQ(WorkFiles(), kAllFourFiles);
  EXPECT_TRUE(IsDirectory(m_work.File("PROG2")));
  EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
}

TEST_F(CommandTest, LeftoverTemporaryNamesAreStepped) {
  // Temporary files of interrupted runs are never reused, however many there are.
  for (int n = 0; n < 100; ++n) {
    WriteFileBytes(m_work.File(".PROG1." + std::to_string(n) + ".tmp"), Bytes{'x'});
  }
  const CommandResult result = Run(ExcellentDisk().Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(Output("PROG1"), StandardRun(0, 2, 0, 2304));
  EXPECT_EQ(Output(".PROG1.99.tmp"), Bytes{'x'});
  EXPECT_EQ(WorkFiles().size(), 104u);
}

TEST_F(CommandTest, TheDiskImageIsNeverReplacedWhateverItIsCalled) {
  // The image named like an output, as ./NAME, or as a hard link of that name.
  const Bytes disk = TheCastleDisk().Build();
  struct Case {
    std::string name, argument;
    bool hardLink;
  };
  for (const Case& c :
       {Case{"PROG2", "PROG2", false}, Case{"MUSIC", "./MUSIC", false}, Case{"PROG1", "", true}}) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(m_diskPath, disk);
    if (c.hardLink) {
      ASSERT_TRUE(MakeHardLink(m_diskPath, m_work.File(c.name)));
    } else {
      WriteFileBytes(m_work.File(c.name), disk);
    }
    const CommandResult result = RunArgs({c.hardLink ? m_diskPath : c.argument});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, kTheCastleRecognised + kAllFourCut);
    EXPECT_EQ(result.err,
              "castle-extract: cannot write " + c.name + ": it is the disk image being read\n");
    EXPECT_EQ(Output(c.name), disk);
    EXPECT_EQ(WorkFiles(), kAllFourFiles);
    for (const std::string& name : kAllFourFiles) {
      ASSERT_TRUE(RemoveFile(m_work.File(name)));
    }
  }
}

TEST_F(CommandTest, DiagnosticsComeInOrderWithTheProgress) {
  // 2>&1: each diagnostic sits where it happened, after the lines printed before it.
  D88Builder disk = TheCastleDisk();
  disk.SetTrackOffsetField(61, 0);
  ASSERT_TRUE(MakeDirectory(m_work.File("VOICE")));
  CommandOptions options;
  options.mergeStderr = true;
  const CommandResult result = Run(disk.Build(), options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, kTheCastleRecognised +
                            "cutting ... PROG1\n"
                            "castle-extract: PROG2: the disk supplied only 256 of its 2076 bytes; "
                            "the rest is padding\n"
                            "cutting ... PROG2\n"
                            "cutting ... MUSIC\n"
                            "cutting ... VOICE\n"
                            "castle-extract: cannot write VOICE: Is a directory\n");
}

}  // namespace
