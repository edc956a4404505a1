// Black-box cases of archives and compressed files, which the commands open on POSIX systems:
// each format once, several images, a damaged or encrypted image, a bomb, Shift_JIS names, and an
// archive through a pipe.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "archive/packed_images.h"
#include "platform/platform.h"
#include "tests/support/archive_maker.h"
#include "tests/tool/command_fixture.h"

namespace {

const std::string kPrefix = "castle-extract: ";

// Where the bytes first lie in an archive that stores them as they are.
size_t Where(const Bytes& archive, const Bytes& bytes) {
  const auto found = std::search(archive.begin(), archive.end(), bytes.begin(), bytes.end());
  EXPECT_NE(found, archive.end());
  return static_cast<size_t>(found - archive.begin());
}

void PutLE32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
  }
}

uint32_t Crc32(const Bytes& bytes, size_t from, size_t length) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = from; i < from + length; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
  }
  return ~crc;
}

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

  // An archive damaged where its format carries a check (or one that holds no image), and what
  // the commands say of it after its path; its start where that ends in "(".
  struct Damaged {
    const char* name;
    Bytes file;
    std::string err;
    bool directoryAlone = false;  // a reader of the ZIP directory alone takes it for sound
  };
  std::vector<Damaged> DamagedArchives() const {
    ArchiveOptions stored;
    stored.stored = true;
    const Bytes inPrg1 = Slice(m_castle, 1000, 32);  // bytes of PROG1's sectors, to change one of
    const auto changed = [&](Bytes archive, const Bytes& bytes) {
      archive[Where(archive, bytes) + 5] ^= 0x01;
      return archive;
    };
    const Bytes gzip = MakeArchive(ArchiveKind::kGzip, {{"", m_castle}}, stored);
    Bytes wrongLength = gzip;
    wrongLength[gzip.size() - 1] ^= 0x01;
    const Bytes half1(m_castle.begin(), m_castle.begin() + 100000);
    const Bytes half2(m_castle.begin() + 100000, m_castle.end());
    const Bytes members = Concat(
        {MakeArchive(ArchiveKind::kGzip, {{"", half1}}, stored),
         changed(MakeArchive(ArchiveKind::kGzip, {{"", half2}}, stored), Slice(half2, 0, 32))});
    // A ZIP of the disk stored: its directory's CRC-32 at 16 of "PK\1\2", its sizes at 20 and 24;
    // the local header's CRC-32 at 14 of "PK\3\4".
    const Bytes zip = MakeArchive(ArchiveKind::kZip, {{"castle.d88", m_castle}}, stored);
    const size_t directory = Where(zip, {'P', 'K', 1, 2});
    const size_t data = Where(zip, Slice(m_castle, 0, 64));
    Bytes directoryMatches = changed(zip, inPrg1);
    PutLE32(directoryMatches, directory + 16, Crc32(directoryMatches, data, m_castle.size()));
    Bytes localMatches = changed(zip, inPrg1);
    PutLE32(localMatches, 14, Crc32(localMatches, data, m_castle.size()));
    Bytes shorter = zip;
    PutLE32(shorter, directory + 20, static_cast<uint32_t>(m_castle.size() - 1000));
    PutLE32(shorter, directory + 24, static_cast<uint32_t>(m_castle.size() - 1000));
    const std::string gzipCrc =
        "is damaged (gzip: the CRC-32 in its trailer does not match its data)";
    return {
        {"castle.d88.gz", changed(gzip, inPrg1), ": castle.d88 " + gzipCrc},
        {"castle.d88.gz", members, ": castle.d88 " + gzipCrc},  // the second member's
        {"castle.d88.gz", Bytes(gzip.begin(), gzip.end() - 8),
         ": castle.d88 is damaged (cut short: its gzip stream ends before its trailer)"},
        {"castle.d88.gz", wrongLength,
         ": castle.d88 is damaged (gzip: the length in its trailer does not match its data)"},
        {"game.tar.gz",
         changed(MakeArchive(ArchiveKind::kTarGzip, {{"castle.d88", m_castle}}, stored), inPrg1),
         " " + gzipCrc},
        {"game.rar", changed(MakeRar4({{"castle.d88", m_castle}}), inPrg1),
         ": castle.d88 is damaged (RAR: its CRC-32 does not match its data)"},
        {"game.zip", directoryMatches,  // the local header leaves it to the data descriptor
         ": castle.d88 is damaged (ZIP: its data descriptor and the central directory disagree)",
         true},
        {"game.zip", localMatches,
         ": castle.d88 is damaged (ZIP: its local header and the central directory give different "
         "CRC-32s)"},
        {"game.zip", changed(zip, inPrg1),
         ": castle.d88 is damaged (ZIP: its CRC-32 does not match its data)"},
        {"game.zip", shorter,
         ": castle.d88 is damaged (ZIP: its local header and the central directory give different "
         "sizes)"},
        {"game.7z",
         changed(MakeArchive(ArchiveKind::kSevenZip, {{"castle.d88", m_castle}}, stored), inPrg1),
         ": castle.d88 is damaged ("},
        {"empty.zip", Concat({{'P', 'K', 5, 6}, Bytes(18, 0)}),
         " is an empty ZIP archive: it holds no file"},
        {"game.z01", Concat({{'P', 'K', 7, 8}, zip}),
         " is part of a split ZIP archive: join its parts into one file first (zip -s 0 ARCHIVE "
         "--out WHOLE.zip)"},
    };
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

TEST_F(ArchiveTest, EveryCheckTheFormatCarriesIsMadeAndAFailedOneWritesNothing) {
  CommandOptions inWork;
  inWork.workDir = m_work.Path();
  for (const Damaged& c : DamagedArchives()) {
    SCOPED_TRACE(c.err);
    const std::string path = m_input.File(c.name);
    WriteFileBytes(path, c.file);
    for (const std::string& program :
         {std::string(CASTLE_EXTRACT_PATH), std::string(D88_INFO_PATH)}) {
      const CommandResult result = RunCommand(program, {path}, inWork);
      EXPECT_EQ(result.exitCode, 1);
      EXPECT_EQ(result.out, "");
      const std::string said = (program == D88_INFO_PATH ? "d88-info: " : kPrefix) + path + c.err;
      EXPECT_EQ(result.err.substr(0, c.err.back() == '(' ? said.size() : std::string::npos),
                said + (c.err.back() == '(' ? "" : "\n"));
    }
    EXPECT_TRUE(WorkFiles().empty());
  }
}

// The verdicts, held against readers that owe nothing to ours or to the libraries it uses:
// gzip -t for a gzip stream, Python's zipfile for a ZIP. A sound archive passes both; a damaged
// one fails both, except the ZIP whose directory was made to match its changed data, which only
// a reader that holds the local header against the directory (ours) can see.
TEST_F(ArchiveTest, IndependentReadersGiveTheSameVerdicts) {
  const std::string gzip = "/usr/bin/gzip";
  const std::string python = "/usr/bin/python3";
  if (access(gzip.c_str(), X_OK) != 0 || access(python.c_str(), X_OK) != 0 || RunsWrapped()) {
    GTEST_SKIP() << "needs gzip and python3, run as they are (not under a checker)";
  }
  const std::string kZipTest =
      "import sys, zipfile\n"
      "try:\n"
      "    sys.exit(0 if zipfile.ZipFile(sys.argv[1]).testzip() is None else 1)\n"
      "except Exception:\n"
      "    sys.exit(1)\n";
  ArchiveOptions stored;
  stored.stored = true;
  std::vector<Damaged> all = {
      {"castle.d88.gz", MakeArchive(ArchiveKind::kGzip, {{"", m_castle}}), ""},
      {"castle.d88.gz", MakeArchive(ArchiveKind::kGzip, {{"", m_castle}}, stored), ""},
      {"game.tar.gz", MakeArchive(ArchiveKind::kTarGzip, {{"castle.d88", m_castle}}), ""},
      {"game.zip", MakeArchive(ArchiveKind::kZip, {{"castle.d88", m_castle}}), ""},
      {"game.zip", MakeArchive(ArchiveKind::kZip, {{"castle.d88", m_castle}}, stored), ""},
  };
  for (Damaged& damaged : DamagedArchives()) {
    all.push_back(std::move(damaged));
  }
  int judged = 0;
  for (const Damaged& c : all) {
    const std::string name = c.name;
    const bool zip = name.size() > 4 && name.compare(name.size() - 4, 4, ".zip") == 0;
    const bool gz = name.size() > 3 && name.compare(name.size() - 3, 3, ".gz") == 0;
    const bool sound = c.err.empty();
    const bool damaged = c.err.find("is damaged") != std::string::npos && !c.directoryAlone;
    if ((!zip && !gz) || (!sound && !damaged)) {
      continue;  // no independent reader here, or no damage to see (an empty ZIP)
    }
    SCOPED_TRACE(name + (c.err.empty() ? " (sound)" : c.err));
    const std::string path = m_input.File(c.name);
    WriteFileBytes(path, c.file);
    const CommandResult reader =
        zip ? RunCommand(python, {"-c", kZipTest, path}) : RunCommand(gzip, {"-t", path});
    EXPECT_EQ(reader.exitCode == 0, sound) << reader.err;
    EXPECT_EQ(RunArgs({path}).exitCode, sound ? 0 : 1);
    for (const std::string& file : WorkFiles()) {
      ASSERT_TRUE(RemoveFile(m_work.File(file)));
    }
    ++judged;
  }
  EXPECT_EQ(judged, 13);
}

TEST_F(ArchiveTest, NoOtherProgramIsStartedAndMemoryAndWorkStayBounded) {
  // A file of the lrzip (or grzip, lzop) magic with "ustar" at 257 had libarchive run lrzip
  // through PATH; a fake one here would leave a mark.
  Bytes lrzip(1536, 0);
  std::memcpy(lrzip.data(), "LRZI", 4);
  std::memcpy(lrzip.data() + 257, "ustar", 5);
  const std::string fakes = m_input.File("bin");
  ASSERT_EQ(mkdir(fakes.c_str(), 0755), 0);
  for (const char* name : {"lrzip", "grzip", "lzop"}) {
    WriteFileBytes(fakes + "/" + name, Bytes{'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n',
                                             't', 'o', 'u', 'c', 'h', ' ', 'r', 'a', 'n', '\n'});
    chmod((fakes + "/" + name).c_str(), 0755);
  }
  WriteFileBytes(m_input.File("lrz.tar"), lrzip);
  CommandOptions options;
  options.workDir = m_work.Path();
  options.environment = {"PATH=" + fakes + ":" + std::string(std::getenv("PATH"))};
  for (const std::string& program :
       {std::string(CASTLE_EXTRACT_PATH), std::string(D88_INFO_PATH)}) {
    const CommandResult result = RunCommand(program, {m_input.File("lrz.tar")}, options);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(" cannot be read as a tar archive ("), std::string::npos);
  }
  EXPECT_TRUE(WorkFiles().empty());  // no "ran"

  // A 4 GiB dictionary asked for by a 300 KB file is refused before it is taken.
  const std::string bomb = m_input.File("castle.d88.xz");
  WriteFileBytes(bomb, MakeXzAskingFor4GiB(m_castle));
  const CommandResult refused = RunArgs({bomb});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, kPrefix + bomb +
                             " cannot be unpacked: its xz dictionary needs 4096 MiB of memory, "
                             "more than the 160 MiB allowed\n");
  if (!RunsWrapped()) {
    EXPECT_LT(refused.peakMemoryKb, 300 * 1024);
  }

  // A tar.gz of 4 MB that holds 4 GiB before the disk: searched no further than about 200 MB.
  const std::string big = m_input.File("big.tar.gz");
  WriteFileBytes(big, MakeTarGzipWithJunk(uint64_t{4} << 30, {{"castle.d88", m_castle}}));
  EXPECT_EQ(RunArgs({big}).err,
            kPrefix + big + " is too large to search: it unpacks to more than 200 MB\n");
  InputOpening opening;
  std::FILE* input = OpenInputFile(big.c_str(), &opening);
  ASSERT_NE(input, nullptr);
  const OtherFormat* format = FindPackedFormat(input);
  ASSERT_NE(format, nullptr);
  int count = 0;
  PackedOutcome outcome;
  const auto none = [](void*, const PackedImage&, std::FILE* stream, const char*) {
    if (stream != nullptr) {
      std::fclose(stream);
    }
    return true;
  };
  EXPECT_FALSE(WalkPackedImages(input, *format, big.c_str(), none, nullptr, &outcome, &count));
  EXPECT_LE(LastWalkDecompressed(), kMaxUnpackedSize + kMaxUnpackedSize / 16 + (1 << 20));
  // Two D88 files that each fit, but not together: d88-info, which unpacks both, stops.
  const std::string two = m_input.File("two.zip");
  WriteFileBytes(two, MakeZipOfZeros({{"a.d88", 110000000}, {"b.d88", 110000000}}));
  EXPECT_EQ(RunCommand(D88_INFO_PATH, {two}).err,
            "d88-info: " + two + " is too large to search: it unpacks to more than 200 MB\n");
  // Thousands of entries: each one's byte is all that is unpacked.
  std::vector<ArchiveMember> many;
  for (int i = 0; i < 20000; ++i) {
    many.push_back({"d" + std::to_string(i) + ".d88", {'x'}});
  }
  const std::string manyPath = m_input.File("many.zip");
  WriteFileBytes(manyPath, MakeArchive(ArchiveKind::kZip, many));
  std::FILE* zip = OpenInputFile(manyPath.c_str(), &opening);
  ASSERT_NE(zip, nullptr);
  EXPECT_TRUE(WalkPackedImages(zip, *FindPackedFormat(zip), manyPath.c_str(), none, nullptr,
                               &outcome, &count));
  EXPECT_EQ(count, 20000);
  EXPECT_EQ(LastWalkDecompressed(), 20000);
  std::fclose(zip);
  std::fclose(input);
}

TEST_F(ArchiveTest, EveryImageCanBeChosenWhateverItsName) {
  // Names as Info-ZIP's zip and GNU tar write them: UTF-8, unflagged.
  ArchiveOptions unflagged;
  unflagged.utf8FlagOff = true;
  const std::vector<ArchiveMember> japanese = {{u8"ゲーム1.d88", m_excellent},
                                               {u8"ゲーム2.d88", m_castle}};
  WriteFileBytes(m_input.File("zip.zip"), MakeArchive(ArchiveKind::kZip, japanese, unflagged));
  WriteFileBytes(m_input.File("tar.tar.gz"), MakeArchive(ArchiveKind::kTarGzip, japanese));
  std::vector<ArchiveMember> seventy;
  for (int i = 0; i < 70; ++i) {
    seventy.push_back({"d" + std::to_string(i) + ".d88", i == 65 ? m_castle : Bytes{'x'}});
  }
  WriteFileBytes(m_input.File("seventy.zip"), MakeArchive(ArchiveKind::kZip, seventy));
  WriteFileBytes(
      m_input.File("twice.zip"),
      MakeArchive(ArchiveKind::kZip, {{"disk.d88", m_excellent}, {"disk.d88", m_castle}}));
  WriteFileBytes(
      m_input.File("folders.zip"),
      MakeArchive(ArchiveKind::kZip, {{"a/disk.d88", m_castle}, {"b/disk.d88", m_castle}}));
  WriteFileBytes(
      m_input.File("evil.zip"),
      MakeArchive(ArchiveKind::kZip, {{"a.d88", m_castle}, {"\x1b]0;x\x07.d88", m_castle}}));
  const std::string cut = kTheCastleRecognised + kAllFourCut;
  std::string list;
  for (int i = 0; i < 64; ++i) {
    list += (i == 0 ? "d" : ", d") + std::to_string(i) + ".d88";
  }
  struct Case {
    std::vector<std::string> args;
    std::string out, err;  // err after the path
  };
  const Case cases[] = {
      {{"--entry", u8"ゲーム2.d88", "zip.zip"}, cut, ""},
      {{"--entry", u8"ゲーム2.d88", "tar.tar.gz"}, cut, ""},
      {{"zip.zip"},
       "",
       u8" holds 2 D88 files: ゲーム1.d88, ゲーム2.d88; choose one with --entry NAME"},
      {{"--entry", "d65.d88", "seventy.zip"}, cut, ""},
      {{"--entry", "#66", "seventy.zip"}, cut, ""},
      {{"seventy.zip"},
       "",
       " holds 70 D88 files: " + list + " and 6 more; choose one with --entry NAME"},
      {{"--entry", "#71", "seventy.zip"}, "", " holds 70 D88 files; there is no #71"},
      {{"--entry", "#2", "twice.zip"}, cut, ""},
      {{"--entry", "disk.d88", "twice.zip"},
       "",
       ": --entry disk.d88 is ambiguous: it names disk.d88 (#1), disk.d88 (#2); choose one with "
       "--entry #N"},
      {{"--entry", "disk.d88", "folders.zip"},
       "",
       ": --entry disk.d88 is ambiguous: it names a/disk.d88 (#1), b/disk.d88 (#2); choose one "
       "with --entry #N"},
      {{"evil.zip"},
       "",
       " holds 2 D88 files: a.d88, \\x1b]0;x\\x07.d88; choose one with --entry NAME"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front() + " " + c.args.back());
    std::vector<std::string> args = c.args;
    args.back() = m_input.File(args.back());
    const CommandResult result = RunArgs(args);
    EXPECT_EQ(result.exitCode, c.err.empty() ? 0 : 1);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err.empty() ? "" : kPrefix + args.back() + c.err + "\n");
    for (const std::string& name : WorkFiles()) {
      ASSERT_TRUE(RemoveFile(m_work.File(name)));
    }
  }
  // d88-info lists one with --entry, and shows a name's control characters escaped.
  const CommandResult one =
      RunCommand(D88_INFO_PATH, {"--entry", "#66", m_input.File("seventy.zip")});
  EXPECT_EQ(
      one.out.rfind("file: " + m_input.File("seventy.zip") + "\nentry: d65.d88\nimages: 1\n", 0),
      0u);
  EXPECT_NE(RunCommand(D88_INFO_PATH, {m_input.File("evil.zip")})
                .out.find("\nentry: \\x1b]0;x\\x07.d88\n"),
            std::string::npos);
  const CommandResult dump = RunCommand(D88_INFO_PATH, {"--entry", "a.d88", "--sector", "0", "0",
                                                        "0", "1", "1", m_input.File("evil.zip")});
  EXPECT_EQ(dump.exitCode, 0);
  EXPECT_EQ(dump.out.rfind("track 0, sector C0 H0 R1 N1: 256 bytes\n", 0), 0u);
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
