// Which D88 file of an archive a command reads, chosen as the archive is walked once: the one it
// holds, or the one --entry names. A name is matched whole first, then by its last part (an
// archive keeps files in folders), and "#N" is the archive's Nth D88 file, for files of one
// name and names that cannot be typed. Names are kept for the messages; no list of every file is.
#ifndef ARCHIVE_ENTRY_CHOICE_H
#define ARCHIVE_ENTRY_CHOICE_H

#include "text/entry_name.h"

constexpr int kMaxListedImages = 64;  // names a message lists; it counts the rest
constexpr int kMaxCandidates = 8;     // files an ambiguous --entry lists

class EntryChoice {
 public:
  // `asked` is --entry's value; null reads the one D88 file the archive holds.
  void Start(const char* asked);

  // A D88 file met, its name as text and its number (from 1): whether it is now the best
  // match, to be unpacked (replacing one unpacked before).
  bool Offer(const char* name, int number);

  // After the walk: the number of the file chosen; 0 where there is none or the choice is
  // ambiguous, Problem() then saying so.
  int Chosen() const;
  int Count() const { return m_count; }

  // Why no file was chosen, to follow the archive's path: " holds no D88 image (it is ...)",
  // " holds 2 D88 files: a.d88, b.d88; choose one with --entry NAME", ": --entry a.d88 is
  // ambiguous: ...". `described` names the archive's format ("a ZIP archive").
  const char* Problem(const char* described);

  // "a.d88, b.d88" and how many more: the names kept, with each one's number where two are
  // alike.
  const char* NameList();

 private:
  struct Candidates {
    int count = 0;
    int numbers[kMaxCandidates] = {};
    char names[kMaxCandidates][kEntryNameTextSize] = {};
  };
  // How well a name answers --entry: 3 whole, 2 by its last part, 1 by "#N", 0 not at all.
  int Rank(const char* name, int number) const;
  static void Keep(Candidates* candidates, const char* name, int number);

  const char* m_asked = nullptr;
  int m_askedNumber = 0;  // N of "#N"
  int m_count = 0;
  int m_best = 0;      // number of the best match so far
  int m_bestRank = 0;  // its rank
  Candidates m_whole;
  Candidates m_last;
  int m_ranked[4] = {};  // matches of each rank
  char m_names[kMaxListedImages][kEntryNameTextSize] = {};
  bool m_alike = false;  // the last list named two files alike, by number
};

#endif  // ARCHIVE_ENTRY_CHOICE_H
