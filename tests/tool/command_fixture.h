// Black-box runs of the built castle-extract: each test gets a fresh, empty working directory
// and keeps its input disk elsewhere, so the working directory shows exactly what was written.
#ifndef TESTS_TOOL_COMMAND_FIXTURE_H
#define TESTS_TOOL_COMMAND_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/d88_builder.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

// Shift_JIS texts, byte for byte.
#define RECOGNISED_SJIS                                                                      \
  "\x82\xCC\x83\x66\x83\x42\x83\x58\x83\x4E\x82\xF0\x94\x46\x8E\xAF\x82\xB5\x82\xDC\x82\xB5" \
  "\x82\xBD.\n"
inline const std::string kTheCastleRecognised = "The Castle" RECOGNISED_SJIS;
inline const std::string kExcellentRecognised = "Castle Excellent" RECOGNISED_SJIS;
inline const std::string kCannotOpen =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC5\x82\xAB"
    "\x82\xDC\x82\xB9\x82\xF1.\n";
inline const std::string kAllFourCut =
    "cutting ... PROG1\ncutting ... PROG2\ncutting ... MUSIC\ncutting ... VOICE\n";
inline const std::vector<std::string> kAllFourFiles = {"MUSIC", "PROG1", "PROG2", "VOICE"};

inline D88Builder TheCastleDisk() {
  return StandardDisk(0xF1, 0xF2, 0xF3);
}
inline D88Builder ExcellentDisk() {
  return StandardDisk(0xF1, 0xF3, 0xF2);
}

// The bytes of a run on a whole standard disk: `count` bytes from sector r of the track on,
// sectors 1 to 16 per track.
Bytes StandardRun(int track, int r, int skip, int length);
Bytes Complemented(Bytes bytes);
Bytes Slice(const Bytes& bytes, size_t from, size_t count);

class CommandTest : public ::testing::Test {
 protected:
  CommandResult Run(const Bytes& disk, const CommandOptions& options = CommandOptions());
  CommandResult RunArgs(const std::vector<std::string>& args,
                        CommandOptions options = CommandOptions());
  Bytes Output(const std::string& name) const { return ReadFileBytes(m_work.File(name)); }
  std::vector<std::string> WorkFiles() const { return ListDirectory(m_work.Path()); }

  ScratchDir m_input;
  ScratchDir m_work;
  const std::string m_diskPath = m_input.File("disk.d88");
};

#endif  // TESTS_TOOL_COMMAND_FIXTURE_H
