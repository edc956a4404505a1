// Black-box cases of what POSIX systems alone have: pipes as input, terminals, symbolic links,
// permissions, signals, file size limits, and standard output that cannot be written.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>

#include "tests/tool/command_fixture.h"

namespace {

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

TEST_F(CommandTest, InputThroughAPipe) {
  // cat disk | castle-extract /dev/stdin, and castle-extract <(zcat disk.gz).
  const Bytes disk = ExcellentDisk().Build();
  struct Case {
    std::string argument;
    int inputFd;
    int exitCode;
    std::string out, err;
  };
  for (const Case& c : {Case{"/dev/stdin", 0, 0, kExcellentRecognised + kAllFourCut, ""},
                        Case{"/dev/fd/63", 63, 0, kExcellentRecognised + kAllFourCut, ""}}) {
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

}  // namespace
