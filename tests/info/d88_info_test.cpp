// Black-box tests of d88-info: exact output for the disks castle-extract meets, and its usage.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

#include <string>

#include "archive/packed_images.h"
#include "info/disk_map.h"
#include "info/file_verdict.h"
#include "info/json_report.h"
#include "info/shown_records.h"
#include "info/text_report.h"

#include "tests/support/castle_disk.h"
#include "tests/support/crafted_images.h"
#include "tests/support/random_images.h"
#include "tests/support/run_command.h"
#include "tests/support/scratch_dir.h"

namespace {

const std::string kUsage =
    "Usage: d88-info [--json] [--image N] [--records K] [--entry NAME] FILE\n"
    "       d88-info [--image N] [--entry NAME] --sector TRACK C H R N FILE\n"
    "       d88-info --help | --version\n";

// The map lines of tracks 0 to 78 of a standard disk.
std::string StandardTracks() {
  std::string lines;
  for (int track = 0; track < 79; ++track) {
    lines += "  track " + std::to_string(track) + ": 16 sectors, C" + std::to_string(track / 2) +
             " H" + std::to_string(track % 2) + " N1: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n";
  }
  return lines;
}

class InfoTest : public ::testing::Test {
 protected:
  CommandResult Info(const std::vector<std::string>& args) {
    CommandOptions options;
    options.workDir = m_dir.Path();
    return RunCommand(D88_INFO_PATH, args, options);
  }
  CommandResult InfoOn(const Bytes& file) {
    WriteFileBytes(m_path, file);
    return Info({m_path});
  }

  ScratchDir m_dir;
  const std::string m_path = m_dir.File("disk.d88");
};

TEST_F(InfoTest, MapsAWholeDiskOfEitherTitle) {
  struct Case {
    uint8_t second, third;
    const char* name;
    std::string verdict;
  };
  for (const Case& c : {Case{0xF2, 0xF3, "THE CASTLE", "0xF2 0xF3: The Castle"},
                        Case{0xF3, 0xF2, "EXCELLENT", "0xF3 0xF2: Castle Excellent"}}) {
    D88Builder disk = StandardDisk(0xF1, c.second, c.third);
    disk.SetName(c.name).SetMediaType(0x10);
    const CommandResult result = InfoOn(disk.Build());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "file: " + m_path + "\nimages: 1\nimage 0: name \"" + c.name +
                              "\", media 0x10 (2DD), size 345312 bytes\n" + StandardTracks() +
                              "  track 79: 3 sectors, C39 H1 N1: 241 " + std::to_string(c.second) +
                              " " + std::to_string(c.third) +
                              "\nsignature: track 79 of image 0, sectors 2 and 3 numbered " +
                              c.verdict + "\n");
  }
}

TEST_F(InfoTest, ShowsWhyADiskIsNotRecognised) {
  // Odd IDs and sizes on track 79 are shown; the signature line reads the same as for a match.
  D88Builder disk;
  disk.SetName("N\"AME\x01").SetMediaType(0x77);
  disk.AddSector(79, PatternSector(39, 1, 0xF1, 1, 256));
  disk.AddSector(79, PatternSector(39, 0, 0xF2, 1, 100));
  disk.AddSector(79, PatternSector(39, 1, 0xF2, 30, 16));
  const CommandResult result = InfoOn(disk.Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "file: " + m_path +
                            "\nimages: 1\n"
                            "not a D88 disk image: its media type 0x77 is none of 2D, 2DD, 2HD, "
                            "1D and 1DD\n"
                            "image 0: name \"N\\x22AME\\x01\", media 0x77 (unknown), size 1108 "
                            "bytes\n"
                            "  track 79: 3 sectors, C39 H1 N1: 241 242[C39 H0 N1]=100 "
                            "242[C39 H1 N30]=16\n"
                            "signature: track 79 of image 0, sectors 2 and 3 numbered 0xF2 0xF2: "
                            "neither title\n");

  D88Builder oneSector;
  oneSector.AddSector(79, PatternSector(39, 1, 0xF2, 1, 256));
  EXPECT_EQ(InfoOn(oneSector.Build()).out,
            "file: " + m_path +
                "\nimages: 1\nimage 0: name \"\", media 0x00 (2D), size 960 bytes\n"
                "  track 79: 1 sector, C39 H1 N1: 242\n"
                "signature: track 79 of image 0, sectors 2 and 3 numbered -- --: neither title\n");
}

TEST_F(InfoTest, ListsEveryImageButSignsOnlyTheFirst) {
  D88Builder first;
  first.SetName("FIRST").SetMediaType(0x20).AddSector(0, PatternSector(0, 0, 1, 3, 1024));
  D88Builder second = StandardDisk(1, 0xF2, 0xF3);
  second.SetName("SECOND");
  const CommandResult result = InfoOn(Concat({first.Build(), second.Build(), Bytes{1, 2, 3}}));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "file: " + m_path +
                            "\nimages: 2\n"
                            "image 0: name \"FIRST\", media 0x20 (2HD), size 1728 bytes\n"
                            "  track 0: 1 sector, C0 H0 N3: 1\n"
                            "image 1: name \"SECOND\", media 0x00 (2D), size 345312 bytes\n" +
                            StandardTracks() +
                            "  track 79: 3 sectors, C39 H1 N1: 1 242 243\n"
                            "signature: track 79 of image 0, sectors 2 and 3 numbered -- --: "
                            "neither title\n"
                            "signature: image 1 is \"The Castle\": try castle-extract --image 1\n");
  // One image's tracks, some records of each: the signature is that image's.
  const CommandResult scoped = Info({"--image", "1", "--records", "2", m_path});
  EXPECT_EQ(scoped.exitCode, 0);
  const std::string head = "file: " + m_path +
                           "\nimages: 2\n"
                           "image 0: name \"FIRST\", media 0x20 (2HD), size 1728 bytes\n"
                           "image 1: name \"SECOND\", media 0x00 (2D), size 345312 bytes\n"
                           "  track 0: 2 of 16 sectors, C0 H0 N1: 1 2, and 14 more records not "
                           "listed: --records asks for 2\n";
  EXPECT_EQ(scoped.out.substr(0, head.size()), head);
  const std::string tail =
      "  track 79: 2 of 3 sectors, C39 H1 N1: 1 242, and 1 more record not listed: --records "
      "asks for 2\n"
      "signature: track 79 of image 1, sectors 2 and 3 numbered 0xF2 0xF3: The Castle\n";
  EXPECT_EQ(scoped.out.substr(scoped.out.size() - tail.size()), tail);
  const CommandResult first0 = Info({"--image", "0", m_path});
  EXPECT_NE(first0.out.find("image 0: name \"FIRST\", media 0x20 (2HD), size 1728 bytes\n"
                            "  track 0: 1 sector, C0 H0 N3: 1\n"
                            "image 1: name \"SECOND\", media 0x00 (2D), size 345312 bytes\n"
                            "signature: track 79 of image 0"),
            std::string::npos)
      << first0.out;
  // A set of both titles: the other image is named though the first is a game disk too.
  const std::string both = InfoOn(Concat({TheCastleDisk().Build(), ExcellentDisk().Build()})).out;
  EXPECT_EQ(both.substr(both.rfind("\nsignature: track 79") + 1),
            "signature: track 79 of image 0, sectors 2 and 3 numbered 0xF2 0xF3: The Castle\n"
            "signature: image 1 is \"Castle Excellent\": try castle-extract --image 1\n");
}

TEST_F(InfoTest, DumpsOneSector) {
  D88Builder disk;
  SectorRecord sector = PatternSector(5, 1, 9, 0, 20);
  for (int i = 0; i < 20; ++i) {
    sector.data[static_cast<size_t>(i)] = static_cast<uint8_t>(i < 10 ? 'A' + i : i);
  }
  disk.AddSector(11, sector);
  WriteFileBytes(m_path, disk.Build());
  const CommandResult result = Info({"--sector", "11", "5", "1", "0x9", "0", m_path});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "track 11, sector C5 H1 R9 N0: 20 bytes\n"
            "00000000  41 42 43 44 45 46 47 48  49 4a 0a 0b 0c 0d 0e 0f  |ABCDEFGHIJ......|\n"
            "00000010  10 11 12 13                                       |....|\n");

  const CommandResult missing = Info({"--sector", "11", "5", "1", "10", "0", m_path});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "d88-info: track 11 of image 0 has no sector C5 H1 R10 N0 with data\n");

  // Of another image of the file.
  D88Builder second;
  second.AddSector(11, PatternSector(5, 1, 10, 0, 4));
  WriteFileBytes(m_path, Concat({disk.Build(), second.Build()}));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out, err;
  };
  const Case cases[] = {
      {{"--image", "1", "--sector", "11", "5", "1", "10", "0", m_path},
       0,
       "track 11, sector C5 H1 R10 N0: 4 bytes\n",
       ""},
      {{"--sector", "11", "5", "1", "9", "0", "--image=1", m_path},
       1,
       "",
       "d88-info: track 11 of image 1 has no sector C5 H1 R9 N0 with data\n"},
      {{"--image", "2", "--sector", "11", "5", "1", "9", "0", m_path},
       1,
       "",
       "d88-info: " + m_path + " holds 2 images; there is no image 2\n"},
      {{"--image", "64", "--sector", "11", "5", "1", "9", "0", m_path},
       2,
       "",
       "d88-info: not an image number from 0 to 63: 64\n" + kUsage},
  };
  for (const Case& c : cases) {
    const CommandResult run = Info(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(run.err, c.err);
  }
}

TEST_F(InfoTest, UnreadableFileIsNamedWithTheReason) {
  const CommandResult result = Info({m_dir.File("missing.d88")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "d88-info: cannot open " + m_dir.File("missing.d88") + ": No such file or directory\n");
}

TEST_F(InfoTest, HostileImagesEnd) {
  // Every track points into the header, counts never match, sizes run past the end.
  D88Builder disk;
  for (int track = 0; track < 164; ++track) {
    disk.SetTrackOffsetField(track, static_cast<uint32_t>(track % 7 + 1));
  }
  SectorRecord sector = PatternSector(0xFF, 0xFF, 0xFF, 0xFF, 8);
  sector.countField = 0;
  sector.dataSizeField = 0xFFFF;
  disk.AddSector(0, sector);
  disk.SetDiskSizeField(0);
  const CommandResult result = InfoOn(disk.Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.signal, 0);
  EXPECT_NE(result.out.find("images: 64\n"), std::string::npos);
  EXPECT_EQ(result.err, "");
}

TEST_F(InfoTest, UsageErrorsHelpAndVersion) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{},
        {"--bogus"},
        {"a", "b"},
        {"--json"},
        {"--json", "--sector", "a"},
        {"--sector", "1", "2"},
        {"--image", "1", "--image=2", "f"},
        {"--records", "x", "f"},
        {"--records=65537", "f"},
        {"--records", "5", "--sector", "0", "0", "0", "1", "1", "f"},
        {"--image", "x", "--sector", "0", "0", "0", "1", "1", "f"},
        {"--sector", "164", "0", "0", "1", "1", "f"},
        {"--sector", "0", "0", "0", "x", "1", "f"}}) {
    const CommandResult result = Info(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(kUsage), std::string::npos) << result.err;
  }
  const CommandResult help = Info({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind(kUsage, 0), 0u);
  const CommandResult version = Info({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "d88-info " D88_VERSION "\n");
}

TEST_F(InfoTest, FormatVariantsShowAsACarefulLoaderReadsThem) {
  D88Builder shortTable;  // 160 entries; entry 161 would read as offset 1 from the first record
  shortTable.SetTrackTableEntries(160).AddSector(0, PatternSector(0, 0, 1, 1, 256));
  D88Builder sizeZero;
  sizeZero.SetName("LOOP").AddSector(0, PatternSector(0, 0, 1, 1, 256)).SetDiskSizeField(0);
  SectorRecord saysNone = PatternSector(2, 1, 1, 1, 256);
  saysNone.countField = 0;
  D88Builder countZero;  // the next records would be taken for the track's
  countZero.AddSector(5, saysNone).AddSector(5, PatternSector(2, 1, 2, 1, 256));
  D88Builder duplicates;  // same ID, different sizes
  duplicates.AddSector(3, PatternSector(1, 1, 2, 1, 128))
      .AddSector(3, PatternSector(1, 1, 2, 1, 256));
  const std::string neither =
      "signature: track 79 of image 0, sectors 2 and 3 numbered -- --: "
      "neither title\n";
  struct Case {
    const D88Builder& disk;
    std::string map;  // the output between the file line and the signature line
  };
  const Case cases[] = {
      {shortTable,
       "images: 1\nimage 0: name \"\", media 0x00 (2D), size 944 bytes\n"
       "  track 0: 1 sector, C0 H0 N1: 1\n"},
      {sizeZero,
       "images: 64\nnot a D88 disk image: its size field says 0 bytes, less than the 688 of a "
       "header\nimage 0: name \"LOOP\", media 0x00 (2D), size 0 bytes\n"
       "images 1 to 63: image 0 again: its size field is 0, which gives no start for a "
       "next image and leaves no track readable\n"},
      {countZero,
       "images: 1\nimage 0: name \"\", media 0x00 (2D), size 1232 bytes\n"
       "  track 5: 1 sector, C2 H1 N1: 1 (its sector count is 0)\n"},
      {duplicates,
       "images: 1\nimage 0: name \"\", media 0x00 (2D), size 1104 bytes\n"
       "  track 3: 2 sectors, C1 H1 N1: 2=128 2\n"},
  };
  for (const Case& c : cases) {
    const CommandResult result = InfoOn(c.disk.Build());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "file: " + m_path + "\n" + c.map + neither);
  }
}

TEST_F(InfoTest, MediaNamesEscapesAndSectorLimits) {
  struct Case {
    uint8_t media;
    std::string name;  // as written, then as shown
    std::string shown;
  };
  for (const Case& c :
       {Case{0x00, "A", "media 0x00 (2D)"}, Case{0x10, "A", "media 0x10 (2DD)"},
        Case{0x20, "A", "media 0x20 (2HD)"}, Case{0x30, "A", "media 0x30 (1D)"},
        Case{0x40, "A", "media 0x40 (1DD)"}, Case{0x31, "A", "media 0x31 (unknown)"},
        Case{0x00, "A\x7F~", "name \"A\\x7f~\""}}) {
    D88Builder disk;
    disk.SetName(c.name).SetMediaType(c.media);
    EXPECT_NE(InfoOn(disk.Build()).out.find(c.shown), std::string::npos) << c.shown;
  }

  D88Builder edge;
  edge.AddSector(163, PatternSector(255, 255, 255, 0, 4));
  WriteFileBytes(m_path, edge.Build());
  const std::string outOfRange = "d88-info: not a number from 0 to 255: 256\n" + kUsage;
  struct Run {
    std::vector<std::string> args;
    int exitCode;
    std::string out, err;
  };
  const Run runs[] = {
      {{"--sector", "163", "255", "0xff", "255", "0", m_path},
       0,
       "track 163, sector C255 H255 R255 N0: 4 bytes\n",
       ""},
      {{"--sector", "163", "255", "256", "255", "0", m_path}, 2, "", outOfRange},
      {{"--sector", "163", "255", "255", "254", "0", m_path},
       1,
       "",
       "d88-info: track 163 of image 0 has no sector C255 H255 R254 N0 with data\n"},
      {{"--", m_path}, 0, Info({m_path}).out, ""},
  };
  for (const Run& run : runs) {
    const CommandResult result = Info(run.args);
    EXPECT_EQ(result.exitCode, run.exitCode) << run.args[2];
    EXPECT_EQ(result.out.substr(0, run.out.size()), run.out);
    EXPECT_EQ(result.err, run.err);
  }
}

// Runs jq on the JSON that d88-info printed and returns jq's compact output: it must parse.
class JsonTest : public InfoTest {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "jq is run on POSIX systems; the JSON is made by the same code everywhere";
#endif
  }
  std::string Query(const Bytes& file, const std::string& filter,
                    const std::vector<std::string>& options = {}) {
    const CommandResult result = InfoOnJson(file, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string json = m_dir.File("out.json");
    WriteFileBytes(json, Bytes(result.out.begin(), result.out.end()));
    std::FILE* jq = popen(("jq -c '" + filter + "' " + json + " 2>&1").c_str(), "r");
    std::string answer;
    char chunk[4096];
    size_t got;
    while (jq != nullptr && (got = std::fread(chunk, 1, sizeof chunk, jq)) > 0) {
      answer.append(chunk, got);
    }
    EXPECT_TRUE(jq != nullptr && pclose(jq) == 0) << answer;
    return answer;
  }
  CommandResult InfoOnJson(const Bytes& file, const std::vector<std::string>& options = {}) {
    WriteFileBytes(m_path, file);
    std::vector<std::string> words = {"--json"};
    words.insert(words.end(), options.begin(), options.end());
    words.push_back(m_path);
    return Info(words);
  }
};

TEST_F(JsonTest, CarriesTheMapAndTheRunsOfEitherTitle) {
  const std::string map =
      "[.image_count, (.images[0].tracks | length), .images[0].tracks[79].track, "
      "(.images[0].tracks[79].sectors | map(.r)), .images[0].tracks[0].sectors[0]]";
  EXPECT_EQ(Query(TheCastleDisk().Build(), map),
            "[1,80,79,[241,242,243],{\"c\":0,\"h\":0,\"r\":1,\"n\":1,\"size\":256,"
            "\"count\":16,\"density\":0,\"deleted\":0,\"status\":0}]\n");
  const std::string runs =
      "[.signature.title, (.signature.files | map([.name, .length, .complemented, "
      "(.sectors | length)])), .signature.files[1].sectors[1]]";
  EXPECT_EQ(Query(TheCastleDisk().Build(), runs),
            "[\"The Castle\",[[\"PROG1\",2304,true,9],[\"PROG2\",2076,true,9],"
            "[\"MUSIC\",1540,true,7],[\"VOICE\",1536,false,6]],"
            "{\"track\":61,\"c\":30,\"h\":1,\"r\":1,\"n\":1,\"read\":256}]\n");
  EXPECT_EQ(Query(ExcellentDisk().Build(), runs),
            "[\"Castle Excellent\",[[\"PROG1\",2304,false,9],[\"PROG2\",1795,false,8],"
            "[\"MUSIC\",1540,false,7],[\"VOICE\",1536,false,6]],"
            "{\"track\":61,\"c\":30,\"h\":1,\"r\":1,\"n\":1,\"read\":256}]\n");
}

// --image lists one image's tracks and checks its signature; --records cuts every track alike
// and lets the next be listed; "read" is what each sector of a run gives.
TEST_F(JsonTest, ListsOneImageAndSomeRecordsOfEachTrack) {
  const D88Builder damaged = TheCastleDisk().Edited([](int track, SectorRecord& sector) {
    if (track == 61 && sector.r == 2) {
      sector.data.resize(100);  // short
    }
    return !(track == 61 && sector.r == 3);  // gone
  });
  const Bytes file =
      Concat({StandardDisk(1, 2, 3).Build(), damaged.Build(), ExcellentDisk().Build()});
  const std::string filter =
      "[(.images | map(has(\"tracks\"))), .signature.image, .signature.title, "
      ".signature.other_images, (.images[1].tracks | length), "
      "(.images[1].tracks[0,79] | [.records, (.sectors | length), .not_listed]), "
      "(.signature.files[1].sectors[1:4] // [] | map(.read))]";
  for (const auto& [options, expected] :
       std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--image", "1", "--records", "5"},
            "[[false,true,false],1,\"The Castle\",[{\"image\":2,\"title\":\"Castle Excellent\"}],"
            "80,[5,5,11],[3,3,null],[256,100,0]]\n"},
           {{"--image=1", "--records=0"},
            "[[false,true,false],1,\"The Castle\",[{\"image\":2,\"title\":\"Castle Excellent\"}],"
            "80,[0,0,16],[0,0,3],[256,100,0]]\n"},
           {{"--records", "65536"},
            "[[true,true,true],0,null,[{\"image\":1,\"title\":\"The Castle\"},"
            "{\"image\":2,\"title\":\"Castle Excellent\"}],80,[16,16,null],[3,3,null],[]]\n"}}) {
    EXPECT_EQ(Query(file, filter, options), expected) << options[0];
  }
  const CommandResult missing = Info({"--json", "--image", "3", m_path});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "d88-info: " + m_path + " holds 3 images; there is no image 3\n");
}

TEST_F(JsonTest, EscapesNamesAndCarriesEveryImageAndMark) {
  D88Builder first;
  SectorRecord marked = PatternSector(0, 0, 1, 1, 100);
  marked.deleted = 0x10;
  marked.status = 0xB0;
  first.SetName("N\"A\\\x01\x7F\xE9").SetMediaType(0x20).AddSector(0, marked);
  D88Builder loop = StandardDisk(1, 2, 3);
  loop.SetDiskSizeField(0);
  EXPECT_EQ(Query(Concat({first.Build(), loop.Build()}),
                  "[.image_count, (.images | map([.index, (.name | explode), .media, .repeats])), "
                  "(.images[0].tracks[0].sectors[0] | [.size, .deleted, .status]), "
                  ".signature.numbers, .signature.title]"),
            "[64,[[0,[78,34,65,92,1,127,233],\"2HD\",0],[1,[68,69,77,79,32,68,73,83,75],"
            "\"2D\",62]],[100,16,176],[null,null],null]\n");

  D88Builder hostile;  // every track points into the header, and counts never match
  for (int track = 0; track < 164; ++track) {
    hostile.SetTrackOffsetField(track, static_cast<uint32_t>(track % 7 + 1));
  }
  EXPECT_EQ(Query(hostile.Build(), "[.image_count, (.images[0].tracks | length)]"), "[1,164]\n");
}

TEST_F(JsonTest, ACopyWithoutItsSignatureIsToldHowToBeCut) {
  // Without track 79, both titles' runs are whole; without sector 8 of track 61 as well, three
  // files of "The Castle", and all of "Castle Excellent", whose PROG2 ends in sector 7. A disk
  // that has its track 79, whatever it holds, is told nothing: its signature decides.
  D88Builder noSignature = TheCastleDisk();
  noSignature.SetTrackOffsetField(79, 0);
  const D88Builder shorter = noSignature.Edited(
      [](int track, SectorRecord& sector) { return track != 61 || sector.r != 8; });
  const std::string both =
      "signature: none; the runs of \"The Castle\" and \"Castle Excellent\" "
      "are present: try castle-extract --title castle or --title excellent\n";
  const std::string excellent =
      "signature: none; the runs of \"The Castle\" (3 of its 4 files) and \"Castle Excellent\" "
      "are present: try castle-extract --title castle or --title excellent\n";
  struct Case {
    Bytes disk;
    std::string line;  // after the signature line; "" for none
    std::string json;
  };
  const Case cases[] = {
      {noSignature.Build(), both, "[\"castle\",\"excellent\"]"},
      {shorter.Build(), excellent, "[\"castle\",\"excellent\"]"},
      {TheCastleDisk().Build(), "", "[]"},   // recognised
      {StandardDisk(1, 2, 3).Build(), "", "[]"},  // a whole disk of neither title
      {StandardDisk(1, 2, 3).Edited([](int track, SectorRecord&) { return track != 0; }).Build(),
       "", "[]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string out = InfoOn(c.disk).out;
    const std::string last = out.substr(out.rfind("\nsignature: track 79") + 1);
    EXPECT_EQ(last.substr(last.find('\n') + 1), c.line);
    EXPECT_EQ(Query(c.disk, ".signature.runs_present | map(.option)"), c.json + "\n");
  }
  EXPECT_EQ(Query(shorter.Build(), ".signature.runs_present | map(.files_whole)"), "[3,4]\n");
}

TEST_F(JsonTest, NamesAsShiftJisTextAndPathsAsUtf8) {
  struct Name {
    std::string bytes;
    std::string shown;     // in the text report
    std::string nameText;  // name_text, as jq prints it
  };
  const Name names[] = {
      {"\x8F\xE9\x83\x66\x83\x42\x83\x58\x83\x4E\xB6\xC0", u8"城ディスクｶﾀ", u8"\"城ディスクｶﾀ\""},
      {"\xE0\x40\xEA\xA4 DISK", u8"漾熙 DISK", u8"\"漾熙 DISK\""},
      {"A\"B\\", "A\\x22B\\x5c", "\"A\\\"B\\\\\""},
      {"\x8F\x7F", "\\x8f\\x7f", "null"},  // a trail byte out of range
      {"AB\x8F", "AB\\x8f", "null"},       // a lead byte at the end
      {"\x81\x40\x01", "\\x81@\\x01", "null"},
  };
  for (const Name& name : names) {
    SCOPED_TRACE(name.shown);
    D88Builder disk;
    disk.SetName(name.bytes);
    WriteFileBytes(m_path, disk.Build());
    EXPECT_NE(Info({m_path}).out.find("image 0: name \"" + name.shown + "\", "), std::string::npos);
    EXPECT_EQ(Query(disk.Build(), ".images[0].name_text"), name.nameText + "\n");
  }

  // Paths: valid UTF-8 of 2, 3 and 4 bytes as it is; a bad continuation byte and an overlong
  // E0 sequence byte by byte.
  struct Path {
    std::string name, json;
  };
  for (const Path& path : {Path{u8"é城🏰.d88", u8"é城🏰.d88"}, Path{"\xC3\x28.d88", "\\u00c3(.d88"},
                           Path{"\xE0\x80\x80.d88", "\\u00e0\\u0080\\u0080.d88"}}) {
    SCOPED_TRACE(path.json);
    WriteFileBytes(m_dir.File(path.name), ExcellentDisk().Build());
    const std::string json = Info({"--json", path.name}).out;
    EXPECT_EQ(json.substr(0, path.json.size() + 10), "{\"file\":\"" + path.json + "\"");
  }
}

TEST_F(InfoTest, InputAndOutputAsUsersMeetThem) {
  const Bytes disk = ExcellentDisk().Build();
  WriteFileBytes(m_path, disk);
  const std::string map = Info({m_path}).out;
  const std::string mapOf = map.substr(map.find('\n'));  // all but the file line
  const std::string full = "d88-info: cannot write standard output: No space left on device\n";
  struct Case {
    std::vector<std::string> args;
    std::string stdoutPath;  // "-" closes standard output
    int inputFd;
    int exitCode;
    std::string out, err;
  };
  std::vector<Case> cases = {
      {{m_dir.Path()},
       "",
       -1,
       1,
       "",
       "d88-info: cannot open " + m_dir.Path() + ": Is a directory\n"},
      {{"--sector", "010", "5", "0", "1", "1", m_path},
       "",
       -1,
       0,
       "track 10, sector C5 H0 R1 N1",
       ""},
  };
#ifndef _WIN32  // pipes as input, a full device and a closed descriptor are POSIX's
  cases.insert(cases.end(), {{{"/dev/stdin"}, "", 0, 0, "file: /dev/stdin" + mapOf, ""},
                             {{"/dev/fd/63"}, "", 63, 0, "file: /dev/fd/63" + mapOf, ""},
                             {{m_path}, "/dev/full", -1, 1, "", full},
                             {{"--help"}, "/dev/full", -1, 1, "", full},
                             {{m_path},
                              "-",
                              -1,
                              1,
                              "",
                              "d88-info: cannot write standard output: Bad file descriptor\n"}});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " > " + c.stdoutPath);
    CommandOptions options;
    options.workDir = m_dir.Path();
    options.input = std::string(disk.begin(), disk.end());
    options.inputFd = c.inputFd;
    options.stdoutPath = c.stdoutPath == "-" ? "" : c.stdoutPath;
    options.closeStdout = c.stdoutPath == "-";
    const CommandResult result = RunCommand(D88_INFO_PATH, c.args, options);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(result.err, c.err);
  }
  for (const char* notDecimalOrHex : {"-1", "+1", " 1", "0x", "1e1", "0b1"}) {
    EXPECT_EQ(Info({"--sector", notDecimalOrHex, "0", "0", "1", "1", m_path}).exitCode, 2)
        << notDecimalOrHex;
  }
}

TEST_F(InfoTest, SaysWhenAFileHoldsMoreImagesThanAreIndexed) {
  // 64 images that end exactly at the file's end, then a tail too short for a header, then a
  // whole 65th image.
  D88Builder small;
  small.AddSector(0, PatternSector(0, 0, 1, 1, 16));
  const Bytes image = small.Build();
  Bytes file;
  for (int i = 0; i < 64; ++i) {
    file = Concat({file, image});
  }
  const std::string more = "images: 64 (the file holds more; only the first 64 are indexed)\n";
  struct Case {
    Bytes tail;
    bool said;
  };
  for (const Case& c : {Case{{}, false}, Case{Bytes(687, 0), false}, Case{image, true}}) {
    SCOPED_TRACE(c.tail.size());
    WriteFileBytes(m_path, Concat({file, c.tail}));
    EXPECT_EQ(Info({m_path}).out.find(more) != std::string::npos, c.said);
    const std::string json = Info({"--json", m_path}).out;
    EXPECT_NE(
        json.find(c.said
                      ? ",\"more_images\":true,\"stopped_at\":" + std::to_string(file.size()) + ","
                      : ",\"more_images\":false,"),
        std::string::npos);
  }
}

// The same 64 headers, but in six of every seven images each track points at another record
// of the first image's listing, so that no two tracks in a row say the same.
Bytes ScatteredJoins() {
  Bytes file;
  for (int image = 0; image < 64; ++image) {
    D88Builder header;
    header.SetName(image % 2 == 0 ? "\x01\x01\x01\x01\x01\x01\x01\x01" : "\x81\x40\x81\x40");
    for (int track = 0; track < 164; ++track) {
      const int slot = 1 + track * 7 % 42;
      header.SetTrackOffsetField(track, image % 7 == 0 ? kHeaderSize : 16 * slot);
    }
    file = Concat({file, header.Build()});
  }
  return file;
}

TEST_F(InfoTest, OutputStaysInProportionToTheFile) {
  // Whatever a file is made of, the text is at most 16 bytes per byte of it plus 16 KB, and the
  // JSON 32 bytes per byte plus 64 KB.
  D88Builder sameRecords;  // every track of 64 images over the same 256 records of no data
  for (int r = 0; r < 256; ++r) {
    SectorRecord record = PatternSector(0, 0, static_cast<uint8_t>(r), 0, 0);
    record.countField = 0xFFFF;
    sameRecords.AddSector(0, record);
  }
  for (int track = 1; track < 164; ++track) {
    sameRecords.SetTrackOffsetField(track, static_cast<uint32_t>(sameRecords.TrackStart(0)));
  }
  Bytes sameRecordsFile;
  for (int i = 0; i < 64; ++i) {
    sameRecordsFile = Concat({sameRecordsFile, sameRecords.Build()});
  }
  struct Case {
    const char* what;
    Bytes file;
  };
  for (const Case& c :
       {Case{"chained headers", ChainedHeaders()}, Case{"scattered joins", ScatteredJoins()},
        Case{"same records", sameRecordsFile}}) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(m_path, c.file);
    const CommandResult text = Info({m_path});
    const CommandResult json = Info({"--json", m_path});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_LE(text.out.size(), 16 * c.file.size() + 16384);
    EXPECT_LE(json.out.size(), 32 * c.file.size() + 65536);
    EXPECT_NE(text.out.find("image 63: "), std::string::npos);
  }
}

TEST_F(InfoTest, EachRecordIsListedOnceAndEachWalkWhole) {
  // Track 10 has four records, then a fifth (R9) that its count leaves out; other tracks point
  // at them from the start, part-way, and inside a header; track 2 lists track 31's records
  // first, so tracks 30 and 31 meet them.
  D88Builder disk;
  for (uint8_t r : {1, 2, 3, 4, 9}) {
    SectorRecord sector = PatternSector(5, 0, r, 1, 256);
    sector.countField = 4;
    disk.AddSector(10, sector);
  }
  SectorRecord x = PatternSector(15, 0, 1, 1, 256);
  x.countField = 3;
  disk.AddSector(30, x);
  for (uint8_t r = 1; r <= 2; ++r) {
    SectorRecord y = PatternSector(15, 1, r, 1, 256);
    y.countField = 3;
    disk.AddSector(31, y);
  }
  const auto start = static_cast<uint32_t>(disk.TrackStart(10));
  const uint32_t third = start + 2 * (kSectorHeaderSize + 256);
  for (const auto& [track, offset] : std::initializer_list<std::pair<int, uint32_t>>{
           {11, third}, {12, start}, {13, start + 8}, {14, third}, {15, third}}) {
    disk.SetTrackOffsetField(track, offset);
  }
  disk.SetTrackOffsetField(2, static_cast<uint32_t>(disk.TrackStart(31)));
  const Bytes file = disk.Build();
  EXPECT_EQ(InfoOn(file).out,
            "file: " + m_path + "\nimages: 1\nimage 0: name \"\", media 0x00 (2D), size " +
                std::to_string(file.size()) +
                " bytes\n"
                "  track 2: 2 sectors (each says 3), C15 H1 N1: 1 2\n"
                "  track 10: 4 sectors, C5 H0 N1: 1 2 3 4\n"
                "  track 11: 3 sectors (each says 4), C5 H0 N1: same records as track 10 from its "
                "3rd, then 9\n"
                "  track 12: same records as track 10\n"
                "  track 13: 1 sector, C0 H0 N0: 0=2152 (its sector count is 0)\n"
                "  tracks 14 to 15: same records as track 10 from its 3rd, then same records as "
                "track 11\n"
                "  track 30: 3 sectors, C15 H0 N1: 1, then same records as track 2\n"
                "  track 31: same records as track 2\n"
                "signature: track 79 of image 0, sectors 2 and 3 numbered -- --: "
                "neither title\n");
  // The walks in JSON: how many records each holds, and in which order.
  const std::string json = Info({"--json", m_path}).out;
  for (const char* entry :
       {"{\"track\":11,\"records\":3,\"sectors\":[{\"c\":5,\"h\":0,\"r\":9,",
        ",\"walk\":[{\"image\":0,\"track\":10,\"record\":2,\"records\":2},{\"sectors\":1}],"
        "\"same_as\":{\"image\":0,\"track\":10,\"record\":2}}",
        "{\"track\":12,\"records\":4,\"sectors\":[],\"same_as\":{\"image\":0,\"track\":10}}"}) {
    EXPECT_NE(json.find(entry), std::string::npos) << entry;
  }

  // An image after the first meets the first image's records: it names the image, and whole
  // tracks of one image after another are said in one go.
  const std::string chained = InfoOn(ChainedHeaders()).out;
  for (const char* line :
       {"  tracks 1 to 163: same records as track 0\nimage 1: ",
        "\n  tracks 1 to 163: same records as track 0 of image 0 from its 44th, then same records "
        "as track 0\n",
        "\n  tracks 1 to 163: same records as track 0 of image 0 from its 216th, then same "
        "records as track 0 of images 1 to 5\nimage 6: "}) {
    EXPECT_NE(chained.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(chained.find("not listed"), std::string::npos);
}

TEST_F(InfoTest, DamagedRecordsHideNothingAndBrokenCountsMakeNoGiantTrack) {
  // One damaged byte: the first sector's data size says 356, so track 0's walk reads garbage
  // whose claimed data runs over the records of other tracks, which are listed all the same.
  const D88Builder damaged = TheCastleDisk().Edited([](int track, SectorRecord& sector) {
    sector.dataSizeField = track == 0 && sector.r == 1 ? 356 : -1;
    return true;
  });
  // A converter that writes 4096 as every record's sector count: each track still ends where
  // the next one begins, and says what its count field says.
  const D88Builder converted = TheCastleDisk().Edited([](int, SectorRecord& sector) {
    sector.countField = 0x1000;
    return true;
  });
  std::string convertedTracks = StandardTracks();
  for (size_t at = 0; (at = convertedTracks.find(" sectors, ", at)) != std::string::npos;) {
    convertedTracks.replace(at, 10, " sectors (each says 4096), ");
    at += 10;
  }
  struct Case {
    const char* what;
    const D88Builder& disk;
    std::string map;  // after the image line, up to the signature
  };
  const Case cases[] = {
      {"damaged", damaged, ""},
      {"converted", converted,
       convertedTracks + "  track 79: 3 sectors (each says 4096), C39 H1 N1: 241 242 243\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string out = InfoOn(c.disk.Build()).out;
    const size_t from = out.find('\n', out.find("image 0: ")) + 1;
    const std::string map = out.substr(from, out.find("signature: ") - from);
    if (!c.map.empty()) {
      EXPECT_EQ(map, c.map);
      continue;
    }
    const std::string tracks = StandardTracks();
    for (int track = 1; track < 79; ++track) {
      const std::string line = "  track " + std::to_string(track) + ": 16 sectors, C" +
                               std::to_string(track / 2) + " H" + std::to_string(track % 2) +
                               " N1: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n";
      EXPECT_NE(map.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(map.rfind("  track 0: ", 0), 0u);
    EXPECT_EQ(map.find("same records"), std::string::npos);
  }
}

// Track 1 points at track 4's first record and lists a run of five records that agree on a count
// of 5: track 4's three and the first two of track 6, whose third says 7. Tracks 3, 4 and 5 then
// meet that run: after records of their own, from its start, and part-way.
D88Builder WalksIntoARun() {
  D88Builder disk;
  const auto add = [&disk](int track, uint8_t c, uint8_t r, int count) {
    SectorRecord sector = PatternSector(c, 0, r, 1, 256);
    sector.countField = count;
    disk.AddSector(track, sector);
  };
  add(3, 1, 1, 5);
  add(3, 1, 2, 5);
  for (uint8_t r = 1; r <= 3; ++r) {
    add(4, 2, r, 5);
  }
  add(6, 3, 1, 5);
  add(6, 3, 2, 5);
  add(6, 3, 3, 7);
  disk.SetTrackOffsetField(1, static_cast<uint32_t>(disk.TrackStart(4)));
  disk.SetTrackOffsetField(5, static_cast<uint32_t>(disk.TrackStart(4) + kSectorHeaderSize + 256));
  return disk;
}

TEST_F(InfoTest, WalksThatMeetARunListedBeforeEndWhereTheirOwnCountsSay) {
  const std::string out = InfoOn(WalksIntoARun().Build()).out;
  const size_t from = out.find('\n', out.find("image 0: ")) + 1;
  EXPECT_EQ(out.substr(from, out.find("signature: ") - from),
            "  track 1: 5 sectors, C2 H0 N1: 1 2 3 1[C3 H0 N1] 2[C3 H0 N1]\n"
            "  track 3: 5 sectors, C1 H0 N1: 1 2, then same records as track 1, 3 records\n"
            "  track 4: same records as track 1\n"
            "  track 5: same records as track 1 from its 2nd, 2 records\n"
            "  track 6: 3 sectors (their counts differ), C3 H0 N1: same records as track 1 from "
            "its 4th, then 3\n");
}

TEST_F(InfoTest, AGroupedLineNamesPresentTracksOnly) {
  D88Builder disk;
  disk.AddSector(0, PatternSector(0, 0, 1, 1, 256));
  for (const int track : {5, 7, 8}) {
    disk.SetTrackOffsetField(track, static_cast<uint32_t>(disk.TrackStart(0)));
  }
  const std::string out = InfoOn(disk.Build()).out;
  EXPECT_NE(out.find("  track 0: 1 sector, C0 H0 N1: 1\n"
                     "  track 5: same records as track 0\n"
                     "  tracks 7 to 8: same records as track 0\nsignature: "),
            std::string::npos)
      << out;
}

TEST_F(InfoTest, SaysWhenAFileIsNoD88Image) {
  std::string prose;
  while (prose.size() < 3000) {
    prose += "This is a plain text file, such as a README that came with a disk image. ";
  }
  Bytes storedZip = {'P', 'K', 3, 4, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // a D88 stored in a ZIP
  storedZip.resize(26, 0);
  storedZip.insert(storedZip.end(), {8, 0, 0, 0, 'd', 'i', 's', 'k', '.', 'd', '8', '8'});
  storedZip = Concat({storedZip, TheCastleDisk().Build()});
  struct Case {
    Bytes file;
    std::string reason;  // "" for any
    std::string format = "null";
  };
  const Case cases[] = {
      {Concat({{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, PatternBytes(2000, 1)}),
       "it is a PNG image", "\"png\""},
      {storedZip, "it is a ZIP archive; unpack the D88 file from it first", "\"zip\""},
      {Concat({{0xFF, 0xD8, 0xFF, 0xE0}, PatternBytes(5000, 2)}), "it is a JPEG image", "\"jpeg\""},
      {Concat({{0x1F, 0x8B, 8, 0}, PatternBytes(900, 3)}),
       "it is gzip-compressed; unpack the D88 file from it first", "\"gzip\""},
      {Concat({{'7', 'z', 0xBC, 0xAF, 0x27, 0x1C}, PatternBytes(900, 4)}),
       "it is a 7z archive; unpack the D88 file from it first", "\"7z\""},
      {Concat({{'R', 'a', 'r', '!', 0x1A, 7, 0}, PatternBytes(900, 5)}),
       "it is a RAR archive; unpack the D88 file from it first", "\"rar\""},
      {Concat({{0x24, 0x4B, '-', 'l', 'h', '5', '-'}, PatternBytes(900, 6)}),
       "it is an LZH archive; unpack the D88 file from it first", "\"lzh\""},
      {Concat({{'%', 'P', 'D', 'F', '-', '1', '.', '4'}, PatternBytes(900, 7)}),
       "it is a PDF document", "\"pdf\""},
      {PatternBytes(1 << 20, 8), ""},
      {Bytes(prose.begin(), prose.end()), ""},
      {{}, "it is empty"},
      {Bytes(100, 'x'), "it is 100 bytes long, shorter than the 688 bytes of a D88 header"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason + " " + std::to_string(c.file.size()));
    const CommandResult result = InfoOn(c.file);
    // Where archives are opened, one that cannot be read says so: as damaged where its own
    // checks fail (a ZIP without its directory, gzip data that does not decode).
    const size_t unpack = c.reason.find("; unpack the D88 file from it first");
    if (OpensArchives() && unpack != std::string::npos) {
      EXPECT_EQ(result.exitCode, 1);
      EXPECT_EQ(result.out, "");
      const std::string cannot =
          "d88-info: " + m_path + " cannot be read as " + c.reason.substr(6, unpack - 6) + " (";
      const std::string damaged = "d88-info: " + m_path + " is damaged (";
      EXPECT_TRUE(result.err.rfind(cannot, 0) == 0 || result.err.rfind(damaged, 0) == 0)
          << result.err;
      continue;
    }
    const std::string out = result.out;
    const std::string line = "not a D88 disk image: " + c.reason;
    const size_t after = out.find('\n', out.find("\nimages: ") + 1) + 1;
    EXPECT_EQ(out.substr(after, line.size()), line);
    const std::string json = Info({"--json", m_path}).out;
    EXPECT_NE(json.find(",\"d88\":false,\"reason\":\"" + c.reason), std::string::npos);
    EXPECT_NE(json.find(",\"format\":" + c.format + ","), std::string::npos) << c.format;
  }

  // Never for the images found in the wild, damaged ones included.
  D88Builder blank;  // a header and no track: an unformatted disk
  D88Builder shortTable;
  shortTable.SetTrackTableEntries(160).AddSector(0, PatternSector(0, 0, 1, 1, 256));
  const Bytes castle = TheCastleDisk().Build();
  const Bytes truncated(castle.begin(), castle.begin() + 20000);
  D88Builder odd = StandardDisk(1, 2, 3).Edited([](int track, SectorRecord& sector) {
    sector.countField = track == 5 ? 0 : -1;
    sector.dataSizeField = track == 6 ? 100 : -1;
    sector.status = track == 7 ? 0xB0 : 0;
    return track != 8;
  });
  for (const uint8_t media : {0x00, 0x10, 0x20, 0x30, 0x40}) {
    odd.SetMediaType(media);
    for (const Bytes& file : {castle, ExcellentDisk().Build(), blank.Build(), shortTable.Build(),
                              truncated, odd.Build(), Concat({castle, blank.Build(), {1, 2}})}) {
      WriteFileBytes(m_path, file);
      EXPECT_EQ(Info({m_path}).out.find("not a D88"), std::string::npos) << file.size();
      EXPECT_NE(Info({"--json", m_path}).out.find(",\"d88\":true,\"reason\":null,"),
                std::string::npos);
    }
  }
}

// A seek to a 64-bit offset, wherever long is 32 bits.
bool SeekTo(std::FILE* file, int64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

TEST_F(InfoTest, SaysWhenImagesPastTwoGigabytesAreNotListed) {
  // 70 images of 64 MiB in a sparse file of 4.4 GiB: the index ends at the 32nd.
  constexpr int64_t kImageSize = int64_t{64} << 20;
  std::FILE* file = OpenTestFile(m_path, "wb");
  ASSERT_NE(file, nullptr);
  D88Builder header;
  header.SetName("BIG").SetDiskSizeField(static_cast<uint32_t>(kImageSize));
  const Bytes bytes = header.Build();
  bool written = true;
  for (int image = 0; image < 70 && written; ++image) {
    written = SeekTo(file, image * kImageSize) &&
              std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  }
  written = written && SeekTo(file, 70 * kImageSize - 1) && std::fputc(0, file) == 0;
  if (std::fclose(file) != 0 || !written) {
    GTEST_SKIP() << "the file system here cannot hold a sparse file of 4.4 GiB";
  }
  EXPECT_NE(Info({m_path}).out.find("images: 32\nonly the images in the first 2 GiB are listed\n"),
            std::string::npos);
  EXPECT_NE(Info({"--json", m_path})
                .out.find("\"image_count\":32,\"more_images\":true,\"stopped_at\":2147483648,"),
            std::string::npos);
  RemoveFile(m_path);
}

// What a report prints, run in this process with standard output going to a file.
template <typename Report>
std::string Captured(const ScratchDir& dir, Report report) {
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int file = open(dir.File("report").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(file, STDOUT_FILENO);
  close(file);
#ifdef _WIN32
  const int mode = _setmode(STDOUT_FILENO, _O_BINARY);  // as the commands write: "\n" alone
#endif
  report();
  std::fflush(stdout);
#ifdef _WIN32
  _setmode(STDOUT_FILENO, mode);
#endif
  dup2(saved, STDOUT_FILENO);
  close(saved);
  const Bytes out = ReadFileBytes(dir.File("report"));
  return std::string(out.begin(), out.end());
}

TEST(InfoReport, ImageWhoseHeaderIsGoneByTheTimeItIsShown) {
  // The file loses its second image between indexing and the report.
  const ScratchDir dir;
  D88Builder first;
  first.SetName("FIRST");
  const Bytes firstImage = first.Build();
  WriteFileBytes(dir.File("disk.d88"), Concat({firstImage, firstImage}));
  D88Image image;
  ASSERT_TRUE(image.Open(dir.File("disk.d88").c_str()));
  ASSERT_EQ(image.GetDiskCount(), 2);
  ASSERT_EQ(truncate(dir.File("disk.d88").c_str(), static_cast<off_t>(firstImage.size() + 100)), 0);
  const FileVerdict d88 = {true, ""};
  EXPECT_EQ(Captured(dir, [&] { PrintTextReport(image, "disk.d88", d88, -1, -1); }),
            "file: disk.d88\nimages: 2\nimage 0: name \"FIRST\", media 0x00 (2D), size 688 bytes\n"
            "image 1: header cannot be read\n"
            "signature: track 79 of image 0, sectors 2 and 3 numbered -- --: neither title\n");
  const std::string json = Captured(dir, [&] { PrintJsonReport(image, "disk.d88", d88, -1, -1); });
  EXPECT_NE(json.find("\n{\"index\":1,\"readable\":false}]"), std::string::npos) << json;

  // A first image whose header went too is no D88 image, and says why.
  ASSERT_EQ(truncate(dir.File("disk.d88").c_str(), 100), 0);
  EXPECT_STREQ(JudgeFile(image, firstImage.data(), 16, 100, true).reason,
               "the header of its first image cannot be read");
}

TEST(InfoReport, EveryKindOfHeaderProblemIsSaidOnceFirstTrackFirst) {
  D88Builder disk;
  disk.SetMediaType(0x77).SetDiskSizeField(600);
  for (const auto& [track, offset] :
       std::initializer_list<std::pair<int, uint32_t>>{{3, 100}, {7, 200}, {9, 5000}, {12, 6000}}) {
    disk.SetTrackOffsetField(track, offset);
  }
  const ScratchDir dir;
  WriteFileBytes(dir.File("disk.d88"), disk.Build());
  D88Image image;
  ASSERT_TRUE(image.Open(dir.File("disk.d88").c_str()));
  ASSERT_TRUE(image.SelectDisk(0));
  const HeaderProblems problems = FindHeaderProblems(image);
  ASSERT_EQ(problems.count, 4);
  EXPECT_STREQ(problems.text[0], "its size field says 600 bytes, less than the 688 of a header");
  EXPECT_STREQ(problems.text[1], "its media type 0x77 is none of 2D, 2DD, 2HD, 1D and 1DD");
  EXPECT_STREQ(problems.text[2], "2 of its tracks start inside the header (track 3 at byte 100)");
  EXPECT_STREQ(problems.text[3], "2 of its tracks start past its size (track 9 at byte 5000)");
}

TEST(InfoReport, AListingThatReachesItsBoundSaysWhatItLeftOut) {
  // The bound of a file of no size is 16 KB of text, 64 KB of JSON: a whole 2HD disk of 154
  // tracks of 26 sectors needs more.
  D88Builder hd;
  hd.SetMediaType(kMedia2HD);
  for (int track = 0; track < 154; ++track) {
    for (int r = 1; r <= 26; ++r) {
      hd.AddSector(track,
                   PatternSector(static_cast<uint8_t>(track / 2), static_cast<uint8_t>(track % 2),
                                 static_cast<uint8_t>(r), 3, 16));
    }
  }
  const ScratchDir dir;
  WriteFileBytes(dir.File("disk.d88"), hd.Build());
  D88Image image;
  ASSERT_TRUE(image.Open(dir.File("disk.d88").c_str()));
  const FileVerdict d88 = {true, ""};
  const std::string text = Captured(dir, [&] { PrintTextReport(image, "disk.d88", d88, -1, 0); });
  EXPECT_LE(text.size(), 16384u);
  // The track where it stopped, its records shown and left out, and the tracks after it.
  int track = -1;
  int shown = 0;
  int left = 0;
  int tracks = 0;
  const size_t cut = text.find(" more records not listed: the report has reached its bound\n");
  ASSERT_NE(cut, std::string::npos) << text;
  const size_t line = text.rfind("\n  track ", cut) + 1;
  ASSERT_EQ(std::sscanf(text.c_str() + line, "  track %d: %d sectors", &track, &shown), 2);
  ASSERT_EQ(std::sscanf(text.c_str() + text.rfind(", and ", cut), ", and %d", &left), 1);
  EXPECT_EQ(shown + left, 26);
  const size_t after = text.find('\n', cut) + 1;
  ASSERT_EQ(std::sscanf(text.c_str() + after, "  %d more tracks not listed", &tracks), 1);
  EXPECT_EQ(track + 1 + tracks, 154);
  const std::string json = Captured(dir, [&] { PrintJsonReport(image, "disk.d88", d88, -1, 0); });
  EXPECT_LE(json.size(), 65536u);
  EXPECT_NE(json.find(",\"not_listed\":"), std::string::npos);
  EXPECT_NE(json.find(",\"tracks_not_listed\":"), std::string::npos);
}

TEST(InfoReport, ShownRecordsKeepRunsThatMeetAsSingleRecords) {
  // A run kept, then records of another walk that run into it: its last header lies past the
  // kept run's start, so they are kept one by one, and each is found again.
  static ShownRecords shown;
  shown.Clear();
  const auto records = [](std::initializer_list<int64_t> offsets) {
    std::vector<TrackRecord> kept;
    for (const int64_t offset : offsets) {
      TrackRecord record = {};
      record.header.raw[kSectorCountOffset] = 9;  // a count of 9, no data
      record.offset = offset;
      kept.push_back(record);
    }
    return kept;
  };
  const std::vector<TrackRecord> run = records({1000, 1016});
  const std::vector<TrackRecord> into = records({960, 976, 992, 1008});
  ASSERT_TRUE(shown.Keep(0, 1, 0, run.data(), 2));
  ASSERT_TRUE(shown.Keep(0, 2, 0, into.data(), 4));
  for (const int64_t offset : {960, 976, 992, 1000, 1008, 1016}) {
    ShownRecord found;
    ASSERT_TRUE(shown.Find(offset, &found)) << offset;
    EXPECT_EQ(found.owner.track, offset == 1000 || offset == 1016 ? 1 : 2) << offset;
  }
  ShownRecord found;
  EXPECT_FALSE(shown.Find(1004, &found));
}

TEST(InfoReport, ARunKeptBeforeManyOthersIsFoundAfterThem) {
  // 128 tracks of two runs each (four records of 256 bytes, then two of 128): the 256 runs
  // waiting to be sorted into the kept ones are merged; track 140 then meets track 0's records.
  D88Builder disk;
  for (int track = 0; track < 128; ++track) {
    for (int r = 1; r <= 6; ++r) {
      disk.AddSector(track, PatternSector(static_cast<uint8_t>(track), 0, static_cast<uint8_t>(r),
                                          1, r <= 4 ? 256 : 128));
    }
  }
  disk.SetTrackOffsetField(140, static_cast<uint32_t>(disk.TrackStart(0)));
  const ScratchDir dir;
  WriteFileBytes(dir.File("disk.d88"), disk.Build());
  const CommandResult result = RunCommand(D88_INFO_PATH, {dir.File("disk.d88")});
  EXPECT_NE(result.out.find("\n  track 140: same records as track 0\n"), std::string::npos);
}

// Tracks that start one record after another in one run of records that all say `count`: each
// walk crosses the next track's start at once, and goes on as its own only where the count
// ends it within the look past it.
Bytes StaggeredTracks(int count) {
  D88Builder disk;
  for (int r = 0; r < 400; ++r) {
    SectorRecord sector = PatternSector(0, 0, static_cast<uint8_t>(r), 1, 16);
    sector.countField = count;
    disk.AddSector(0, sector);
  }
  for (int track = 1; track < kTrackCount; ++track) {
    disk.SetTrackOffsetField(
        track, static_cast<uint32_t>(disk.TrackStart(0) + track * (kSectorHeaderSize + 16)));
  }
  return disk.Build();
}

TEST(InfoReport, StepsOverListedRecordsGiveWhatReadingEveryRecordGives) {
  // A walk steps over records listed before, whole runs of them at once, from what was kept of
  // them; reading every record from the file instead must give the very same reports.
  const ScratchDir dir;
  const std::string path = dir.File("disk.d88");
  std::vector<Bytes> files = {ChainedHeaders(), ScatteredJoins(), WalksIntoARun().Build(),
                              StaggeredTracks(4096), StaggeredTracks(200)};
  std::mt19937 random(7);
  for (int i = 0; i < 60; ++i) {
    files.push_back(RandomFile(random));
  }
  const FileVerdict d88 = {true, ""};
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(i);
    WriteFileBytes(path, files[i]);
    D88Image image;
    ASSERT_TRUE(image.Open(path.c_str()));
    const auto size = static_cast<int64_t>(files[i].size());
    std::string reports[2];
    // Cut to a few records a track too, where the walk goes on uncounted past the cut.
    ReportScope cut;
    cut.recordsPerTrack = 3;
    for (const bool plain : {false, true}) {
      ReadEveryRecord(plain);
      reports[plain ? 1 : 0] =
          Captured(dir, [&] { PrintTextReport(image, "disk.d88", d88, -1, size); }) +
          Captured(dir, [&] { PrintJsonReport(image, "disk.d88", d88, -1, size); }) +
          Captured(dir, [&] { PrintTextReport(image, "disk.d88", d88, -1, size, nullptr, cut); });
    }
    ReadEveryRecord(false);
    EXPECT_EQ(reports[0], reports[1]);
  }
}

}  // namespace
