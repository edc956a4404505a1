#include "tests/support/run_command.h"

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

std::vector<std::string> WrapperWords() {
  std::vector<std::string> words;
  const char* wrapper = std::getenv("D88_TEST_WRAPPER");
  std::istringstream stream(wrapper != nullptr ? wrapper : "");
  std::string word;
  while (stream >> word) {
    words.push_back(word);
  }
  return words;
}

[[noreturn]] void ExecChild(const std::vector<std::string>& words, const CommandOptions& options,
                            int outPipe, int errPipe) {
  dup2(outPipe, STDOUT_FILENO);
  dup2(errPipe, STDERR_FILENO);
  if (chdir(options.workDir.c_str()) != 0) {
    _exit(127);
  }
  if (options.fileSizeLimit != RLIM_INFINITY) {
    signal(SIGXFSZ, SIG_IGN);  // kept across exec: writes past the limit fail with EFBIG
    const struct rlimit limit = {options.fileSizeLimit, options.fileSizeLimit};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  std::vector<char*> argv;
  for (const std::string& word : words) {
    argv.push_back(const_cast<char*>(word.c_str()));
  }
  argv.push_back(nullptr);
  char* const* childArgv = options.omitArgv0 ? &argv.back() : argv.data();
  execve(words.front().c_str(), childArgv, environ);
  _exit(127);
}

}  // namespace

bool RunsWrapped() {
  return !WrapperWords().empty();
}

CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const CommandOptions& options) {
  std::vector<std::string> words = WrapperWords();
  if (!words.empty()) {
    // The wrapper is found on PATH; execve needs its full path.
    const std::string name = words.front();
    if (name.find('/') == std::string::npos) {
      for (const char* dir : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
        if (access((dir + name).c_str(), X_OK) == 0) {
          words.front() = dir + name;
          break;
        }
      }
    }
  }
  words.push_back(program);
  words.insert(words.end(), args.begin(), args.end());

  int outPipe[2];
  int errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
    std::perror("pipe");
    std::abort();
  }
  const pid_t child = fork();
  if (child == 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    ExecChild(words, options, outPipe[1], errPipe[1]);
  }
  close(outPipe[1]);
  close(errPipe[1]);

  CommandResult result;
  struct pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      continue;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd >= 0 && fds[i].revents != 0) {
        char chunk[4096];
        const ssize_t got = read(fds[i].fd, chunk, sizeof chunk);
        if (got > 0) {
          sinks[i]->append(chunk, static_cast<size_t>(got));
        } else {
          close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        }
      }
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) {
    return names;
  }
  while (const struct dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") {
      names.push_back(name);
    }
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}
