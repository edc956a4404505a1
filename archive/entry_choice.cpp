#include "archive/entry_choice.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kWhole = 3;
constexpr int kLastPart = 2;
constexpr int kByNumber = 1;

// The last part of an entry's path: an archive keeps its files in folders.
const char* LastPart(const char* name) {
  const char* slash = std::strrchr(name, '/');
  return slash != nullptr ? slash + 1 : name;
}

// "#N" with N a number from 1, or 0.
int NumberAsked(const char* asked) {
  if (asked == nullptr || asked[0] != '#' || asked[1] == '\0') {
    return 0;
  }
  int number = 0;
  for (const char* digit = asked + 1; *digit != '\0'; ++digit) {
    if (*digit < '0' || *digit > '9' || number > 9999999) {
      return 0;
    }
    number = number * 10 + (*digit - '0');
  }
  return number;
}

char g_message[kMaxListedImages * (kEntryNameTextSize + 16) + 4 * kEntryNameTextSize];
char g_list[kMaxListedImages * (kEntryNameTextSize + 16) + 64];

// Appends to a message, cut where it is full.
void Append(char* text, size_t size, size_t* used, const char* format, const char* piece,
            int number = 0) {
  if (*used >= size) {
    return;
  }
  const int wrote = std::snprintf(text + *used, size - *used, format, piece, number);
  *used += wrote > 0 ? static_cast<size_t>(wrote) : 0;
  if (*used >= size) {
    *used = size - 1;
  }
}

// A name as a message shows it: control characters escaped.
const char* Shown(const char* name) {
  static char shown[kEntryNameTextSize];
  EscapeControls(name, shown, sizeof shown);
  return shown;
}

}  // namespace

void EntryChoice::Start(const char* asked) {
  m_asked = asked;
  m_askedNumber = NumberAsked(asked);
  m_count = 0;
  m_best = 0;
  m_bestRank = 0;
  m_whole.count = 0;
  m_last.count = 0;
  for (int& ranked : m_ranked) {
    ranked = 0;
  }
}

int EntryChoice::Rank(const char* name, int number) const {
  if (m_asked == nullptr) {
    return number == 1 ? kWhole : 0;
  }
  if (std::strcmp(name, m_asked) == 0) {
    return kWhole;
  }
  if (std::strcmp(LastPart(name), m_asked) == 0) {
    return kLastPart;
  }
  return number == m_askedNumber ? kByNumber : 0;
}

void EntryChoice::Keep(Candidates* candidates, const char* name, int number) {
  if (candidates->count < kMaxCandidates) {
    std::snprintf(candidates->names[candidates->count], kEntryNameTextSize, "%s", name);
    candidates->numbers[candidates->count] = number;
  }
  ++candidates->count;
}

bool EntryChoice::Offer(const char* name, int number) {
  if (m_count < kMaxListedImages) {
    std::snprintf(m_names[m_count], kEntryNameTextSize, "%s", name);
  }
  ++m_count;
  const int rank = Rank(name, number);
  ++m_ranked[rank];
  if (rank == kWhole && m_asked != nullptr) {
    Keep(&m_whole, name, number);
  } else if (rank == kLastPart) {
    Keep(&m_last, name, number);
  }
  if (rank <= m_bestRank) {
    return false;
  }
  m_best = number;
  m_bestRank = rank;
  return true;
}

int EntryChoice::Chosen() const {
  if (m_asked == nullptr) {
    return m_count == 1 ? 1 : 0;
  }
  // The best rank decides, where one file alone holds it.
  for (int rank = kWhole; rank >= kByNumber; --rank) {
    if (m_ranked[rank] > 0) {
      return m_ranked[rank] == 1 && m_bestRank == rank ? m_best : 0;
    }
  }
  return 0;
}

const char* EntryChoice::NameList() {
  size_t used = 0;
  g_list[0] = '\0';
  m_alike = false;
  const int kept = m_count < kMaxListedImages ? m_count : kMaxListedImages;
  for (int i = 0; i < kept; ++i) {
    bool alike = false;
    for (int j = 0; j < kept && !alike; ++j) {
      alike = j != i && std::strcmp(m_names[i], m_names[j]) == 0;
    }
    Append(g_list, sizeof g_list, &used, i == 0 ? "%s" : ", %s", Shown(m_names[i]));
    if (alike) {
      Append(g_list, sizeof g_list, &used, "%s#%d)", " (", i + 1);
      m_alike = true;
    }
  }
  if (m_count > kept) {
    Append(g_list, sizeof g_list, &used, "%s%d more", " and ", m_count - kept);
  }
  return g_list;
}

const char* EntryChoice::Problem(const char* described) {
  size_t used = 0;
  g_message[0] = '\0';
  if (m_count == 0) {
    Append(g_message, sizeof g_message, &used, " holds no D88 image (it is %s)", described);
    return g_message;
  }
  if (m_asked == nullptr) {
    std::snprintf(g_message, sizeof g_message,
                  " holds %d D88 files: %s; choose one with --entry %s", m_count, NameList(),
                  "NAME");
    return g_message;
  }
  const Candidates* ambiguous = m_ranked[kWhole] > 1                               ? &m_whole
                                : m_ranked[kWhole] == 0 && m_ranked[kLastPart] > 1 ? &m_last
                                                                                   : nullptr;
  if (ambiguous != nullptr) {
    Append(g_message, sizeof g_message, &used, ": --entry %s is ambiguous: it names ",
           Shown(m_asked));
    const int kept = ambiguous->count < kMaxCandidates ? ambiguous->count : kMaxCandidates;
    for (int i = 0; i < kept; ++i) {
      Append(g_message, sizeof g_message, &used, i == 0 ? "%s (#%d)" : ", %s (#%d)",
             Shown(ambiguous->names[i]), ambiguous->numbers[i]);
    }
    if (ambiguous->count > kept) {
      Append(g_message, sizeof g_message, &used, "%s%d more", " and ", ambiguous->count - kept);
    }
    Append(g_message, sizeof g_message, &used, "%s", "; choose one with --entry #N");
    return g_message;
  }
  if (m_askedNumber > 0 && m_ranked[kLastPart] == 0 && m_ranked[kWhole] == 0) {
    std::snprintf(g_message, sizeof g_message, " holds %d D88 file%s; there is no #%d", m_count,
                  m_count == 1 ? "" : "s", m_askedNumber);
    return g_message;
  }
  Append(g_message, sizeof g_message, &used, " holds no D88 file named %s", Shown(m_asked));
  Append(g_message, sizeof g_message, &used, "; it holds %s", NameList());
  return g_message;
}
