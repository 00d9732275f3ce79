#include "platform/posix/posix_system.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <cstring>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/startup/startup.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_event_log.h"
#include "platform/posix/posix_locale.h"
#include "platform/posix/posix_service_pipe.h"
#include "platform/posix/posix_shell.h"
#include "records/time_arithmetic.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

TEST(PosixSingleInstance, ASecondProcessSeesTheLockOfTheFirst) {
  test::TempDir dir;
  PosixSingleInstance first(dir.path());
  EXPECT_FALSE(first.CreateLock(kMutexName));
  const pid_t child = ::fork();
  if (child == 0) {
    PosixSingleInstance second(dir.path());
    ::_exit(second.CreateLock(kMutexName) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PosixSingleInstance, OnlyOneProcessHoldsADataTree) {
  test::TempDir dir;
  PosixSingleInstance first(dir.path());
  EXPECT_TRUE(first.LockDataTree(dir.path()));
  EXPECT_TRUE(first.LockDataTree(dir.path()));  // held already by this process
  const pid_t child = ::fork();
  if (child == 0) {
    PosixSingleInstance second(dir.path());
    ::_exit(second.LockDataTree(dir.path()) ? 1 : 0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PosixSingleInstance, FindsAMainWindowByItsSocket) {
  test::TempDir dir;
  PosixSingleInstance guard(dir.path());
  EXPECT_FALSE(guard.MainWindowExists(kMainWindowClass));
  const int window = ListenUnixSocket(MainWindowSocketPath(dir.path(), kMainWindowClass), 4);
  ASSERT_GE(window, 0);
  EXPECT_TRUE(guard.MainWindowExists(kMainWindowClass));
  ::close(window);
  EXPECT_FALSE(guard.MainWindowExists(kMainWindowClass));
}

TEST(PosixClock, LocalTimeIsUtcPlusTheOffset) {
  PosixClock clock;
  const DateTime utc = clock.UtcNow();
  const DateTime local = clock.LocalNow();
  const std::int64_t offset = clock.UtcOffsetSeconds();
  EXPECT_LE(std::llabs(SecondsBetween(utc, local) - std::llabs(offset)), 2);
  EXPECT_EQ(clock.PerformanceFrequency(), 1'000'000'000);
  EXPECT_GT(clock.PerformanceCounter(), 0);
  EXPECT_LE(clock.LastInputTick(), clock.TickCount() + 1);
}

TEST(PosixLocale, TranslatesStrftimeFormats) {
  std::string separator;
  EXPECT_EQ(StrftimeToPattern("%d.%m.%Y", separator), "dd.mm.yyyy");
  EXPECT_EQ(separator, ".");
  separator.clear();
  EXPECT_EQ(StrftimeToPattern("%I:%M:%S %p", separator), "hh:nn:ss ampm");
  EXPECT_EQ(separator, ":");
  separator.clear();
  EXPECT_EQ(StrftimeToPattern("%m/%d/%y", separator), "mm/dd/yy");
  const LocaleInfo info = PosixLocale().Current();
  EXPECT_FALSE(info.shortDateFormat.empty());
  EXPECT_GE(info.firstDayOfWeek, 0);
  EXPECT_LE(info.firstDayOfWeek, 6);
}

TEST(PosixShell, FindsTheProgramOfALauncher) {
  test::TempDir dir;
  dir.Write("tool", "#!/bin/sh\n");
  ::chmod(dir.File("tool").c_str(), 0755);
  EXPECT_EQ(ExecProgram("tool --flag %U", "/nonexistent:" + dir.path()), dir.File("tool"));
  EXPECT_EQ(ExecProgram("\"/opt/My App/app\" %f", ""), "/opt/My App/app");
  EXPECT_EQ(ExecProgram("env GDK_BACKEND=x11 A=\"b c\" tool %U", dir.path()), dir.File("tool"));
  EXPECT_EQ(ExecProgram("/usr/bin/env -u X BAMF=1 /snap/bin/code --new", ""), "/snap/bin/code");
  dir.Write("app.desktop", "[Desktop Entry]\nName=App\nExec=" + dir.File("tool") +
                               " %U\nComment=Does things\n"
                               "[Desktop Action x]\nExec=other\n");
  PosixShell shell;
  const auto target = shell.ResolveShortcut(dir.File("app.desktop"));
  ASSERT_TRUE(target);
  EXPECT_EQ(target->path, dir.File("tool"));
  EXPECT_EQ(target->description, "Does things");
  EXPECT_TRUE(shell.IsProgramFile(dir.File("tool")));
  EXPECT_FALSE(shell.IsProgramFile(dir.File("app.desktop")));
  EXPECT_FALSE(shell.ResolveShortcut(dir.File("tool")).has_value());
}

TEST(PosixShell, ExecValuesFollowTheDesktopEntryQuoting) {
  using Args = std::vector<std::string>;
  EXPECT_EQ(ExecArguments("\"/opt/Some App/app\" --flag"), (Args{"/opt/Some App/app", "--flag"}));
  // Inside quotes a backslash takes the next character; the value's own
  // escape layer turns a doubled backslash into one first.
  EXPECT_EQ(ExecArguments("sh -c \"echo \\\\\"hi\\\\\" \\\\$HOME\""),
            (Args{"sh", "-c", "echo \"hi\" $HOME"}));
  EXPECT_EQ(ExecArguments("\"/opt/My\\sApp/app\"\t%f  x"), (Args{"/opt/My App/app", "%f", "x"}));
  EXPECT_EQ(ExecArguments("a \"\" b"), (Args{"a", "", "b"}));
  EXPECT_EQ(ExecArguments("   "), Args{});
}

TEST(PosixShell, ReportsAProgramThatCannotBeStarted) {
  EXPECT_FALSE(SpawnDetached({"/nonexistent/program"}));
  EXPECT_TRUE(SpawnDetached({"true"}));
}

TEST(PosixEventLog, BootAndShutdownRecordsOfTheAccountingFile) {
  test::TempDir dir;
  std::string bytes;
  const auto add = [&bytes](short type, const char* user, std::int32_t seconds) {
    utmp entry;
    std::memset(&entry, 0, sizeof entry);
    entry.ut_type = type;
    std::strncpy(entry.ut_user, user, sizeof entry.ut_user - 1);
    entry.ut_tv.tv_sec = seconds;
    bytes.append(reinterpret_cast<const char*>(&entry), sizeof entry);
  };
  add(BOOT_TIME, "reboot", 1367341509);  // 2013-04-30 17:05:09 UTC
  add(USER_PROCESS, "ann", 1367341600);
  add(RUN_LVL, "shutdown", 1367345109);
  dir.Write("wtmp", bytes);
  PosixEventLog log(dir.File("wtmp"), "");
  const auto records = log.ReadAll(EventLogName::System);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].eventId, kEventBoot);
  EXPECT_EQ(records[0].timeGenerated, EncodeDateTime(2013, 4, 30, 17, 5, 9));
  EXPECT_EQ(records[1].eventId, 0u);
  EXPECT_EQ(records[2].eventId, kEventShutdown);
  EXPECT_TRUE(log.ReadAll(EventLogName::Application).empty());
  EXPECT_THROW(PosixEventLog(dir.File("none"), "").ReadAll(EventLogName::System), Error);
}

}  // namespace
}  // namespace brenvik
