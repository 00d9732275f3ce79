#include "datastore/service_link/diagnostic_log.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/file_io.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

TEST(DiagnosticLog, WritesOneLinePerEntryWithMarksDoubledInTheTitle) {
  test::TempDir dir;
  DiagnosticLog log;
  log.SetLogFile(test::NativeFiles(), dir.File("UptimeLog.dat"));
  log.AddLogEntry("2013-04-30 17:05:09", "function FetchNextEntry",
                  "Val returned <> 0 (sHandle), param was:12a");
  log.AddLogEntry("t", "a>b", "c>d");
  EXPECT_EQ(ReadFileBytes(dir.File("UptimeLog.dat")),
            "[2013-04-30 17:05:09]function FetchNextEntry>Val returned <> 0 (sHandle), param "
            "was:12a\r\n[t]a>>b>c>d\r\n");
}

TEST(DiagnosticLog, EntriesSurviveSaveAndReload) {
  test::TempDir dir;
  const std::vector<LogEntry> written = {
      {"2013-04-30 17:05:09", "title >> with > marks>", "description > with > marks"},
      {"t2", "J\xC3\xBCrgen", ""},
      {"t3", "", "a > b"}};
  {
    DiagnosticLog log;
    log.SetLogFile(test::NativeFiles(), dir.File("UptimeLog.dat"));
    for (const LogEntry& e : written) log.AddLogEntry(e.time, e.title, e.description);
  }
  DiagnosticLog reloaded;
  reloaded.SetLogFile(test::NativeFiles(), dir.File("UptimeLog.dat"));
  EXPECT_EQ(reloaded.Entries(), written);
  reloaded.AddLogEntry("t4", "next", "after the earlier ones");
  EXPECT_EQ(reloaded.Entries().size(), 4u);
  EXPECT_EQ(reloaded.Entries()[0], written[0]);
}

TEST(DiagnosticLog, ReadingDropsLinesWithoutTimeBrackets) {
  test::TempDir dir;
  dir.Write("UptimeLog.dat", "garbage\r\n[no end\r\nx[t]title>d\r\n\n[t2]only title");
  DiagnosticLog log;
  log.SetLogFile(test::NativeFiles(), dir.File("UptimeLog.dat"));
  ASSERT_EQ(log.Entries().size(), 2u);
  EXPECT_EQ(log.Entries()[0], (LogEntry{"t", "title", "d"}));
  EXPECT_EQ(log.Entries()[1], (LogEntry{"t2", "only title", ""}));
}

TEST(DiagnosticLog, KeepsTheNewestEntriesUpToTheSizeLimit) {
  DiagnosticLog log;  // no file: in memory only
  // Each line "[t]x>" + description + CR LF is exactly 1,000 characters.
  const std::string description(1000 - 7, 'd');
  for (int i = 0; i < 101; ++i) log.AddLogEntry("t", "x", description + "");
  EXPECT_EQ(log.Entries().size(), 100u);
  // The entry that crosses the limit stays.
  log.AddLogEntry("t", "x", description + "longer");
  EXPECT_EQ(log.Entries().size(), 100u);
  EXPECT_EQ(log.Entries().back().description, description + "longer");
}

TEST(DiagnosticLog, AnUnwritableFileRaises) {
  test::TempDir dir;
  DiagnosticLog log;
  log.SetLogFile(test::NativeFiles(), dir.File("no-such-folder/UptimeLog.dat"));
  EXPECT_THROW(log.AddLogEntry("t", "x", "y"), Error);
  EXPECT_EQ(log.Entries().size(), 1u);
}

}  // namespace
}  // namespace brenvik
