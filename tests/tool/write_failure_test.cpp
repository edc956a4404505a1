// Output files that cannot be written: reported, never half-written, never written through a
// link, never the disk image itself, never a temporary file left behind; and the exit code says
// so.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>

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
  // A limit of 2000 bytes stops PROG1 (2304) and PROG2 (2076) but not MUSIC or VOICE. The limit
  // would kill the command with SIGXFSZ; it must take it for the write error it is.
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
  // Temporary files of interrupted runs, or links planted under their names, are neither
  // reused nor followed, however many there are.
  const std::string outside = m_input.File("outside");
  WriteFileBytes(outside, Bytes{'k', 'e', 'e', 'p'});
  ASSERT_EQ(symlink(outside.c_str(), m_work.File(".PROG1.0.tmp").c_str()), 0);
  for (int n = 1; n < 100; ++n) {
    WriteFileBytes(m_work.File(".PROG1." + std::to_string(n) + ".tmp"), Bytes{'x'});
  }
  const CommandResult result = Run(ExcellentDisk().Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFileBytes(outside), (Bytes{'k', 'e', 'e', 'p'}));
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
      ASSERT_EQ(link(m_diskPath.c_str(), m_work.File(c.name).c_str()), 0);
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
      ASSERT_EQ(unlink(m_work.File(name).c_str()), 0);
    }
  }
}

TEST_F(CommandTest, ReplacedFileKeepsItsPermissions) {
  WriteFileBytes(m_work.File("PROG1"), Bytes{'o', 'l', 'd'});
  ASSERT_EQ(chmod(m_work.File("PROG1").c_str(), 0400), 0);
  const CommandResult result = Run(ExcellentDisk().Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(Output("PROG1"), StandardRun(0, 2, 0, 2304));
  EXPECT_EQ(FileMode(m_work.File("PROG1")), 0400);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(FileMode(m_work.File("PROG2")), static_cast<int>(0666 & ~mask));
}

TEST_F(CommandTest, InterruptionsLeaveNoTemporaryFileAndNoShortFile) {
  // SIGINT and SIGTERM at random moments of a run, spread over how long a run takes here.
  WriteFileBytes(m_diskPath, TheCastleDisk().Build());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunArgs({m_diskPath}).exitCode, 0);
  const auto runTime = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
  std::map<std::string, Bytes> whole;
  for (const std::string& name : kAllFourFiles) {
    whole[name] = Output(name);
  }
  std::mt19937 random(20261209);
  const int runs = RunsWrapped() ? 20 : 300;
  int killed = 0;
  for (int run = 0; run < runs; ++run) {
    CommandOptions options;
    options.signal = run % 2 == 0 ? SIGINT : SIGTERM;
    options.signalAfterMicroseconds = static_cast<int>(random() % (runTime + 1));
    killed += RunArgs({m_diskPath}, options).signal != 0 ? 1 : 0;
    for (const std::string& name : WorkFiles()) {
      ASSERT_EQ(whole.count(name), 1u) << name << " left by run " << run;
      ASSERT_EQ(Output(name), whole[name]) << name << " short after run " << run;
    }
  }
  EXPECT_GT(killed, 0);
}

}  // namespace

namespace {

TEST_F(CommandTest, StandardOutputThatCannotBeWrittenIsAFailure) {
  // The files are written all the same; only the exit code and one line tell.
  struct Case {
    std::string stdoutPath;
    bool closed;
    std::string reason;
  };
  for (const Case& c : {Case{"/dev/full", false, "No space left on device"},
                        Case{"", true, "Bad file descriptor"}}) {
    CommandOptions options;
    options.stdoutPath = c.stdoutPath;
    options.closeStdout = c.closed;
    const CommandResult result = Run(ExcellentDisk().Build(), options);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "castle-extract: cannot write standard output: " + c.reason + "\n");
    EXPECT_EQ(Output("PROG1"), StandardRun(0, 2, 0, 2304));
  }
}

TEST_F(CommandTest, DiagnosticsComeInOrderWithTheProgress) {
  // 2>&1: each diagnostic sits where it happened, after the lines printed before it.
  D88Builder disk = TheCastleDisk();
  disk.SetTrackOffsetField(61, 0);
  ASSERT_EQ(mkdir(m_work.File("VOICE").c_str(), 0755), 0);
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
