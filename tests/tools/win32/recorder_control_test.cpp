// The Windows service's recorder driven through its control handler with the
// notifications a test system cannot send, and through its commands; every
// check reads the real activity log.
#include <gtest/gtest.h>
#include <windows.h>
// clang-format off
#include <wtsapi32.h>
// clang-format on

#include <chrono>
#include <filesystem>

#include "base/file_io.h"
#include "base/text_file.h"
#include "control_handler.h"
#include "datastore/startup/startup.h"
#include "recorder.h"
#include "support/failing_file_system.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik::service {
namespace {

class RecorderTest : public ::testing::Test {
 protected:
  RecorderTest() : folders_(InitDataFoldersAt(test::NativeFiles(), dir_.path())) {}

  RecorderHooks Hooks() {
    RecorderHooks hooks;
    hooks.secondsSinceBoot = [this] { return uptime_; };
    hooks.scanProcesses = [this](const std::function<bool(const std::string&)>& wanted) {
      std::vector<RunningProcess> found;
      for (const RunningProcess& p : processes_) {
        if (wanted(p.exe)) found.push_back(p);
      }
      return found;
    };
    hooks.sessionUser = [](std::uint32_t id) -> std::optional<AccountName> {
      if (id == 1) return AccountName{"ann", "PC1"};
      if (id == 2) return AccountName{"bob", "CORP"};
      return std::nullopt;
    };
    hooks.loggedOnSessions = [] { return std::vector<std::uint32_t>{1}; };
    return hooks;
  }

  std::unique_ptr<Recorder> Started() {
    auto recorder =
        std::make_unique<Recorder>(folders_, clock_, accounts_, test::NativeFiles(), Hooks());
    recorder->Start();
    return recorder;
  }

  // The fields after the offset of every line in the log: "PC1|ann;5;1;".
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    const std::string text = ReadFileBytes(folders_.dataFolder + kLogFile);
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find("\r\n", start);
      const std::string line = text.substr(start, end - start);
      lines.push_back(line.substr(line.find(';', line.find(';') + 1) + 1));
      start = end + 2;
    }
    return lines;
  }

  DWORD Control(Recorder& recorder, DWORD control, DWORD type = 0, void* data = nullptr) {
    return HandleServiceControl(
        recorder, [this] { ++stops_; }, control, type, data);
  }

  test::TempDir dir_;
  DataFolders folders_;
  test::FakeClock clock_;
  test::FakeAccounts accounts_;
  std::int64_t uptime_ = 1536;
  std::vector<RunningProcess> processes_;
  int stops_ = 0;
};

TEST_F(RecorderTest, StartRecordsTheBootAndTheOpenSessionsOnceABoot) {
  Started();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"PC1|ann;1;;1536", "PC1|ann;5;1;"}));
  uptime_ += 2;  // the service restarted a moment later in the same boot
  Started();
  EXPECT_EQ(Lines().size(), 2u);
}

TEST_F(RecorderTest, ShutdownEndsTheRunOnceAndTheNextBootStartsANewOne) {
  auto recorder = Started();
  EXPECT_EQ(Control(*recorder, SERVICE_CONTROL_PRESHUTDOWN), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Control(*recorder, SERVICE_CONTROL_SHUTDOWN), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(stops_, 2);
  EXPECT_EQ(Lines().back(), "PC1|ann;2;;");
  EXPECT_EQ(Lines().size(), 3u);
  recorder.reset();
  uptime_ = 20;  // a new boot
  Started();
  EXPECT_EQ(Lines()[3], "PC1|ann;1;;20");
}

TEST_F(RecorderTest, StopEndsTheServiceWithoutALine) {
  auto recorder = Started();
  EXPECT_EQ(Control(*recorder, SERVICE_CONTROL_STOP), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(stops_, 1);
  EXPECT_EQ(Lines().size(), 2u);
  EXPECT_EQ(Control(*recorder, 0x55), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

TEST_F(RecorderTest, SessionChangesNameTheSessionsUser) {
  auto recorder = Started();
  for (DWORD type : {WTS_SESSION_LOGON, WTS_SESSION_LOCK, WTS_SESSION_UNLOCK, WTS_REMOTE_DISCONNECT,
                     WTS_REMOTE_CONNECT, WTS_SESSION_LOGOFF}) {
    WTSSESSION_NOTIFICATION note{sizeof(WTSSESSION_NOTIFICATION), 2};
    Control(*recorder, SERVICE_CONTROL_SESSIONCHANGE, type, &note);
  }
  WTSSESSION_NOTIFICATION nobody{sizeof(WTSSESSION_NOTIFICATION), 7};
  Control(*recorder, SERVICE_CONTROL_SESSIONCHANGE, WTS_SESSION_LOGON, &nobody);
  const std::vector<std::string> expected{"CORP|bob;5;1;", "CORP|bob;6;2;", "CORP|bob;5;0;",
                                          "CORP|bob;6;1;", "CORP|bob;5;3;", "CORP|bob;6;0;"};
  const auto lines = Lines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()), expected);
}

TEST_F(RecorderTest, TimeChangeGivesTheClockBeforeTheChange) {
  auto recorder = Started();
  // 2013-04-30 10:00:00 UTC as a FILETIME, then an hour later.
  SYSTEMTIME before{2013, 4, 2, 30, 10, 0, 0, 0};
  FILETIME file;
  ::SystemTimeToFileTime(&before, &file);
  TimeChangeInfo change;
  change.oldTime.LowPart = file.dwLowDateTime;
  change.oldTime.HighPart = static_cast<LONG>(file.dwHighDateTime);
  change.newTime.QuadPart = change.oldTime.QuadPart + 3600LL * 10000000;
  Control(*recorder, SERVICE_CONTROL_TIMECHANGE, 0, &change);
  EXPECT_EQ(Lines().back(), "PC1|ann;7;2013-04-30 10:00:00;");
  change.newTime.QuadPart = change.oldTime.QuadPart + 5000000;  // half a second
  Control(*recorder, SERVICE_CONTROL_TIMECHANGE, 0, &change);
  EXPECT_EQ(Lines().size(), 3u);
}

TEST_F(RecorderTest, SleepEndsTheRunAndResumeStartsOneWithTheMark) {
  auto recorder = Started();
  Control(*recorder, SERVICE_CONTROL_POWEREVENT, PBT_APMSUSPEND);
  uptime_ = 4000;
  Control(*recorder, SERVICE_CONTROL_POWEREVENT, PBT_APMRESUMEAUTOMATIC);
  Control(*recorder, SERVICE_CONTROL_POWEREVENT, PBT_APMRESUMESUSPEND);  // the same resume
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "PC1|ann;2;pmWindowReceivedPCResume;");
  EXPECT_EQ(lines[3], "PC1|ann;1;pmWindowReceivedPCResume;4000");
}

TEST_F(RecorderTest, WatchedProgramsStartAndEndWithTheirPid) {
  const std::string tool = "C:\\Apps\\Tool.exe";
  WriteFileAtomic(test::NativeFiles(), folders_.settingsFolder + kWatchedListFile,
                  "\xEF\xBB\xBF" + tool + "\r\n");
  accounts_.owners[4242] = AccountName{"bob", "CORP"};
  auto recorder = Started();
  processes_ = {{4242, 99, "c:\\apps\\tool.exe"}, {17, 5, "C:\\Other.exe"}};
  recorder->Tick(false);
  processes_.clear();
  recorder->Tick(true);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], "CORP|bob;3;" + tool + ";4242");
  EXPECT_EQ(lines[3], "CORP|bob;4;" + tool + ";4242");
  EXPECT_EQ(lines[4], "PC1|ann;8;;");
}

// A list grown past its size limit (here by 1 MiB of missing programs) or
// with damaged lines: the service starts, each path is looked up once, and
// the programs it can read are watched.
TEST_F(RecorderTest, AHugeOrDamagedListStillWatchesWhatItNames) {
  const std::string tool = "C:\\Apps\\Tool.exe";
  std::string list = "\xEF\xBB\xBF" + tool + "\r\n" + std::string("C:\\Apps\0x.exe\r\n", 15);
  for (int i = 0; list.size() < kWatchedListMaxBytes + 4096; ++i) {
    list += "C:\\Missing\\program-" + std::to_string(i) + ".exe\r\n";
  }
  WriteFileAtomic(test::NativeFiles(), folders_.settingsFolder + kWatchedListFile, list);
  const auto started = std::chrono::steady_clock::now();
  auto recorder = Started();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  processes_ = {{4242, 99, tool}, {17, 5, "C:\\Apps\\x.exe"}};
  recorder->Tick(false);
  EXPECT_EQ(Lines().back(), "PC1|;3;" + tool + ";4242");
  EXPECT_EQ(Lines().size(), 3u);
  // A service has no console: what was cut and skipped is in its warnings file.
  const std::string warnings = ReadFileBytes(folders_.dataFolder + kWarningsFile);
  EXPECT_NE(warnings.find("larger than"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find("1 damaged line"), std::string::npos) << warnings;
}

TEST_F(RecorderTest, CommandsHandOverAndReadTheListAgain) {
  auto recorder = Started();
  EXPECT_TRUE(recorder->OnCommand({2, ""}));
  const std::string copy = folders_.dataFolder + "CopyForMonitor.dat";
  EXPECT_EQ(CountLines(ReadFileBytes(copy)), 2u);
  test::NativeFiles().RemoveFile(copy);
  EXPECT_TRUE(recorder->OnCommand({2, ""}));
  EXPECT_EQ(ReadFileBytes(copy), "");  // nothing new: an empty file, not a repeat

  WriteFileAtomic(test::NativeFiles(), folders_.settingsFolder + kWatchedListFile,
                  "C:\\Apps\\Late.exe\r\n");
  processes_ = {{77, 1, "C:\\Apps\\Late.exe"}};
  recorder->Tick(false);
  EXPECT_EQ(Lines().size(), 2u);  // not watched until the list is read again
  EXPECT_TRUE(recorder->OnCommand({3, ""}));
  recorder->Tick(false);
  EXPECT_EQ(Lines().back(), "PC1|;3;C:\\Apps\\Late.exe;77");
  EXPECT_FALSE(recorder->OnCommand({5, ""}));
}

TEST_F(RecorderTest, ADeletedDataFolderIsMadeAgainAndRecordingGoesOn) {
  auto recorder = Started();
  std::error_code ignored;
  std::filesystem::remove_all(ToFsPath(folders_.dataFolder), ignored);
  recorder->Tick(true);
  EXPECT_EQ(Lines(), std::vector<std::string>{"PC1|ann;8;;"});
  const std::string warnings = ReadFileBytes(folders_.dataFolder + kWarningsFile);
  EXPECT_NE(warnings.find("the data folder was gone"), std::string::npos) << warnings;
  EXPECT_TRUE(recorder->OnCommand({2, ""}));
  EXPECT_EQ(CountLines(ReadFileBytes(folders_.dataFolder + "CopyForMonitor.dat")), 1u);
}

// A full disk costs only the lines that find no room: the service goes on,
// the log keeps whole lines only, and recording resumes once there is room.
TEST_F(RecorderTest, AFullDiskCostsOnlyTheLinesThatFindNoRoom) {
  test::FailingFileSystem disk;
  Recorder recorder(folders_, clock_, accounts_, disk, Hooks());
  recorder.Start();
  const std::string before = ReadFileBytes(folders_.dataFolder + kLogFile);
  disk.DiskFullFromWrite(1);
  recorder.Tick(true);
  EXPECT_EQ(ReadFileBytes(folders_.dataFolder + kLogFile), before);
  disk.Heal();
  recorder.Tick(true);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines.back(), "PC1|ann;8;;");
  EXPECT_TRUE(recorder.OnCommand({2, ""}));
  EXPECT_EQ(CountLines(ReadFileBytes(folders_.dataFolder + "CopyForMonitor.dat")), 3u);
}

// A stop between saving the state and appending its lines (or between the
// append and clearing the note) neither repeats nor loses a line.
TEST_F(RecorderTest, LinesNotedWithTheStateAreWrittenOnceAfterAStop) {
  Started();
  const std::string statePath = folders_.dataFolder + kWinStateFile;
  ServiceState state = LoadServiceState(statePath);
  ASSERT_TRUE(state.unwritten.empty());
  const std::string missing = "2013-04-30 10:00:05;7200;CORP|bob;4;C:\\Apps\\Tool.exe;4242";
  state.unwritten = {missing};
  SaveServiceState(test::NativeFiles(), statePath, state);
  Started();
  EXPECT_EQ(Lines().back(), "CORP|bob;4;C:\\Apps\\Tool.exe;4242");
  EXPECT_TRUE(LoadServiceState(statePath).unwritten.empty());
  const std::size_t count = Lines().size();
  state = LoadServiceState(statePath);
  state.unwritten = {missing};  // already appended before the stop
  SaveServiceState(test::NativeFiles(), statePath, state);
  Started();
  EXPECT_EQ(Lines().size(), count);
}

// The idle agent's reports: the user is the client process's owner, never
// the message's; a report for another session, from session 0, from a
// process of no known user or too soon after the last one writes nothing.
TEST_F(RecorderTest, IdleReportsNameTheClientsUserAndOnlyItsOwnSession) {
  auto recorder = Started();
  accounts_.owners[77] = {"bob", "CORP"};
  const std::size_t before = Lines().size();
  EXPECT_FALSE(recorder->OnIdleReport("1;idle;60", CommandClient{2, 77}));
  EXPECT_FALSE(recorder->OnIdleReport("0;idle;60", CommandClient{0, 77}));
  EXPECT_FALSE(recorder->OnIdleReport("2;idle;60", CommandClient{2, 78}));
  EXPECT_FALSE(recorder->OnIdleReport("2;idle;x", CommandClient{2, 77}));
  EXPECT_EQ(Lines().size(), before);
  EXPECT_TRUE(recorder->OnIdleReport("2;idle;120", CommandClient{2, 77}));
  EXPECT_FALSE(recorder->OnIdleReport("2;idle;121", CommandClient{2, 77}));
  EXPECT_EQ(Lines().back(), "CORP|bob;9;120;");
  ::Sleep(1100);
  EXPECT_TRUE(recorder->OnIdleReport("2;active;300", CommandClient{2, 77}));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), before + 3);
  EXPECT_EQ(lines[before + 1], "CORP|bob;9;300;");
  EXPECT_EQ(lines[before + 2], "CORP|bob;9;0;");
}

TEST(BootId, RoundsTheStartAndToleratesAMomentBetweenReadings) {
  EXPECT_EQ(BootIdAt(1700000000, 1536), "boot-at-1699998460");
  EXPECT_TRUE(SameBoot(BootIdAt(1700000000, 1536), BootIdAt(1700000061, 1596)));
  EXPECT_FALSE(SameBoot(BootIdAt(1700000000, 1536), BootIdAt(1700000000, 20)));
  EXPECT_FALSE(SameBoot("", BootIdAt(1700000000, 20)));
}

}  // namespace
}  // namespace brenvik::service
