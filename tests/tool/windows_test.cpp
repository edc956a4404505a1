// Black-box cases of what Windows alone does: a read-only file and a file held open by another
// program cannot be replaced, and d88-info takes a path of any script. And the folder a disk image
// dropped onto the program in Explorer gets, which Wine cannot show (it has no Explorer window).
#include <windows.h>

#include "platform/platform.h"
#include "tests/support/wide_text.h"
#include "tests/tool/command_fixture.h"

namespace {

TEST_F(CommandTest, FilesThatWindowsKeepsAreLeftWholeAndReported) {
  // Held open, Windows may call it either; the reason is in its words.
  const std::string denied = "Access is denied.";
  const std::string inUse =
      "The process cannot access the file because it is being used by another process.";
  struct Case {
    std::string name;
    bool readOnly;  // else held open, without sharing, by this test: another program
  };
  for (const Case& c : {Case{"PROG1", true}, Case{"MUSIC", false}}) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(m_work.File(c.name), Bytes{'o', 'l', 'd'});
    const std::wstring path = Wide(m_work.File(c.name));
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.readOnly) {
      ASSERT_NE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY), 0);
    } else {
      held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    const CommandResult result = Run(ExcellentDisk().Build());
    if (held != INVALID_HANDLE_VALUE) {
      CloseHandle(held);
    }
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, kExcellentRecognised + kAllFourCut);
    const std::string prefix = "castle-extract: cannot write " + c.name + ": ";
    EXPECT_TRUE(result.err == prefix + denied + "\n" ||
                (!c.readOnly && result.err == prefix + inUse + "\n"))
        << result.err;
    EXPECT_EQ(Output(c.name), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(WorkFiles(), kAllFourFiles);  // no temporary file left
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const std::string& name : kAllFourFiles) {
      ASSERT_TRUE(RemoveFile(m_work.File(name)));
    }
  }
}

TEST_F(CommandTest, D88InfoTakesAPathOfAnyScript) {
  const std::string path = m_input.File(u8"城 Schlöss 🏰.d88");
  WriteFileBytes(path, TheCastleDisk().Build());
  CommandOptions options;
  options.workDir = m_work.Path();
  struct Case {
    std::vector<std::string> args;
    std::string start;
  };
  std::string escaped;  // as a JSON string: each backslash doubled
  for (const char c : path) {
    escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  }
  for (const Case& c : {Case{{path}, "file: " + path + "\nimages: 1\n"},
                        Case{{"--json", path}, "{\"file\":\"" + escaped + "\",\"image_count\":1,"},
                        Case{{"--sector", "0", "0", "0", "0x1", "1", path},
                             "track 0, sector C0 H0 R1 N1: 256 bytes\n00000000 "}}) {
    const CommandResult result = RunCommand(D88_INFO_PATH, c.args, options);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.substr(0, c.start.size()), c.start);
  }
}

TEST(DroppedImage, GetsAFolderBesideItNamedAfterIt) {
  const ScratchDir dir;
  ASSERT_TRUE(MakeDirectory(dir.File("v1.5")));
  struct Case {
    std::string image, folder;
  };
  for (const Case& c : {Case{"castle.d88", "castle"}, Case{u8"城 ディスク.D88", u8"城 ディスク"},
                        Case{"v1.5/disk", "v1.5/disk.files"}, Case{"castle.d88", "castle"}}) {
    int error = 0;
    const char* folder = MakeFolderBesideImage(dir.File(c.image).c_str(), &error);
    ASSERT_NE(folder, nullptr) << c.image;
    EXPECT_TRUE(IsDirectory(dir.File(c.folder))) << c.folder;
    std::string expected = dir.File(c.folder);
    for (char& ch : expected) {
      ch = ch == '/' ? '\\' : ch;
    }
    EXPECT_EQ(std::string(folder), expected);
  }
}

}  // namespace
