// Black-box cases of what Windows alone does: a read-only file and a file held open by another
// program cannot be replaced, a hidden one stays hidden, device names are no files, and d88-info
// takes a path of any script; how the programs behave started without a window, and what their
// resources say. And what a window of its own does with disk images dropped onto the program,
// which Wine cannot show (it has no Explorer), run in this process.
#include <windows.h>
// clang-format off
#include <io.h>
// clang-format on

#include <chrono>
#include <thread>

#include "platform/platform.h"
#include "tests/support/wide_text.h"
#include "tests/tool/command_fixture.h"
#include "tool/castle_extract.h"

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
                        Case{{"--json", path}, "{\"file\":\"" + escaped + "\",\"d88\":true,"},
                        Case{{"--sector", "0", "0", "0", "0x1", "1", path},
                             "track 0, sector C0 H0 R1 N1: 256 bytes\n00000000 "}}) {
    const CommandResult result = RunCommand(D88_INFO_PATH, c.args, options);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.substr(0, c.start.size()), c.start);
  }
}

TEST(DroppedImage, GetsANewFolderBesideItNamedAfterIt) {
  // A folder that exists already, the user's own or that of another image of the same name, is
  // never used: the next number is. A name does not end in a dot or a space, as Windows makes it.
  const ScratchDir dir;
  ASSERT_TRUE(MakeDirectory(dir.File("v1.5")));
  ASSERT_TRUE(MakeDirectory(dir.File("keep")));
  ASSERT_TRUE(MakeDirectory(dir.File("here")));
  struct Case {
    std::string image;
    bool inCurrentFolder;
    std::string folder;
    bool trimmed = false;
  };
  for (const Case& c :
       {Case{"castle.d88", false, "castle"}, Case{u8"城 ディスク.D88", false, u8"城 ディスク"},
        Case{"v1.5/disk", false, "v1.5/disk.files"}, Case{"castle.D77", false, "castle (2)"},
        Case{"castle.d88", false, "castle (3)"}, Case{"keep.d88", false, "keep (2)"},
        Case{"v1.5/castle.d88", true, "here/castle"}, Case{"game .d88", false, "game", true},
        Case{"game..d88", false, "game (2)", true}, Case{"game. .d88", false, "game (3)", true}}) {
    SCOPED_TRACE(c.image);
    int error = 0;
    bool trimmed = false;
    ASSERT_TRUE(ChangeDirectory(dir.File(c.inCurrentFolder ? "here" : ".").c_str(), &error));
    const char* folder =
        MakeFolderForImage(dir.File(c.image).c_str(), c.inCurrentFolder, &error, &trimmed);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(trimmed, c.trimmed);
    EXPECT_TRUE(IsDirectory(dir.File(c.folder))) << c.folder;
    std::string expected = dir.File(c.folder);
    for (char& ch : expected) {
      ch = ch == '/' ? '\\' : ch;
    }
    EXPECT_EQ(std::string(folder), expected);
  }
  // A name whose next number would make it longer than a name can be says so.
  const std::string stem(251, 'n');
  ASSERT_TRUE(MakeDirectory(dir.File(stem)));
  for (int number = 2; number <= 9; ++number) {
    ASSERT_TRUE(MakeDirectory(dir.File(stem + " (" + std::to_string(number) + ")")));
  }
  int error = 0;
  bool trimmed = false;
  EXPECT_EQ(MakeFolderForImage(dir.File(stem + ".d88").c_str(), false, &error, &trimmed), nullptr);
  EXPECT_EQ(error, -static_cast<int>(ERROR_FILENAME_EXCED_RANGE));
  ReturnToStartingDirectory(&error);
}

TEST_F(CommandTest, StartedWithoutAWindowOrAConsoleItWritesHereAndEndsAtOnce) {
  // As a GUI front end or a scheduler starts it, with CREATE_NO_WINDOW and its own console's
  // input, or with no console at all (DETACHED_PROCESS): it must neither write beside the image
  // nor wait for an Enter nobody can press, and standard output that is not there is no failure.
  WriteFileBytes(m_diskPath, ExcellentDisk().Build());
  for (const DWORD flags :
       {static_cast<DWORD>(CREATE_NO_WINDOW), static_cast<DWORD>(DETACHED_PROCESS)}) {
    SCOPED_TRACE(flags);
    std::wstring commandLine =
        L"\"" + Wide(CASTLE_EXTRACT_PATH) + L"\" \"" + Wide(m_diskPath) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_NE(
        CreateProcessW(Wide(CASTLE_EXTRACT_PATH).c_str(), commandLine.data(), nullptr, nullptr,
                       FALSE, flags, nullptr, Wide(m_work.Path()).c_str(), &startup, &process),
        0);
    const DWORD waited = WaitForSingleObject(process.hProcess, 20000);
    if (waited != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 99);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "still waiting after 20 s";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(WorkFiles(), kAllFourFiles);
    EXPECT_EQ(ListDirectory(m_input.Path()), std::vector<std::string>{"disk.d88"});
    for (const std::string& name : kAllFourFiles) {
      ASSERT_TRUE(RemoveFile(m_work.File(name)));
    }
  }
}

TEST_F(CommandTest, ReplacementKeepsWhatWindowsUsersSetOnAFile) {
  // attrib +h MUSIC, then a second run: MUSIC is new and still hidden. A file that another
  // program (a virus scanner) holds for a moment after the first run is waited for.
  WriteFileBytes(m_diskPath, ExcellentDisk().Build());
  ASSERT_EQ(RunArgs({m_diskPath}).exitCode, 0);
  const std::wstring music = Wide(m_work.File("MUSIC"));
  WriteFileBytes(m_work.File("MUSIC"), Bytes{'o', 'l', 'd'});
  ASSERT_NE(SetFileAttributesW(music.c_str(), FILE_ATTRIBUTE_HIDDEN), 0);
  const HANDLE held = CreateFileW(Wide(m_work.File("VOICE")).c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread release([held] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    CloseHandle(held);
  });
  const CommandResult result = RunArgs({m_diskPath});
  release.join();
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(Output("MUSIC"), StandardRun(60, 4, 131, 1540));
  EXPECT_NE(GetFileAttributesW(music.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
  EXPECT_EQ(WorkFiles(), kAllFourFiles);
}

TEST_F(CommandTest, DeviceNamesAreNoDiskImages) {
  for (const std::string name : {"NUL", "aux.d88", "COM1.d88", "c:\\disks\\con.d88", "LPT9"}) {
    SCOPED_TRACE(name);
    const CommandResult result = RunArgs({name});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, kCannotOpen + "castle-extract: cannot open " + name +
                              ": it is a device, not a file\n");
    CommandOptions options;
    options.workDir = m_work.Path();
    EXPECT_EQ(RunCommand(D88_INFO_PATH, {name}, options).err,
              "d88-info: cannot open " + name + ": it is a device, not a file\n");
  }
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(CommandTest, AnEmptyOrSplitZipIsSaidToBeOneInOneLine) {
  struct Case {
    Bytes file;
    std::string err;
  };
  const Case cases[] = {
      {Concat({{'P', 'K', 5, 6}, Bytes(18, 0)}), " is an empty ZIP archive: it holds no file\n"},
      {Concat({{'P', 'K', 7, 8, 'P', 'K', 3, 4}, Bytes(100, 0)}),
       " is part of a split ZIP archive: join its parts into one file first (zip -s 0 ARCHIVE "
       "--out WHOLE.zip)\n"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(m_diskPath, c.file);
    const CommandResult result = RunArgs({m_diskPath});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "castle-extract: " + m_diskPath + c.err);
  }
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(CommandTest, HelpSpeaksOfWindowsAndAReaderThatWentAwayIsABrokenPipe) {
  const CommandResult help = RunArgs({"/?"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: castle-extract [-C DIR]", 0), 0u);
  EXPECT_NE(help.out.find("Shift_JIS"), std::string::npos);
  EXPECT_EQ(help.out.find("zcat"), std::string::npos);
  CommandOptions options;
  options.workDir = m_work.Path();
  const CommandResult infoHelp = RunCommand(D88_INFO_PATH, {"/?"}, options);
  EXPECT_EQ(infoHelp.exitCode, 0);
  EXPECT_NE(infoHelp.out.find("d88-info-json.txt"), std::string::npos);

  // d88-info disk.d88 | more, ended early: as on every other system.
  WriteFileBytes(m_diskPath, TheCastleDisk().Build());
  options.stdoutReaderGone = true;
  const CommandResult extract = RunArgs({m_diskPath}, options);
  EXPECT_EQ(extract.exitCode, 1);
  EXPECT_EQ(extract.err, "castle-extract: cannot write standard output: Broken pipe\n");
  EXPECT_EQ(WorkFiles(), kAllFourFiles);
  const CommandResult info = RunCommand(D88_INFO_PATH, {m_diskPath}, options);
  EXPECT_EQ(info.exitCode, 1);
  EXPECT_EQ(info.err, "d88-info: cannot write standard output: Broken pipe\n");
}

// A string of a program's version resource, such as "FileVersion".
std::string VersionString(const std::string& program, const wchar_t* name) {
  const std::wstring path = Wide(program);
  DWORD ignored = 0;
  std::vector<char> info(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (info.empty() ||
      GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) == 0 ||
      VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) == 0) {
    return "";
  }
  return Utf8(std::wstring(value, length > 0 ? length - 1 : 0));
}

// Resource types, by number: the tests are built without UNICODE, which the RT_ names follow.
const wchar_t* const kManifestType = MAKEINTRESOURCEW(24);
const wchar_t* const kIconGroupType = MAKEINTRESOURCEW(14);

std::string Manifest(const std::string& program) {
  const HMODULE module = LoadLibraryExW(Wide(program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC found =
      module != nullptr ? FindResourceW(module, MAKEINTRESOURCEW(1), kManifestType) : nullptr;
  const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const auto* text = static_cast<const char*>(loaded != nullptr ? LockResource(loaded) : nullptr);
  std::string manifest = text != nullptr ? std::string(text, SizeofResource(module, found)) : "";
  if (module != nullptr) {
    FreeLibrary(module);
  }
  return manifest;
}

TEST(Programs, SayWhatTheyAreAndWhatTheyNeed) {
  struct Program {
    std::string path, name;
  };
  for (const Program& program :
       {Program{CASTLE_EXTRACT_PATH, "castle-extract"}, Program{D88_INFO_PATH, "d88-info"}}) {
    SCOPED_TRACE(program.name);
    EXPECT_EQ(VersionString(program.path, L"FileVersion"), CASTLE_EXTRACT_VERSION);
    EXPECT_EQ(VersionString(program.path, L"ProductVersion"), CASTLE_EXTRACT_VERSION);
    EXPECT_EQ(VersionString(program.path, L"ProductName"), "castle-extract");
    EXPECT_EQ(VersionString(program.path, L"OriginalFilename"), program.name + ".exe");
    EXPECT_EQ(VersionString(program.path, L"LegalCopyright").rfind("Copyright (c) ", 0), 0u);
    EXPECT_FALSE(VersionString(program.path, L"FileDescription").empty());
    const std::string manifest = Manifest(program.path);
    for (const char* part :
         {"<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true<",
          "level=\"asInvoker\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
      EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    const HMODULE module =
        LoadLibraryExW(Wide(program.path).c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    // The icon in the sizes Explorer shows, 256 pixels (stored as 0) among them.
    const HRSRC group =
        module != nullptr ? FindResourceW(module, MAKEINTRESOURCEW(1), kIconGroupType) : nullptr;
    ASSERT_NE(group, nullptr);
    const auto* directory =
        static_cast<const unsigned char*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(directory, nullptr);
    const int images = directory[4] | directory[5] << 8;
    std::vector<int> widths;
    for (int i = 0; i < images; ++i) {
      widths.push_back(directory[6 + 14 * i] == 0 ? 256 : directory[6 + 14 * i]);
    }
    EXPECT_EQ(widths, (std::vector<int>{16, 32, 48, 256}));
    if (module != nullptr) {
      FreeLibrary(module);
    }
  }
}

// What the command writes on standard output when run in this process in a window of its own.
std::string InOwnWindow(const ScratchDir& dir, std::vector<std::string> args, int* status) {
  char program[] = "castle-extract.exe";
  std::vector<char*> argv = {program};
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  std::fflush(stdout);
  const int saved = _dup(_fileno(stdout));
  std::FILE* captured = OpenTestFile(dir.File("window.txt"), "wb");
  _dup2(_fileno(captured), _fileno(stdout));
  *status = CastleExtractRun(static_cast<int>(args.size()) + 1, argv.data(), true);
  std::fflush(stdout);
  _dup2(saved, _fileno(stdout));
  _close(saved);
  std::fclose(captured);
  int error = 0;
  ReturnToStartingDirectory(&error);
  const Bytes window = ReadFileBytes(dir.File("window.txt"));
  return std::string(window.begin(), window.end());
}

TEST(OwnWindow, ADoubleClickWithNoFileSaysHowToUseIt) {
  const ScratchDir dir;
  int status = -1;
  const std::string text = InOwnWindow(dir, {}, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(text.find("Drop one or more .d88 files onto castle-extract.exe in Explorer"),
            std::string::npos)
      << text;
}

// The path as the command prints a folder: with backslashes.
std::string Backslashed(std::string path) {
  for (char& c : path) {
    c = c == '/' ? '\\' : c;
  }
  return path;
}

TEST(OwnWindow, DroppedImagesEachGoIntoANewFolderWithOneSummary) {
  // Files dropped onto the program: each disk's files in a new folder beside it, even where two
  // images share a name or a folder of that name is the user's; one that is neither title and
  // one that is not there said so, and a summary at the end; the last image let go.
  const ScratchDir dir;
  WriteFileBytes(dir.File("game.d88"), TheCastleDisk().Build());
  WriteFileBytes(dir.File("game.D77"), ExcellentDisk().Build());
  WriteFileBytes(dir.File("keep.d88"), ExcellentDisk().Build());
  WriteFileBytes(dir.File("other.d88"), StandardDisk(1, 2, 3).Build());
  ASSERT_TRUE(MakeDirectory(dir.File("keep")));
  WriteFileBytes(dir.File("keep/PROG1"), Bytes{'m', 'i', 'n', 'e'});
  const std::string missing = dir.File("missing.d88");
  int status = -1;
  const std::string text = InOwnWindow(dir,
                                       {dir.File("game.d88"), dir.File("game.D77"),
                                        dir.File("keep.d88"), dir.File("other.d88"), missing},
                                       &status);
  EXPECT_EQ(status, 1);  // one of them could not be opened
  EXPECT_EQ(ListDirectory(dir.File("game")), kAllFourFiles);
  EXPECT_EQ(ReadFileBytes(dir.File("game (2)/PROG2")), StandardRun(60, 16, 0, 1795));
  EXPECT_EQ(ReadFileBytes(dir.File("keep/PROG1")), (Bytes{'m', 'i', 'n', 'e'}));
  EXPECT_EQ(ListDirectory(dir.File("keep (2)")), kAllFourFiles);
  EXPECT_FALSE(IsDirectory(dir.File("other")));
  EXPECT_NE(
      text.find("\nDone:\n  " + dir.File("game.d88") + ": \"The Castle\", its files in " +
                Backslashed(dir.File("game")) + "\n  " + dir.File("game.D77") +
                ": \"Castle Excellent\", its files in " + Backslashed(dir.File("game (2)")) +
                "\n  " + dir.File("keep.d88") + ": \"Castle Excellent\", its files in " +
                Backslashed(dir.File("keep (2)")) + "\n  " + dir.File("other.d88") +
                ": neither title; nothing was written\n  " + missing + ": it cannot be opened\n"),
      std::string::npos)
      << text;
  // Let go: it can be renamed while the window would wait.
  EXPECT_NE(MoveFileW(Wide(dir.File("other.d88")).c_str(), Wide(dir.File("renamed.d88")).c_str()),
            0);
}

TEST(OwnWindow, SeveralImagesGivenAFolderEachGetANewFolderInIt) {
  // A shortcut with -C DIR, dropped on: each image's files in a folder of its own in DIR.
  const ScratchDir dir;
  for (const char* folder : {"out", "a", "b"}) {
    ASSERT_TRUE(MakeDirectory(dir.File(folder)));
  }
  WriteFileBytes(dir.File("a/castle.d88"), TheCastleDisk().Build());
  WriteFileBytes(dir.File("b/castle.d88"), TheCastleDisk().Build());
  int status = -1;
  const std::string text = InOwnWindow(
      dir, {"-C", dir.File("out"), dir.File("a/castle.d88"), dir.File("b/castle.d88")}, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ListDirectory(dir.File("out")), (std::vector<std::string>{"castle", "castle (2)"}));
  EXPECT_NE(
      text.find(": \"The Castle\", its files in " + Backslashed(dir.File("out/castle (2)")) + "\n"),
      std::string::npos)
      << text;
}

TEST(OwnWindow, EachDiskDroppedOntoAShortcutWithAFolderGetsANewFolderInIt) {
  // A shortcut that gives -C DIR, one disk dropped on it at a time: each its own new folder in
  // DIR, and nothing of DIR's replaced.
  const ScratchDir dir;
  ASSERT_TRUE(MakeDirectory(dir.File("out")));
  const Bytes mine = {'m', 'i', 'n', 'e'};
  WriteFileBytes(dir.File("out/PROG1"), mine);
  WriteFileBytes(dir.File("castle.d88"), TheCastleDisk().Build());
  for (int drop = 0; drop < 2; ++drop) {
    int status = -1;
    InOwnWindow(dir, {"-C", dir.File("out"), dir.File("castle.d88")}, &status);
    EXPECT_EQ(status, 0);
  }
  EXPECT_EQ(ListDirectory(dir.File("out")),
            (std::vector<std::string>{"PROG1", "castle", "castle (2)"}));
  EXPECT_EQ(ReadFileBytes(dir.File("out/PROG1")), mine);
  EXPECT_EQ(ListDirectory(dir.File("out/castle (2)")), kAllFourFiles);
}

TEST(OwnWindow, AFolderIsMadeForFilesOnlyAndTheSummarySaysWhatWasLeft) {
  // Track 79 alone: recognised, nothing to cut, no folder. Track 61 missing: PROG2 padded, not
  // every file written. Then an interrupted drop sums up the images it left.
  const ScratchDir dir;
  const D88Builder castle = TheCastleDisk();
  WriteFileBytes(dir.File("signature.d88"),
                 castle.Edited([](int track, SectorRecord&) { return track == 79; }).Build());
  WriteFileBytes(dir.File("damaged.d88"),
                 castle.Edited([](int track, SectorRecord&) { return track != 61; }).Build());
  int status = -1;
  std::string text =
      InOwnWindow(dir, {dir.File("signature.d88"), dir.File("damaged.d88")}, &status);
  EXPECT_EQ(status, 0);  // a damaged disk, as on the command line
  EXPECT_FALSE(IsDirectory(dir.File("signature")));
  EXPECT_NE(text.find("\nDone:\n  " + dir.File("signature.d88") +
                      ": \"The Castle\", but none of its files was written\n  " +
                      dir.File("damaged.d88") +
                      ": \"The Castle\", not every file written, its files in " +
                      Backslashed(dir.File("damaged")) + "\n"),
            std::string::npos)
      << text;
  RequestInterrupt(true);
  text = InOwnWindow(dir, {dir.File("damaged.d88"), dir.File("signature.d88")}, &status);
  RequestInterrupt(false);
  EXPECT_EQ(status, 1);
  EXPECT_NE(text.find("\nDone:\n  " + dir.File("damaged.d88") +
                      ": not read: the run was interrupted\n  " + dir.File("signature.d88") +
                      ": not read: the run was interrupted\n"),
            std::string::npos)
      << text;
}

TEST(OwnWindow, EveryImageIsSummedUpWhateverTheirNumberAndTheirFoldersLength) {
  // 70 images, and one in a folder whose path is longer than 1 KB, in Japanese.
  const ScratchDir dir;
  std::string deep;
  for (int level = 0; level < 20; ++level) {
    deep += u8"とても長いフォルダの名前です、ディスクの城/";
  }
  for (size_t slash = deep.find('/'); slash != std::string::npos;
       slash = deep.find('/', slash + 1)) {
    ASSERT_TRUE(MakeDirectory(dir.File(deep.substr(0, slash))));
  }
  WriteFileBytes(dir.File(deep + "castle.d88"), TheCastleDisk().Build());
  std::vector<std::string> images = {dir.File(deep + "castle.d88")};
  for (int i = 0; i < 70; ++i) {
    images.push_back(dir.File("none" + std::to_string(i) + ".d88"));
  }
  int status = -1;
  const std::string text = InOwnWindow(dir, images, &status);
  const std::string folder = Backslashed(dir.File(deep + "castle"));
  ASSERT_GT(folder.size(), 1100u);
  EXPECT_NE(text.find(": \"The Castle\", its files in " + folder + "\n"), std::string::npos)
      << text;
  for (int i = 0; i < 70; ++i) {
    EXPECT_NE(text.find("none" + std::to_string(i) + ".d88: it cannot be opened\n"),
              std::string::npos)
        << i;
  }
}

}  // namespace
