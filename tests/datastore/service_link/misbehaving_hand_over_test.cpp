// Passes over what a misbehaving service hands over: more text than one pass
// takes in, binary garbage, a data folder deleted between passes. Every good
// line that was handed over ends up in the tables exactly once, and the
// diagnostic log gets a bounded number of entries.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "datastore/pass/pass_fixture.h"
#include "datastore/service_link/journal.h"
#include "datastore/service_link/log_line_reader.h"
#include "support/failing_file_system.h"

namespace brenvik::test {
namespace {

constexpr const char* kTool = "C:\\Apps\\Tool.exe";

// A Windows run with many program runs in it: about 60 bytes a line.
std::vector<LogLine> BusyRun(int programRuns) {
  std::vector<LogLine> lines{{At(6, 0), 1, "", "0", "", ""}};
  for (int i = 0; i < programRuns; ++i) {
    const std::string handle = std::to_string(1000 + i);
    lines.push_back({At(6, 1) + i / 1440.0, 3, kTool, handle});
    lines.push_back({At(6, 1, 30) + i / 1440.0, 4, kTool, handle});
  }
  lines.push_back({At(11, 50), 2, "", "", "", ""});
  return lines;
}

std::string ReadTrimmed(const std::string& path) {
  return FileExists(path) ? HandOverFileText(path) : std::string();
}

TEST(MisbehavingHandOver, ALongTextIsTakenInOverSeveralPassesWithoutLossOrDoubling) {
  const std::string text = Lines(BusyRun(150));  // about 17 KB
  PassFixture whole;
  whole.Pass(text);

  PassFixture capped;
  capped.passLimit = 4096;
  capped.Pass(text);
  // The first pass stopped at a line break within the limit; the rest waits.
  const std::string rest = ReadTrimmed(capped.dir.File(kCopyForMonitorFile));
  ASSERT_FALSE(rest.empty());
  EXPECT_TRUE(text.ends_with(rest + "\r\n"));
  EXPECT_GE(text.size() - rest.size(), 4096u - 200u);
  EXPECT_LE(text.size() - rest.size(), 4096u + 2u);
  int passes = 1;
  while (FileExists(capped.dir.File(kCopyForMonitorFile)) && passes < 20) {
    capped.Pass("");
    ++passes;
  }
  EXPECT_EQ(passes, 5);
  EXPECT_EQ(capped.History(), whole.History());
  EXPECT_EQ(capped.StoredEvents(), whole.StoredEvents());
  // The journal holds every line once: the service handed them over once.
  EXPECT_EQ(JournalText(capped.Link().BackupFile(kJournalFile)), Trim(text));
  EXPECT_TRUE(capped.diagnostics.Entries().empty());
}

TEST(MisbehavingHandOver, NewLinesQueueBehindTheRestOfALongText) {
  std::vector<LogLine> lines = BusyRun(60);
  const LogLine stop = lines.back();
  lines.pop_back();
  PassFixture f;
  f.passLimit = 2048;
  f.Pass(lines);
  f.Pass({stop});  // the service's next line comes after all the earlier ones
  while (FileExists(f.dir.File(kCopyForMonitorFile))) f.Pass("");
  PassFixture whole;
  lines.push_back(stop);
  whole.Pass(lines);
  EXPECT_EQ(f.History(), whole.History());
}

TEST(MisbehavingHandOver, ACommittedPartOfALongTextLeftByACrashIsNotTakenInAgain) {
  const std::string text = Lines(BusyRun(40));
  PassFixture f;
  f.passLimit = 1500;
  f.Pass(text);
  // As after a crash between the commit and the cut of CopyForMonitor.dat:
  // the file still holds the whole text of the pass.
  WriteTextFileWithBom(test::NativeFiles(), f.dir.File(kCopyForMonitorFile), Trim(text));
  while (FileExists(f.dir.File(kCopyForMonitorFile))) f.Pass("");
  PassFixture whole;
  whole.Pass(text);
  EXPECT_EQ(f.History(), whole.History());
  EXPECT_EQ(f.StoredEvents(), whole.StoredEvents());
}

TEST(MisbehavingHandOver, ALineLongerThanThePassLimitIsCutAndCostsOnlyItself) {
  const std::vector<LogLine> run = BusyRun(2);
  const std::string text = Lines({run[0], run[1]}) + std::string(5000, 'x') + "\r\n" +
                           Lines(std::vector<LogLine>(run.begin() + 2, run.end()));
  PassFixture f;
  f.passLimit = 1024;
  f.Pass(text);
  while (FileExists(f.dir.File(kCopyForMonitorFile))) f.Pass("");
  PassFixture whole;
  whole.Pass(Lines(run));
  EXPECT_EQ(f.History(), whole.History());
  EXPECT_FALSE(f.diagnostics.Entries().empty());
}

TEST(MisbehavingHandOver, BinaryGarbageCostsOnlyItselfAndABoundedDiagnosticLog) {
  const std::vector<LogLine> run = BusyRun(3);
  std::mt19937 random(15);
  std::string garbage(256 * 1024, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  const std::string text = Lines({run[0], run[1], run[2]}) + garbage + "\r\n" +
                           Lines(std::vector<LogLine>(run.begin() + 3, run.end()));
  PassFixture f;
  f.Pass(text);
  PassFixture whole;
  whole.Pass(Lines(run));
  EXPECT_EQ(f.History(), whole.History());
  EXPECT_EQ(f.StoredEvents(), whole.StoredEvents());
  // Twenty lines are quoted, and one entry counts the rest.
  const std::vector<LogEntry>& entries = f.diagnostics.Entries();
  ASSERT_EQ(entries.size(), DiagnosticQuota{}.left + 1);
  EXPECT_TRUE(entries.back().description.starts_with(kWithheldDiagnostics));
  EXPECT_GT(std::stoul(entries.back().description.substr(std::string(kWithheldDiagnostics).size())),
            100u);
  // The next pass has a quota of its own.
  f.Pass(garbage);
  EXPECT_EQ(f.diagnostics.Entries().size(), 2 * (DiagnosticQuota{}.left + 1));
  EXPECT_FALSE(FileExists(f.dir.File(kCopyForMonitorFile)));
}

TEST(MisbehavingHandOver, ThousandsOfProgramsThatNeverEndKeepThePassLinear) {
  std::vector<LogLine> lines{{At(6, 0), 1, "", "0", "", ""}};
  for (int i = 0; i < 20000; ++i) lines.push_back({At(6, 1), 3, kTool, std::to_string(i)});
  PassFixture f;
  const auto start = std::chrono::steady_clock::now();
  f.Pass(lines);
  // Quadratic in the open entries, this took over a minute.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(f.History().size(), 20001u);
}

TEST(MisbehavingHandOver, ADeletedDataFolderIsMadeAgainAndTheTablesWrittenWhole) {
  const std::vector<LogLine> run = BusyRun(4);
  PassFixture f;
  f.Pass(std::vector<LogLine>(run.begin(), run.begin() + 5));
  std::filesystem::remove_all(ToFsPath(f.dir.path()));
  f.Pass(std::vector<LogLine>(run.begin() + 5, run.end()));
  PassFixture whole;
  whole.Pass(run);
  EXPECT_EQ(f.History(), whole.History());
  ASSERT_TRUE(DirectoryExists(f.dir.path() + "Backup"));

  // What is on disk now opens into the same rows.
  DataTables reopened;
  NoMessages messages;
  OpenTables(reopened, f.Link(), messages);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(reopened.DataSetHistory.Rows().RowCount(), whole.History().size());
  EXPECT_EQ(reopened.DataSetHistory.Rows().RowCount(), f.tables.DataSetHistory.Rows().RowCount());
  for (std::size_t r = 0; r < reopened.DataSetHistory.Rows().RowCount(); ++r) {
    EXPECT_EQ(reopened.DataSetHistory.Rows().DateTimeAt(r, history::kDateTimeEnd),
              f.tables.DataSetHistory.Rows().DateTimeAt(r, history::kDateTimeEnd));
  }
}

}  // namespace
}  // namespace brenvik::test
