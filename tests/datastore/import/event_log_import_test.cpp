// The import of earlier Windows runs from the System event log, and the
// event logs read from text files.
#include "datastore/import/event_log_import.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/import/file_event_log.h"
#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik::test {
namespace {

DateTime Day(int day, int hour, int minute, int second = 0) {
  return EncodeDateTime(2013, 4, day, hour, minute, second);
}

EventLogRecord Event(DateTime utc, std::uint32_t id) {
  EventLogRecord record;
  record.timeGenerated = utc;
  record.eventId = id;
  return record;
}

struct ImportedRow {
  DateTime start;
  DateTime end;
  std::int64_t uptime;
  bool closedOk;
  bool operator==(const ImportedRow&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ImportedRow& r) {
  return os << r.start << ".." << r.end << " up " << r.uptime << (r.closedOk ? " ok" : " crashed");
}

class EventLogImport : public ::testing::Test {
 protected:
  EventLogImport() : fake(MakeFakePlatform()), history("DataSetHistory", HistorySchema()) {
    // Local time is UTC+2; now is 2013-04-30 12:00 local.
    history.SetFileName(test::NativeFiles(), dir.File(kHistoryFile));
    history.CreateEmpty();
  }

  int Import(DateTime limitDate) {
    return ImportEventLogHistory(history, limitDate, *fake.registry, *fake.eventLog, *fake.clock);
  }

  // The imported rows, checking the fixed values of every one.
  std::vector<ImportedRow> Rows() {
    std::vector<ImportedRow> rows;
    const TableStore& s = history.Rows();
    for (std::size_t r = 0; r < s.RowCount(); ++r) {
      EXPECT_EQ(s.LargeintAt(r, history::kRunId), 0);
      EXPECT_EQ(s.TextAt(r, history::kExePath), "Windows");
      EXPECT_EQ(s.TextAt(r, history::kComputerUser), "");
      EXPECT_EQ(s.IntegerAt(r, history::kIdleSeconds), 0);
      EXPECT_EQ(s.LargeintAt(r, history::kActiveSeconds), s.LargeintAt(r, history::kUptimeSeconds));
      EXPECT_TRUE(s.BooleanAt(r, history::kIsWindows));
      EXPECT_FALSE(s.BooleanAt(r, history::kRecIncomplete));
      EXPECT_TRUE(s.BooleanAt(r, history::kIsImported));
      rows.push_back(
          {s.DateTimeAt(r, history::kDateTimeStart), s.DateTimeAt(r, history::kDateTimeEnd),
           s.LargeintAt(r, history::kUptimeSeconds), s.BooleanAt(r, history::kClosedOk)});
    }
    return rows;
  }

  bool FlagSet() {
    auto key = fake.registry->OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false);
    return key && key->ReadBool(kWindowsImportExecutedValue).value_or(false);
  }

  TempDir dir;
  FakePlatform fake;
  Table history;
  const DateTime limit = Day(30, 8, 0);  // local
};

TEST_F(EventLogImport, ABootAndAShutdownGiveOneRunEndedNormally) {
  fake.eventLog->system = {Event(Day(20, 8, 0), 6005), Event(Day(20, 17, 0), 6006)};
  EXPECT_EQ(Import(limit), kImportExecuted);
  EXPECT_EQ(Rows(), (std::vector<ImportedRow>{{Day(20, 10, 0), Day(20, 19, 0), 32400, true}}));
  EXPECT_TRUE(FlagSet());
  Table reread("DataSetHistory", HistorySchema());
  reread.SetFileName(test::NativeFiles(), dir.File(kHistoryFile));
  reread.OpenFromFile();
  EXPECT_EQ(reread.RecordCount(), 1u);
}

TEST_F(EventLogImport, ACrashedRunEndsInTheLargerGapBeforeTheNextBoot) {
  fake.eventLog->system = {Event(Day(20, 8, 0), 6005),   Event(Day(20, 9, 0), 7036),
                           Event(Day(20, 11, 50), 7036), Event(Day(20, 12, 0), 7036),
                           Event(Day(21, 7, 0), 6005),   Event(Day(21, 7, 0, 5), 6008),
                           Event(Day(21, 18, 0), 6006)};
  EXPECT_EQ(Import(limit), kImportExecuted);
  EXPECT_EQ(Rows(), (std::vector<ImportedRow>{
                        {Day(20, 10, 0), Day(20, 14, 0), 4 * 3600, false},  // the night was larger
                        {Day(20, 14, 0), Day(20, 14, 0), 0, false},  // ended before the night
                        {Day(21, 9, 0, 5), Day(21, 20, 0), 39595, true}}));
}

TEST_F(EventLogImport, ABootInTheLastMinuteBeforeTheLimitEndsTheWalk) {
  // 07:59:30 local is within the minute before the limit (08:00 local); the
  // run open since 06:00 local is not written.
  fake.eventLog->system = {Event(Day(30, 4, 0), 6005), Event(Day(30, 5, 59, 30), 6005)};
  EXPECT_EQ(Import(limit), kImportExecuted);
  EXPECT_TRUE(Rows().empty());
}

TEST_F(EventLogImport, ARunIsCutAtTheLimit) {
  fake.eventLog->system = {Event(Day(30, 4, 0), 6005), Event(Day(30, 6, 0, 30), 6006)};
  EXPECT_EQ(Import(limit), kImportExecuted);
  EXPECT_EQ(Rows(), (std::vector<ImportedRow>{{Day(30, 6, 0), Day(30, 8, 0), 7200, true}}));
}

TEST_F(EventLogImport, AShutdownWithoutBootIsARunOfLengthZero) {
  fake.eventLog->system = {Event(Day(20, 8, 0), 7036), Event(Day(20, 9, 0), 6006)};
  EXPECT_EQ(Import(limit), kImportExecuted);
  EXPECT_EQ(Rows(), (std::vector<ImportedRow>{{Day(20, 11, 0), Day(20, 11, 0), 0, true}}));
}

TEST_F(EventLogImport, RunsOnlyOnce) {
  fake.eventLog->system = {Event(Day(20, 8, 0), 6005), Event(Day(20, 17, 0), 6006)};
  EXPECT_EQ(Import(limit), kImportExecuted);
  EXPECT_EQ(Import(limit), kImportAlreadyDone);
  EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(EventLogImport, ANullLimitImportsNothingButCountsAsDone) {
  fake.eventLog->system = {Event(Day(20, 7, 0), 7036), Event(Day(20, 8, 0), 6008),
                           Event(Day(20, 17, 0), 6006)};
  EXPECT_EQ(Import(NullDate), kImportExecuted);
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(FileExists(dir.File(kHistoryFile)));
  EXPECT_TRUE(FlagSet());
}

TEST_F(EventLogImport, AnEmptyLogCountsAsDoneAndAnUnreadableOneDoesNot) {
  fake.eventLog->fail = true;
  EXPECT_THROW(Import(limit), PlatformError);
  EXPECT_FALSE(FlagSet());
  fake.eventLog->fail = false;
  EXPECT_EQ(Import(limit), kImportExecuted);
  EXPECT_TRUE(FlagSet());
}

TEST(EventLogFiles, ReadTheSystemAndApplicationForms) {
  const auto system = ParseEventLogText(EventLogName::System,
                                        "\xEF\xBB\xBF"
                                        "2013-04-20 08:00:00;6005\r\n"
                                        "2013-02-30 08:00:00;6005\n"        // no such day
                                        "2013-04-20 8:00:00;6005\n"         // not the form
                                        "2013-04-20 09:00:00;60x5\n"        // not a number
                                        "2013-04-20 09:30:00;6006;extra\n"  // not the System form
                                        "\n"
                                        "2013-04-20 17:00:00;2147489654\n");
  ASSERT_EQ(system.size(), 2u);
  EXPECT_EQ(system[0].timeGenerated, Day(20, 8, 0));
  EXPECT_EQ(system[0].eventId, 6005u);
  EXPECT_EQ(system[1].recordNumber, 2u);
  EXPECT_EQ(system[1].eventId & 0xFFFF, 6006u);  // qualifier bits are the reader's to drop

  const auto application = ParseEventLogText(
      EventLogName::Application,
      "2013-04-20 08:30:40;1002;Application Hang;PC1;The program Tool.exe; version 1.0 stopped\n"
      "2013-04-20 08:31:00;1002;Application Hang\n");
  ASSERT_EQ(application.size(), 1u);
  EXPECT_EQ(application[0].source, "Application Hang");
  EXPECT_EQ(application[0].computer, "PC1");
  EXPECT_EQ(application[0].strings,
            std::vector<std::string>{"The program Tool.exe; version 1.0 stopped"});
  EXPECT_EQ(ParseEventLogLine(EventLogName::Application,
                              FormatEventLogLine(EventLogName::Application, application[0]))
                ->strings,
            application[0].strings);
}

TEST(EventLogFiles, FeedTheImportAndFallBackForLogsWithoutFile) {
  TempDir dir;
  auto fake = MakeFakePlatform();
  auto fallback = std::make_unique<FakeEventLog>();
  fallback->application = {Event(Day(20, 8, 0), 1002)};
  FileEventLog logs(std::move(fallback));
  EXPECT_EQ(logs.ReadAll(EventLogName::Application).size(), 1u);
  logs.SetFile(EventLogName::System, dir.File("missing.txt"));
  EXPECT_THROW(logs.ReadAll(EventLogName::System), PlatformError);

  dir.Write("system.txt", "2013-04-20 08:00:00;6005\n2013-04-20 17:00:00;6006\n");
  logs.SetFile(EventLogName::System, dir.File("system.txt"));
  Table history("DataSetHistory", HistorySchema());
  history.SetFileName(test::NativeFiles(), dir.File(kHistoryFile));
  EXPECT_EQ(ImportEventLogHistory(history, Day(30, 8, 0), *fake.registry, logs, *fake.clock),
            kImportExecuted);
  EXPECT_EQ(history.RecordCount(), 1u);
}

}  // namespace
}  // namespace brenvik::test
