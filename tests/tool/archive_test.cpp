// Black-box cases of archives and compressed files, which the commands open on POSIX systems:
// each format once, several images, a damaged or encrypted image, a bomb, Shift_JIS names, and an
// archive through a pipe.
#include "tests/support/archive_maker.h"
#include "tests/tool/command_fixture.h"

namespace {

const std::string kPrefix = "castle-extract: ";

class ArchiveTest : public CommandTest {
 protected:
  const Bytes m_castle = TheCastleDisk().Build();
  const Bytes m_excellent = ExcellentDisk().Build();
  const std::string m_zip = m_input.File("game.zip");

  // The four files of a whole disk of The Castle are in the working directory; then gone.
  void ExpectCastleFiles() {
    ASSERT_EQ(WorkFiles(), kAllFourFiles);
    EXPECT_EQ(Output("PROG1"), Complemented(StandardRun(0, 2, 0, 2304)));
    EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
    for (const std::string& name : kAllFourFiles) {
      ASSERT_TRUE(RemoveFile(m_work.File(name)));
    }
  }
};

TEST_F(ArchiveTest, EachFormatHoldingOneImageIsCutAsThePlainFile) {
  const std::vector<ArchiveMember> one = {{"readme.txt", Bytes(100, 'x')},
                                          {"disks/castle.d88", m_castle}};
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"game.zip", MakeArchive(ArchiveKind::kZip, one)},
      {"game.lzh", MakeLzh(one)},
      {"game.7z", MakeArchive(ArchiveKind::kSevenZip, one)},
      {"game.tar.gz", MakeArchive(ArchiveKind::kTarGzip, one)},
      {"castle.d88.gz", MakeArchive(ArchiveKind::kGzip, {{"", m_castle}})},
      {"castle.d88.xz", MakeArchive(ArchiveKind::kXz, {{"", m_castle}})},
      // The name says nothing: a D88 file named otherwise is known by its content.
      {"game.bin", MakeArchive(ArchiveKind::kZip, {{"CASTLE.IMG", m_castle}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(m_input.File(c.name), c.file);
    const CommandResult result = RunArgs({m_input.File(c.name)});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, kTheCastleRecognised + kAllFourCut);
    EXPECT_EQ(result.err, "");
    ExpectCastleFiles();
  }
  // d88-info reads the one image, and dumps a sector of it; of two, it cannot say which.
  EXPECT_NE(RunCommand(D88_INFO_PATH, {m_zip}).out.find("entry: disks/castle.d88\nimages: 1\n"),
            std::string::npos);
  const CommandResult dump =
      RunCommand(D88_INFO_PATH, {"--sector", "79", "39", "1", "0xF2", "1", m_zip});
  EXPECT_EQ(dump.exitCode, 0);
  EXPECT_EQ(dump.out.rfind("track 79, sector C39 H1 R242 N1: 256 bytes\n", 0), 0u) << dump.err;
  WriteFileBytes(m_zip, MakeArchive(ArchiveKind::kZip, {{"a.d88", m_castle}, {"b.d88", m_castle}}));
  const CommandResult two = RunCommand(D88_INFO_PATH, {"--sector", "0", "0", "0", "1", "1", m_zip});
  EXPECT_EQ(two.exitCode, 1);
  EXPECT_EQ(two.err, "d88-info: " + m_zip +
                         " holds 2 D88 files: a.d88, b.d88; choose one with --entry NAME\n");
  // A pipe that is an archive.
  CommandOptions options;
  const Bytes zip = MakeArchive(ArchiveKind::kZip, one);
  options.input = std::string(zip.begin(), zip.end());
  options.inputFd = 0;
  EXPECT_EQ(RunArgs({"/dev/stdin"}, options).out, kTheCastleRecognised + kAllFourCut);
  ExpectCastleFiles();
}

TEST_F(ArchiveTest, SeveralImagesAreNamedAndOneIsChosenByName) {
  ArchiveOptions shiftJis;
  shiftJis.shiftJisNames = true;
  WriteFileBytes(m_zip,
                 MakeArchive(ArchiveKind::kZip,
                             {{u8"城/disk1.d88", m_castle}, {"disk2.d88", m_excellent}}, shiftJis));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out, err;
  };
  const Case cases[] = {
      {{m_zip},
       1,
       "",
       kPrefix + m_zip +
           u8" holds 2 D88 files: 城/disk1.d88, disk2.d88; choose one with --entry NAME\n"},
      {{"--entry", "disk2.d88", m_zip}, 0, kExcellentRecognised + kAllFourCut, ""},
      {{"--entry", u8"城/disk1.d88", m_zip}, 0, kTheCastleRecognised + kAllFourCut, ""},
      {{"--entry=disk1.d88", m_zip}, 0, kTheCastleRecognised + kAllFourCut, ""},
      {{"--entry", "disk3.d88", m_zip},
       1,
       "",
       kPrefix + m_zip +
           u8" holds no D88 file named disk3.d88; it holds 城/disk1.d88, disk2.d88\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const CommandResult result = RunArgs(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    for (const std::string& name : WorkFiles()) {
      ASSERT_TRUE(RemoveFile(m_work.File(name)));
    }
  }
  // d88-info shows each image under its name, in JSON too.
  const CommandResult text = RunCommand(D88_INFO_PATH, {m_zip});
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_NE(text.out.find("file: " + m_zip + u8"\nentry: 城/disk1.d88\nimages: 1\n"),
            std::string::npos);
  EXPECT_NE(text.out.find("file: " + m_zip + "\nentry: disk2.d88\nimages: 1\n"), std::string::npos);
  const std::string json = RunCommand(D88_INFO_PATH, {"--json", m_zip}).out;
  EXPECT_EQ(json.rfind("{\"file\":\"" + m_zip + "\",\"format\":\"zip\",\"entries\":[\n{", 0), 0u);
  EXPECT_NE(json.find(u8",\"entry\":\"城/disk1.d88\",\"entry_text\":\"城/disk1.d88\","
                      u8"\"entry_number\":1,\"d88\":true"),
            std::string::npos);
}

TEST_F(ArchiveTest, DamagedEncryptedAndOversizedImagesWriteNothing) {
  Bytes lzh = MakeLzh({{"castle.d88", m_castle}});
  lzh[lzh.size() - 1000] ^= 0x55;  // in the stored data: its CRC-16 no longer matches
  ArchiveOptions encrypted;
  encrypted.encrypted = true;
  struct Case {
    const char* name;
    Bytes file;
    std::string err;  // its start
  };
  const Case cases[] = {
      {"game.lzh", lzh, ": castle.d88 is damaged ("},
      {"game.zip", MakeArchive(ArchiveKind::kZip, {{"castle.d88", m_castle}}, encrypted),
       ": castle.d88 is encrypted; unpack it with its password first\n"},
      {"notes.zip", MakeArchive(ArchiveKind::kZip, {{"notes.txt", Bytes(2000, 'n')}}),
       " holds no D88 image (it is a ZIP archive)\n"},
      {"cut.zip", Bytes(m_castle.begin(), m_castle.begin() + 50), ""},  // no archive: no error
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = m_input.File(c.name);
    WriteFileBytes(path, c.file);
    const CommandResult result = RunArgs({path});
    EXPECT_EQ(result.exitCode, c.err.empty() ? 0 : 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.substr(0, kPrefix.size() + path.size() + c.err.size()),
              c.err.empty() ? "" : kPrefix + path + c.err);
    EXPECT_TRUE(WorkFiles().empty());
  }
  // --entry names an image in an archive.
  WriteFileBytes(m_diskPath, m_castle);
  EXPECT_EQ(RunArgs({"--entry", "castle.d88", m_diskPath}).err,
            kPrefix + m_diskPath + " is no archive: --entry names a D88 file in one\n");
}

TEST_F(ArchiveTest, AnImageThatUnpacksPastWhatAFloppyHoldsIsRefusedAsSoonAsItDoes) {
  if (RunsWrapped()) {
    GTEST_SKIP() << "unpacking 200 MB under a memory checker takes minutes";
  }
  const std::string path = m_input.File("bomb.d88.gz");
  // Not zeros, which read as the end of a tar archive.
  WriteFileBytes(path, MakeArchive(ArchiveKind::kGzip, {{"", Bytes(201000000, 'D')}}));
  CommandOptions options;
  options.environment = {"TMPDIR=" + m_input.Path()};
  const CommandResult result = RunArgs({path}, options);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            kPrefix + path + ": bomb.d88 unpacks to more than 200 MB: not a floppy disk image\n");
  EXPECT_TRUE(WorkFiles().empty());
  EXPECT_EQ(ListDirectory(m_input.Path()), std::vector<std::string>{"bomb.d88.gz"});
}

}  // namespace
