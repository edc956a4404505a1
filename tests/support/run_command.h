// Runs a built program as a child process and captures everything it does, for black-box
// tests of the commands.
//
// When the environment variable D88_TEST_WRAPPER is set (for example to
// "valgrind --error-exitcode=99 --leak-check=full -q"), every run goes through it, so the same
// tests can check the commands under a memory checker.
#ifndef TESTS_SUPPORT_RUN_COMMAND_H
#define TESTS_SUPPORT_RUN_COMMAND_H

#include <sys/resource.h>

#include <string>
#include <vector>

struct CommandResult {
  int exitCode = -1;  // -1 when the process ended on a signal
  int signal = 0;
  std::string out;
  std::string err;
};

struct CommandOptions {
  std::string workDir = ".";
  bool omitArgv0 = false;                // start the program with no arguments at all
  rlim_t fileSizeLimit = RLIM_INFINITY;  // RLIMIT_FSIZE, with SIGXFSZ ignored
};

// Runs `program` with argv[0] set to the program path followed by `args`.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const CommandOptions& options = CommandOptions());

// True when runs go through a wrapper that sets argv[0] itself.
bool RunsWrapped();

// The names in a directory, sorted, without "." and "..".
std::vector<std::string> ListDirectory(const std::string& path);

#endif  // TESTS_SUPPORT_RUN_COMMAND_H
