#include "info/shown_records.h"

#include <cstring>

namespace {

constexpr int kHeaderBytes = 16;  // a sector record's header

}  // namespace

void ShownRecords::Clear() {
  m_keptCount = 0;
  m_waitingCount = 0;
  m_current = {};
  m_currentListed = 0;
}

ShownRecords::Meeting ShownRecords::Meet(int64_t offset, RecordOwner* owner) const {
  const Stretch* lists[] = {m_kept, m_waiting};
  const int counts[] = {m_keptCount, m_waitingCount};
  for (int list = 0; list < 2; ++list) {
    // Stretches never overlap, so only the one starting last before the header can hold it,
    // and only the one starting first after it can begin inside its 16 bytes.
    const Stretch* before = LastAtOrBefore(lists[list], counts[list], offset);
    if (before != nullptr && offset < before->End()) {
      const int64_t into = offset - before->start;
      const int64_t place = before->stride == 0 ? 0 : into / before->stride;
      *owner = {before->image, before->track, before->first + static_cast<int>(place)};
      return into == place * before->stride ? kSame : kOverlap;
    }
    const Stretch* after = FirstAfter(lists[list], counts[list], offset);
    if (after != nullptr && after->start < offset + kHeaderBytes) {
      *owner = {after->image, after->track, after->first};
      return kOverlap;
    }
  }
  return kNothing;
}

bool ShownRecords::BeginTrack(int image, int track) {
  if (m_keptCount + m_waitingCount + kMaxPerTrack > kMaxStretches) {
    return false;
  }
  m_current = {};
  m_current.image = static_cast<uint8_t>(image);
  m_current.track = static_cast<uint8_t>(track);
  m_currentListed = 0;
  return true;
}

void ShownRecords::Add(int64_t offset) {
  if (m_current.count > 0) {
    const int64_t last = m_current.End() - kHeaderBytes;
    const int64_t step = offset - last;
    // A stretch grows while its records keep their distance, and never over another stretch
    // lying between two of its records: stretches must not overlap.
    if ((m_current.count == 1 || step == m_current.stride) &&
        !StartsWithin(last + kHeaderBytes, offset)) {
      m_current.stride = static_cast<int32_t>(step);
      ++m_current.count;
      ++m_currentListed;
      return;
    }
    Keep(m_current);
  }
  m_current.start = offset;
  m_current.stride = 0;
  m_current.count = 1;
  m_current.first = static_cast<uint16_t>(m_currentListed);
  ++m_currentListed;
}

void ShownRecords::EndTrack() {
  if (m_current.count > 0) {
    Keep(m_current);
  }
  m_current.count = 0;
}

const ShownRecords::Stretch* ShownRecords::LastAtOrBefore(const Stretch* list, int count,
                                                          int64_t offset) {
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

const ShownRecords::Stretch* ShownRecords::FirstAfter(const Stretch* list, int count,
                                                      int64_t offset) {
  const Stretch* before = LastAtOrBefore(list, count, offset);
  const Stretch* after = before == nullptr ? list : before + 1;
  return after < list + count ? after : nullptr;
}

bool ShownRecords::StartsWithin(int64_t from, int64_t to) const {
  const Stretch* lists[] = {m_kept, m_waiting};
  const int counts[] = {m_keptCount, m_waitingCount};
  for (int list = 0; list < 2; ++list) {
    const Stretch* after = FirstAfter(lists[list], counts[list], from - 1);
    if (after != nullptr && after->start < to) {
      return true;
    }
  }
  return false;
}

void ShownRecords::Keep(const Stretch& stretch) {
  // Into the short list, in order of start.
  const Stretch* before = LastAtOrBefore(m_waiting, m_waitingCount, stretch.start);
  const int at = before == nullptr ? 0 : static_cast<int>(before - m_waiting) + 1;
  std::memmove(&m_waiting[at + 1], &m_waiting[at],
               static_cast<size_t>(m_waitingCount - at) * sizeof(Stretch));
  m_waiting[at] = stretch;
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
