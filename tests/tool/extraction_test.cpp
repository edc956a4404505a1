// The four files of each title, from whole and from damaged disks.
#include "tests/tool/command_fixture.h"

namespace {

// Where each file's run starts on a standard disk: track, sector, skip, length per title. This
// is the tests' own copy of the extraction lists, kept apart from the command's on purpose.
struct FileRun {
  const char* name;
  int track;
  int r;
  int skip;
  int castleLength;
  int excellentLength;
  bool castleComplemented;
};
const FileRun kRuns[] = {
    {"PROG1", 0, 2, 0, 2304, 2304, true},
    {"PROG2", 60, 16, 0, 2076, 1795, true},
    {"MUSIC", 60, 4, 131, 1540, 1540, true},
    {"VOICE", 33, 1, 0, 1536, 1536, false},
};

// The disk without one sector: the record is dropped from its track.
D88Builder WithoutSector(const D88Builder& disk, int track, int r) {
  return disk.Edited([&](int t, SectorRecord& sector) { return t != track || sector.r != r; });
}

TEST_F(CommandTest, WholeDiskOfEitherTitleYieldsItsFourFiles) {
  for (const bool castle : {true, false}) {
    SCOPED_TRACE(castle ? "The Castle" : "Castle Excellent");
    const CommandResult result = Run((castle ? TheCastleDisk() : ExcellentDisk()).Build());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, (castle ? kTheCastleRecognised : kExcellentRecognised) + kAllFourCut);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(WorkFiles(), kAllFourFiles);  // and no temporary files left behind
    for (const FileRun& run : kRuns) {
      SCOPED_TRACE(run.name);
      const Bytes stored =
          StandardRun(run.track, run.r, run.skip, castle ? run.castleLength : run.excellentLength);
      EXPECT_EQ(Output(run.name), castle && run.castleComplemented ? Complemented(stored) : stored);
    }
  }
}

TEST_F(CommandTest, ADiskNamedLikeAnArchiveIsCutAsTheD88FileItIs) {
  // A disk's name is its header's first bytes: an archive's signature there makes no archive.
  for (const std::string& name : {std::string("PK\x03\x04GAME", 8), std::string("BZh9DISK"),
                                  std::string("\x1F\x8B\x08"
                                              "DISK"),
                                  std::string("7z\xBC\xAF\x27\x1C"), std::string("XX-lh5-DISK"),
                                  std::string("Rar!\x1A\x07")}) {
    SCOPED_TRACE(name);
    const CommandResult result = Run(TheCastleDisk().SetName(name).Build());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, kTheCastleRecognised + kAllFourCut);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
  }
  // Cut short, it is still a D88 file while its first track starts within it: no archive, no
  // word, no title.
  const Bytes whole = TheCastleDisk().SetName(std::string("PK\x03\x04", 4)).Build();
  const CommandResult half = Run(Bytes(whole.begin(), whole.begin() + whole.size() / 2));
  EXPECT_EQ(half.exitCode, 0);
  EXPECT_EQ(half.out + half.err, "");
}

TEST_F(CommandTest, MissingTrack61StillWritesProg2AtFullLength) {
  // PROG2 starts on sector 16 of track 60 and goes on into track 61. With track 61 gone, the
  // disk supplies 256 bytes; the rest is zero before complementing, never bytes of PROG1.
  for (const bool castle : {true, false}) {
    SCOPED_TRACE(castle ? "The Castle" : "Castle Excellent");
    D88Builder disk = castle ? TheCastleDisk() : ExcellentDisk();
    disk.SetTrackOffsetField(61, 0);
    const int length = castle ? 2076 : 1795;
    const CommandResult result = Run(disk.Build());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, (castle ? kTheCastleRecognised : kExcellentRecognised) + kAllFourCut);
    EXPECT_EQ(result.err, "castle-extract: PROG2: the disk supplied only 256 of its " +
                              std::to_string(length) + " bytes; the rest is padding\n");
    Bytes expected = StandardSectorData(60, 16);
    expected.resize(static_cast<size_t>(length), 0);
    EXPECT_EQ(Output("PROG2"), castle ? Complemented(expected) : expected);
    EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
  }
}

TEST_F(CommandTest, RunWhoseFirstSectorIsMissingWritesNothing) {
  const CommandResult result = Run(WithoutSector(TheCastleDisk(), 0, 2).Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out,
            kTheCastleRecognised + "cutting ... PROG2\ncutting ... MUSIC\ncutting ... VOICE\n");
  EXPECT_EQ(result.err,
            "castle-extract: PROG1 not written: the first sector of its run is missing or short\n");
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"MUSIC", "PROG2", "VOICE"}));
}

TEST_F(CommandTest, ShortSectorInsideARunEndsWhatTheDiskSupplies) {
  // Sector 7 of track 60 holds 100 bytes instead of 256. MUSIC's run (sectors 4 to 10) stops
  // there: sectors 4 to 6 are counted (768 bytes, 637 of them after the skip); the short
  // sector's 100 bytes still land in the file, and the rest is padding.
  const D88Builder disk = ExcellentDisk().Edited([](int t, SectorRecord& sector) {
    if (t == 60 && sector.r == 7) {
      sector.data.resize(100);
    }
    return true;
  });
  const CommandResult result = Run(disk.Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, kExcellentRecognised + kAllFourCut);
  EXPECT_EQ(result.err,
            "castle-extract: MUSIC: the disk supplied only 637 of its 1540 bytes; the rest is "
            "padding\n");
  Bytes expected = StandardRun(60, 4, 131, 637);
  const Bytes shortSector = Slice(StandardSectorData(60, 7), 0, 100);
  expected.insert(expected.end(), shortSector.begin(), shortSector.end());
  expected.resize(1540, 0);
  EXPECT_EQ(Output("MUSIC"), expected);
}

TEST_F(CommandTest, WrongHeadBytesAreMissingSectors) {
  // Track 33 (cylinder 16, head 1) recorded with H = 0 in its IDs: VOICE's run finds nothing.
  const D88Builder disk = TheCastleDisk().Edited([](int t, SectorRecord& sector) {
    if (t == 33) {
      sector.h = 0;
    }
    return true;
  });
  const CommandResult result = Run(disk.Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err,
            "castle-extract: VOICE not written: the first sector of its run is missing or short\n");
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"MUSIC", "PROG1", "PROG2"}));
}

TEST_F(CommandTest, ExistingFilesAreReplacedByGoodCutsOnly) {
  for (const std::string& name : kAllFourFiles) {
    WriteFileBytes(m_work.File(name), Bytes{'o', 'l', 'd'});
  }
  const CommandResult result = Run(WithoutSector(ExcellentDisk(), 33, 1).Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(Output("PROG1"), StandardRun(0, 2, 0, 2304));
  EXPECT_EQ(Output("MUSIC"), StandardRun(60, 4, 131, 1540));
  EXPECT_EQ(Output("VOICE"), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(WorkFiles(), kAllFourFiles);
}

TEST_F(CommandTest, ASecondRunReplacesEveryFile) {
  ASSERT_EQ(Run(ExcellentDisk().Build()).exitCode, 0);
  const CommandResult result = Run(TheCastleDisk().Build());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(WorkFiles(), kAllFourFiles);
  EXPECT_EQ(Output("PROG2"), Complemented(StandardRun(60, 16, 0, 2076)));
  EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
}

TEST_F(CommandTest, SuspectSectorsOfADumpAreNamedAndTheFilesWrittenAllTheSame) {
  // One sector of a run marked as the dump stored it: each kind says so once, in its words; the
  // files and the exit code are those of a whole disk. Sectors outside every run say nothing.
  const auto marked = [](int track, int r, int deleted, int status) {
    return TheCastleDisk().Edited([=](int t, SectorRecord& sector) {
      if (t == track && sector.r == r) {
        sector.deleted = static_cast<uint8_t>(deleted);
        sector.status = static_cast<uint8_t>(status);
      }
      return true;
    });
  };
  D88Builder twice = TheCastleDisk();
  SectorRecord copy = PatternSector(16, 1, 2, 1, 256);  // after the first, which is read
  twice.AddSector(33, copy);
  // VOICE's sectors after 64 others on their track, one of them marked.
  D88Builder crowded = TheCastleDisk().Edited([](int track, SectorRecord&) { return track != 33; });
  for (int r = 100; r < 164; ++r) {
    crowded.AddSector(33, PatternSector(16, 1, static_cast<uint8_t>(r), 1, 16));
  }
  for (int r = 1; r <= 16; ++r) {
    SectorRecord sector = PatternSector(16, 1, static_cast<uint8_t>(r), 1, 256);
    sector.data = StandardSectorData(33, r);
    sector.status = r == 6 ? 0xB0 : 0;
    crowded.AddSector(33, sector);
  }
  // PROG2's first sector of track 61 says its track holds 0 sectors: a search ends there, so its
  // bytes are not used, whatever its status.
  D88Builder countZero = marked(61, 1, 0, 0xB0).Edited([](int track, SectorRecord& sector) {
    sector.countField = track == 61 && sector.r == 1 ? 0 : -1;
    return true;
  });
  const std::string tail = "; the file may hold wrong bytes there\n";
  struct Case {
    D88Builder disk;
    std::string err;
  };
  const Case cases[] = {
      {marked(61, 3, 0, 0xB0),
       "castle-extract: PROG2: sector C30 H1 R3 N1 on track 61 was stored "
       "with a data CRC error (status 0xB0)" +
           tail},
      {marked(60, 16, 0, 0xA0),
       "castle-extract: PROG2: sector C30 H0 R16 N1 on track 60 was "
       "stored with an ID CRC error (status 0xA0)" +
           tail},
      {marked(0, 10, 0, 0xE0),
       "castle-extract: PROG1: sector C0 H0 R10 N1 on track 0 was stored "
       "with no address mark (status 0xE0)" +
           tail},
      {marked(33, 6, 0, 0xF0),
       "castle-extract: VOICE: sector C16 H1 R6 N1 on track 33 was stored "
       "with no data mark (status 0xF0)" +
           tail},
      {marked(60, 10, 0x10, 0x10),
       "castle-extract: MUSIC: sector C30 H0 R10 N1 on track 60 was "
       "stored with a deleted data mark (status 0x10)" +
           tail},
      {marked(60, 4, 0x10, 0),
       "castle-extract: MUSIC: sector C30 H0 R4 N1 on track 60 was stored "
       "with a deleted data mark (0x10)" +
           tail},
      {marked(0, 2, 0, 0x42),
       "castle-extract: PROG1: sector C0 H0 R2 N1 on track 0 was stored "
       "with status 0x42" +
           tail},
      {twice,
       "castle-extract: VOICE: sector C16 H1 R2 N1 on track 33 is stored more than once on "
       "its track and the first copy was read" +
           tail},
      {marked(0, 1, 0x10, 0xB0), ""},   // before PROG1's run
      {marked(0, 11, 0x10, 0xB0), ""},  // after it
      {marked(61, 8, 0, 0xB0),
       "castle-extract: PROG2: sector C30 H1 R8 N1 on track 61 was stored "
       "with a data CRC error (status 0xB0)" +
           tail},                    // 28 bytes of it
      {marked(61, 9, 0, 0xB0), ""},  // past PROG2
      {crowded,
       "castle-extract: VOICE: sector C16 H1 R6 N1 on track 33 was stored "
       "with a data CRC error (status 0xB0)" +
           tail},
      {countZero,
       "castle-extract: PROG2: sector C30 H1 R1 N1 on track 61 was not read: the search for it "
       "ends at a record that says its track holds 0 sectors\n"
       "castle-extract: PROG2: the disk supplied only 256 of its 2076 bytes; the rest is "
       "padding\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err);
    const CommandResult result = Run(c.disk.Build());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, kTheCastleRecognised + kAllFourCut);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(WorkFiles(), kAllFourFiles);
    EXPECT_EQ(Output("VOICE"), StandardRun(33, 1, 0, 1536));
  }
}

}  // namespace
