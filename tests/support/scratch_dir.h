// A fresh temporary directory per test, removed with everything in it when the test ends.
#ifndef TESTS_SUPPORT_SCRATCH_DIR_H
#define TESTS_SUPPORT_SCRATCH_DIR_H

#include <cstdio>
#include <string>

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// Files by UTF-8 path, on every system (Windows takes such a path only through its wide calls).
std::FILE* OpenTestFile(const std::string& path, const char* mode);
bool MakeDirectory(const std::string& path);
bool MakeHardLink(const std::string& existing, const std::string& link);
bool RemoveFile(const std::string& path);
bool IsDirectory(const std::string& path);

#endif  // TESTS_SUPPORT_SCRATCH_DIR_H
