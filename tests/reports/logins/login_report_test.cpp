#include "reports/logins/login_report.h"

#include <gtest/gtest.h>

#include "records/time_arithmetic.h"
#include "reports/date_ranges.h"
#include "reports/logins/login_export.h"

namespace brenvik {
namespace {

const DateTime kMay1 = 41395;  // a Wednesday
DateTime At(int day, int hour, int minute = 0) {
  return kMay1 + day + hour / 24.0 + minute / 1440.0;
}

TRecComputerRun& AddRun(TArrRecComputerRun& runs, DateTime start, DateTime end,
                        bool closedOk = true) {
  auto run = std::make_unique<TRecComputerRun>();
  run->rRunID = static_cast<std::int32_t>(runs.size()) + 1;
  run->rStartDateTime = start;
  run->rEndDateTime = end;
  run->rClosedOk = closedOk;
  run->rRecordIncomplete = false;
  runs.push_back(std::move(run));
  return *runs.back();
}

TRecComputerRun& AddLogin(TRecComputerRun& run, const std::string& user, DateTime start,
                          DateTime end, std::int32_t active, std::int32_t idle = 0) {
  auto login = std::make_unique<TRecComputerRun>();
  login->rRunID = run.rRunID;
  login->rUserName = user;
  login->rDomain = "PC1";
  login->rStartDateTime = start;
  login->rEndDateTime = end;
  login->rUptimeSeconds = static_cast<std::int32_t>(SecondsBetween(start, end));
  login->rActiveSeconds = active;
  login->rIdleSeconds = idle;
  login->rLockedSeconds = login->rUptimeSeconds - active;
  login->rRecordIncomplete = false;
  login->Level = 1;
  run.rArrOfLogins.push_back(std::move(login));
  return *run.rArrOfLogins.back();
}

class LoginReport : public ::testing::Test {
 protected:
  void SetUp() override {
    TRecComputerRun& r1 = AddRun(runs_, At(0, 8), At(0, 12));
    AddLogin(r1, "ann", At(0, 8, 5), At(0, 9), 3000, 300);
    AddLogin(r1, "bob", At(0, 10), At(0, 11, 30), 3600);
    TRecComputerRun& r2 = AddRun(runs_, At(0, 13), At(0, 18), false);
    AddLogin(r2, "ann", At(0, 13, 5), At(0, 17), 7200, 600);
    AddRun(runs_, At(0, 19), At(0, 23));  // no logins
    TRecComputerRun& r4 = AddRun(runs_, At(1, 8), At(1, 20));
    AddLogin(r4, "ann", At(1, 8), At(1, 9), 3600);
    AddLogin(r4, "carl", At(1, 12), At(1, 19), 20000, 1000);
    context_.now = At(2, 10);
    context_.periodItems = PeriodItems(0);
    for (const char* user : {"ann [PC1]", "bob [PC1]", "carl [PC1]"})
      settings_.users.Append(PickRow{user, "", "", -1, false});
  }

  LoginReportResult Build() { return BuildLoginReport(runs_, settings_, context_, tree_); }

  // "run: user user ..." per shown run.
  std::vector<std::string> Shown() const {
    std::vector<std::string> shown;
    for (const LoginTreeRun& run : tree_.Runs()) {
      std::string line = std::to_string(run.run->rRunID) + ":";
      for (const TRecComputerRun* login : run.logins) line += " " + login->rUserName;
      shown.push_back(line);
    }
    return shown;
  }

  TArrRecComputerRun runs_;
  LoginReportSettings settings_;
  LoginReportContext context_;
  LoginTree tree_;
};

TEST(ParseRunNumbers, ListsRangesAndSeparators) {
  const std::vector<std::int32_t> lastThree = {18, 19, 20};
  EXPECT_EQ(ParseRunNumbers("1,2,3", 20), lastThree);
  EXPECT_EQ(ParseRunNumbers("1-3", 20), lastThree);
  EXPECT_EQ(ParseRunNumbers("3-1", 20), std::vector<std::int32_t>{18});
  EXPECT_EQ(ParseRunNumbers("2;4", 20), (std::vector<std::int32_t>{17, 19}));
  EXPECT_EQ(ParseRunNumbers(" 1 -\t2 ", 20), (std::vector<std::int32_t>{19, 20}));
  EXPECT_EQ(ParseRunNumbers("1-12", 20).size(), 12u);
  EXPECT_EQ(ParseRunNumbers("1-12", 20).front(), 9);
  EXPECT_EQ(ParseRunNumbers("x,5a,-3,", 20), std::vector<std::int32_t>{16});
  EXPECT_EQ(ParseRunNumbers("7", 3), std::vector<std::int32_t>{-3});  // listed, selects nothing
  EXPECT_EQ(ParseRunNumbers("1-999999999", 4).size(), 4u);            // cut at the first run
  // A small range past the first run lists its numbers, as a single one does.
  EXPECT_EQ(ParseRunNumbers("6-9", 7), (std::vector<std::int32_t>{-1, 0, 1, 2}));
  EXPECT_EQ(ParseRunNumbers("5-1004", 4).size(), 1000u);
  EXPECT_TRUE(ParseRunNumbers("", 20).empty());
}

TEST(ParseRunNumbers, NamesEachRunOnceHoweverOftenTheTextDoes) {
  EXPECT_EQ(ParseRunNumbers("1,1;1-2,2-1", 20), (std::vector<std::int32_t>{19, 20}));
  EXPECT_EQ(ParseRunNumbers("0,0-3,7,7", 3), (std::vector<std::int32_t>{-3, 1, 2, 3, 4}));
  // Overlapping ranges over many runs cost the runs, not the sum of the ranges.
  std::string text;
  for (int i = 0; i < 20'000; ++i) text += "1-100000,";
  EXPECT_EQ(ParseRunNumbers(text, 100'000).size(), 100'000u);
  text.clear();
  for (int i = 0; i < 20'000; ++i) text += "5-1004,";
  EXPECT_EQ(ParseRunNumbers(text, 4).size(), 1000u);
}

TEST_F(LoginReport, LocateRunFindsTheRunOrTheNextOne) {
  EXPECT_EQ(LocateRun(runs_, At(0, 9)), 0);
  EXPECT_EQ(LocateRun(runs_, At(0, 7)), 0);
  EXPECT_EQ(LocateRun(runs_, At(0, 12, 30)), 1);  // in a gap: the next run
  EXPECT_EQ(LocateRun(runs_, At(0, 18)), 1);      // the end belongs to the run
  EXPECT_EQ(LocateRun(runs_, At(1, 10)), 3);
  EXPECT_EQ(LocateRun(runs_, At(5, 0)), 3);  // after the last start
  EXPECT_EQ(LocateRun(TArrRecComputerRun{}, At(0, 0)), 0);
}

TEST_F(LoginReport, WithoutFiltersEveryRunWithLoginsIsShown) {
  const LoginReportResult r = Build();
  EXPECT_EQ(Shown(), (std::vector<std::string>{"1: ann bob", "2: ann", "4: ann carl"}));
  EXPECT_EQ(r.plain,
            "Computer was run: 3 times\r\nComputer crashed: 1 times\r\n"
            "\r\nann [PC1]  logged in: 3 times, active: 03:50:00"
            "\r\nbob [PC1]  logged in: 1 times, active: 01:00:00"
            "\r\ncarl [PC1]  logged in: 1 times, active: 05:33:20"
            "\r\n\r\n_____Summary_____\r\nLogin duration:\t14:20:00\r\nActive: \t\t10:23:20"
            "\r\nActive, but Idle: \t00:31:40\r\nLocked: \t\t03:56:40"
            "\r\n\r\nReport created: Friday, 2013-05-03 10:00:00");
  EXPECT_EQ(r.html,
            "<p class=\"default\">Computer was run: <b>3</b> times </br>Computer crashed: <b>1</b> "
            "times </br></br>ann [PC1]  logged in: 3 times, active: 03:50:00</br>bob [PC1]  "
            "logged in: 1 times, active: 01:00:00</br>carl [PC1]  logged in: 1 times, active: "
            "05:33:20</br></br>_____Summary_____</br>Login duration:\t14:20:00</br>Active: "
            "\t\t10:23:20</br>Active, but Idle: \t00:31:40</br>Locked: \t\t03:56:40</br></br>"
            "Report created: Friday, 2013-05-03 10:00:00</p>");
}

TEST_F(LoginReport, OneUserGivesAReportAbout) {
  settings_.usersFilterEnabled = true;
  settings_.users.SetTicked(1, true);
  const LoginReportResult r = Build();
  EXPECT_EQ(Shown(), std::vector<std::string>{"1: bob"});
  EXPECT_EQ(r.plain,
            "Report about: bob [PC1]\r\nComputer was run: 1 times\r\nComputer crashed: 0 times\r\n"
            "Logged in: 1 times\r\n\r\n_____Summary_____\r\nLogin duration:\t01:30:00\r\n"
            "Active: \t\t01:00:00\r\nActive, but Idle: \t00:00:00\r\nLocked: \t\t00:30:00"
            "\r\n\r\n____Filters used in report____\r\n   *Computer User Filter\r\n      bob [PC1]"
            "\r\n\r\nReport created: Friday, 2013-05-03 10:00:00");
  EXPECT_TRUE(
      r.html.starts_with("<p class=\"default\">Report about: <b>bob [PC1]</b></br>Computer"));
}

TEST_F(LoginReport, AllOrNoUsersTickedMeansNoUserFilter) {
  settings_.usersFilterEnabled = true;
  for (bool ticked : {true, false}) {
    settings_.users.ClickSelectAll(ticked);
    const LoginReportResult r = Build();
    EXPECT_EQ(Shown().size(), 3u);
    EXPECT_EQ(r.plain.find("Computer User Filter"), std::string::npos);
  }
}

TEST_F(LoginReport, RunNumbersSelectRunsCountingBackFromTheLast) {
  settings_.runsFilterEnabled = true;
  settings_.mode = LoginRunsMode::RunNumbers;
  settings_.runNumbers = "2-4";  // runs 3, 2, 1; run 3 has no logins
  const LoginReportResult r = Build();
  EXPECT_EQ(Shown(), (std::vector<std::string>{"1: ann bob", "2: ann"}));
  EXPECT_NE(
      r.plain.find("\r\n\r\n____Filters used in report____\r\n   *Last Runs: 2, 3, 4\r\n\r\n"),
      std::string::npos);
}

TEST_F(LoginReport, DateRangeTestsTheLoginsOfRunsCrossingABound) {
  settings_.runsFilterEnabled = true;
  settings_.afterTicked = true;
  settings_.afterDate = At(0, 0);
  settings_.afterTime = 9.5 / 24.0;  // 09:30
  settings_.beforeTicked = true;
  settings_.beforeDate = At(1, 0);
  settings_.beforeTime = 10 / 24.0;
  LoginReportResult r = Build();
  // Run 1 holds the After bound: its 08:05-09:00 login ends before it.
  EXPECT_EQ(Shown(), (std::vector<std::string>{"1: bob", "2: ann", "4: ann"}));
  EXPECT_NE(r.plain.find("   *Date and Time Filter\r\n From: 2013-05-01 09:30:00\r\n To: "
                         "2013-05-02 10:00:00\r\n"),
            std::string::npos);

  settings_.beforeTicked = false;
  Build();
  EXPECT_EQ(Shown(), (std::vector<std::string>{"1: bob", "2: ann", "4: ann carl"}));
  settings_.afterTicked = false;
  settings_.beforeTicked = true;
  settings_.beforeTime = 8.5 / 24.0;
  Build();
  EXPECT_EQ(Shown(), (std::vector<std::string>{"1: ann bob", "2: ann", "4: ann"}));
}

TEST_F(LoginReport, ALoginContainingBothBoundsIsTaken) {
  settings_.runsFilterEnabled = true;
  settings_.afterTicked = settings_.beforeTicked = true;
  settings_.afterDate = settings_.beforeDate = At(1, 0);
  settings_.afterTime = 13 / 24.0;
  settings_.beforeTime = 14 / 24.0;
  Build();
  EXPECT_EQ(Shown(), std::vector<std::string>{"4: carl"});
}

TEST_F(LoginReport, PeriodTakesTheLoginsOverlappingIt) {
  settings_.runsFilterEnabled = true;
  settings_.mode = LoginRunsMode::Period;
  settings_.periodIndex = 1;  // yesterday: 2 May
  const LoginReportResult r = Build();
  EXPECT_EQ(Shown(), std::vector<std::string>{"4: ann carl"});
  EXPECT_NE(r.plain.find(" From: 2013-05-02\r\n To: 2013-05-02 23:59:59"), std::string::npos);
}

TEST_F(LoginReport, DateRangeWithoutBoundsSwitchesTheFilterOff) {
  settings_.runsFilterEnabled = true;
  EXPECT_TRUE(DropEmptyLoginDateRange(settings_));
  EXPECT_FALSE(settings_.runsFilterEnabled);
  EXPECT_EQ(GetLoginFilterControls(settings_).timeTabCaption, " Time filter");
  settings_.runsFilterEnabled = true;
  settings_.mode = LoginRunsMode::RunNumbers;
  EXPECT_FALSE(DropEmptyLoginDateRange(settings_));
  const LoginFilterControls c = GetLoginFilterControls(settings_);
  EXPECT_TRUE(c.runNumbersEdit);
  EXPECT_FALSE(c.rangeControls || c.periodCombo);
  EXPECT_EQ(c.runsCaption, "Filter enabled");
  EXPECT_EQ(c.timeTabCaption, " Time filter *");
}

TEST_F(LoginReport, NoMatchingRunGivesZeroCounts) {
  settings_.runsFilterEnabled = true;
  settings_.mode = LoginRunsMode::RunNumbers;
  settings_.runNumbers = "9";
  const LoginReportResult r = Build();
  EXPECT_TRUE(tree_.Runs().empty());
  EXPECT_TRUE(
      r.plain.starts_with("Computer was run: 0 times\r\nComputer crashed: 0 times\r\n\r\n"));
  EXPECT_NE(r.plain.find("Login duration:\t00:00:00"), std::string::npos);
}

TEST_F(LoginReport, HeaderClicksSortAscendingDescendingThenNone) {
  Build();
  const auto run4 = [&] {
    std::string users;
    for (const TRecComputerRun* login : tree_.Runs()[2].logins) users += login->rUserName + " ";
    return users;
  };
  tree_.HeaderClick(5, MouseButton::Left);  // Locked: ann 0, carl 5200
  EXPECT_EQ(run4(), "ann carl ");
  tree_.HeaderClick(5, MouseButton::Left);
  EXPECT_EQ(tree_.SortDirection(), SortOrder::Descending);
  EXPECT_EQ(run4(), "carl ann ");
  tree_.HeaderClick(5, MouseButton::Right);
  EXPECT_EQ(tree_.SortColumn(), 5);
  tree_.HeaderClick(5, MouseButton::Left);
  EXPECT_EQ(tree_.SortColumn(), -1);
  EXPECT_EQ(run4(), "carl ann ");             // stays as the descending sort left it
  EXPECT_EQ(tree_.Runs()[0].run->rRunID, 1);  // runs keep their order
}

TEST(LoginSortOrder, OnlyAStoredOneMeansDescending) {
  EXPECT_EQ(SortOrderFromStored(1), SortOrder::Descending);
  for (int stored : {0, 2, -1}) EXPECT_EQ(SortOrderFromStored(stored), SortOrder::Ascending);
  EXPECT_EQ(StoredSortOrder(SortOrderFromStored(1)), 1);
}

TEST_F(LoginReport, CsvOfTwoRunsWithThreeLoginsEach) {
  TArrRecComputerRun runs;
  TRecComputerRun& a = AddRun(runs, At(0, 8), At(0, 12));
  TRecComputerRun& b = AddRun(runs, At(0, 13), At(0, 18), false);
  for (TRecComputerRun* run : {&a, &b})
    for (int i = 0; i < 3; ++i)
      AddLogin(*run, i == 1 ? "q\"u\tote" : "ann", run->rStartDateTime + i / 24.0,
               run->rStartDateTime + (i + 1) / 24.0, 600 * i);
  b.rArrOfLogins[2]->rClosedOk = false;
  tree_.SetSortState(-1, SortOrder::Ascending);
  BuildLoginReport(runs, settings_, context_, tree_);
  const std::string csv = LoginCsvText(tree_, LocaleInfo{});
  EXPECT_EQ(csv.substr(0, std::string(kLoginCsvHeader).size()), kLoginCsvHeader);
  std::vector<std::string> lines;
  for (std::size_t from = 0;;) {
    const std::size_t at = csv.find("\r\n", from);
    lines.push_back(csv.substr(from, at - from));
    if (at == std::string::npos) break;
    from = at + 2;
  }
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1],
            "\"1\"\t\"2013-05-01 08:00:00\"\t\"2013-05-01 12:00:00\"\t\"False\"\t\"ann\"\t\"PC1\"\t"
            "\"2013-05-01 08:00:00\"\t\"2013-05-01 09:00:00\"\t\"3600\"\t\"0\"\t\"0\"\t\"3600\"\t");
  EXPECT_TRUE(lines[5].starts_with(
      "\"2\"\t\"2013-05-01 13:00:00\"\t\"2013-05-01 18:00:00\"\t\"False\"\t\"q\"u\tote\"\t\"PC1"));
  EXPECT_TRUE(lines[6].starts_with(
      "\"2\"\t\"2013-05-01 13:00:00\"\t\"2013-05-01 18:00:00\"\t\"True\"\t\"ann\""));
}

TEST(LoginTreeTexts, RunsAndLoginsWithTheirStaticTextsHintsAndFonts) {
  TRecComputerRun run;
  run.rRunID = 57;
  run.rStartDateTime = At(0, 8);
  run.rEndDateTime = At(0, 12);
  run.rClosedOk = false;
  run.rRecordIncomplete = true;
  const LocaleInfo locale;
  EXPECT_EQ(LoginCellText(run, 0, false, locale, At(1, 0)),
            "No.57   2013-05-01 08:00:00   -   2013-05-01 12:00:00");
  EXPECT_EQ(LoginCellText(run, 0, true, locale, At(1, 0)), "(Crashed)");
  run.rClosedOk = true;
  EXPECT_EQ(LoginCellText(run, 0, true, locale, At(1, 0)), "(Running...)");
  EXPECT_EQ(LoginCellText(run, 3, false, locale, At(1, 0)), "");
  EXPECT_EQ(LoginCellHint(run, 2), "");
  EXPECT_EQ(LoginCellFont(run, 0, false), (CellFont{true, false}));
  EXPECT_EQ(LoginCellFont(run, 0, true), (CellFont{false, true}));

  TRecComputerRun login;
  login.Level = 1;
  login.rUserName = "N/A";
  login.rStartDateTime = At(0, 0);
  login.rEndDateTime = At(1, 2, 3);
  login.rActiveSeconds = 61;
  login.rLoginActive = true;
  EXPECT_EQ(LoginCellText(login, 0, false, locale, At(2, 0)), "N/A");
  EXPECT_EQ(LoginCellText(login, 0, true, locale, At(2, 0)), "(Logged on)");
  EXPECT_EQ(LoginCellText(login, 1, false, locale, At(2, 0)), "2013-05-01");
  EXPECT_EQ(LoginCellText(login, 2, false, locale, At(2, 0)), "1d 02:03:00");
  EXPECT_EQ(LoginCellText(login, 3, false, locale, At(2, 0)), "00:01:01");
  EXPECT_EQ(LoginCellHint(login, 5),
            "Locked time (time session was not active, i.e. locked) [y m d h:m:s]");
  EXPECT_EQ(LoginCellFont(login, 0, false), CellFont{});
  EXPECT_EQ(CompareLoginNodes(run, login, 1), 0);
}

TEST_F(LoginReport, HtmlDocumentCarriesTheSummaryAndEveryRow) {
  runs_[1]->rArrOfLogins[0]->rUserName = "<ann>";
  const LoginReportResult r = Build();
  tree_.CollapseAll();
  const std::string html = LoginHtmlDocument(tree_, r.html, LocaleInfo{}, context_.now);
  EXPECT_TRUE(html.starts_with(
      "<!DOCTYPE HTML><html><head><title>Brenvik Login History Report</title></head><body>"
      "<p class="));
  EXPECT_NE(html.find("<caption>Brenvik Login History Report</caption><tr><th>Computer runs and "
                      "logins</th><th>Start date and time</th>"),
            std::string::npos);
  EXPECT_NE(html.find("<td><b>No.2   2013-05-01 13:00:00   -   2013-05-01 18:00:00</b> "
                      "<font color=\"#0000FF\">(Crashed)</font></td>"),
            std::string::npos);
  EXPECT_NE(html.find("<td>&lt;ann&gt; [PC1]</td>"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 22), "</table></body></html>");
}

}  // namespace
}  // namespace brenvik
