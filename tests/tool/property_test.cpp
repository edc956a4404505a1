// Seeded, repeatable properties of the command over damaged disks, run in-process through the
// command's entry: every truncation of a whole disk, and thousands of random byte flips in the
// header, the track table and the sector headers, end with exit code 0, write nothing but the
// four files, and trip no sanitizer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#endif

#include <cstdio>
#include <random>
#include <string>

#include "castle/extraction_lists.h"
#include "d88/d88format.h"
#include "tests/support/castle_disk.h"
#include "tests/support/d88_builder.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"
#include "tool/castle_extract.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// What the system calls the device that discards, and how many cases a property tries: fewer
// where every file operation goes through Wine.
#ifdef _WIN32
constexpr char kNullDevice[] = "NUL";
constexpr size_t kTruncationStep = 7;  // every 7th byte of the dense part
constexpr int kFlipTrials = 400;
std::string CurrentDirectory() {
  char path[4096];
  return _getcwd(path, sizeof path) != nullptr ? path : "";
}
int ChangeDirectoryTo(const std::string& path) {
  return _chdir(path.c_str());
}
#else
constexpr char kNullDevice[] = "/dev/null";
constexpr size_t kTruncationStep = 1;
constexpr int kFlipTrials = 4000;
std::string CurrentDirectory() {
  char path[4096];
  return getcwd(path, sizeof path) != nullptr ? path : "";
}
int ChangeDirectoryTo(const std::string& path) {
  return chdir(path.c_str());
}
#endif

// Runs the entry in a scratch working directory with its stdout and stderr discarded: the
// diagnostics of thousands of damaged disks would bury a real failure. Sanitizer reports still
// reach the test's own stderr.
class InProcessCommand {
 public:
  InProcessCommand() {
    std::fflush(stdout);
    std::fflush(stderr);
    m_savedOut = dup(STDOUT_FILENO);
    m_savedErr = dup(STDERR_FILENO);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(m_savedErr)));
#endif
    const int null = open(kNullDevice, O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    close(null);
    m_savedDir = CurrentDirectory();
    EXPECT_EQ(ChangeDirectoryTo(m_work.Path()), 0);
  }

  ~InProcessCommand() {
    std::fflush(stdout);
    std::fflush(stderr);
    EXPECT_EQ(ChangeDirectoryTo(m_savedDir), 0);
    dup2(m_savedOut, STDOUT_FILENO);
    dup2(m_savedErr, STDERR_FILENO);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(STDERR_FILENO)));
#endif
    close(m_savedOut);
    close(m_savedErr);
  }

  int Run(const std::string& diskPath) {
    std::string program = "castle-extract";
    std::string path = diskPath;
    char* argv[] = {program.data(), path.data(), nullptr};
    return CastleExtractMain(2, argv);
  }

  // Every name left in the working directory is one of the four output files.
  bool WroteOnlyOutputs() const {
    for (const std::string& name : ListDirectory(m_work.Path())) {
      if (std::find(std::begin(kOutputNames), std::end(kOutputNames), name) ==
          std::end(kOutputNames)) {
        return false;
      }
    }
    return true;
  }

 private:
  ScratchDir m_work;
  int m_savedOut = -1;
  int m_savedErr = -1;
  std::string m_savedDir;
};

TEST(CommandProperties, EveryTruncationEndsCleanly) {
  // Each byte through the header and the first two tracks, where every field boundary lies
  // once; then every 61st byte, which lands at every offset within a 272-byte sector record.
  const D88Builder builder = TheCastleDisk();
  const Bytes whole = builder.Build();
  const size_t dense = static_cast<size_t>(builder.TrackStart(2));
  std::vector<size_t> lengths;
  for (size_t length = 0; length < dense; length += kTruncationStep) {
    lengths.push_back(length);
  }
  for (size_t length = dense; length <= whole.size(); length += 61) {
    lengths.push_back(length);
  }
  lengths.push_back(whole.size());

  ScratchDir input;
  const std::string path = input.File("disk.d88");
  WriteFileBytes(path, whole);
  InProcessCommand command;
  // Longest first, so one file is cut shorter step by step.
  for (auto length = lengths.rbegin(); length != lengths.rend(); ++length) {
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(*length)), 0);
    ASSERT_EQ(command.Run(path), 0) << "truncated to " << *length;
    ASSERT_TRUE(command.WroteOnlyOutputs()) << "truncated to " << *length;
  }
}

TEST(CommandProperties, RandomByteFlipsInTheStructureEndCleanly) {
  // Flip one to four bytes at a time among the header (name, media type, size, track table)
  // and the 16-byte headers of the records the command reads.
  const D88Builder builder = TheCastleDisk();
  const Bytes whole = builder.Build();
  std::vector<size_t> structure;
  for (size_t offset = 0; offset < static_cast<size_t>(kHeaderSize); ++offset) {
    structure.push_back(offset);
  }
  for (int track : TracksTheCommandReads()) {
    size_t record = static_cast<size_t>(builder.TrackStart(track));
    for (const SectorRecord& sector : builder.Track(track)) {
      for (size_t i = 0; i < static_cast<size_t>(kSectorHeaderSize); ++i) {
        structure.push_back(record + i);
      }
      record += kSectorHeaderSize + sector.data.size();
    }
  }

  ScratchDir input;
  const std::string path = input.File("disk.d88");
  WriteFileBytes(path, whole);
  std::FILE* disk = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(disk, nullptr);
  std::mt19937 random(20261209);
  InProcessCommand command;
  for (int trial = 0; trial < kFlipTrials; ++trial) {
    std::vector<size_t> flipped;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) {
      const size_t offset = structure[random() % structure.size()];
      std::fseek(disk, static_cast<long>(offset), SEEK_SET);
      std::fputc(static_cast<uint8_t>(whole[offset] ^ (1u + random() % 255u)), disk);
      flipped.push_back(offset);
    }
    std::fflush(disk);
    ASSERT_EQ(command.Run(path), 0) << "trial " << trial;
    ASSERT_TRUE(command.WroteOnlyOutputs()) << "trial " << trial;
    for (size_t offset : flipped) {
      std::fseek(disk, static_cast<long>(offset), SEEK_SET);
      std::fputc(whole[offset], disk);
    }
  }
  std::fclose(disk);
}

}  // namespace
