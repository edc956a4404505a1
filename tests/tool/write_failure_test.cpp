// Output files that cannot be written: reported, never half-written, never written through a
// link, and the exit code says so.
#include <sys/stat.h>
#include <unistd.h>

#include "tests/tool/command_fixture.h"

namespace {

TEST_F(CommandTest, OutputNameTakenByADirectoryIsReported) {
  ASSERT_EQ(mkdir(m_work.File("PROG2").c_str(), 0755), 0);
  const CommandResult result = Run(TheCastleDisk().Build());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, kTheCastleRecognised + kAllFourCut);  // every row still runs
  EXPECT_EQ(result.err, "castle-extract: cannot write PROG2: Is a directory\n");
  EXPECT_EQ(WorkFiles(), kAllFourFiles);
  struct stat info;
  ASSERT_EQ(stat(m_work.File("PROG2").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
}

TEST_F(CommandTest, FileSizeLimitLeavesEarlierFilesAlone) {
  // A limit of 2000 bytes stops PROG1 (2304) and PROG2 (2076) but not MUSIC or VOICE.
  WriteFileBytes(m_work.File("PROG1"), Bytes{'o', 'l', 'd'});
  CommandOptions options;
  options.fileSizeLimit = 2000;
  WriteFileBytes(m_diskPath, TheCastleDisk().Build());
  const CommandResult result = RunArgs({m_diskPath}, options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, kTheCastleRecognised + kAllFourCut);
  EXPECT_EQ(result.err,
            "castle-extract: cannot write PROG1: File too large\n"
            "castle-extract: cannot write PROG2: File too large\n");
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"MUSIC", "PROG1", "VOICE"}));
  EXPECT_EQ(Output("PROG1"), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(Output("MUSIC"), Complemented(StandardRun(60, 4, 131, 1540)));
}

TEST_F(CommandTest, SymbolicLinkIsReplacedNotWrittenThrough) {
  const std::string outside = m_input.File("outside");
  WriteFileBytes(outside, Bytes{'k', 'e', 'e', 'p'});
  ASSERT_EQ(symlink(outside.c_str(), m_work.File("PROG1").c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent/dangling", m_work.File("VOICE").c_str()), 0);
  const CommandResult result = Run(ExcellentDisk().Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFileBytes(outside), (Bytes{'k', 'e', 'e', 'p'}));
  struct stat info;
  ASSERT_EQ(lstat(m_work.File("PROG1").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(Output("PROG1"), StandardRun(0, 2, 0, 2304));
  ASSERT_EQ(lstat(m_work.File("VOICE").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
}

TEST_F(CommandTest, LeftoverTemporaryNamesAreStepped) {
  // Temporary files of an interrupted run, or links planted under their names, are neither
  // reused nor followed.
  const std::string outside = m_input.File("outside");
  WriteFileBytes(outside, Bytes{'k', 'e', 'e', 'p'});
  ASSERT_EQ(symlink(outside.c_str(), m_work.File(".PROG1.0.tmp").c_str()), 0);
  WriteFileBytes(m_work.File(".PROG1.1.tmp"), Bytes{'x'});
  const CommandResult result = Run(ExcellentDisk().Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadFileBytes(outside), (Bytes{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(Output("PROG1"), StandardRun(0, 2, 0, 2304));
  EXPECT_EQ(Output(".PROG1.1.tmp"), Bytes{'x'});
}

}  // namespace
