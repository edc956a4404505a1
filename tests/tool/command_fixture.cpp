#include "tests/tool/command_fixture.h"

#include <algorithm>

std::string AllFourCut() {
  std::string lines;
  for (const char* name : kOutputNames) {
    lines += std::string("cutting ... ") + name + "\n";
  }
  return lines;
}

std::vector<std::string> AllFourFiles() {
  std::vector<std::string> names(std::begin(kOutputNames), std::end(kOutputNames));
  std::sort(names.begin(), names.end());
  return names;
}

Bytes StandardRun(int track, int r, int skip, int length) {
  Bytes run;
  while (run.size() < static_cast<size_t>(skip + length)) {
    const Bytes sector = StandardSectorData(track, r);
    run.insert(run.end(), sector.begin(), sector.end());
    if (++r > 16) {
      r = 1;
      ++track;
    }
  }
  return Slice(run, static_cast<size_t>(skip), static_cast<size_t>(length));
}

Bytes Complemented(Bytes bytes) {
  for (uint8_t& byte : bytes) {
    byte = static_cast<uint8_t>(~byte);
  }
  return bytes;
}

Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
  return Bytes(bytes.begin() + static_cast<long>(from),
               bytes.begin() + static_cast<long>(from + count));
}

Bytes CommandTest::Output(const std::string& name) const {
  if (FileMode(m_work.File(name)) < 0) {
    ADD_FAILURE() << "no file " << name;
    return {};
  }
  return ReadFileBytes(m_work.File(name));
}

CommandResult CommandTest::Run(const Bytes& disk, const CommandOptions& options) {
  WriteFileBytes(m_diskPath, disk);
  return RunArgs({m_diskPath}, options);
}

CommandResult CommandTest::RunArgs(const std::vector<std::string>& args, CommandOptions options) {
  options.workDir = m_work.Path();
  return RunCommand(CASTLE_EXTRACT_PATH, args, options);
}
