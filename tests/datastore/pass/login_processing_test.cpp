// Login processing inside whole passes: the active login, idle reports and
// how they reach the Windows entry and the user's programs, logoffs, logins
// cut off by a Windows start, and the computer-runs tree.
#include "datastore/pass/login_processing.h"

#include <gtest/gtest.h>

#include <sstream>

#include "datastore/pass/pass_fixture.h"
#include "records/time_arithmetic.h"

namespace brenvik::test {
namespace {

LogLine Start(DateTime utc, const std::string& parameter = "") {
  return {utc, 1, parameter, "0", "", ""};
}
LogLine Stop(DateTime utc) { return {utc, 2, "", "", "", ""}; }
LogLine Beat(DateTime utc) { return {utc, 8, "", "", "", ""}; }
LogLine Active(DateTime utc, const std::string& user, const std::string& n = "1") {
  return {utc, 5, n, "", user};
}
LogLine Inactive(DateTime utc, const std::string& user, const std::string& n = "0") {
  return {utc, 6, n, "", user};
}
LogLine Idle(DateTime utc, const std::string& seconds, const std::string& user = "ann") {
  return {utc, 9, seconds, "", user};
}
LogLine Program(DateTime utc, bool start, const std::string& path, const std::string& handle) {
  return {utc, start ? 3 : 4, path, handle};
}

const HistoryRow* Find(const std::vector<HistoryRow>& rows, const std::string& path) {
  for (const HistoryRow& row : rows) {
    if (row.path == path) return &row;
  }
  return nullptr;
}

std::string Describe(const TArrRecComputerRun& runs) {
  std::ostringstream out;
  for (const auto& run : runs) {
    out << "run " << run->rRunID << " " << run->rStartDateTime << ".." << run->rEndDateTime
        << " up " << run->rUptimeSeconds << " act " << run->rActiveSeconds << " idle "
        << run->rIdleSeconds << " locked " << run->rLockedSeconds
        << (run->rClosedOk ? " ok" : " crashed") << (run->rRecordIncomplete ? " running" : "")
        << "\n";
    for (const auto& login : run->rArrOfLogins) {
      out << "  " << login->rUserName << "|" << login->rDomain << " " << login->rStartDateTime
          << ".." << login->rEndDateTime << " up " << login->rUptimeSeconds << " act "
          << login->rActiveSeconds << " idle " << login->rIdleSeconds << " level " << login->Level
          << (login->rLoginActive ? " open" : "") << "\n";
    }
  }
  return out.str();
}

TEST(LoginProcessing, ActivatingBWhileAIsActiveCountsOnlyBsPeriod) {
  PassFixture f;
  f.Pass({Start(At(8, 0)), Active(At(8, 10), "ann"), Active(At(8, 20), "bob"),
          Inactive(At(8, 50), "bob")});
  // The first login ever recorded starts when Windows started.
  EXPECT_EQ(f.Logins(),
            (std::vector<LoginRow>{
                {1, "bob", "PC1", At(10, 20), At(10, 50), 1800, 0, 1800, true, true, false},
                {1, "ann", "PC1", At(10, 0), At(14, 0), 4 * 3600, 0, 0, true, true, true}}));
  EXPECT_EQ(Find(f.History(), "Windows")->active, 1800);
  EXPECT_TRUE(f.historyUsers.Contains("ANN [pc1]"));
  EXPECT_TRUE(f.historyUsers.Contains("bob [PC1]"));
}

TEST(LoginProcessing, IdleReportsReachWindowsAndTheUsersPrograms) {
  PassFixture f;
  f.Pass({Start(At(8, 0)), Active(At(8, 0), "ann"), Program(At(8, 1), true, "C:\\Old.exe", "1"),
          Idle(At(8, 25), "120"), Program(At(8, 27), true, "C:\\New.exe", "2"),
          Idle(At(8, 28), "300"), Idle(At(8, 30), "0"),
          Program(At(8, 40), false, "C:\\Old.exe", "1"),
          Program(At(8, 40), false, "C:\\New.exe", "2")});
  const auto rows = f.History();
  // The idle period ended at 08:30 after 300 s (the last report counts).
  EXPECT_EQ(Find(rows, "C:\\Old.exe")->idle, 300);
  EXPECT_EQ(Find(rows, "C:\\New.exe")->idle, 180);  // only from its own start
  EXPECT_EQ(Find(rows, "Windows")->idle, 300);
  EXPECT_EQ(f.Logins()[0].idle, 300);
  // Active time of the ended programs: the running active period, from their start.
  EXPECT_EQ(Find(rows, "C:\\Old.exe")->active, 39 * 60);
  EXPECT_EQ(Find(rows, "C:\\New.exe")->active, 13 * 60);
}

TEST(LoginProcessing, IdleReportsOfOtherUsersOrNegativeLengthsDoNothing) {
  PassFixture f;
  f.Pass({Start(At(8, 0)), Active(At(8, 0), "ann"), Idle(At(8, 10), "60", "bob"),
          Idle(At(8, 20), "-60"), Idle(At(8, 30), "0")});
  EXPECT_EQ(f.Logins().size(), 1u);
  EXPECT_EQ(f.Logins()[0].idle, 0);
  EXPECT_EQ(Find(f.History(), "Windows")->idle, 0);
}

TEST(LoginProcessing, ALogoffCountsTheActivePeriodForTheLoginAndWindows) {
  PassFixture f;
  f.Pass({Start(At(8, 0)), Active(At(8, 0), "ann"), Inactive(At(9, 0), "ann")});
  EXPECT_EQ(f.Logins(), (std::vector<LoginRow>{{1, "ann", "PC1", At(10, 0), At(11, 0), 3600, 0,
                                                3600, true, true, false}}));
  EXPECT_EQ(Find(f.History(), "Windows")->active, 3600);
}

TEST(LoginProcessing, AWindowsStartCutsOpenLoginsOffAtTheLastLine) {
  PassFixture f;
  f.Pass({Start(At(8, 0)), Active(At(8, 0), "ann"), Beat(At(8, 30)), Start(At(9, 0))});
  EXPECT_EQ(f.Logins(), (std::vector<LoginRow>{{1, "ann", "PC1", At(10, 0), At(10, 30), 1800, 0,
                                                1800, false, false, false}}));
}

TEST(LoginProcessing, AProgramEndingWhileItsLoginIsLockedKeepsTheTimeItWasGiven) {
  PassFixture f;
  f.Pass({Start(At(8, 0)), Active(At(8, 0), "ann"), Program(At(8, 10), true, "C:\\Tool.exe", "1"),
          Inactive(At(8, 40), "ann", "2"), Program(At(9, 0), false, "C:\\Tool.exe", "1")});
  const std::vector<HistoryRow> history = f.History();
  const HistoryRow* tool = Find(history, "C:\\Tool.exe");
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(tool->active, 1800);  // 08:10 to the lock at 08:40, counted once
  EXPECT_LE(tool->active, tool->uptime);
}

TEST(LoginProcessing, OnlyTheFirstRunEverStartsItsFirstLoginAtTheBoot) {
  PassFixture f;
  f.Pass({Start(At(6, 0)), Stop(At(7, 0)), Start(At(8, 0)), Active(At(8, 10), "ann")});
  EXPECT_EQ(f.Logins()[0].start, At(10, 10));
  PassFixture first;
  first.Pass({Start(At(8, 0)), Active(At(8, 10), "ann")});
  EXPECT_EQ(first.Logins()[0].start, At(10, 0));
}

TEST(LoginProcessing, ALogoffOfAnUnknownLoginIsAZeroLengthLogin) {
  PassFixture f;
  f.Pass({Start(At(8, 0)), Active(At(8, 0), "ann"), Inactive(At(8, 30), "bob")});
  EXPECT_EQ(f.Logins()[0],
            (LoginRow{1, "bob", "PC1", At(10, 30), At(10, 30), 0, 0, 0, true, true, false}));
}

TEST(LoginProcessing, ActivationsWithOtherNumbersNeedAConnectedLoginOrAResume) {
  PassFixture f;
  // 3 re-activates only a login that is connected to the console.
  f.Pass({Start(At(8, 0)), Active(At(8, 0), "ann"), Inactive(At(8, 10), "ann", "2"),
          Inactive(At(8, 11), "ann", "1"), Active(At(8, 20), "ann", "3"), Stop(At(9, 0))});
  EXPECT_EQ(f.Logins().back().active, 600);
  // After a resume the next login event is taken whatever its number.
  f.Pass({Start(At(10, 0), "pmWindowReceivedPCResume"), Active(At(10, 0), "ann", "7"),
          Active(At(10, 30), "bob", "7"), Stop(At(11, 0))});
  const auto rows = f.Logins();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].active, 3600);
}

TEST(LoginProcessing, EventNumbersAreDecimalAndAnythingElseIsZero) {
  EXPECT_EQ(EventNumber("300"), 300);
  EXPECT_EQ(EventNumber(" -5"), -5);
  EXPECT_EQ(EventNumber("+3"), 3);
  EXPECT_EQ(EventNumber("3x"), 0);
  EXPECT_EQ(EventNumber(""), 0);
  EXPECT_EQ(EventNumber("99999999999"), 0);
}

class ComputerRunsTree : public ::testing::Test {
 protected:
  // Two complete runs with logins, and a third one going on.
  void Record() {
    f.Pass({Start(At(6, 0)), Active(At(6, 0), "ann"), Inactive(At(6, 30), "ann"), Stop(At(7, 0)),
            Start(At(7, 30)), Active(At(7, 31), "bob"), Beat(At(8, 0)), Start(At(8, 30)),
            Active(At(8, 40), "ann")});
  }
  PassFixture f;
};

TEST_F(ComputerRunsTree, HoldsOneNodePerRunWithItsLogins) {
  Record();
  f.Pass("", true);
  ASSERT_EQ(f.runs.size(), 3u);
  EXPECT_EQ(f.runs[0]->rRunID, 1);
  EXPECT_EQ(f.runs[0]->rArrOfLogins.size(), 1u);
  EXPECT_EQ(f.runs[0]->rArrOfLogins[0]->rActiveSeconds, 1800);
  EXPECT_FALSE(f.runs[1]->rClosedOk);
  EXPECT_EQ(f.runs[1]->rArrOfLogins[0]->rUserName, "bob");
  EXPECT_TRUE(f.runs[2]->rRecordIncomplete);
  EXPECT_EQ(f.runs[2]->rArrOfLogins[0]->rLoginActive, true);
  EXPECT_EQ(f.runs[2]->Level, 0);
  EXPECT_EQ(f.runs[2]->rArrOfLogins[0]->Level, 1);
}

TEST_F(ComputerRunsTree, BuildingTwiceGivesTheSameTree) {
  Record();
  f.Pass("", true);
  const std::string first = Describe(f.runs);
  f.Pass("", true);
  EXPECT_EQ(Describe(f.runs), first);

  // Built at once by a fresh process over the same tables, it is the same too.
  TArrRecComputerRun fresh;
  std::swap(fresh, f.runs);
  f.listed = ListedRows{};
  f.Pass("", true);
  EXPECT_EQ(Describe(f.runs), first);
}

TEST_F(ComputerRunsTree, ARunThatEndsBetweenTreeBuildsGetsItsFinalFigures) {
  f.Pass({Start(At(6, 0))}, true);  // a run without logins, going on
  f.Pass({Stop(At(7, 0))});         // it ends in a pass that builds no tree
  f.Pass("", true);
  ASSERT_GE(f.runs.size(), 1u);
  EXPECT_EQ(f.runs[0]->rEndDateTime, At(9, 0));
  EXPECT_EQ(f.runs[0]->rUptimeSeconds, 3600);
  EXPECT_FALSE(f.runs[0]->rRecordIncomplete);
}

}  // namespace
}  // namespace brenvik::test
