#include "reports/uptime/uptime_filter.h"

#include <gtest/gtest.h>

#include "datastore/startup/tables.h"
#include "support/history_rows.h"

namespace brenvik {
namespace {

using test::AppendHistoryRow;
using test::HistoryRow;

const std::string kA = "C:\\Apps\\a.exe";
const std::string kB = "C:\\Apps\\b's.exe";
const std::string kC = "C:\\Apps\\c.exe";
const std::string kAnn = "ann [PC1]";
const std::string kONeil = "o'neil [PC1]";
const std::string kBob = "bob [PC1]";

PickList ListOf(const std::vector<std::pair<std::string, bool>>& rows) {
  PickList list;
  for (const auto& [key, ticked] : rows) list.Append(PickRow{key, key, "", 0, ticked});
  return list;
}

// Windows, and each program once per user, on 1 May 2013 (day 41395).
class UptimePredicate : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = test::MakeHistoryTable();
    Add("", "Windows", 8, 18, true);
    Add(kAnn, kA, 9, 10, true);
    Add(kONeil, kB, 10, 11, false);
    Add(kBob, kC, 11, 12, true);
    Add(kAnn, kC, 13, 14, true);
    Add(kONeil, kA, 15, 17, true);
  }

  void Add(const std::string& user, const std::string& path, int fromHour, int toHour,
           bool closedOk) {
    HistoryRow row;
    row.user = user;
    row.exePath = path;
    row.start = 41395 + fromHour / 24.0;
    row.end = 41395 + toHour / 24.0;
    row.closedOk = closedOk;
    AppendHistoryRow(*table_, row);
  }

  // "user|path" of every row that passes, in table order.
  std::vector<std::string> Passing(const std::string& predicate) {
    Cursor clone(*table_);
    clone.SetFilter(predicate);
    clone.SetFiltered(true);
    std::vector<std::string> rows;
    for (clone.First(); !clone.Eof(); clone.Next())
      rows.push_back(clone.AsText(history::kComputerUser) + "|" + clone.AsText(history::kExePath));
    return rows;
  }

  std::unique_ptr<Table> table_;
};

TEST_F(UptimePredicate, NoFilterLetsEveryRowPass) {
  UptimeFilterSettings s;
  s.timeEnabled = false;
  EXPECT_EQ(BuildUptimePredicate(s, "(cdsHistoryDateTimeEnd >= '2013-05-01 00:00:00')"), "");
  EXPECT_EQ(Passing("").size(), 6u);
}

TEST_F(UptimePredicate, ProgramWithAllNoneOrNoRowsTickedTakesEveryProgramRow) {
  const std::vector<std::string> programs = {kAnn + "|" + kA, kONeil + "|" + kB, kBob + "|" + kC,
                                             kAnn + "|" + kC, kONeil + "|" + kA};
  UptimeFilterSettings s;
  s.sourceEnabled = true;
  s.sourceWindows = false;
  for (const PickList& list : {ListOf({}), ListOf({{kA, true}, {kB, true}, {kC, true}}),
                               ListOf({{kA, false}, {kB, false}, {kC, false}})}) {
    s.programs = list;
    const std::string predicate = BuildUptimePredicate(s, "");
    EXPECT_EQ(predicate, "cdsHistoryIsWindows = false");
    EXPECT_EQ(Passing(predicate), programs);
  }
}

TEST_F(UptimePredicate, TwoOfThreeTickedExcludesTheUntickedProgramAndWindows) {
  UptimeFilterSettings s;
  s.sourceEnabled = true;
  s.sourceWindows = false;
  s.programs = ListOf({{kA, true}, {kB, false}, {kC, true}});
  const std::string predicate = BuildUptimePredicate(s, "");
  EXPECT_EQ(predicate,
            "cdsHistoryIsWindows = false and ( cdsHistoryExePath <>'C:\\Apps\\b''s.exe')");
  EXPECT_EQ(Passing(predicate), (std::vector<std::string>{kAnn + "|" + kA, kBob + "|" + kC,
                                                          kAnn + "|" + kC, kONeil + "|" + kA}));
}

TEST_F(UptimePredicate, OneOfThreeTickedTakesOnlyThatProgram) {
  UptimeFilterSettings s;
  s.sourceEnabled = true;
  s.sourceWindows = false;
  s.programs = ListOf({{kA, false}, {kB, true}, {kC, false}});
  const std::string predicate = BuildUptimePredicate(s, "");
  EXPECT_EQ(predicate, "(cdsHistoryExePath ='C:\\Apps\\b''s.exe')");
  EXPECT_EQ(Passing(predicate), std::vector<std::string>{kONeil + "|" + kB});
}

TEST_F(UptimePredicate, InclusionListsJoinWithOr) {
  UptimeFilterSettings s;
  s.sourceEnabled = true;
  s.sourceWindows = false;
  s.programs = ListOf({{kA, true}, {kB, true}, {kC, false}, {"D", false}, {"E", false}});
  EXPECT_EQ(BuildUptimePredicate(s, ""),
            "(cdsHistoryExePath ='C:\\Apps\\a.exe' or cdsHistoryExePath ='C:\\Apps\\b''s.exe')");
}

TEST_F(UptimePredicate, WindowsWithTheUserFilterGivesTheChosenUsersProgramRows) {
  UptimeFilterSettings s;
  s.sourceEnabled = true;
  s.sourceWindows = true;
  s.userEnabled = true;
  s.users = ListOf({{kAnn, false}, {kBob, false}, {kONeil, true}});
  const std::string predicate = BuildUptimePredicate(s, "");
  EXPECT_EQ(predicate, "cdsHistoryIsWindows = false and (cdsHistoryComputerUser ='o''neil [PC1]')");
  EXPECT_EQ(Passing(predicate), (std::vector<std::string>{kONeil + "|" + kB, kONeil + "|" + kA}));

  s.users = ListOf({{kAnn, true}, {kBob, true}, {kONeil, true}});
  EXPECT_EQ(BuildUptimePredicate(s, ""), "cdsHistoryIsWindows = false");
  s.users = ListOf({{kAnn, false}, {kBob, true}, {kONeil, true}});
  EXPECT_EQ(Passing(BuildUptimePredicate(s, "")),
            (std::vector<std::string>{kONeil + "|" + kB, kBob + "|" + kC, kONeil + "|" + kA}));
}

TEST_F(UptimePredicate, UserFilterAfterAProgramExclusionAddsNoSecondWindowsTerm) {
  UptimeFilterSettings s;
  s.sourceEnabled = true;
  s.sourceWindows = false;
  s.programs = ListOf({{kA, true}, {kB, false}, {kC, true}});
  s.userEnabled = true;
  s.users = ListOf({{kAnn, true}, {kBob, false}, {kONeil, true}});
  const std::string predicate = BuildUptimePredicate(s, "");
  EXPECT_EQ(predicate,
            "cdsHistoryIsWindows = false and ( cdsHistoryExePath <>'C:\\Apps\\b''s.exe') and "
            "( cdsHistoryComputerUser <>'bob [PC1]')");
  EXPECT_EQ(Passing(predicate),
            (std::vector<std::string>{kAnn + "|" + kA, kAnn + "|" + kC, kONeil + "|" + kA}));
}

TEST_F(UptimePredicate, TermsComeInTheOrderEventTimeSourceUser) {
  UptimeFilterSettings s;
  s.eventEnabled = true;
  s.eventClosedOk = false;
  s.timeEnabled = true;
  s.sourceEnabled = true;
  s.userEnabled = true;
  s.users = ListOf({{kAnn, false}, {kONeil, true}, {kBob, false}});
  const std::string time = "(cdsHistoryDateTimeEnd >= '2013-05-01 10:30:00')";
  const std::string predicate = BuildUptimePredicate(s, time);
  EXPECT_EQ(predicate, " cdsHistoryClosedOk = false and " + time +
                           " and cdsHistoryIsWindows = false and "
                           "(cdsHistoryComputerUser ='o''neil [PC1]')");
  EXPECT_EQ(Passing(predicate), std::vector<std::string>{kONeil + "|" + kB});

  s.eventClosedOk = true;
  EXPECT_EQ(Passing(BuildUptimePredicate(s, time)), std::vector<std::string>{kONeil + "|" + kA});
}

TEST_F(UptimePredicate, WindowsSourceAloneTakesWindowsRows) {
  UptimeFilterSettings s;
  s.sourceEnabled = true;
  EXPECT_EQ(BuildUptimePredicate(s, ""), "cdsHistoryIsWindows = true");
  EXPECT_EQ(Passing(BuildUptimePredicate(s, "")), std::vector<std::string>{"|Windows"});
}

TEST(UptimeFilterControls, FollowTheBoxesAndRadios) {
  UptimeFilterSettings s;
  UptimeFilterControls c = GetUptimeFilterControls(s);
  EXPECT_FALSE(c.sourceRadios || c.sourceList || c.timeRadios || c.periodCombo || c.rangeControls ||
               c.eventRadios || c.userList);
  EXPECT_EQ(c.sourceCaption, "Filter disabled");
  EXPECT_EQ(c.tabCaptions[1], " Source filter");

  s.sourceEnabled = true;
  s.timeEnabled = true;
  s.userEnabled = true;
  c = GetUptimeFilterControls(s);
  EXPECT_TRUE(c.sourceRadios);
  EXPECT_FALSE(c.sourceList);  // Windows selected
  EXPECT_TRUE(c.rangeControls);
  EXPECT_FALSE(c.periodCombo);
  EXPECT_TRUE(c.userList);  // independent of the source choice
  EXPECT_EQ(c.timeCaption, "Filter enabled");
  EXPECT_EQ(c.tabCaptions,
            (std::vector<std::string>{"   Uptime history  ", " Source filter *", " Time filter *",
                                      " Event type filter", " User filter *",
                                      "  [Saved and used filters] "}));

  s.sourceWindows = false;
  s.timePredefined = true;
  c = GetUptimeFilterControls(s);
  EXPECT_TRUE(c.sourceList);
  EXPECT_TRUE(c.periodCombo);
  EXPECT_FALSE(c.rangeControls);
}

TEST(DropEmptyDateRange, SwitchesTheTimeFilterOffOnlyForARangeWithoutBounds) {
  UptimeFilterSettings s;
  s.timeEnabled = true;
  EXPECT_TRUE(DropEmptyDateRange(s));
  EXPECT_FALSE(s.timeEnabled);

  s.timeEnabled = true;
  s.beforeTicked = true;
  EXPECT_FALSE(DropEmptyDateRange(s));
  s.beforeTicked = false;
  s.timePredefined = true;
  EXPECT_FALSE(DropEmptyDateRange(s));
  EXPECT_TRUE(s.timeEnabled);
}

}  // namespace
}  // namespace brenvik
