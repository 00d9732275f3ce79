// The import of earlier history from a Linux machine's boot records: login
// accounting files written with glibc's own updwtmpx, their rotations, and
// journal listings as journalctl prints them, read by the POSIX System log
// and walked by the import.
#include <gtest/gtest.h>
#include <utmpx.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/import/event_log_import.h"
#include "datastore/startup/tables.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_event_log.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

DateTime Day(int month, int day, int hour, int minute, int second = 0) {
  return EncodeDateTime(2013, month, day, hour, minute, second);
}

std::int64_t Unix(DateTime t) { return std::llround(DateTimeToUnixSeconds(t)); }

// updwtmpx appends to an existing file only, as on a real system.
void AddRecord(const std::string& file, short type, const char* user, std::int64_t unixSeconds) {
  if (!FileExists(file)) WriteFileAtomic(test::NativeFiles(), file, "");
  utmpx entry;
  std::memset(&entry, 0, sizeof entry);
  entry.ut_type = type;
  std::strncpy(entry.ut_user, user, sizeof entry.ut_user - 1);
  std::strncpy(entry.ut_line, type == BOOT_TIME ? "~" : "tty1", sizeof entry.ut_line - 1);
  entry.ut_tv.tv_sec = static_cast<std::int32_t>(unixSeconds);
  updwtmpx(file.c_str(), &entry);
}

void Boot(const std::string& file, DateTime t) { AddRecord(file, BOOT_TIME, "reboot", Unix(t)); }
void Shutdown(const std::string& file, DateTime t) {
  AddRecord(file, RUN_LVL, "shutdown", Unix(t));
}
void Login(const std::string& file, DateTime t) { AddRecord(file, USER_PROCESS, "ann", Unix(t)); }
void Logout(const std::string& file, DateTime t) { AddRecord(file, DEAD_PROCESS, "", Unix(t)); }

struct Row {
  DateTime start;
  DateTime end;
  bool closedOk;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
  const LocaleInfo iso;
  return os << FormatDateTime("yyyy-mm-dd hh:nn:ss", r.start, iso) << " .. "
            << FormatDateTime("yyyy-mm-dd hh:nn:ss", r.end, iso)
            << (r.closedOk ? " ok" : " crashed");
}

class BootImport : public ::testing::Test {
 protected:
  BootImport() : fake(test::MakeFakePlatform()), history("DataSetHistory", HistorySchema()) {
    // Local time is UTC here; now is 2013-06-01 12:00, the service's history
    // begins 2013-05-30 08:00.
    fake.clock->local = Day(6, 1, 12, 0);
    fake.clock->offsetSeconds = 0;
    history.SetFileName(test::NativeFiles(), dir.File(kHistoryFile));
    history.CreateEmpty();
  }

  std::string Wtmp() const { return dir.File("wtmp"); }
  std::string Listing(const std::string& text) const { return dir.Write("boots.txt", text); }
  std::string Cat(const std::string& file) const { return "cat '" + file + "'"; }

  int Import(EventLog& log) {
    return ImportEventLogHistory(history, limit, *fake.registry, log, *fake.clock);
  }
  int Import(std::string journalCommand) {
    PosixEventLog log(Wtmp(), std::move(journalCommand));
    return Import(log);
  }

  std::vector<Row> Rows() {
    std::vector<Row> rows;
    const TableStore& s = history.Rows();
    for (std::size_t r = 0; r < s.RowCount(); ++r) {
      const DateTime start = s.DateTimeAt(r, history::kDateTimeStart);
      const DateTime end = s.DateTimeAt(r, history::kDateTimeEnd);
      EXPECT_EQ(s.LargeintAt(r, history::kUptimeSeconds), SecondsBetween(start, end));
      rows.push_back({start, end, s.BooleanAt(r, history::kClosedOk)});
    }
    return rows;
  }

  bool FlagSet() {
    auto key = fake.registry->OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false);
    return key && key->ReadBool(kWindowsImportExecutedValue).value_or(false);
  }

  test::TempDir dir;
  test::FakePlatform fake;
  Table history;
  const DateTime limit = Day(5, 30, 8, 0);
};

TEST_F(BootImport, ACrashedRunEndsAtTheLatestRecordInsideIt) {
  // A boot record, then nothing but a login two weeks later and its logout:
  // the machine ran fifteen days, then went down without a shutdown record.
  Boot(Wtmp(), Day(4, 1, 8, 0));
  AddRecord(Wtmp(), RUN_LVL, "runlevel", Unix(Day(4, 1, 8, 0, 10)));
  Login(Wtmp(), Day(4, 15, 9, 0));
  Logout(Wtmp(), Day(4, 16, 8, 0));
  Boot(Wtmp(), Day(4, 20, 10, 0));
  Shutdown(Wtmp(), Day(4, 20, 18, 0));
  Boot(Wtmp(), Day(5, 30, 8, 0));
  EXPECT_EQ(Import(""), kImportExecuted);
  EXPECT_EQ(Rows(), (std::vector<Row>{{Day(4, 1, 8, 0), Day(4, 16, 8, 0), false},
                                      {Day(4, 20, 10, 0), Day(4, 20, 18, 0), true}}));
}

TEST_F(BootImport, QuickRebootsOfTheJournalEndAtTheirLastEntries) {
  const std::string listing = Listing(
      "IDX BOOT ID                          FIRST ENTRY                 LAST ENTRY\n"
      " -2 1b2c3d4e5f60718293a4b5c6d7e8f901 Tue 2013-04-30 06:00:05 UTC Tue 2013-04-30 09:59:58 "
      "UTC\n"
      " -1 2b2c3d4e5f60718293a4b5c6d7e8f901 Tue 2013-04-30 10:00:30 UTC Tue 2013-04-30 10:05:00 "
      "UTC\n"
      "  0 3b2c3d4e5f60718293a4b5c6d7e8f901 Tue 2013-04-30 10:05:40 UTC Sat 2013-06-01 12:00:00 "
      "UTC\n");
  EXPECT_EQ(Import(Cat(listing)), kImportExecuted);  // no wtmp at all
  EXPECT_EQ(Rows(), (std::vector<Row>{{Day(4, 30, 6, 0, 5), Day(4, 30, 9, 59, 58), false},
                                      {Day(4, 30, 10, 0, 30), Day(4, 30, 10, 5, 0), false}}));
}

TEST_F(BootImport, ABootTheJournalSawStopInOrderEndedNormally) {
  const std::string listing = Listing(
      " -2 aa Tue 2013-04-30 06:00:05 UTC Tue 2013-04-30 09:59:58 UTC\n"
      " -1 bb Tue 2013-04-30 10:00:30 UTC Tue 2013-04-30 10:05:00 UTC\n"
      "  0 cc Tue 2013-04-30 10:05:40 UTC Sat 2013-06-01 12:00:00 UTC\n");
  // journald stopped at the end of the first boot only (and once mid-run
  // in the second, restarted by an upgrade: that is no shutdown).
  const std::string stops =
      dir.Write("stops.txt",
                "Tue 2013-04-30 09:59:57 UTC vm systemd-journald[250]: Journal stopped\n"
                "Tue 2013-04-30 10:02:00 UTC vm systemd-journald[251]: Journal stopped\n");
  PosixEventLogSources sources;
  sources.accountingFiles = {Wtmp()};
  sources.journalCommand = Cat(listing);
  sources.journalStopsCommand = Cat(stops);
  PosixEventLog log(sources);
  EXPECT_EQ(Import(log), kImportExecuted);
  EXPECT_EQ(Rows(), (std::vector<Row>{{Day(4, 30, 6, 0, 5), Day(4, 30, 9, 59, 58), true},
                                      {Day(4, 30, 10, 0, 30), Day(4, 30, 10, 5, 0), false}}));
}

TEST_F(BootImport, AnEmptyAccountingFileLeavesTheJournalToSpeak) {
  dir.Write("wtmp", "");
  const std::string listing = Listing(
      " -1 1b2c3d4e5f60718293a4b5c6d7e8f901 Tue 2013-04-30 06:00:05 UTC Tue 2013-04-30 09:59:58 "
      "UTC\n"
      "  0 3b2c3d4e5f60718293a4b5c6d7e8f901 Tue 2013-04-30 10:05:40 UTC Sat 2013-06-01 12:00:00 "
      "UTC\n");
  EXPECT_EQ(Import(Cat(listing)), kImportExecuted);
  EXPECT_EQ(Rows().size(), 1u);
  EXPECT_TRUE(FlagSet());
}

TEST_F(BootImport, NothingReadableDoesNotUseUpTheImport) {
  dir.Write("wtmp", "");
  EXPECT_THROW(Import("false"), PlatformError);  // the journal cannot be read
  // A journal that lists no boot at all is not there (a container's).
  EXPECT_THROW(Import("echo 'No journal files were found.'"), PlatformError);
  EXPECT_FALSE(FlagSet());
  // Every source readable and empty (a machine without a journal): done,
  // with nothing imported.
  EXPECT_EQ(Import(""), kImportExecuted);
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(FlagSet());
}

TEST_F(BootImport, RotatedFilesAndTheJournalMergeWithEachBootOnce) {
  const std::string older = dir.File("wtmp.2");
  Boot(older, Day(4, 1, 8, 0));
  Login(older, Day(4, 3, 9, 0));
  ASSERT_EQ(std::system(("gzip -n '" + older + "'").c_str()), 0);  // wtmp.2.gz
  Boot(dir.File("wtmp.1"), Day(4, 10, 8, 0));
  Shutdown(dir.File("wtmp.1"), Day(4, 10, 17, 0));
  Boot(Wtmp(), Day(4, 20, 8, 0));
  // The journal knows the boots of the 10th and 20th a few seconds off, and
  // how long the one of the 20th lasted.
  const std::string listing = Listing(
      " -2 aa Wed 2013-04-10 08:00:03 UTC Wed 2013-04-10 16:59:59 UTC\n"
      " -1 bb Sat 2013-04-20 08:00:02 UTC Sun 2013-04-21 22:00:00 UTC\n"
      "  0 cc Wed 2013-05-29 08:00:00 UTC Wed 2013-05-29 12:00:00 UTC\n");
  EXPECT_EQ(Import(Cat(listing)), kImportExecuted);
  std::vector<Row> expected{{Day(4, 10, 8, 0), Day(4, 10, 17, 0), true},
                            {Day(4, 20, 8, 0), Day(4, 21, 22, 0), false}};
  if (CanReadCompressedAccountingFiles()) {
    expected.insert(expected.begin(), Row{Day(4, 1, 8, 0), Day(4, 3, 9, 0), false});
  }
  EXPECT_EQ(Rows(), expected);
}

TEST_F(BootImport, DamagedRecordsAreSkippedAndNoRunOutgrowsItsNeighbours) {
  Boot(Wtmp(), Day(4, 1, 8, 0));
  AddRecord(Wtmp(), USER_PROCESS, "ann", 0);  // 1970: clock not set
  AddRecord(Wtmp(), USER_PROCESS, "ann", Unix(Day(4, 1, 9, 0)) + 400'000'000);  // the future
  Login(Wtmp(), Day(4, 1, 12, 0));
  std::string bytes = ReadFileBytes(Wtmp());
  bytes += std::string(sizeof(utmpx), '\x7f');  // a record of no known type
  Boot(dir.Write("wtmp", bytes), Day(4, 2, 8, 0));
  // The clock jumped back before the next login: it sorts into the first run.
  Login(Wtmp(), Day(4, 1, 13, 0));
  Shutdown(Wtmp(), Day(4, 2, 9, 0));
  bytes = ReadFileBytes(Wtmp());
  dir.Write("wtmp", bytes + bytes.substr(0, sizeof(utmpx) / 2));  // cut off mid-record
  EXPECT_EQ(Import(""), kImportExecuted);
  EXPECT_EQ(Rows(), (std::vector<Row>{{Day(4, 1, 8, 0), Day(4, 1, 13, 0), false},
                                      {Day(4, 2, 8, 0), Day(4, 2, 9, 0), true}}));
}

TEST_F(BootImport, JournalListingsInAnyLanguageAndZone) {
  const auto records = ParseJournalBoots(
      "IDX BOOT-ID                          ERSTER EINTRAG              LETZTER EINTRAG\n"
      " -1 8d3f0c2a9b7e4f1da5c6 Di 2013-04-30 06:00:05 UTC Di 2013-04-30 09:59:58 UTC\n"
      "Keine Einträge\n"
      "  0 1b2c3d4e5f6071829 mar. 2013-04-30 10:02:00 UTC—mar. 2013-04-30 12:00:00 UTC\n");
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].timeGenerated, Day(4, 30, 6, 0, 5));
  EXPECT_EQ(records[3].timeGenerated, Day(4, 30, 12, 0));
  // A listing saved without --utc holds local times with their zone.
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  const auto local =
      ParseJournalBoots(" 0 aa Tue 2013-04-30 10:00:00 CEST Tue 2013-04-30 11:00:00 CEST\n");
  unsetenv("TZ");
  tzset();
  ASSERT_EQ(local.size(), 2u);
  EXPECT_EQ(local[0].timeGenerated, Day(4, 30, 8, 0));
}

TEST_F(BootImport, SavedRecordsOfAnotherMachineAreReadAsGiven) {
  Boot(Wtmp(), Day(4, 1, 8, 0));
  Shutdown(Wtmp(), Day(4, 1, 18, 0));
  const std::string listing = Listing(
      " -1 aa Tue 2013-04-02 08:00:00 UTC Tue 2013-04-02 09:00:00 UTC\n"
      "  0 bb Wed 2013-04-03 08:00:00 UTC Wed 2013-04-03 09:00:00 UTC\n");
  auto log = MakeBootRecordsEventLog({{Wtmp()}, listing});
  EXPECT_EQ(Import(*log), kImportExecuted);
  EXPECT_EQ(Rows(), (std::vector<Row>{{Day(4, 1, 8, 0), Day(4, 1, 18, 0), true},
                                      {Day(4, 2, 8, 0), Day(4, 2, 9, 0), false}}));
  auto missing = MakeBootRecordsEventLog({{dir.File("no-such-wtmp")}, ""});
  try {
    missing->ReadAll(EventLogName::System);
    ADD_FAILURE() << "a missing file was read";
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.what()).find("no-such-wtmp"), std::string::npos);
  }
}

}  // namespace
}  // namespace brenvik
