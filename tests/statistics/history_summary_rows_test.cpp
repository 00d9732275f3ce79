#include "statistics/history_summary_rows.h"

#include <gtest/gtest.h>

#include <span>

#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s);
}

struct Row {
  DateTime start;
  DateTime end;
  bool isWindows = true;
  bool closedOk = true;
  bool incomplete = false;
  std::int64_t idle = 0;
  std::int64_t active = 0;
};

void AppendHistoryRow(Table& history, const Row& r) {
  history.Append({FieldValue(1), FieldValue(""),
                  FieldValue(r.isWindows ? "Windows" : "/usr/bin/vi"), FieldValue(),
                  FieldValue(r.start), FieldValue(r.end), FieldValue(), FieldValue(), FieldValue(),
                  FieldValue(SecondsBetween(r.start, r.end)), FieldValue(r.idle),
                  FieldValue(r.active), FieldValue(r.isWindows), FieldValue(r.closedOk),
                  FieldValue(r.incomplete), FieldValue(false)});
}

class HistoryTablesTest : public ::testing::Test {
 protected:
  HistoryTablesTest() {
    tables_.DataSetHistory.CreateEmpty();
    tables_.DataSetHistoryClone = std::make_unique<Cursor>(tables_.DataSetHistory);
    tables_.DataSetHistoryCloneWinUptime = std::make_unique<Cursor>(tables_.DataSetHistory);
  }
  DataTables tables_;
};

TEST_F(HistoryTablesTest, WindowsHistoryFiltersTheStatisticsCloneOnly) {
  AppendHistoryRow(tables_.DataSetHistory, {At(2013, 5, 1, 8), At(2013, 5, 1, 18)});
  AppendHistoryRow(tables_.DataSetHistory, {At(2013, 5, 1, 9), At(2013, 5, 1, 9, 30), false});
  AppendHistoryRow(tables_.DataSetHistory,
                   {At(2013, 5, 2, 8), At(2013, 5, 2, 9), true, false, true, 60, 3000});
  TableWindowsHistory source(tables_);
  const std::vector<HistorySummaryRow> rows = source.WindowsRows();
  ASSERT_EQ(rows.size(), 2U);
  EXPECT_EQ(rows[1].start, At(2013, 5, 2, 8));
  EXPECT_FALSE(rows[1].closedOk);
  EXPECT_TRUE(rows[1].incomplete);
  EXPECT_EQ(rows[1].uptimeSeconds, 3600);
  EXPECT_EQ(rows[1].idleSeconds, 60);
  EXPECT_EQ(rows[1].activeSeconds, 3000);
  EXPECT_EQ(tables_.DataSetHistoryClone->RecordCount(), 3U);  // the report's clone is untouched
  // A program row appended later is still left out on the next refresh; a
  // Windows row's milliseconds are dropped.
  AppendHistoryRow(tables_.DataSetHistory, {At(2013, 5, 3, 9), At(2013, 5, 3, 10), false});
  AppendHistoryRow(tables_.DataSetHistory,
                   {At(2013, 5, 4, 8) + 0.7 / 86400, At(2013, 5, 4, 9) + 0.2 / 86400});
  const std::vector<HistorySummaryRow> again = source.WindowsRows();
  ASSERT_EQ(again.size(), 3U);
  EXPECT_EQ(again[2].start, At(2013, 5, 4, 8));
  EXPECT_EQ(again[2].end, At(2013, 5, 4, 9));
}

TEST_F(HistoryTablesTest, ReportSummaryFollowsTheReportFilterAndEndsOnTheLastRow) {
  AppendHistoryRow(tables_.DataSetHistory, {At(2013, 5, 1, 8), At(2013, 5, 1, 9), true, false});
  AppendHistoryRow(tables_.DataSetHistory,
                   {At(2013, 5, 1, 9), At(2013, 5, 1, 9, 30), false, true, false, 100, 1700});
  AppendHistoryRow(tables_.DataSetHistory,
                   {At(2013, 5, 2, 9), At(2013, 5, 2, 9, 10), false, true, false, 5, 500});
  Cursor& report = *tables_.DataSetHistoryClone;
  report.SetFilter("cdsHistoryIsWindows = false");
  report.SetFiltered(true);
  const SummaryTotals t = LoadSummary(report);
  EXPECT_EQ(t.recCount, 2);
  EXPECT_EQ(t.closedOk, 2);
  EXPECT_EQ(t.runningSec, 1800 + 600);
  EXPECT_EQ(t.idleTotal, 105);
  EXPECT_EQ(t.activeTotal, 2200);
  EXPECT_FALSE(report.Eof());
  EXPECT_EQ(report.RecNo(), 2U);
}

TEST_F(HistoryTablesTest, SecondCountsBeyondThirtyTwoBitsAreHeldAtTheLimit) {
  Table& history = tables_.DataSetHistory;
  AppendHistoryRow(history, {At(2013, 5, 1, 8), At(2013, 5, 1, 9)});
  history.First();
  history.Edit();
  history.Set(history::kUptimeSeconds, FieldValue(std::int64_t{5'000'000'000}));
  history.Post();
  const std::vector<HistorySummaryRow> rows = ReadSummaryRows(*tables_.DataSetHistoryClone);
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(rows[0].uptimeSeconds, 2'147'483'647);
}

// The Windows rows reach the statistics in batches: across several batches,
// with program rows between them, every Windows row arrives once, in order,
// and the summary over the batches is the summary over the whole list.
TEST_F(HistoryTablesTest, WindowsRowsComeInOrderAcrossBatches) {
  Table& history = tables_.DataSetHistory;
  for (int i = 0; i < 1500; ++i) {
    const DateTime start = At(2013, 1, 1) + i;
    AppendHistoryRow(history, {start, start + (i == 1499 ? 90 : i % 50) / 1440.0, i % 3 != 0,
                               i % 7 != 0, i == 1499, i % 11, i % 13});
  }
  TableWindowsHistory source(tables_);
  std::vector<HistorySummaryRow> seen;
  std::size_t batches = 0;
  source.VisitWindowsRows([&](std::span<const HistorySummaryRow> rows) {
    ++batches;
    seen.insert(seen.end(), rows.begin(), rows.end());
  });
  EXPECT_GT(batches, 1U);
  ASSERT_EQ(seen.size(), 1000U);
  for (std::size_t k = 0; k < seen.size(); ++k) {
    const std::size_t i = k / 2 * 3 + k % 2 + 1;  // the rows with i % 3 != 0
    ASSERT_EQ(seen[k].start, At(2013, 1, 1) + static_cast<double>(i)) << k;
    EXPECT_EQ(seen[k].closedOk, i % 7 != 0) << k;
  }
  WinStatistics fromList;
  const SummaryTotals expected = LoadSummary(seen, fromList);
  WinStatistics fromBatches;
  WindowsSummaryScan scan(fromBatches);
  source.VisitWindowsRows([&](std::span<const HistorySummaryRow> rows) {
    for (const HistorySummaryRow& row : rows) scan.Add(row);
  });
  const SummaryTotals got = scan.Finish();
  EXPECT_EQ(got.recCount, expected.recCount);
  EXPECT_EQ(got.closedOk, expected.closedOk);
  EXPECT_EQ(got.runningSec, expected.runningSec);
  EXPECT_EQ(got.secMax, expected.secMax);
  EXPECT_EQ(got.idleSec, expected.idleSec);
  EXPECT_EQ(fromBatches.recordSetDate, fromList.recordSetDate);
  EXPECT_EQ(fromBatches.recordSeconds, -1);  // the longest run is the running one
  EXPECT_EQ(fromBatches.firstBootDate, At(2013, 1, 2));
}

}  // namespace
}  // namespace brenvik
