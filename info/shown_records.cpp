#include "info/shown_records.h"

#include <cstring>

void ShownRecords::Clear() {
  m_keptCount = 0;
  m_waitingCount = 0;
  if (m_singleCount > 0) {  // most files keep none: their slots were never touched
    std::memset(m_singles, 0, sizeof m_singles);
    m_singleCount = 0;
  }
}

bool ShownRecords::Find(int64_t offset, ShownRecord* found) const {
  const Run* lists[] = {m_kept, m_waiting};
  const int counts[] = {m_keptCount, m_waitingCount};
  for (int list = 0; list < 2; ++list) {
    // Runs never overlap, so only the one starting last at or before the header can hold it.
    const Run* run = LastAtOrBefore(lists[list], counts[list], offset);
    if (run != nullptr && offset < run->End() && (offset - run->start) % run->stride == 0) {
      const auto place = static_cast<int32_t>((offset - run->start) / run->stride);
      *found = {{run->image, run->track, run->first + place},
                run->count,
                place + 1 == run->length ? run->lastSize : run->stride - kSectorHeaderSize,
                run->length - 1 - place,
                run->stride,
                run->lastSize};
      return true;
    }
  }
  if (m_singleCount == 0) {  // most files keep none: their slots were never touched
    return false;
  }
  const Single& single = m_singles[SingleSlot(offset)];
  if (single.start != offset) {
    return false;
  }
  *found = {{single.image, single.track, single.record}, single.count, single.size, 0, 0, 0};
  return true;
}

int ShownRecords::RunLength(const TrackRecord* records, int from, int count) {
  int length = 1;
  while (from + length < count &&
         records[from + length].header.SectorCount() == records[from].header.SectorCount() &&
         (length == 1 || records[from + length].offset - records[from + length - 1].offset ==
                             records[from + 1].offset - records[from].offset)) {
    ++length;
  }
  return length;
}

bool ShownRecords::Keep(int image, int track, int32_t first, const TrackRecord* records,
                        int count) {
  // First what the records need, so that either all are kept or none.
  int runs = 0;
  int singles = 0;
  for (int at = 0; at < count;) {
    const int length = RunLength(records, at, count);
    if (length > 1 && !RunMeets(records[at].offset, records[at + length - 1].offset + 16)) {
      ++runs;
    } else {
      singles += length;
    }
    at += length;
  }
  if (m_keptCount + m_waitingCount + runs > kMaxRuns || m_singleCount + singles > kMaxSingles) {
    return false;
  }
  for (int at = 0; at < count;) {
    const int length = RunLength(records, at, count);
    const TrackRecord& start = records[at];
    if (length > 1 && !RunMeets(start.offset, records[at + length - 1].offset + 16)) {
      KeepRun({start.offset, static_cast<int32_t>(records[at + 1].offset - start.offset), length,
               first + at, static_cast<uint16_t>(start.header.SectorCount()),
               static_cast<uint16_t>(records[at + length - 1].header.DataSize()),
               static_cast<uint8_t>(image), static_cast<uint8_t>(track)});
    } else {
      for (int i = at; i < at + length; ++i) {
        KeepSingle({records[i].offset, first + i,
                    static_cast<uint16_t>(records[i].header.SectorCount()),
                    static_cast<uint16_t>(records[i].header.DataSize()),
                    static_cast<uint8_t>(image), static_cast<uint8_t>(track)});
      }
    }
    at += length;
  }
  return true;
}

int ShownRecords::SingleSlot(int64_t offset) const {
  // Fibonacci hashing, then the next free slot: the table is never more than half full.
  auto slot = static_cast<int>((static_cast<uint64_t>(offset) * 0x9E3779B97F4A7C15u) >> 47);
  while (m_singles[slot].start != 0 && m_singles[slot].start != offset) {
    slot = (slot + 1) & (kSingleSlots - 1);
  }
  return slot;
}

void ShownRecords::KeepSingle(const Single& single) {
  m_singles[SingleSlot(single.start)] = single;
  ++m_singleCount;
}

const ShownRecords::Run* ShownRecords::LastAtOrBefore(const Run* list, int count, int64_t offset) {
  int low = 0;  // list[0, low) start at or before offset
  int high = count;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (list[middle].start <= offset) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low > 0 ? &list[low - 1] : nullptr;
}

bool ShownRecords::RunMeets(int64_t from, int64_t to) const {
  const Run* lists[] = {m_kept, m_waiting};
  const int counts[] = {m_keptCount, m_waitingCount};
  for (int list = 0; list < 2; ++list) {
    // The run starting last before `to` is the only one that can reach into [from, to): the
    // runs before it end before it starts.
    const Run* run = LastAtOrBefore(lists[list], counts[list], to - 1);
    if (run != nullptr && run->End() > from) {
      return true;
    }
  }
  return false;
}

void ShownRecords::KeepRun(const Run& run) {
  // Into the short list, in order of start.
  const Run* before = LastAtOrBefore(m_waiting, m_waitingCount, run.start);
  const int at = before == nullptr ? 0 : static_cast<int>(before - m_waiting) + 1;
  std::memmove(&m_waiting[at + 1], &m_waiting[at],
               static_cast<size_t>(m_waitingCount - at) * sizeof(Run));
  m_waiting[at] = run;
  ++m_waitingCount;
  if (m_waitingCount < kMaxWaiting) {
    return;
  }
  // Full: merge it into the long list from the back, where the long list has room.
  int kept = m_keptCount - 1;
  int waiting = m_waitingCount - 1;
  for (int to = m_keptCount + m_waitingCount - 1; waiting >= 0; --to) {
    if (kept >= 0 && m_kept[kept].start > m_waiting[waiting].start) {
      m_kept[to] = m_kept[kept--];
    } else {
      m_kept[to] = m_waiting[waiting--];
    }
  }
  m_keptCount += m_waitingCount;
  m_waitingCount = 0;
}
