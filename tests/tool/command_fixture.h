// Black-box runs of the built castle-extract: each test gets a fresh, empty working directory
// and keeps its input disk elsewhere, so the working directory shows exactly what was written.
#ifndef TESTS_TOOL_COMMAND_FIXTURE_H
#define TESTS_TOOL_COMMAND_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "castle/extraction_lists.h"
#include "tests/support/castle_disk.h"
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
// The progress lines of a title whose four files are all cut, in order.
std::string AllFourCut();
inline const std::string kAllFourCut = AllFourCut();
// The four output names as a directory listing shows them, sorted.
std::vector<std::string> AllFourFiles();
inline const std::vector<std::string> kAllFourFiles = AllFourFiles();

// The program as its usage line names it: the path it was started by, which scripts see; on
// Windows, where that is the whole path, its file name alone.
#ifdef _WIN32
inline const std::string kProgramAsNamed = "castle-extract.exe";
#else
inline const std::string kProgramAsNamed = CASTLE_EXTRACT_PATH;
#endif

// The system's words for a directory or file that is not there, and for a directory opened as
// a file.
#ifdef _WIN32
inline const std::string kNoSuchDirectory = "The system cannot find the file specified.";
inline const std::string kNoSuchFile = "No such file or directory";
inline const std::string kIsADirectory = "Is a directory";
#else
inline const std::string kNoSuchDirectory = "No such file or directory";
inline const std::string kNoSuchFile = "No such file or directory";
inline const std::string kIsADirectory = "Is a directory";
#endif

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
  // The bytes of a file the command wrote; a missing file fails the test, not the whole run.
  Bytes Output(const std::string& name) const;
  std::vector<std::string> WorkFiles() const { return ListDirectory(m_work.Path()); }

  ScratchDir m_input;
  ScratchDir m_work;
  const std::string m_diskPath = m_input.File("disk.d88");
};

#endif  // TESTS_TOOL_COMMAND_FIXTURE_H
