#include "tests/support/scratch_dir.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

int RemoveEntry(const char* path, const struct stat*, int type, struct FTW*) {
  // A test may leave a directory without write permission; restore it so it can be emptied.
  // Links are never followed: one may point outside the scratch directory.
  if (type == FTW_DP) {
    chmod(path, 0700);
  }
  return std::remove(path);
}

}  // namespace

ScratchDir::ScratchDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/d88-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  m_path = pattern;
}

ScratchDir::~ScratchDir() {
  nftw(m_path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::FILE* OpenTestFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool MakeDirectory(const std::string& path) {
  return mkdir(path.c_str(), 0755) == 0;
}

bool MakeHardLink(const std::string& existing, const std::string& link) {
  return ::link(existing.c_str(), link.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
