#include "platform/posix/posix_event_log.h"

#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "base/errors.h"
#include "base/file_io.h"
#include "platform/posix/boot_history.h"
#include "platform/posix/posix_clock.h"
#include "records/date_time.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

bool IsDigitAt(std::string_view text, std::size_t i) { return text[i] >= '0' && text[i] <= '9'; }

// A local time of this machine as UTC.
DateTime LocalToUtc(int y, int mo, int d, int h, int mi, int s) {
  tm parts{};
  parts.tm_year = y - 1900;
  parts.tm_mon = mo - 1;
  parts.tm_mday = d;
  parts.tm_hour = h;
  parts.tm_min = mi;
  parts.tm_sec = s;
  parts.tm_isdst = -1;
  const time_t seconds = ::mktime(&parts);
  return seconds == static_cast<time_t>(-1) ? EncodeDateTime(y, mo, d, h, mi, s)
                                            : DateTimeOfUnixSeconds(seconds);
}

// The times YYYY-MM-DD HH:MM:SS of a line, in order.
std::vector<DateTime> TimesOf(std::string_view line) {
  static constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
  std::vector<DateTime> times;
  for (std::size_t i = 0; i + kShape.size() <= line.size(); ++i) {
    bool fits = true;
    for (std::size_t k = 0; k < kShape.size() && fits; ++k) {
      fits = kShape[k] == 'd' ? IsDigitAt(line, i + k) : line[i + k] == kShape[k];
    }
    if (!fits) continue;
    const auto number = [&](std::size_t at, std::size_t width) {
      return std::stoi(std::string(line.substr(i + at, width)));
    };
    const int y = number(0, 4), mo = number(5, 2), d = number(8, 2);
    const int h = number(11, 2), mi = number(14, 2), s = number(17, 2);
    if (IsValidDate(y, mo, d) && IsValidTime(h, mi, s, 0)) {
      const std::string_view zone = line.substr(std::min(line.size(), i + kShape.size()));
      const bool utc = zone.starts_with(" UTC") || zone.starts_with(" GMT");
      times.push_back(utc ? EncodeDateTime(y, mo, d, h, mi, s) : LocalToUtc(y, mo, d, h, mi, s));
      i += kShape.size() - 1;
    }
  }
  return times;
}

}  // namespace

std::vector<EventLogRecord> ParseJournalBoots(std::string_view text) {
  std::vector<EventLogRecord> records;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::vector<DateTime> times = TimesOf(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (times.size() < 2) continue;
    EventLogRecord boot;
    boot.timeGenerated = times[0];
    boot.eventId = kEventBoot;
    boot.source = "journal";
    EventLogRecord last = boot;
    last.timeGenerated = times[1];
    last.eventId = 0;
    for (EventLogRecord* record : {&boot, &last}) {
      record->recordNumber = static_cast<std::uint32_t>(records.size() + 1);
      records.push_back(*record);
    }
  }
  return records;
}

namespace {

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : "; ") + part;
  return out;
}

// The journal's listing from a command; nothing when it fails.
std::optional<std::string> CommandOutput(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
  const int status = ::pclose(pipe);
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return text;
}

}  // namespace

void MarkOrderlyShutdowns(std::vector<EventLogRecord>& boots, std::string_view stopsText) {
  std::vector<DateTime> stops;
  while (!stopsText.empty()) {
    const std::size_t end = stopsText.find('\n');
    const std::vector<DateTime> times = TimesOf(stopsText.substr(0, end));
    if (!times.empty()) stops.push_back(times.front());
    stopsText = end == std::string_view::npos ? std::string_view() : stopsText.substr(end + 1);
  }
  for (EventLogRecord& record : boots) {
    if (record.eventId != 0) continue;
    const bool stopped = std::any_of(stops.begin(), stops.end(), [&](DateTime stop) {
      return CompareMoments(stop, record.timeGenerated) <= 0 &&
             SecondsBetween(stop, record.timeGenerated) <= kStopBeforeLastEntrySeconds;
    });
    if (stopped) record.eventId = kEventShutdown;
  }
}

std::vector<EventLogRecord> PosixEventLog::ReadAll(EventLogName log) {
  if (log == EventLogName::Application) return {};
  std::vector<std::string> problems;
  sourcesRead_ = 0;
  std::vector<EventLogRecord> accounting;
  ReadAccounting(accounting, problems);
  const std::vector<EventLogRecord> journal = ReadJournal(problems);
  std::vector<EventLogRecord> records = MergeBootHistory(std::move(accounting), journal);
  if (records.empty() && sourcesRead_ == 0 && problems.empty()) {
    problems.push_back("no login accounting file and no journal found");
  }
  if (records.empty() && !problems.empty()) {
    throw PlatformError("Cannot open the event log: " + Joined(problems));
  }
  return records;
}

void PosixEventLog::ReadAccounting(std::vector<EventLogRecord>& records,
                                   std::vector<std::string>& problems) {
  const auto nowUnix = static_cast<std::int64_t>(::time(nullptr));
  for (const std::string& file : sources_.accountingFiles) {
    std::vector<std::string> paths;
    if (sources_.rotatedSiblings) paths = RotatedSiblings(file);
    paths.push_back(file);
    for (const std::string& path : paths) {
      if (!sources_.filesRequired && !FileExists(path)) continue;
      try {
        std::size_t skipped = 0;
        std::vector<EventLogRecord> read =
            ParseAccountingRecords(ReadAccountingBytes(path), nowUnix, skipped);
        records.insert(records.end(), read.begin(), read.end());
        ++sourcesRead_;
      } catch (const PlatformError& error) {
        if (sources_.filesRequired) throw;
        problems.push_back(error.what());
      }
    }
  }
}

std::vector<EventLogRecord> PosixEventLog::ReadJournal(std::vector<std::string>& problems) {
  if (!sources_.journalFile.empty()) {
    try {
      ++sourcesRead_;
      return ParseJournalBoots(ReadFileBytes(sources_.journalFile));
    } catch (const Error&) {
      throw PlatformError("Cannot open the list of boots \"" + sources_.journalFile + "\"");
    }
  }
  if (sources_.journalCommand.empty()) return {};
  const std::optional<std::string> text = CommandOutput(sources_.journalCommand);
  if (!text) {
    problems.push_back("the journal's list of boots cannot be read");
    return {};
  }
  // A working journal lists at least the boot it runs in; a listing without
  // one ("No journal files were found.") is a journal that is not there.
  std::vector<EventLogRecord> boots = ParseJournalBoots(*text);
  if (boots.empty()) {
    problems.push_back("the journal lists no boots");
    return {};
  }
  ++sourcesRead_;
  if (!sources_.journalStopsCommand.empty()) {
    if (const auto stops = CommandOutput(sources_.journalStopsCommand))
      MarkOrderlyShutdowns(boots, *stops);
  }
  return boots;
}

std::unique_ptr<EventLog> MakeBootRecordsEventLog(const BootRecordFiles& files) {
  PosixEventLogSources sources;
  sources.accountingFiles = files.accountingFiles;
  sources.rotatedSiblings = false;
  sources.journalCommand.clear();
  sources.journalStopsCommand.clear();
  sources.journalFile = files.journalBoots;
  sources.filesRequired = true;
  return std::make_unique<PosixEventLog>(std::move(sources));
}

}  // namespace brenvik
