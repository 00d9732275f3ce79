// The benchmarks' generated data trees open as the program's own tables, and
// a pass over generated activity-log lines continues them.
#include "data_generator.h"

#include <gtest/gtest.h>

#include "base/text_file.h"
#include "datastore/pass/processing_pass.h"
#include "datastore/service_link/diagnostic_log.h"
#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

class Silent : public Messages {
  void ShowMessage(const std::string&) override {}
};

TEST(DataGenerator, ATreeOpensAndAPassContinuesIt) {
  test::TempDir dir;
  datagen::GeneratorOptions options;
  options.boots = 40;
  options.programsPerBoot = 3;
  const datagen::GeneratedHistory made = datagen::WriteDataTree(options, dir.path());
  ASSERT_EQ(made.boots.size(), 40u);

  auto fake = test::MakeFakePlatform();
  ServiceLink link{*fake.servicePipe, *fake.clock, *fake.files, dir.path()};
  DataTables tables;
  Silent silent;
  OpenTables(tables, link, silent);
  ASSERT_EQ(tables.DataSetHistory.RecordCount(), 160u);
  ASSERT_EQ(tables.DataSetLogins.RecordCount(), 40u);
  std::int64_t uptime = 0;
  std::size_t crashed = 0;
  const TableStore& rows = tables.DataSetHistory.Rows();
  for (std::size_t r = 0; r < rows.RowCount(); ++r) {
    if (!rows.BooleanAt(r, history::kIsWindows)) continue;
    uptime += rows.LargeintAt(r, history::kUptimeSeconds);
    crashed += rows.BooleanAt(r, history::kClosedOk) ? 0 : 1;
    EXPECT_EQ(rows.LargeintAt(r, history::kUptimeSeconds),
              SecondsBetween(rows.DateTimeAt(r, history::kDateTimeStart),
                             rows.DateTimeAt(r, history::kDateTimeEnd)));
  }
  EXPECT_EQ(uptime, made.windowsUptimeSeconds);
  EXPECT_EQ(crashed, made.crashes);

  // A new run after the last boot: its lines become provisional rows.
  DateTime next = 0;
  const DateTime utc = AddSeconds(made.boots.back().end, 3600 - 7200);
  const std::string lines = datagen::SessionLines(utc, 60, 7, true, next);
  fake.servicePipe->onMessage = [&](const std::string&) {
    WriteTextFileWithBom(test::NativeFiles(), dir.File(kCopyForMonitorFile), lines);
  };
  ListedRows listed;
  DiagnosticLog diagnostics;
  PassEnvironment env{link, *fake.eventLog, *fake.accounts, listed, diagnostics};
  TArrRecComputerRun runs;
  SortedTextList programs;
  SortedTextList users;
  std::int32_t failures = 0;
  const DateTime now = AddSeconds(next, 7200);
  DateTime start = now;
  ProcessTransactions(env, PassTablesOf(tables),
                      PassLists{.runs = runs, .programsFetched = programs, .historyUsers = users},
                      failures, start, now);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(tables.DataSetTransactions.RecordCount() > 0, true);
  std::size_t newRows = 0;
  bool windowsRow = false;
  for (std::size_t r = 160; r < rows.RowCount(); ++r) {
    // The next boot is the next run, not the last generated one.
    EXPECT_EQ(rows.LargeintAt(r, history::kRunId), 41);
    EXPECT_TRUE(rows.BooleanAt(r, history::kRecIncomplete));
    windowsRow = windowsRow || rows.BooleanAt(r, history::kIsWindows);
    ++newRows;
  }
  EXPECT_TRUE(windowsRow);
  EXPECT_GT(newRows, 5u);
  const TableStore& loginRows = tables.DataSetLogins.Rows();
  ASSERT_GT(loginRows.RowCount(), 40u);
  EXPECT_EQ(loginRows.LargeintAt(39, logins::kRunId), 40);
  EXPECT_EQ(loginRows.LargeintAt(40, logins::kRunId), 41);
  EXPECT_NE(programs.begin(), programs.end());
  EXPECT_TRUE(datagen::BootsCsv(made).starts_with("789033600,"));  // 1995-01-02 08:00
}

}  // namespace
}  // namespace brenvik
