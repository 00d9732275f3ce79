#include "datastore/import/event_log_import.h"

#include <optional>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/pass/uptime_rows.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

constexpr std::uint32_t kEventLogStarted = 6005;
constexpr std::uint32_t kEventLogStopped = 6006;
constexpr std::uint32_t kUnexpectedShutdown = 6008;
constexpr std::int64_t kLimitMarginSeconds = 60;

bool AtOrAfter(DateTime a, DateTime b) { return CompareMoments(a, b) >= 0; }

class Importer {
 public:
  Importer(Table& history, DateTime limitDate, Clock& clock)
      : history_(history),
        limit_(limitDate),
        limitLow_(AddSeconds(limitDate, -kLimitMarginSeconds)),
        limitHigh_(AddSeconds(limitDate, kLimitMarginSeconds)),
        offset_(GetLocalUtcOffset(clock).offsetSeconds),
        now_(NowWholeSeconds(clock)) {}

  void Walk(const std::vector<EventLogRecord>& events) {
    if (!events.empty()) p1_ = p2_ = Local(events.front().timeGenerated);
    for (const EventLogRecord& event : events) {
      if (!Take(event)) break;
    }
  }

 private:
  // Event times are UTC; the walk compares them with the local LimitDate and
  // the local now, so they are taken to local time first.
  DateTime Local(DateTime utc) const { return AddSeconds(DropMilliseconds(utc), offset_); }

  // False when the walk stops here.
  bool Take(const EventLogRecord& event) {
    DateTime t = Local(event.timeGenerated);
    const std::uint32_t id = event.eventId & 0xFFFF;
    if (id == kEventLogStarted && AtOrAfter(t, limitLow_)) return false;
    if (CompareMoments(t, now_) == 1) t = now_;
    if (CompareMoments(t, NullDate) == -1) t = now_;
    if (id == kEventLogStarted || id == kUnexpectedShutdown) {
      if (runStart_) {
        // The machine went down in the larger of the two gaps before this
        // event: after the previous event, or after the one before it.
        const std::int64_t gapBefore = SecondsBetween(t, p1_);
        const std::int64_t gapBeforePrevious = SecondsBetween(p1_, p2_);
        WriteImportedRow(*runStart_, gapBeforePrevious >= gapBefore ? p2_ : p1_, false);
        runStart_.reset();
      }
      if (AtOrAfter(t, limitLow_)) return false;
      runStart_ = t;
    } else if (id == kEventLogStopped) {
      if (AtOrAfter(t, limitHigh_)) return false;
      WriteImportedRow(runStart_.value_or(t), t, true);
      runStart_.reset();
    }
    p2_ = p1_;
    p1_ = t;
    return true;
  }

  void WriteImportedRow(DateTime start, DateTime end, bool closedOk) {
    if (AtOrAfter(end, limit_)) end = limit_;
    if (AtOrAfter(start, end)) start = end;
    const std::int64_t uptime = SecondsBetween(start, end);
    history_.Append({std::int64_t{0}, "", "Windows", FieldValue(), start, end, FieldValue(),
                     FieldValue(), FieldValue(), uptime, std::int32_t{0}, uptime, true, closedOk,
                     false, true});
  }

  Table& history_;
  DateTime limit_;
  DateTime limitLow_;
  DateTime limitHigh_;
  std::int32_t offset_;
  DateTime now_;
  DateTime p1_ = NullDate;
  DateTime p2_ = NullDate;
  std::optional<DateTime> runStart_;
};

}  // namespace

int ImportEventLogHistory(Table& history, DateTime limitDate, Registry& registry,
                          EventLog& eventLog, Clock& clock) {
  auto key = registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
  if (!key) throw PlatformError("Cannot open the registry key " + std::string(kProductKeyPath));
  if (key->ReadBool(kWindowsImportExecutedValue).value_or(false)) return kImportAlreadyDone;

  if (!history.IsOpen()) {
    if (!history.FileName().empty() && (FileExists(history.FileName()) || history.Group())) {
      history.OpenFromFile();
    } else {
      history.CreateEmpty();
    }
  }
  history.SetFiltered(false);
  history.First();
  const std::vector<EventLogRecord> events = eventLog.ReadAll(EventLogName::System);

  Importer importer(history, limitDate, clock);
  importer.Walk(events);
  history.Save();
  key->WriteBool(kWindowsImportExecutedValue, true);
  return kImportExecuted;
}

}  // namespace brenvik
