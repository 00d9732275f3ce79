#include "platform/posix/boot_history.h"

#include <algorithm>
#include <cstdlib>

#include "platform/posix/accounting_file.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

// At one moment a shutdown comes before a boot, and a boot before the other
// records of the run it opens.
int Rank(const EventLogRecord& r) {
  if (r.eventId == kEventShutdown) return 0;
  if (r.eventId == kEventBoot) return 1;
  return 2;
}

bool Earlier(const EventLogRecord& a, const EventLogRecord& b) {
  const int order = CompareMoments(a.timeGenerated, b.timeGenerated);
  return order != 0 ? order < 0 : Rank(a) < Rank(b);
}

bool Same(const EventLogRecord& a, const EventLogRecord& b) {
  return CompareMoments(a.timeGenerated, b.timeGenerated) == 0 && a.eventId == b.eventId &&
         a.source == b.source && a.strings == b.strings;
}

bool KnownBoot(const std::vector<DateTime>& boots, DateTime start) {
  return std::any_of(boots.begin(), boots.end(), [&](DateTime boot) {
    return std::llabs(SecondsBetween(boot, start)) <= kSameBootSeconds;
  });
}

// Repeats the last record of every run that ends without a shutdown.
std::vector<EventLogRecord> WithLastSignsOfLife(const std::vector<EventLogRecord>& sorted) {
  std::vector<EventLogRecord> out;
  bool closed = false;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const EventLogRecord& record = sorted[i];
    if (record.eventId == kEventBoot) closed = false;
    if (record.eventId == kEventShutdown) closed = true;
    out.push_back(record);
    const bool nextIsBoot = i + 1 < sorted.size() && sorted[i + 1].eventId == kEventBoot;
    if (nextIsBoot && !closed) {
      EventLogRecord repeat = record;
      repeat.eventId = 0;
      out.push_back(std::move(repeat));
    }
  }
  return out;
}

}  // namespace

std::vector<EventLogRecord> MergeBootHistory(std::vector<EventLogRecord> accounting,
                                             const std::vector<EventLogRecord>& journal) {
  std::vector<DateTime> boots;
  for (const EventLogRecord& record : accounting) {
    if (record.eventId == kEventBoot) boots.push_back(record.timeGenerated);
  }
  std::vector<EventLogRecord> all = std::move(accounting);
  for (const EventLogRecord& record : journal) {
    if (record.eventId == kEventBoot && KnownBoot(boots, record.timeGenerated)) continue;
    all.push_back(record);
  }
  std::stable_sort(all.begin(), all.end(), Earlier);
  all.erase(std::unique(all.begin(), all.end(), Same), all.end());
  std::vector<EventLogRecord> out = WithLastSignsOfLife(all);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i].recordNumber = static_cast<std::uint32_t>(i + 1);
  return out;
}

}  // namespace brenvik
