#include "reports/daily/history_runs.h"

#include <gtest/gtest.h>

#include "support/history_rows.h"

namespace brenvik {
namespace {

DateTime At(int d, int h, int mi = 0) { return EncodeDateTime(2026, 3, d, h, mi, 0); }

test::HistoryRow Row(const std::string& path, DateTime start, DateTime end, bool incomplete = false,
                     bool closedOk = true) {
  test::HistoryRow row;
  row.exePath = path;
  row.start = start;
  row.end = end;
  row.incomplete = incomplete;
  row.closedOk = closedOk;
  return row;
}

TEST(ReadRunSpans, TellsRunningRowsFromRowsThatEndedInTheCurrentRun) {
  auto table = test::MakeHistoryTable();
  // An earlier run that crashed, then the current run (ending with the pass
  // at 12:00), with one program still open and one that ended at 10:00.
  test::AppendHistoryRow(*table, Row("Windows", At(1, 8), At(1, 9), false, false));
  test::HistoryRow current = Row("Windows", At(2, 8), At(2, 12), true);
  current.idleSeconds = 60;
  current.activeSeconds = 600;
  test::AppendHistoryRow(*table, current);
  test::AppendHistoryRow(*table, Row("/usr/bin/gimp", At(2, 9), At(2, 12), true));
  test::AppendHistoryRow(*table, Row("/usr/bin/vi", At(2, 9), At(2, 10), true));
  Cursor cursor(*table);
  const std::vector<RunSpan> runs = ReadRunSpans(cursor);
  ASSERT_EQ(runs.size(), 4U);
  EXPECT_FALSE(runs[0].running);
  EXPECT_FALSE(runs[0].closedOk);
  EXPECT_TRUE(runs[1].running);
  EXPECT_EQ(runs[1].idleSeconds, 60);
  EXPECT_EQ(runs[1].activeSeconds, 600);
  EXPECT_TRUE(runs[2].running);
  EXPECT_EQ(runs[2].program, "/usr/bin/gimp");
  EXPECT_FALSE(runs[3].running);

  EXPECT_EQ(WindowsRuns(runs).size(), 2U);
  const std::vector<RunSpan> windows = ReadRunSpans(cursor, RunKinds::WindowsOnly);
  ASSERT_EQ(windows.size(), 2U);
  EXPECT_TRUE(windows[1].running);

  // The rows of the 2nd alone, and none of a day without a run.
  const std::int64_t day2 = SplitDateTime(At(2, 0)).day;
  const std::vector<RunSpan> second = ReadRunSpans(cursor, RunKinds::All, DayRange{day2, day2});
  ASSERT_EQ(second.size(), 3U);
  EXPECT_TRUE(second[1].running);
  EXPECT_TRUE(ReadRunSpans(cursor, RunKinds::All, DayRange{day2 + 1, day2 + 5}).empty());
  EXPECT_EQ(ProgramRuns(runs).size(), 2U);
}

TEST(ReadRunSpans, FollowsTheCursorsFilterButFindsTheCurrentRunInTheWholeTable) {
  auto table = test::MakeHistoryTable();
  test::AppendHistoryRow(*table, Row("Windows", At(1, 8), At(1, 9)));
  test::AppendHistoryRow(*table, Row("/usr/bin/gimp", At(1, 8), At(1, 9)));
  test::AppendHistoryRow(*table, Row("Windows", At(2, 8), At(2, 12), true));
  test::AppendHistoryRow(*table, Row("/usr/bin/gimp", At(2, 9), At(2, 12), true));
  Cursor cursor(*table);
  cursor.SetFilter("cdsHistoryIsWindows = false");
  cursor.SetFiltered(true);
  const std::vector<RunSpan> runs = ReadRunSpans(cursor);
  ASSERT_EQ(runs.size(), 2U);
  EXPECT_EQ(runs[0].program, "/usr/bin/gimp");
  EXPECT_FALSE(runs[0].running);
  // Running, though the report leaves out the Windows row it ends with.
  EXPECT_TRUE(runs[1].running);
}

}  // namespace
}  // namespace brenvik
