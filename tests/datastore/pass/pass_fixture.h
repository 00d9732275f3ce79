// A data folder with the three tables and a fake service that hands over the
// lines a test gives it, for tests that run whole processing passes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/pass/processing_pass.h"
#include "datastore/service_link/diagnostic_log.h"
#include "datastore/startup/tables.h"
#include "records/date_time.h"
#include "records/text_helpers.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik::test {

// 2013-04-30 hh:mm:ss, the day of the examples.
inline DateTime At(int hour, int minute, int second = 0, int day = 30) {
  return EncodeDateTime(2013, 4, day, hour, minute, second);
}

// One activity-log line: "2013-04-30 10:02:00;7200;PC1|ann;1;;120".
struct LogLine {
  DateTime utc;
  std::int32_t event;
  std::string parameter;
  std::string handle;
  std::string user = "ann";
  std::string domain = "PC1";
  std::int32_t offset = 7200;

  std::string Text() const {
    const DateParts d = DecodeDate(utc);
    const TimeParts t = DecodeTime(utc);
    return PadInt(d.year, 4, '0') + "-" + PadInt(d.month, 2, '0') + "-" + PadInt(d.day, 2, '0') +
           " " + PadInt(t.hour, 2, '0') + ":" + PadInt(t.minute, 2, '0') + ":" +
           PadInt(t.second, 2, '0') + ";" + std::to_string(offset) + ";" + domain + "|" + user +
           ";" + std::to_string(event) + ";" + parameter + ";" + handle;
  }
};

inline std::string Lines(const std::vector<LogLine>& lines) {
  std::string text;
  for (const LogLine& line : lines) text += line.Text() + "\r\n";
  return text;
}

struct HistoryRow {
  std::int64_t runId;
  std::string user;
  std::string path;
  DateTime start;
  DateTime end;
  std::int64_t uptime;
  std::int32_t idle;
  std::int64_t active;
  bool isWindows;
  bool closedOk;
  bool incomplete;
  bool imported;
  bool operator==(const HistoryRow&) const = default;
};

struct LoginRow {
  std::int64_t runId;
  std::string user;
  std::string domain;
  DateTime start;
  DateTime end;
  std::int64_t uptime;
  std::int32_t idle;
  std::int64_t active;
  bool closedOk;
  bool incomplete;
  bool loginActive;
  bool operator==(const LoginRow&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const HistoryRow& r) {
  return os << "{run " << r.runId << " '" << r.user << "' " << r.path << " " << r.start << ".."
            << r.end << " up " << r.uptime << " idle " << r.idle << " act " << r.active
            << (r.isWindows ? " win" : "") << (r.closedOk ? " ok" : " crashed")
            << (r.incomplete ? " incomplete" : "") << (r.imported ? " imported" : "") << "}";
}

inline std::ostream& operator<<(std::ostream& os, const LoginRow& r) {
  return os << "{run " << r.runId << " " << r.user << "|" << r.domain << " " << r.start << ".."
            << r.end << " up " << r.uptime << " idle " << r.idle << " act " << r.active
            << (r.closedOk ? " ok" : " crashed") << (r.incomplete ? " incomplete" : "")
            << (r.loginActive ? " open" : "") << "}";
}

class NoMessages : public Messages {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

class PassFixture {
 public:
  PassFixture() : fake_(MakeFakePlatform()) {
    test::NativeFiles().CreateFolders(dir.path() + "Backup");
    fake_.servicePipe->onMessage = [this](const std::string&) {
      if (!handOver_.empty())
        WriteTextFileWithBom(test::NativeFiles(), dir.File(kCopyForMonitorFile), handOver_);
      handOver_.clear();
    };
    OpenTables(tables, Link(), messages_);
  }

  ServiceLink Link() {
    return ServiceLink{*fake_.servicePipe, *fake_.clock, *fake_.files, dir.path(), passLimit};
  }
  FakePlatform& Fake() { return fake_; }

  // One pass over what the service hands over now (nothing for an empty text).
  void Pass(const std::string& handOver, bool buildTree = false) {
    handOver_ = handOver;
    // Every pass runs at the same moment: the clock is set back to it, the
    // system's uptime counter included, after the hand-over's waits moved
    // both on (the run's start is now less the uptime).
    Fake().clock->local = dateOfCalc;
    const std::int64_t counter = Fake().clock->counter;
    PassEnvironment env{Link(), *fake_.eventLog, *fake_.accounts, listed, diagnostics};
    DateTime start = startDateTime;
    const PassLists lists{.buildTree = buildTree,
                          .runs = runs,
                          .programsFetched = programsFetched,
                          .historyUsers = historyUsers};
    ProcessTransactions(env, PassTablesOf(tables), lists, failureCount, start, dateOfCalc);
    Fake().clock->counter = counter;
    returnedStart = start;
  }
  void Pass(const std::vector<LogLine>& lines, bool buildTree = false) {
    Pass(Lines(lines), buildTree);
  }

  std::vector<HistoryRow> History() const {
    const TableStore& s = tables.DataSetHistory.Rows();
    std::vector<HistoryRow> rows;
    for (std::size_t r = 0; r < s.RowCount(); ++r) {
      rows.push_back(
          {s.LargeintAt(r, history::kRunId), s.TextAt(r, history::kComputerUser),
           s.TextAt(r, history::kExePath), s.DateTimeAt(r, history::kDateTimeStart),
           s.DateTimeAt(r, history::kDateTimeEnd), s.LargeintAt(r, history::kUptimeSeconds),
           s.IntegerAt(r, history::kIdleSeconds), s.LargeintAt(r, history::kActiveSeconds),
           s.BooleanAt(r, history::kIsWindows), s.BooleanAt(r, history::kClosedOk),
           s.BooleanAt(r, history::kRecIncomplete), s.BooleanAt(r, history::kIsImported)});
    }
    return rows;
  }

  std::vector<LoginRow> Logins() const {
    const TableStore& s = tables.DataSetLogins.Rows();
    std::vector<LoginRow> rows;
    for (std::size_t r = 0; r < s.RowCount(); ++r) {
      rows.push_back({s.LargeintAt(r, logins::kRunId), s.TextAt(r, logins::kUser),
                      s.TextAt(r, logins::kDomain), s.DateTimeAt(r, logins::kDateTimeStart),
                      s.DateTimeAt(r, logins::kDateTimeEnd),
                      s.LargeintAt(r, logins::kUptimeSeconds), s.IntegerAt(r, logins::kIdleSeconds),
                      s.LargeintAt(r, logins::kActiveSecs), s.BooleanAt(r, logins::kClosedOk),
                      s.BooleanAt(r, logins::kRecIncomplete),
                      s.BooleanAt(r, logins::kLoginActive)});
    }
    return rows;
  }

  std::vector<std::int32_t> StoredEvents() const {
    const TableStore& s = tables.DataSetTransactions.Rows();
    std::vector<std::int32_t> events;
    for (std::size_t r = 0; r < s.RowCount(); ++r)
      events.push_back(s.IntegerAt(r, transact::kEventType));
    return events;
  }

  TempDir dir;

 private:
  FakePlatform fake_;
  NoMessages messages_;
  std::string handOver_;

 public:
  DataTables tables;
  ListedRows listed;
  DiagnosticLog diagnostics;
  TArrRecComputerRun runs;
  SortedTextList programsFetched;
  SortedTextList historyUsers;
  std::int32_t failureCount = 0;
  std::uint64_t passLimit = kHandOverPassLimit;
  // The computed start of the running Windows run and the time of the pass,
  // both local (the fake clock's zone is UTC+2).
  DateTime startDateTime = At(8, 0);
  DateTime dateOfCalc = At(14, 0);
  DateTime returnedStart = ZeroDateTime;
};

}  // namespace brenvik::test
