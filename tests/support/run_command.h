// Runs a built program as a child process and captures everything it does, for black-box
// tests of the commands.
//
// When the environment variable D88_TEST_WRAPPER is set (for example to
// "valgrind --error-exitcode=99 --leak-check=full -q"), every run goes through it, so the same
// tests can check the commands under a memory checker.
#ifndef TESTS_SUPPORT_RUN_COMMAND_H
#define TESTS_SUPPORT_RUN_COMMAND_H

#include <cstdint>
#include <string>
#include <vector>

struct CommandResult {
  int exitCode = -1;  // -1 when the process ended on a signal
  int signal = 0;
  std::string out;
  std::string err;
  long peakMemoryKb = -1;  // the most memory the process held at once (POSIX: ru_maxrss)
};

struct CommandOptions {
  std::string workDir = ".";
  bool omitArgv0 = false;                // start the program with no arguments at all
  int64_t fileSizeLimit = -1;            // RLIMIT_FSIZE if not -1; SIGXFSZ keeps its default
  std::vector<std::string> environment;  // "NAME=VALUE" settings added to the test's own

  // Bytes fed through a pipe to descriptor inputFd of the program: 0 is standard input, and
  // the program reads any other as /dev/fd/N, as bash's <(...) gives it.
  std::string input;
  int inputFd = -1;

  std::string stdoutPath;         // standard output goes to this file instead of being captured
  bool closeStdout = false;       // the program starts with standard output closed
  bool stdoutReaderGone = false;  // standard output is a pipe that nobody reads any more
  bool mergeStderr = false;       // standard error goes where standard output goes, as 2>&1
  bool terminal = false;          // standard output and error are a terminal (raw), read as out

  // Sent to the program this long after it was started (a signal of 0 sends nothing).
  int signal = 0;
  int signalAfterMicroseconds = 0;

  // The program runs as process 1 of a PID namespace of its own, as in a container without an
  // init; signals sent to it are passed on. Where no namespace can be made, the run ends with
  // exit code kNoProcessOne.
  bool asProcessOne = false;
};

constexpr int kNoProcessOne = 125;

// Runs `program` with argv[0] set to the program path followed by `args`.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const CommandOptions& options = CommandOptions());

// True when runs go through a wrapper that sets argv[0] itself.
bool RunsWrapped();

// The names in a directory, sorted, without "." and "..".
std::vector<std::string> ListDirectory(const std::string& path);

// The permission bits of a file, or -1 when it cannot be looked at. On Windows: 0444 for a
// read-only file, else 0666.
int FileMode(const std::string& path);

// The number of files (descriptors, handles) the test process has open.
int OpenHandleCount();

#endif  // TESTS_SUPPORT_RUN_COMMAND_H
