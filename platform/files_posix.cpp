// Files and the run's start on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

// The identity of the disk image being read, which no output may replace.
dev_t g_inputDevice = 0;
ino_t g_inputInode = 0;
bool g_haveInput = false;

// The temporary file being written, for the signal handler to remove: the name is complete
// before the flag is raised, and the flag is lowered before the name changes.
char g_tempName[PATH_MAX];
volatile sig_atomic_t g_tempExists = 0;
long g_process = 0;  // in every temporary name, so that two runs never share one

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

// Removes the temporary file, then dies of the same signal: the handler was reset to the default
// on entry, and unblocking the signal raised again delivers it at once. Where even that does not
// end the process (process 1 of a PID namespace, such as a container without an init, ignores a
// signal whose action is the default), it ends with the status a shell gives a signal's death.
extern "C" void RemoveTemporaryAndDie(int signal) {
  if (g_tempExists != 0) {
    unlink(g_tempName);
  }
  raise(signal);
  sigset_t raised;
  sigemptyset(&raised);
  sigaddset(&raised, signal);
  sigprocmask(SIG_UNBLOCK, &raised, nullptr);
  _exit(128 + signal);
}

// A closed standard descriptor is reopened on /dev/null for reading, so that no file of ours
// takes its number and writes meant for it fail, as they should, instead of landing in a file.
void OccupyClosedStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    struct stat info = {};
    if (fstat(fd, &info) != 0 && errno == EBADF) {
      open("/dev/null", O_RDONLY);
    }
  }
}

}  // namespace

// The reason the copy into the temporary directory failed, with the directory named.
const char* SpoolStep() {
  static char step[PATH_MAX + 64];
  std::snprintf(step, sizeof step, "cannot copy it to a temporary file in %s",
                TemporaryDirectory());
  return step;
}

std::FILE* AnonymousTemporaryFile() {
  char name[PATH_MAX];
  if (std::snprintf(name, sizeof name, "%s/d88-input-XXXXXX", TemporaryDirectory()) >=
      static_cast<int>(sizeof name)) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  const int fd = mkstemp(name);
  if (fd < 0) {
    return nullptr;
  }
  unlink(name);
  std::FILE* file = fdopen(fd, "w+b");
  if (file == nullptr) {
    close(fd);
  } else {
    std::setvbuf(file, nullptr, _IONBF, 0);  // written in large chunks, read through a window
  }
  return file;
}

namespace {

// Copies a stream that cannot seek into an anonymous temporary file, up to the most the reader
// can index.
std::FILE* CopyToTemporaryFile(std::FILE* input, InputOpening* opening) {
  static unsigned char chunk[1 << 16];
  errno = 0;
  std::FILE* copy = AnonymousTemporaryFile();
  if (copy == nullptr) {
    opening->error = LastStreamError();
    opening->step = SpoolStep();
    return nullptr;
  }
  int64_t copied = 0;
  size_t got = 0;
  while (copied < kMaxIndexedFileSize &&
         (got = std::fread(
              chunk, 1,
              static_cast<size_t>(std::min<int64_t>(sizeof chunk, kMaxIndexedFileSize - copied)),
              input)) > 0) {
    errno = 0;
    if (std::fwrite(chunk, 1, got, copy) != got) {
      opening->error = LastStreamError();
      opening->step = SpoolStep();
      std::fclose(copy);
      return nullptr;
    }
    copied += static_cast<int64_t>(got);
  }
  opening->cutShort = copied == kMaxIndexedFileSize && std::fgetc(input) != EOF;
  errno = 0;
  if (std::ferror(input) != 0) {
    opening->error = LastStreamError();
    std::fclose(copy);
    return nullptr;
  }
  if (std::fflush(copy) != 0 || std::fseek(copy, 0, SEEK_SET) != 0) {
    opening->error = LastStreamError();
    opening->step = SpoolStep();
    std::fclose(copy);
    return nullptr;
  }
  return copy;
}

// Makes what was written to a file, or a rename in a directory, durable. A file system that
// cannot sync (EINVAL) has nothing more to do.
bool Sync(int fd) {
  return fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

}  // namespace

void StartCommand(int* /*argc*/, char*** /*argv*/) {
  OccupyClosedStandardDescriptors();
  // A write past the file size limit then fails with EFBIG, and a write to a pipe whose reader
  // went away with EPIPE, each reported like any write error, rather than killing the run with
  // files left unwritten. The commands start no other program, which might expect SIGPIPE.
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, nullptr);
  sigaction(SIGPIPE, &ignore, nullptr);
  // Every system call here costs a symbol lookup at start-up; these are the few a run needs.
  struct sigaction action = {};
  action.sa_handler = RemoveTemporaryAndDie;
  action.sa_flags = SA_RESETHAND;
  for (int interruption : kInterruptions) {
    struct sigaction current = {};
    // A signal ignored by whoever started us (nohup) stays ignored.
    if (sigaction(interruption, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
      sigaction(interruption, &action, nullptr);
    }
  }
}

std::FILE* OpenInputFile(const char* path, InputOpening* opening) {
  errno = 0;
  // "-" is standard input, as for cat and tar; a file of that name is ./-. The reader closes
  // what it reads, so it gets a descriptor of its own.
  const bool standardInput = std::strcmp(path, "-") == 0;
  const int duplicate = standardInput ? dup(STDIN_FILENO) : -1;
  std::FILE* input =
      standardInput ? (duplicate >= 0 ? fdopen(duplicate, "rb") : nullptr) : std::fopen(path, "rb");
  if (standardInput && input == nullptr && duplicate >= 0) {
    close(duplicate);
  }
  struct stat info = {};
  if (input == nullptr || fstat(fileno(input), &info) != 0) {
    opening->error = LastStreamError();
    if (input != nullptr) {
      std::fclose(input);
    }
    return nullptr;
  }
  if (S_ISDIR(info.st_mode)) {
    std::fclose(input);
    opening->error = EISDIR;
    return nullptr;
  }
  // The reader reads through a window of its own; a stream buffer would read twice.
  std::setvbuf(input, nullptr, _IONBF, 0);
  g_inputDevice = info.st_dev;
  g_inputInode = info.st_ino;
  g_haveInput = true;
  return input;
}

int ReadFileAt(std::FILE* file, int64_t offset, unsigned char* dest, int length) {
  const int fd = fileno(file);
  if (fd >= 0) {
    // Read where it stands, without the stream knowing: its position stays.
    const ssize_t got = pread(fd, dest, static_cast<size_t>(length), offset);
    return got > 0 ? static_cast<int>(got) : 0;
  }
  // A stream over memory (an image unpacked from an archive): read through it, and put it back
  // where it was.
  const long position = std::ftell(file);
  if (position < 0 || offset > LONG_MAX ||
      std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
    return 0;
  }
  const size_t got = std::fread(dest, 1, static_cast<size_t>(length), file);
  std::clearerr(file);
  std::fseek(file, position, SEEK_SET);
  return static_cast<int>(got);
}

std::FILE* PrepareInput(std::FILE* input, InputOpening* opening) {
  struct stat info = {};
  if (fstat(fileno(input), &info) == 0 && (S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) {
    return input;
  }
  std::FILE* copy = CopyToTemporaryFile(input, opening);
  std::fclose(input);
  return copy;
}

int64_t FileSize(std::FILE* file) {
  const int fd = fileno(file);
  if (fd < 0) {  // a stream over memory
    const long position = std::ftell(file);
    const long end = position >= 0 && std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    std::fseek(file, position < 0 ? 0 : position, SEEK_SET);
    return end;
  }
  struct stat info = {};
  return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? static_cast<int64_t>(info.st_size) : -1;
}

const char* TemporaryDirectory() {
  const char* directory = std::getenv("TMPDIR");
  return directory != nullptr && directory[0] != '\0' ? directory : "/tmp";
}

bool IsInputFile(const char* name) {
  struct stat info = {};
  return g_haveInput && lstat(name, &info) == 0 && info.st_dev == g_inputDevice &&
         info.st_ino == g_inputInode;
}

bool RunsInItsOwnWindow() {
  return false;
}

bool ReturnToStartingDirectory(int* /*error*/) {
  return true;  // never needed: a POSIX command never runs in a window of its own
}

const char* ProgramName(const char* argv0) {
  return argv0;  // as invoked, which scripts see
}

const char* MakeFolderForImage(const char* /*imagePath*/, bool /*inCurrentFolder*/, int* error,
                               bool* /*trimmed*/) {
  *error = ENOSYS;  // only a command in a window of its own needs one
  return nullptr;
}

namespace {
bool g_interruptRequested = false;  // only ever asked for in-process: a signal ends the run
}  // namespace

bool InterruptRequested() {
  return g_interruptRequested;
}

void RequestInterrupt(bool interrupt) {
  g_interruptRequested = interrupt;
}

bool ChangeDirectory(const char* path, int* error) {
  if (chdir(path) != 0) {
    *error = errno;
    return false;
  }
  return true;
}

std::FILE* CreateTemporaryFile(const char* name, int* error) {
  // The process ID keeps runs apart, the counter steps over names left by others; created
  // exclusively ("x"), so neither an existing file nor a link planted under the name is used.
  if (g_process == 0) {
    g_process = static_cast<long>(getpid());
  }
  std::FILE* stream = nullptr;
  for (unsigned counter = 0; stream == nullptr; ++counter) {
    std::snprintf(g_tempName, sizeof g_tempName, ".%s.%ld.%u.tmp", name, g_process, counter);
    g_tempExists = 1;
    errno = 0;
    stream = std::fopen(g_tempName, "wbx");
    if (stream == nullptr) {
      g_tempExists = 0;
      if (errno != EEXIST) {
        *error = LastStreamError();
        return nullptr;
      }
    }
  }
  struct stat replaced = {};
  if (lstat(name, &replaced) == 0 && S_ISREG(replaced.st_mode)) {
    fchmod(fileno(stream), replaced.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO));
  }
  return stream;
}

bool ReplaceWithTemporary(std::FILE* stream, const char* name, int* error) {
  // The usual safe replacement: the new bytes on the device before the rename, and the rename
  // itself on the device after it.
  errno = 0;
  if (!Sync(fileno(stream))) {
    *error = errno;
    std::fclose(stream);
  } else if (std::fclose(stream) != 0) {
    *error = LastStreamError();
  } else if (rename(g_tempName, name) != 0) {
    *error = errno;
  } else {
    g_tempExists = 0;
    const int directory = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
      Sync(directory);  // the file is in place whatever this says: it is not a failure to write
      close(directory);
    }
    return true;
  }
  unlink(g_tempName);
  g_tempExists = 0;
  return false;
}

void DiscardTemporary(std::FILE* stream) {
  std::fclose(stream);
  unlink(g_tempName);
  g_tempExists = 0;
}

const char* ErrorText(int error) {
  return std::strerror(error);
}

int LastStreamError() {
  return errno != 0 ? errno : EIO;
}
