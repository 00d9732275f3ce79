#include "platform/posix/posix_event_log.h"

#include <sys/wait.h>
#include <utmpx.h>

#include <cstdio>
#include <cstring>

#include "base/errors.h"
#include "base/file_io.h"
#include "platform/posix/posix_clock.h"
#include "records/date_time.h"

namespace brenvik {
namespace {

EventLogRecord AccountingRecord(const utmpx& entry, std::size_t number) {
  EventLogRecord record;
  record.recordNumber = static_cast<std::uint32_t>(number);
  record.timeGenerated = UnixSecondsToDateTime(static_cast<double>(entry.ut_tv.tv_sec));
  const std::string user(entry.ut_user, strnlen(entry.ut_user, sizeof entry.ut_user));
  if (entry.ut_type == BOOT_TIME) {
    record.eventId = kEventBoot;
  } else if (entry.ut_type == RUN_LVL && user == "shutdown") {
    record.eventId = kEventShutdown;
  }
  record.source = "wtmp";
  record.computer = std::string(entry.ut_host, strnlen(entry.ut_host, sizeof entry.ut_host));
  record.strings.push_back(user);
  return record;
}

bool IsDigitAt(std::string_view text, std::size_t i) { return text[i] >= '0' && text[i] <= '9'; }

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
      times.push_back(EncodeDateTime(y, mo, d, h, mi, s));
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

std::vector<EventLogRecord> PosixEventLog::ReadAll(EventLogName log) {
  if (log == EventLogName::Application) return {};
  if (FileExists(accountingFile_)) return ReadAccountingFile();
  std::vector<EventLogRecord> boots = ReadJournal();
  if (boots.empty()) {
    throw PlatformError("Cannot open the event log: neither \"" + accountingFile_ +
                        "\" nor the journal's list of boots can be read");
  }
  return boots;
}

std::vector<EventLogRecord> PosixEventLog::ReadAccountingFile() const {
  if (::utmpxname(accountingFile_.c_str()) != 0) {
    throw PlatformError("Cannot open the event log \"" + accountingFile_ + "\"");
  }
  std::vector<EventLogRecord> records;
  ::setutxent();
  while (const utmpx* entry = ::getutxent()) records.push_back(AccountingRecord(*entry, records.size() + 1));
  ::endutxent();
  return records;
}

std::vector<EventLogRecord> PosixEventLog::ReadJournal() const {
  if (journalCommand_.empty()) return {};
  FILE* pipe = ::popen(journalCommand_.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
  const int status = ::pclose(pipe);
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return ParseJournalBoots(text);
}

}  // namespace brenvik
