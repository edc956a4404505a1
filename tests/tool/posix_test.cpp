// Black-box cases of what POSIX systems alone have: pipes as input, terminals, symbolic links,
// permissions, signals, file size limits, and standard output that cannot be written.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <thread>

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
                        Case{"-", 0, 0, kExcellentRecognised + kAllFourCut, ""},
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
      {"LC_ALL=C.UTF-8", m_input.File("missing.d88"),
       u8"ファイルをオープンできません.\ncastle-extract: cannot open " +
           m_input.File("missing.d88") + ": No such file or directory\n"},
      {"LC_ALL=C", m_diskPath, kTheCastleRecognised + kAllFourCut},  // bytes as they are
      // A locale that is named but not installed: its name says what the terminal shows.
      {"LANG=xx_YY.UTF-8", m_diskPath, recognised + kAllFourCut},
      {"LC_CTYPE=xx_YY.utf8@euro", m_diskPath, recognised + kAllFourCut},
      {"LANG=xx_YY.ISO-8859-1", m_diskPath, kTheCastleRecognised + kAllFourCut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale + " " + c.path);
    CommandOptions options;
    options.terminal = true;
    // The variables the case does not set are empty, which counts as not set.
    options.environment = {"LC_ALL=", "LC_CTYPE=", "LANG=", c.locale};
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

TEST_F(CommandTest, AReaderThatGoesAwayLosesNoFile) {
  // castle-extract disk.d88 | head -n 1: every file is written, then one line says why the
  // exit code is 1. The reason is standard output's own even where a later failure (VOICE taken
  // by a directory) left another in errno.
  const std::string closed = "castle-extract: cannot write standard output: Broken pipe\n";
  D88Builder damaged = TheCastleDisk();
  damaged.SetTrackOffsetField(61, 0);
  struct Case {
    Bytes disk;
    bool voiceTaken;
    std::string err;
  };
  const Case cases[] = {
      {TheCastleDisk().Build(), false, closed},
      {damaged.Build(), false,
       "castle-extract: PROG2: the disk supplied only 256 of its 2076 bytes; the rest is "
       "padding\n" +
           closed},
      {TheCastleDisk().Build(), true,
       "castle-extract: cannot write VOICE: Is a directory\n" + closed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err);
    for (const std::string& name : WorkFiles()) {
      RemoveFile(m_work.File(name));
    }
    if (c.voiceTaken) {
      ASSERT_TRUE(MakeDirectory(m_work.File("VOICE")));
    }
    CommandOptions options;
    options.stdoutReaderGone = true;
    const CommandResult result = Run(c.disk, options);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(WorkFiles(), kAllFourFiles);
    EXPECT_EQ(Output("MUSIC"), Complemented(StandardRun(60, 4, 131, 1540)));
  }

  CommandOptions options;
  options.stdoutReaderGone = true;
  const CommandResult info = RunCommand(D88_INFO_PATH, {m_diskPath}, options);
  EXPECT_EQ(info.signal, 0);
  EXPECT_EQ(info.exitCode, 1);
  EXPECT_EQ(info.err, "d88-info: cannot write standard output: Broken pipe\n");
}

TEST_F(CommandTest, AsProcessOneASignalStillEndsTheRun) {
  // Process 1 of a PID namespace ignores a signal whose action is the default, so raising it
  // again after cleaning up does not end the run; the command must end all the same. It waits
  // on a FIFO that nobody writes until long after the signal.
  if (RunsWrapped()) {
    GTEST_SKIP() << "a wrapper would be process 1";
  }
  const std::string fifo = m_input.File("fifo.d88");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const Bytes disk = TheCastleDisk().Build();
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // only if it still waits
    if (fd >= 0) {
      fcntl(fd, F_SETFL, 0);
      for (size_t done = 0; done < disk.size();) {
        const ssize_t wrote = write(fd, disk.data() + done, disk.size() - done);
        done += wrote > 0 ? static_cast<size_t>(wrote) : disk.size();
      }
      close(fd);
    }
  });
  CommandOptions options;
  options.asProcessOne = true;
  options.signal = SIGTERM;
  options.signalAfterMicroseconds = 300000;
  const CommandResult result = RunArgs({fifo}, options);
  writer.join();
  if (result.exitCode == kNoProcessOne) {
    GTEST_SKIP() << "no PID namespace can be made here";
  }
  EXPECT_EQ(result.exitCode, 128 + SIGTERM);
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(CommandTest, APipeIsCopiedIntoTmpdirAndItsFailureSaysWhy) {
  const Bytes disk = ExcellentDisk().Build();
  // A wrapper such as valgrind needs a TMPDIR of its own that works.
  const std::vector<std::string> programs =
      RunsWrapped() ? std::vector<std::string>{}
                    : std::vector<std::string>{CASTLE_EXTRACT_PATH, D88_INFO_PATH};
  // A long TMPDIR is said whole, reason and all.
  const std::string missing =
      m_input.File(std::string(200, 'a') + "/" + std::string(200, 'b') + "/missing");
  for (const std::string& program : programs) {
    SCOPED_TRACE(program);
    CommandOptions options;
    options.input = std::string(disk.begin(), disk.end());
    options.inputFd = 0;
    options.environment = {"TMPDIR=" + missing};
    const CommandResult result = RunCommand(program, {"/dev/stdin"}, options);
    const std::string name = program == CASTLE_EXTRACT_PATH ? "castle-extract" : "d88-info";
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, (name == "castle-extract" ? kCannotOpen : "") + name +
                              ": cannot open /dev/stdin: cannot copy it to a temporary file in " +
                              missing + ": No such file or directory\n");
    // A directory that cannot be entered is said before the pipe is copied.
    if (name == "castle-extract") {
      EXPECT_EQ(RunCommand(program, {"-C", "nowhere", "/dev/stdin"}, options).err,
                "castle-extract: cannot change to directory nowhere: No such file or directory\n");
    }
  }
  CommandOptions options;
  options.input = std::string(disk.begin(), disk.end());
  options.inputFd = 0;
  options.environment = {"TMPDIR=" + m_input.Path()};
  EXPECT_EQ(RunArgs({"/dev/stdin"}, options).exitCode, 0);
  EXPECT_EQ(ListDirectory(m_input.Path()), std::vector<std::string>{});  // the copy has no name
}

TEST_F(CommandTest, APipeIsCopiedUpToTheMostAD88FileCanHold) {
  // An image at 2^31 - 1, the last offset there is, whose header ends at the very limit of the
  // copy; then more, which is cut. Both images are read, and the cut is said.
  if (RunsWrapped()) {
    GTEST_SKIP() << "2 GB through a memory checker takes too long";
  }
  D88Builder first;
  first.SetName("FIRST").SetDiskSizeField(0x7FFFFFFF);
  D88Builder last;
  last.SetName("LAST");
  WriteFileBytes(m_input.File("first"), first.Build());
  WriteFileBytes(m_input.File("last"), last.Build());
  const std::string stream = "{ cat first; head -c " + std::to_string(0x7FFFFFFF - 688) +
                             " /dev/zero; cat last last; } | " + D88_INFO_PATH + " /dev/stdin";
  CommandOptions options;
  options.workDir = m_input.Path();
  options.environment = {"TMPDIR=" + m_input.Path()};
  const CommandResult result = RunCommand("/bin/sh", {"-c", stream}, options);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("images: 2\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("image 1: name \"LAST\""), std::string::npos);
  EXPECT_EQ(result.err,
            "d88-info: /dev/stdin: only its first 2147484335 bytes are read, the most a D88 file "
            "can hold\n");
}

}  // namespace
