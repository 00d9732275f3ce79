// Whole processing passes over activity-log lines: Windows and program
// intervals, provisional rows and their completion, run numbers, the boot
// shift, crashes, the hang check, clock changes, the pass without lines, a
// service that does not answer, absurd lines and errors inside a pass.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "datastore/import/event_log_import.h"
#include "datastore/pass/pass_fixture.h"
#include "records/time_arithmetic.h"
#include "support/failing_file_system.h"

namespace brenvik::test {
namespace {

constexpr const char* kTool = "C:\\Apps\\Tool.exe";

LogLine WindowsStart(DateTime utc, const std::string& handle = "0") {
  return {utc, 1, "", handle, "", ""};
}
LogLine WindowsStop(DateTime utc) { return {utc, 2, "", "", "", ""}; }
LogLine Heartbeat(DateTime utc) { return {utc, 8, "", "", "", ""}; }
LogLine ToolStart(DateTime utc, const std::string& handle = "4242") {
  return {utc, 3, kTool, handle};
}
LogLine ToolEnd(DateTime utc, const std::string& handle = "4242") {
  return {utc, 4, kTool, handle};
}

HistoryRow WindowsRow(std::int64_t run, DateTime start, DateTime end, bool closedOk,
                      bool incomplete) {
  return {run, "", "Windows", start,    end,        SecondsBetween(start, end),
          0,   0,  true,      closedOk, incomplete, false};
}
HistoryRow ToolRow(std::int64_t run, DateTime start, DateTime end, bool closedOk, bool incomplete) {
  return {run, "ann [PC1]", kTool, start,    end,        SecondsBetween(start, end),
          0,   0,           false, closedOk, incomplete, false};
}

// The lines waiting in CopyForMonitor.dat for the next hand-over.
std::string HandedOverAgain(const PassFixture& f) {
  std::string text = Trim(ReadTextFile(f.dir.File(kCopyForMonitorFile)));
  while (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  return text;
}

TEST(ProcessingPass, RunningRowsAreRewrittenByEachPassAndCompletedByAStop) {
  PassFixture f;
  f.Pass({WindowsStart(At(10, 2), "120"), ToolStart(At(10, 5)), ToolEnd(At(10, 35))});
  // Lines are UTC, rows local (+2 h); the running Windows row ends at the
  // time of the pass (14:00 local).
  EXPECT_EQ(f.History(),
            (std::vector<HistoryRow>{ToolRow(1, At(12, 5), At(12, 35), true, true),
                                     WindowsRow(1, At(12, 0), At(14, 0), true, true)}));
  EXPECT_EQ(f.returnedStart, At(12, 0));
  EXPECT_EQ(f.StoredEvents(), (std::vector<std::int32_t>{1, 3, 4}));

  f.dateOfCalc = At(15, 0);
  f.Pass("");
  EXPECT_EQ(f.History(),
            (std::vector<HistoryRow>{ToolRow(1, At(12, 5), At(12, 35), true, true),
                                     WindowsRow(1, At(12, 0), At(15, 0), true, true)}));

  // The machine was booted again 15:30 local, half an hour before this pass.
  f.dateOfCalc = At(16, 0);
  f.Fake().clock->counter = 1800 * f.Fake().clock->frequency;
  f.Pass({WindowsStop(At(13, 10))});
  EXPECT_EQ(f.History(),
            (std::vector<HistoryRow>{ToolRow(1, At(12, 5), At(12, 35), true, false),
                                     WindowsRow(1, At(12, 0), At(15, 10), true, false)}));
  EXPECT_EQ(f.StoredEvents(), (std::vector<std::int32_t>{2}));
  EXPECT_FALSE(FileExists(f.dir.File(kCopyForMonitorFile)));
  EXPECT_TRUE(f.programsFetched.Contains(kTool));
  // The stopped run is not the current one: the current run starts at the
  // boot the system's uptime gives.
  EXPECT_EQ(f.returnedStart, At(15, 30));

  // A pass after the stop sees no start: the running run is the computed one,
  // under this program's account, with the next run number.
  f.startDateTime = f.returnedStart;
  f.Pass("");
  const auto rows = f.History();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2], (HistoryRow{2, "ann [PC1]", "Windows", At(15, 30), At(16, 0), 1800, 0, 0, true,
                                 true, true, false}));
  EXPECT_EQ(f.returnedStart, At(15, 30));
}

TEST(ProcessingPass, AStoppedRunIsNeverTheCurrentSession) {
  // The log ends with a stop at 19:55:52 local; a day later the system has
  // been up for an hour.
  PassFixture f;
  f.Pass({WindowsStart(At(8, 0, 0, 29), "120"), WindowsStop(At(17, 55, 52, 29))});
  f.dateOfCalc = At(19, 55, 52, 30);
  f.Fake().clock->counter = 3600 * f.Fake().clock->frequency;
  f.startDateTime = f.returnedStart;
  f.Pass("");
  EXPECT_EQ(f.returnedStart, At(18, 55, 52, 30));
  ASSERT_EQ(f.History().size(), 2u);
  EXPECT_EQ(f.History()[1].start, At(18, 55, 52, 30));

  // A service stopped while the computer ran on: the current run does not
  // reach back before the stop.
  f.dateOfCalc = At(20, 30, 0, 30);
  f.Fake().clock->counter = 30 * 3600 * f.Fake().clock->frequency;
  f.Pass({WindowsStart(At(18, 0, 0, 30), "120"), WindowsStop(At(18, 10, 0, 30))});
  EXPECT_EQ(f.returnedStart, At(20, 10, 0, 30));
  f.startDateTime = f.returnedStart;
  f.Pass("");
  EXPECT_EQ(f.History().back().start, At(20, 10, 0, 30));
}

TEST(ProcessingPass, TablesOnDiskMatchTheTablesAfterAPass) {
  PassFixture f;
  f.Pass({WindowsStart(At(10, 2), "120"), ToolStart(At(10, 5)), ToolEnd(At(10, 35))});
  const auto rows = f.History();
  Table reread("DataSetHistory", HistorySchema());
  reread.SetFileName(test::NativeFiles(), f.dir.File(kHistoryFile));
  reread.OpenFromFile();
  EXPECT_EQ(reread.RecordCount(), rows.size());
  Table transactions("DataSetTransactions", TransactionsSchema());
  transactions.SetFileName(test::NativeFiles(), f.dir.File(kTransactionsFile));
  transactions.OpenFromFile();
  EXPECT_EQ(transactions.RecordCount(), 3u);
}

TEST(ProcessingPass, AStartSoonAfterBootIsMovedBackToTheBoot) {
  PassFixture f;
  f.Pass({WindowsStart(At(10, 2), "120"), WindowsStop(At(11, 0))});
  EXPECT_EQ(f.History()[0].start, At(12, 0));

  // With history recorded, a start reported 400 s after boot stays where it is.
  f.Pass({WindowsStart(At(12, 2), "400"), WindowsStop(At(13, 0))});
  EXPECT_EQ(f.History()[1], WindowsRow(2, At(14, 2), At(15, 0), true, false));

  // ... unless it is the first start ever recorded.
  PassFixture empty;
  empty.Pass({WindowsStart(At(12, 2), "400")});
  EXPECT_EQ(empty.History()[0].start, AddSeconds(At(14, 2), -400));
}

TEST(ProcessingPass, ASecondStartWithoutStopEndsTheRunAsCrashedAtTheLastLine) {
  PassFixture f;
  f.Pass({WindowsStart(At(8, 0)), ToolStart(At(8, 10)), Heartbeat(At(8, 20)), Heartbeat(At(8, 30)),
          Heartbeat(At(8, 40)), WindowsStart(At(9, 0)), ToolStart(At(9, 5))});
  const auto rows = f.History();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], ToolRow(1, At(10, 10), At(10, 40), false, false));
  EXPECT_EQ(rows[1], WindowsRow(1, At(10, 0), At(10, 40), false, false));
  // The new run has the next number; its rows are provisional.
  EXPECT_EQ(rows[2].runId, 2);
  EXPECT_EQ(rows[3], WindowsRow(2, At(11, 0), At(14, 0), true, true));

  // The next pass keeps the numbering of the running run.
  f.Pass({ToolEnd(At(9, 30))});
  for (const HistoryRow& row : f.History()) {
    if (row.incomplete) {
      EXPECT_EQ(row.runId, 2) << row;
    }
  }
}

TEST(ProcessingPass, ImportedRowsDoNotLowerTheRunNumbers) {
  PassFixture f;
  f.Pass({WindowsStart(At(6, 0)), WindowsStop(At(6, 30)), WindowsStart(At(7, 0)),
          WindowsStop(At(7, 30)), WindowsStart(At(8, 0))});
  EventLogRecord boot;
  boot.timeGenerated = EncodeDateTime(2013, 4, 1, 8, 0, 0);
  boot.eventId = 6005;
  EventLogRecord shutdown = boot;
  shutdown.timeGenerated = EncodeDateTime(2013, 4, 1, 17, 0, 0);
  shutdown.eventId = 6006;
  f.Fake().eventLog->system = {boot, shutdown};
  ASSERT_EQ(ImportEventLogHistory(f.tables.DataSetHistory, At(8, 0), *f.Fake().registry,
                                  *f.Fake().eventLog, *f.Fake().clock),
            kImportExecuted);
  ASSERT_EQ(f.History().back().runId, 0);

  f.Pass({ToolStart(At(8, 10)), WindowsStop(At(9, 0)), WindowsStart(At(9, 30))}, true);
  std::vector<std::int64_t> windowsRuns;
  for (const HistoryRow& row : f.History()) {
    if (row.isWindows) windowsRuns.push_back(row.runId);
  }
  EXPECT_EQ(windowsRuns, (std::vector<std::int64_t>{1, 2, 0, 3, 4}));
  ASSERT_EQ(f.runs.size(), 4u);
  for (std::size_t i = 0; i < f.runs.size(); ++i)
    EXPECT_EQ(f.runs[i]->rRunID, static_cast<int>(i + 1));
}

TEST(ProcessingPass, HeartbeatRunsAreReducedToTheirLastRow) {
  PassFixture f;
  f.Pass({WindowsStart(At(8, 0)), Heartbeat(At(8, 1)), Heartbeat(At(8, 2)), ToolStart(At(8, 3)),
          Heartbeat(At(8, 4)), Heartbeat(At(8, 5)), Heartbeat(At(8, 6))});
  EXPECT_EQ(f.StoredEvents(), (std::vector<std::int32_t>{1, 8, 3, 8}));
  f.Pass({Heartbeat(At(8, 7)), ToolEnd(At(8, 8)), Heartbeat(At(8, 9))});
  EXPECT_EQ(f.StoredEvents(), (std::vector<std::int32_t>{1, 8, 3, 8, 4, 8}));
}

TEST(ProcessingPass, AHangReportWithinAMinuteOfTheEndMarksTheProgramNotClosedOk) {
  PassFixture f;
  auto& application = f.Fake().eventLog->application;
  const auto report = [](DateTime utc, std::uint32_t id, const std::string& text) {
    EventLogRecord record;
    record.timeGenerated = utc;
    record.eventId = id;
    record.source = "Application Hang";
    record.computer = "PC1";
    record.strings = {text};
    return record;
  };
  application = {report(At(8, 30, 30), 1002, "Other.exe 1.0"),  // another program
                 report(At(8, 31, 0), 1001, "Tool.exe 1.0"),    // not a hang report
                 report(At(8, 30, 40), 1002, "The program Tool.exe version 1.0 stopped")};
  f.Pass({WindowsStart(At(8, 0)), ToolStart(At(8, 10)), ToolEnd(At(8, 30)),
          ToolStart(At(9, 0), "7"), ToolEnd(At(9, 10), "7")});
  auto rows = f.History();
  EXPECT_FALSE(rows[0].closedOk);  // ended 08:30, report 08:30:40
  EXPECT_TRUE(rows[1].closedOk);   // ended 09:10, no report near it

  // The decision is kept for the rewritten row without reading the log again.
  application.clear();
  f.Pass("");
  rows = f.History();
  EXPECT_FALSE(rows[0].closedOk);
  EXPECT_TRUE(rows[1].closedOk);
}

TEST(ProcessingPass, AHangReportMoreThanAMinuteAwayDoesNotCount) {
  PassFixture f;
  EventLogRecord late;
  late.timeGenerated = At(8, 31, 1);
  late.eventId = 1002;
  late.strings = {"Tool.exe"};
  f.Fake().eventLog->application = {late};
  f.Pass({WindowsStart(At(8, 0)), ToolStart(At(8, 10)), ToolEnd(At(8, 30))});
  EXPECT_TRUE(f.History()[0].closedOk);
}

TEST(ProcessingPass, ASecondStartOfTheSameProcessIsIgnored) {
  PassFixture f;
  f.Pass({WindowsStart(At(8, 0)), ToolStart(At(8, 10), "10"), ToolStart(At(8, 20), "10"),
          ToolEnd(At(8, 30), "10")});
  const auto rows = f.History();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], ToolRow(1, At(10, 10), At(10, 30), true, true));
}

TEST(ProcessingPass, AClockChangeMovesOpenIntervalsLaterByItsSize) {
  for (const char* other : {"2013-04-30 11:30:00", "2013-04-30 09:30:00"}) {
    PassFixture f;
    f.Pass({WindowsStart(At(10, 0)),
            ToolStart(At(10, 10)),
            {At(10, 30), 7, other, "", "", ""},
            ToolEnd(At(11, 40))});
    const auto rows = f.History();
    ASSERT_EQ(rows.size(), 2u) << other;
    EXPECT_EQ(rows[0], ToolRow(1, At(13, 10), At(13, 40), true, true)) << other;
    EXPECT_EQ(rows[1], WindowsRow(1, At(13, 0), At(14, 0), true, true)) << other;
  }
}

TEST(ProcessingPass, APassWithoutLinesWritesTheComputedRun) {
  PassFixture f;
  f.Pass("");
  EXPECT_EQ(f.History(), (std::vector<HistoryRow>{{1, "ann [PC1]", "Windows", At(8, 0), At(14, 0),
                                                   6 * 3600, 0, 0, true, true, true, false}}));
  EXPECT_EQ(f.returnedStart, At(8, 0));
  EXPECT_EQ(f.failureCount, 0);
}

TEST(ProcessingPass, AServiceThatDoesNotAnswerCountsOneFailureAndRowsStillRefresh) {
  PassFixture f;
  f.Pass({WindowsStart(At(10, 0))});
  f.Fake().servicePipe->running = false;
  f.failureCount = -2;
  f.dateOfCalc = At(16, 0);
  f.Pass("");
  EXPECT_EQ(f.failureCount, -3);
  EXPECT_EQ(f.History(),
            (std::vector<HistoryRow>{WindowsRow(1, At(12, 0), At(16, 0), true, true)}));
}

TEST(ProcessingPass, BadLinesAreSkippedAndReported) {
  PassFixture f;
  f.Pass(WindowsStart(At(10, 0)).Text() + "\r\n2013-02-30 00:00:00;7200;PC1|ann;3;x;1\r\n" +
         "2013-04-30 10:01:00;72x0;PC1|ann;3;x;1\r\n" + ToolStart(At(10, 2)).Text() + "\r\n");
  EXPECT_EQ(f.StoredEvents(), (std::vector<std::int32_t>{1, 3}));
  EXPECT_EQ(f.diagnostics.Entries().size(), 2u);
}

TEST(ProcessingPass, AbsurdLinesNeverBreakThePass) {
  PassFixture f;
  f.Pass({ToolEnd(At(9, 0)),      // an end before any start
          WindowsStop(At(9, 1)),  // a stop before any start
          WindowsStart(At(9, 2)),
          WindowsStart(At(9, 2)),  // duplicate starts
          {At(9, 3), 7, "1900-01-01 00:00:00", "", "", ""},
          {At(9, 4), 7, "9999-12-31 23:59:59", "", "", ""},
          {At(9, 5), 7, "not a date", "", "", ""},
          {At(9, 6), 9, "-50", ""},              // negative idle, unknown login
          {At(9, 7), 6, "0", "", "bob", "PC1"},  // logoff of a login never seen
          {At(9, 8), 5, "1", ""},
          {At(9, 9), 9, "-5", ""},
          {At(9, 10), 4, "C:\\x.exe", "1"},
          {At(9, 11), 42, "?", ""}});
  const auto rows = f.History();
  ASSERT_FALSE(rows.empty());
  // The stop without a program start wrote a zero-length row ended normally.
  EXPECT_EQ(rows[0], (HistoryRow{1, "ann [PC1]", "Tool", At(11, 0), At(11, 0), 0, 0, 0, false, true,
                                 false, false}));
  for (const HistoryRow& row : rows) EXPECT_GE(row.idle, 0) << row;
  // Everything is on disk and reads back.
  Table reread("DataSetHistory", HistorySchema());
  reread.SetFileName(test::NativeFiles(), f.dir.File(kHistoryFile));
  reread.OpenFromFile();
  EXPECT_EQ(reread.RecordCount(), rows.size());
  f.Pass("");  // and the replay of all that works too
}

TEST(ProcessingPass, AnErrorInTheLoopWritesTheTablesAndKeepsTheUnprocessedLines) {
  PassFixture f;
  f.Fake().eventLog->fail = true;  // the hang check of the first program fails
  const std::vector<LogLine> lines = {WindowsStart(At(8, 0)), ToolStart(At(8, 10)),
                                      ToolEnd(At(8, 30)), ToolStart(At(9, 0), "7"),
                                      ToolEnd(At(9, 10), "7")};
  EXPECT_THROW(f.Pass(lines), PlatformError);
  // The lines up to the failing one are stored; the rest waits for the next
  // hand-over.
  EXPECT_EQ(f.StoredEvents(), (std::vector<std::int32_t>{1, 3, 4}));
  Table stored("DataSetTransactions", TransactionsSchema());
  stored.SetFileName(test::NativeFiles(), f.dir.File(kTransactionsFile));
  stored.OpenFromFile();
  EXPECT_EQ(stored.RecordCount(), 3u);
  EXPECT_EQ(HandedOverAgain(f), Trim(Lines({lines[3], lines[4]})));

  f.Fake().eventLog->fail = false;
  f.Pass("");
  PassFixture whole;
  whole.Pass(lines);
  EXPECT_EQ(f.History(), whole.History());
  EXPECT_EQ(f.StoredEvents(), whole.StoredEvents());
}

TEST(ProcessingPass, AnErrorBeforeTheLoopLeavesTheHandedOverLines) {
  PassFixture f;
  f.Pass({WindowsStart(At(8, 0))});
  // The journal cannot be replaced any more: the hand-over fails once the
  // service has written its file.
  const std::string journal = std::string("Backup/") + kJournalFile;
  std::filesystem::remove(f.dir.File(journal));
  std::filesystem::create_directory(f.dir.File(journal));
  f.dir.Write(journal + "/keep", "x");
  EXPECT_THROW(f.Pass({ToolStart(At(8, 10))}), Error);
  EXPECT_EQ(HandedOverAgain(f), ToolStart(At(8, 10)).Text());
}

}  // namespace
}  // namespace brenvik::test
