#include "tests/support/run_command.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
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

// The descriptors the child's standard output and error are read from, and its input is fed to.
struct Pipes {
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};
  int in[2] = {-1, -1};
  int terminal = -1;       // the pseudo-terminal's master side, which the test reads
  int follower = -1;       // its other side, the child's standard output
  int gone[2] = {-1, -1};  // a pipe whose reading end is closed before the child starts
};

// Process 1 of the namespace, for the process in between to pass signals on to.
pid_t g_processOne = 0;

extern "C" void PassOn(int signal) {
  kill(g_processOne, signal);
}

// Makes a PID namespace and returns in its process 1; the calling process stays outside, passes
// on the signals it is sent, and ends as process 1 ends.
void BecomeProcessOne() {
  if (unshare(CLONE_NEWPID) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWPID) != 0) {
    _exit(kNoProcessOne);
  }
  g_processOne = fork();
  if (g_processOne == 0) {
    return;
  }
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ::signal(signal, PassOn);
  }
  int status = 0;
  while (waitpid(g_processOne, &status, 0) < 0) {
  }
  if (WIFSIGNALED(status)) {
    ::signal(WTERMSIG(status), SIG_DFL);
    raise(WTERMSIG(status));
  }
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : kNoProcessOne);
}

[[noreturn]] void ExecChild(const std::vector<std::string>& words, const CommandOptions& options,
                            const Pipes& pipes) {
  // As a shell starts a program: the test's own disposition stays here.
  signal(SIGPIPE, SIG_DFL);
  if (options.terminal) {
    dup2(pipes.follower, STDOUT_FILENO);
  } else if (!options.stdoutPath.empty()) {
    const int file = open(options.stdoutPath.c_str(), O_WRONLY);
    dup2(file, STDOUT_FILENO);
    close(file);
  } else if (options.closeStdout) {
    close(STDOUT_FILENO);
  } else if (options.stdoutReaderGone) {
    dup2(pipes.gone[1], STDOUT_FILENO);
  } else {
    dup2(pipes.out[1], STDOUT_FILENO);
  }
  if (options.terminal) {
    dup2(pipes.follower, STDERR_FILENO);
  } else {
    dup2(options.mergeStderr ? pipes.out[1] : pipes.err[1], STDERR_FILENO);
  }
  if (options.inputFd >= 0) {
    dup2(pipes.in[0], options.inputFd);
  }
  for (int fd : {pipes.out[0], pipes.out[1], pipes.err[0], pipes.err[1], pipes.in[0], pipes.in[1],
                 pipes.terminal, pipes.follower, pipes.gone[1]}) {
    if (fd > STDERR_FILENO && fd != options.inputFd) {
      close(fd);
    }
  }
  if (chdir(options.workDir.c_str()) != 0) {
    _exit(127);
  }
  if (options.fileSizeLimit >= 0) {
    const auto size = static_cast<rlim_t>(options.fileSizeLimit);
    const struct rlimit limit = {size, size};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  for (const std::string& setting : options.environment) {
    putenv(const_cast<char*>(setting.c_str()));
  }
  if (options.asProcessOne) {
    BecomeProcessOne();
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

void OpenPipes(const CommandOptions& options, Pipes* pipes) {
  if (pipe(pipes->out) != 0 || pipe(pipes->err) != 0 ||
      (options.inputFd >= 0 && pipe(pipes->in) != 0)) {
    std::perror("pipe");
    std::abort();
  }
  if (options.stdoutReaderGone) {
    if (pipe(pipes->gone) != 0) {
      std::perror("pipe");
      std::abort();
    }
    close(pipes->gone[0]);
  }
  if (options.terminal) {
    pipes->terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (pipes->terminal < 0 || grantpt(pipes->terminal) != 0 || unlockpt(pipes->terminal) != 0) {
      std::perror("posix_openpt");
      std::abort();
    }
    // Opened here, so that the terminal is never without a reader of its other side before
    // the child has it.
    pipes->follower = open(ptsname(pipes->terminal), O_RDWR | O_NOCTTY);
    struct termios settings;
    tcgetattr(pipes->follower, &settings);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);  // "\n" stays "\n"
    tcsetattr(pipes->follower, TCSANOW, &settings);
  }
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

  Pipes pipes;
  OpenPipes(options, &pipes);
  // A program that stops reading its input must not kill the test.
  signal(SIGPIPE, SIG_IGN);
  const pid_t child = fork();
  if (child == 0) {
    ExecChild(words, options, pipes);
  }
  for (int fd : {pipes.out[1], pipes.err[1], pipes.in[0], pipes.follower, pipes.gone[1]}) {
    if (fd >= 0) {
      close(fd);
    }
  }
  if (options.signal != 0) {
    usleep(static_cast<useconds_t>(options.signalAfterMicroseconds));
    kill(child, options.signal);
  }

  // Read standard output (or the terminal) and standard error, and feed the input, until all
  // are done.
  CommandResult result;
  const int outFd = options.terminal ? pipes.terminal : pipes.out[0];
  if (options.terminal) {
    close(pipes.out[0]);
  }
  struct pollfd fds[3] = {{outFd, POLLIN, 0}, {pipes.err[0], POLLIN, 0}, {pipes.in[1], POLLOUT, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  size_t fed = 0;
  int open = pipes.in[1] >= 0 ? 3 : 2;
  while (open > 0) {
    if (poll(fds, 3, -1) < 0) {
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
    if (fds[2].fd >= 0 && fds[2].revents != 0) {
      const ssize_t wrote = (fds[2].revents & POLLOUT) != 0 && fed < options.input.size()
                                ? write(fds[2].fd, options.input.data() + fed,
                                        std::min<size_t>(options.input.size() - fed, 65536))
                                : -1;
      fed += wrote > 0 ? static_cast<size_t>(wrote) : 0;
      if (wrote <= 0 || fed == options.input.size()) {
        close(fds[2].fd);
        fds[2].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  struct rusage usage = {};
  wait4(child, &status, 0, &usage);
  result.peakMemoryKb = usage.ru_maxrss;
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

int OpenHandleCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dir != nullptr && readdir(dir) != nullptr) {
    ++count;
  }
  if (dir != nullptr) {
    closedir(dir);
  }
  return count;
}

int FileMode(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}
