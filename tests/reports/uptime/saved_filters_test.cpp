#include "reports/uptime/saved_filters.h"

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "records/date_format.h"
#include "support/failing_file_system.h"
#include "support/programs_fixture.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

const std::vector<std::string> kPeriods = {"A)  Today",
                                           "B)  Yesterday",
                                           "C)  Last 7 Days",
                                           "D)  This Week(Mon-Sun)",
                                           "E)  Previous Week(Mon-Sun)",
                                           "F)  This Month",
                                           "G)  Previous Month",
                                           "H)  This Year",
                                           "I)  Previous Year"};

class SavedFilters : public ::testing::Test {
 protected:
  SavedFilters()
      : clock_(*programs_.fake.clock),
        store_(*programs_.fake.files, dir_.path(), clock_, LocaleInfo{}, programs_.directory,
               kPeriods) {
    clock_.local = EncodeDateTime(2013, 4, 30, 12, 0, 0);  // a Tuesday
  }

  std::string File(FilterFile file) { return ReadFileBytes(store_.FileName(file)); }

  test::TempDir dir_;
  test::ProgramsFixture programs_;
  test::FakeClock& clock_;
  FilterStore store_;
};

TEST_F(SavedFilters, StoresEveryKeyInOrder) {
  UptimeFilterSettings s;
  s.sourceEnabled = true;
  s.sourceWindows = false;
  s.programs.Append({"C:\\a.exe", "a", "", 0, true});
  s.programs.Append({"C:\\b.exe", "b", "", 0, false});
  s.programs.Append({"C:\\c.exe", "c", "", 0, true});
  s.timeEnabled = true;
  s.periodIndex = 8;
  s.afterTicked = true;
  s.afterDate = EncodeDateTime(2013, 4, 1, 15, 0, 0);
  s.afterTime = EncodeDateTime(2013, 4, 30, 8, 5, 0);
  s.beforeDate = EncodeDate(2013, 4, 30);
  s.eventEnabled = true;
  s.eventClosedOk = false;
  s.users.Append({"ann [PC1]", "", "", -1, true});

  // The seconds since 1900 in 32-bit arithmetic, as every stored filter has
  // them: negative, but in order until 2104.
  EXPECT_EQ(store_.SaveFilter(SaveFilterAs::NewLastUsed, s), "2013-04-30 12:00:00");
  EXPECT_EQ(File(FilterFile::LastUsed),
            "[2013-04-30 12:00:00]\r\nTimeFilterAdded=-718655296\r\nFilterCheckBoxSource=1\r\n"
            "IsWind=0\r\nP1=C:\\a.exe\r\nP2=C:\\c.exe\r\nFilterCheckBoxTime=1\r\n"
            "rbFilterPredefinedPeriod=0\r\ncmbbPeriod=8\r\nchkbHistEventAfter=1\r\n"
            "TimeAfterDate=2013-04-01\r\nTimeAfterDateTime=2013-04-30 08:05:00\r\n"
            "chkbHistEventBefore=0\r\nTimeBeforeDate=2013-04-30\r\n"
            "TimeBeforeDateTime=1899-12-30 23:59:59\r\nFilterCheckBoxEvent=1\r\n"
            "rbHistEventTerminatedOk=0\r\nrbHistEventTerminatedCrash=1\r\n"
            "FilterCheckBoxUser=0\r\nU1=ann [PC1]\r\n");
}

TEST_F(SavedFilters, SettingsComeBackWhenApplied) {
  UptimeFilterSettings s;
  for (const char* path : {"C:\\a.exe", "C:\\b.exe"}) s.programs.Append({path, path, "", 0, false});
  s.users.Append({"ann [PC1]", "", "", -1, false});
  s.users.Append({"bob [PC1]", "", "", -1, false});
  UptimeFilterSettings stored = s;
  stored.sourceEnabled = true;
  stored.sourceWindows = false;
  stored.programs.SetTicked(1, true);
  stored.timeEnabled = true;
  stored.timePredefined = true;
  stored.periodIndex = 5;
  stored.beforeTicked = true;
  stored.beforeDate = EncodeDate(2013, 3, 2);
  stored.beforeTime = EncodeDateTime(2013, 4, 30, 18, 30, 0);
  stored.userEnabled = true;
  stored.users.ClickSelectAll(true);
  const std::string name = store_.SaveFilter(SaveFilterAs::NewLastUsed, stored);

  store_.ApplyFilterSettings(name, FilterFile::LastUsed, s);
  EXPECT_TRUE(s.sourceEnabled);
  EXPECT_FALSE(s.sourceWindows);
  EXPECT_EQ(s.programs.TickedKeys(), std::vector<std::string>{"C:\\b.exe"});
  EXPECT_TRUE(s.timePredefined);
  EXPECT_EQ(s.periodIndex, 5);
  EXPECT_FALSE(s.afterTicked);
  EXPECT_EQ(s.afterDate, EncodeDate(2013, 4, 30) + 0.5);  // not ticked: now and 00:00:00
  EXPECT_EQ(s.afterTime, 0.0);
  EXPECT_EQ(s.beforeDate, EncodeDate(2013, 3, 2));
  EXPECT_EQ(DateTimeToString(s.beforeTime, AppFormatSettings()), "2013-04-30 18:30:00");
  EXPECT_TRUE(s.userEnabled);
  EXPECT_EQ(s.users.TickedCount(), 2u);
  EXPECT_TRUE(s.users.SelectAll());
}

TEST_F(SavedFilters, HandEditedValuesFallBackInsteadOfFailing) {
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::LastUsed),
                  "[x]\nTimeFilterAdded=soon\nFilterCheckBoxTime=1\nrbFilterPredefinedPeriod=1\n"
                  "cmbbPeriod=42\nchkbHistEventBefore=1\nTimeBeforeDate=garbage\n"
                  "P1=C:\\unknown.exe\nFilterCheckBoxUser=1\n");
  UptimeFilterSettings s;
  s.sourceWindows = false;
  s.programs.Append({"C:\\a.exe", "a", "", 0, true});
  store_.ApplyFilterSettings("X", FilterFile::LastUsed, s);
  EXPECT_TRUE(s.sourceWindows);  // IsWind missing
  EXPECT_EQ(s.programs.TickedCount(), 0u);
  EXPECT_EQ(s.periodIndex, 0);
  EXPECT_EQ(s.beforeDate, EncodeDate(2013, 4, 30) + 0.5);
  EXPECT_EQ(s.beforeTime, 86399.0 / 86400.0);
  EXPECT_FALSE(s.eventClosedOk);

  const std::string plain = store_.SelectFilter("x", FilterFile::LastUsed, true).plain;
  EXPECT_NE(plain.find("    A)  Today\r\n"), std::string::npos);
  EXPECT_NE(store_.SaveFilter(SaveFilterAs::NewLastUsed, s), "");  // the store is not blocked
}

TEST_F(SavedFilters, TenSectionLimitErasesTheSmallestTimeFilterAdded) {
  std::string text;
  const std::vector<std::string> added = {"-800000500", "-800000300", "-800000900", "zz",
                                          "-800000700", "-800000800", "-800000100", "-800000200",
                                          "-800000600", "-800000400"};
  for (std::size_t i = 0; i < added.size(); ++i)
    text += "[f" + std::to_string(i) + "]\nTimeFilterAdded=" + added[i] + "\n";
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::LastUsed), text);
  store_.SaveFilter(SaveFilterAs::NewLastUsed, UptimeFilterSettings{});
  IniFile ini = store_.Load(FilterFile::LastUsed);
  EXPECT_EQ(ini.SectionCount(), 10u);
  EXPECT_FALSE(ini.HasSection("f2"));
  EXPECT_TRUE(ini.HasSection("f3"));  // "zz" counts as 0, the newest here

  store_.SaveFilter(SaveFilterAs::SettingsAtExit,
                    UptimeFilterSettings{});  // the pseudo filter: no limit
  EXPECT_EQ(store_.Load(FilterFile::LastUsed).SectionCount(), 11u);
  clock_.Advance(5000);
  store_.SaveFilter(SaveFilterAs::NewLastUsed, UptimeFilterSettings{});
  ini = store_.Load(FilterFile::LastUsed);
  EXPECT_EQ(ini.SectionCount(), 10u);  // back within the limit after one store
  EXPECT_FALSE(ini.HasSection("f5"));
  EXPECT_FALSE(ini.HasSection("f4"));
  EXPECT_TRUE(ini.HasSection("f8"));
}

TEST_F(SavedFilters, LimitMayEraseThePseudoFilter) {
  std::string text =
      "[Viltus_filtrs_kas_glaba_settingus]\nNotRealFilter=1\nTimeFilterAdded=-900000000\n";
  for (int i = 0; i < 9; ++i) text += "[f" + std::to_string(i) + "]\nTimeFilterAdded=-900000000\n";
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::LastUsed), text);
  store_.SaveFilter(SaveFilterAs::NewLastUsed, UptimeFilterSettings{});
  EXPECT_FALSE(store_.Load(FilterFile::LastUsed).HasSection(kPseudoFilterName));
}

TEST_F(SavedFilters, TwoBrowsesWithinOneSecondGetDifferentNames) {
  clock_.local = EncodeDateTime(2013, 4, 30, 12, 0, 0, 400);
  EXPECT_EQ(store_.SaveFilter(SaveFilterAs::NewLastUsed, UptimeFilterSettings{}),
            "2013-04-30 12:00:00");
  EXPECT_EQ(store_.SaveFilter(SaveFilterAs::NewLastUsed, UptimeFilterSettings{}),
            "2013-04-30 12:00:01");
  EXPECT_EQ(clock_.sleptMs, 1000);  // twice 500 ms
  EXPECT_EQ(store_.RefreshFilters(-1, -1).lastUsed,
            (std::vector<std::string>{"2013-04-30 12:00:00", "2013-04-30 12:00:01"}));
}

TEST_F(SavedFilters, PseudoFilterIsRewrittenAndNotListed) {
  UptimeFilterSettings s;
  store_.SaveFilter(SaveFilterAs::SettingsAtExit, s);
  s.eventEnabled = true;
  store_.SaveFilter(SaveFilterAs::SettingsAtExit, s);
  const IniFile ini = store_.Load(FilterFile::LastUsed);
  EXPECT_EQ(ini.SectionCount(), 1u);
  EXPECT_EQ(ini.Entries(kPseudoFilterName).front(), (IniFile::Entry{"NotRealFilter", "1"}));
  EXPECT_TRUE(ini.ReadBool(kPseudoFilterName, "FilterCheckBoxEvent", false));
  EXPECT_TRUE(store_.RefreshFilters(-1, -1).lastUsed.empty());
}

TEST_F(SavedFilters, NameInUseInOtherCaseBringsTheDialogBack) {
  const std::string last = store_.SaveFilter(SaveFilterAs::NewLastUsed, UptimeFilterSettings{});
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::Saved),
                  "[My filter]\r\nFilterCheckBoxUser=1\r\n");
  std::vector<std::string> shown;
  std::vector<std::string> messages;
  std::vector<std::string> answers = {"MY FILTER", "Other"};
  const bool moved = RenameLastUsedFilter(
      store_, last,
      [&](const std::string& text) -> std::optional<std::string> {
        shown.push_back(text);
        std::string answer = answers.front();
        answers.erase(answers.begin());
        return answer;
      },
      [&](const std::string& m) { messages.push_back(m); });
  EXPECT_TRUE(moved);
  EXPECT_EQ(shown, (std::vector<std::string>{last, "MY FILTER"}));
  EXPECT_EQ(messages, std::vector<std::string>{
                          "Name 'MY FILTER' is already used. Please choose another name."});
  EXPECT_EQ(store_.Load(FilterFile::Saved).SectionNames(),
            (std::vector<std::string>{"My filter", "Other"}));
  EXPECT_EQ(store_.Load(FilterFile::Saved).Entries("Other").front().first, "TimeFilterAdded");
  EXPECT_EQ(store_.Load(FilterFile::LastUsed).SectionCount(), 0u);
}

TEST_F(SavedFilters, ItsOwnNameInAnyCaseIsAccepted) {
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::LastUsed),
                  "[Work]\nFilterCheckBoxEvent=1\n");
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::Saved),
                  "[WORK]\nFilterCheckBoxUser=1\n");
  EXPECT_EQ(store_.MoveToSaved("Work", "work"), MoveFilterResult::Moved);
  const IniFile saved = store_.Load(FilterFile::Saved);
  EXPECT_EQ(saved.SectionNames(), std::vector<std::string>{"work"});
  EXPECT_EQ(saved.Entries("work"), (std::vector<IniFile::Entry>{{"FilterCheckBoxEvent", "1"}}));
  EXPECT_EQ(store_.MoveToSaved("gone", "x"), MoveFilterResult::NoSuchFilter);
}

TEST_F(SavedFilters, CancellingTheNameDialogLeavesBothFilesUnchanged) {
  const std::string last = store_.SaveFilter(SaveFilterAs::NewLastUsed, UptimeFilterSettings{});
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::Saved), "[Kept]\nx=1\n");
  const std::string before1 = File(FilterFile::LastUsed);
  const std::string before2 = File(FilterFile::Saved);
  int asked = 0;
  EXPECT_FALSE(RenameLastUsedFilter(
      store_, last,
      [&](const std::string&) -> std::optional<std::string> {
        return ++asked == 1 ? std::optional<std::string>("") : std::nullopt;
      },
      [](const std::string&) {}));
  EXPECT_EQ(asked, 2);  // an empty name brings the dialog back
  EXPECT_EQ(File(FilterFile::LastUsed), before1);
  EXPECT_EQ(File(FilterFile::Saved), before2);
}

TEST_F(SavedFilters, DeletingTheLastSavedFilterSelectsTheLastUsedOnes) {
  store_.SaveFilter(SaveFilterAs::NewLastUsed, UptimeFilterSettings{});
  clock_.Advance(2000);
  store_.SaveFilter(SaveFilterAs::NewLastUsed, UptimeFilterSettings{});
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::Saved), "[Only]\nx=1\n");
  FilterLists lists = store_.RefreshFilters(-1, 0);
  EXPECT_EQ(lists.savedSelected, 0);
  EXPECT_EQ(lists.lastUsedSelected, -1);

  EXPECT_EQ(DeleteFilterQuestion("Only"), "Are you sure you want to delete Filter 'Only' ?");
  EXPECT_TRUE(store_.DeleteSaved("only"));
  lists = store_.RefreshFilters(-1, 0);
  EXPECT_TRUE(lists.saved.empty());
  EXPECT_EQ(lists.savedSelected, -1);
  EXPECT_EQ(lists.lastUsedSelected, 1);
  EXPECT_EQ(File(FilterFile::Saved), "");
}

TEST(ReloadedSelection, PicksTheLastEntryUnlessTheFormerLayBeyondTheEnd) {
  EXPECT_EQ(ReloadedSelection(-1, 3), 2);
  EXPECT_EQ(ReloadedSelection(1, 3), 2);
  EXPECT_EQ(ReloadedSelection(2, 3), 2);
  EXPECT_EQ(ReloadedSelection(3, 3), -1);
  EXPECT_EQ(ReloadedSelection(-1, 0), -1);
}

TEST(ChooseFilterToApply, PrefersTheSavedFilter) {
  FilterLists lists;
  lists.lastUsed = {"l0", "l1"};
  lists.saved = {"s0"};
  EXPECT_EQ(ChooseFilterToApply(lists, 1, 0).name, "s0");
  EXPECT_EQ(ChooseFilterToApply(lists, 1, 0).file, FilterFile::Saved);
  EXPECT_EQ(ChooseFilterToApply(lists, 1, -1).name, "l1");
  EXPECT_FALSE(ChooseFilterToApply(lists, -1, -1).file.has_value());
}

TEST_F(SavedFilters, DescribesAPredefinedPeriodWithItsItemText) {
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::Saved),
                  "[Year]\nFilterCheckBoxSource=1\nIsWind=1\nFilterCheckBoxTime=1\n"
                  "rbFilterPredefinedPeriod=1\ncmbbPeriod=8\n");
  const FilterDescription d = store_.SelectFilter("Year", FilterFile::Saved, false);
  EXPECT_EQ(d.plain,
            "\r\n____Filters used in report____\r\n"
            "\r\n  *Source filter\r\n    Windows (My Computer)\r\n"
            "\r\n  *Time filter\r\n    I)  Previous Year\r\n"
            "\r\nReport created: Tuesday, 2013-04-30 12:00:00\r\n");
  EXPECT_EQ(d.html,
            "</br><b>____Filters used in report____</b></br><b>*Source filter</b></br>"
            "Windows (My Computer)</br></br><b>*Time filter</b></br>I)  Previous Year</br>"
            "</br><b>Report created:</b> Tuesday, 2013-04-30 12:00:00");
}

TEST_F(SavedFilters, DescribesARangeWithOnlyABeforeBound) {
  WriteFileAtomic(
      test::NativeFiles(), store_.FileName(FilterFile::LastUsed),
      "[r]\nFilterCheckBoxTime=1\nchkbHistEventAfter=0\nTimeAfterDate=2013-01-01\n"
      "TimeAfterDateTime=2013-01-01 00:00:00\nchkbHistEventBefore=1\n"
      "TimeBeforeDate=2013-04-02\nTimeBeforeDateTime=2013-04-30 17:30:00\n"
      "FilterCheckBoxEvent=1\nrbHistEventTerminatedOk=1\nrbHistEventTerminatedCrash=0\n");
  EXPECT_EQ(store_.SelectFilter("r", FilterFile::LastUsed, true).plain,
            "Filter: r\r\n\r\n  *Time filter\r\n      Before: 2013-04-02 17:30:00\r\n"
            "\r\n  *Event type filter\r\n    Closed normally\r\n"
            "\r\nReport created: Tuesday, 2013-04-30 12:00:00\r\n");
  EXPECT_EQ(store_.SelectFilter("r", FilterFile::LastUsed, true).html, "");
}

TEST_F(SavedFilters, DescriptionTitlesProgramsAndEscapesNamesInHtml) {
  programs_.directory.CacheEntry("C:\\Tools\\<b>.exe");
  WriteFileAtomic(test::NativeFiles(), store_.FileName(FilterFile::LastUsed),
                  "[p]\nFilterCheckBoxSource=1\nIsWind=0\nP1=C:\\Tools\\<b>.exe\nP2=/no/such.exe\n"
                  "FilterCheckBoxUser=1\nU1=Tom & Jerry [PC1]\nFilterCheckBoxTime=1\n"
                  "chkbHistEventAfter=1\nTimeAfterDate=bad\n");
  const FilterDescription d = store_.SelectFilter("p", FilterFile::LastUsed, false);
  EXPECT_NE(d.plain.find("    Programs:\r\n      <b>.exe\r\n      /no/such.exe\r\n"),
            std::string::npos);
  EXPECT_NE(d.plain.find("      After:  error \r\n"), std::string::npos);
  EXPECT_NE(d.plain.find("  *User filter\r\n      Tom & Jerry [PC1]\r\n"), std::string::npos);
  EXPECT_NE(d.html.find("<b>Programs:</b></br>&lt;b&gt;.exe</br>/no/such.exe</br>"),
            std::string::npos);
  EXPECT_NE(d.html.find("Tom &amp; Jerry [PC1]</br>"), std::string::npos);
}

}  // namespace
}  // namespace brenvik
