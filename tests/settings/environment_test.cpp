// The settings values kept between runs: every stored type, the defaults of a
// first start and the picker rules.
#include "settings/environment.h"

#include <gtest/gtest.h>

#include "records/date_format.h"
#include "records/time_arithmetic.h"
#include "support/fakes.h"

namespace brenvik {
namespace {

const DateTime kNow = EncodeDateTime(2013, 4, 30, 12, 0, 0);

struct Store {
  test::FakeRegistry registry;
  std::unique_ptr<RegistryKey> Key() {
    return registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
  }
};

EnvironmentValues Changed() {
  EnvironmentValues v = DefaultEnvironment(kNow);
  v.minimizeToTray = true;
  v.uptimeCsvPath = "/home/ann/uptime.csv";
  v.loginsCsvPath = "/home/ann/logins.csv";
  v.activePage = 3;
  v.tabProgramms = 2;
  v.tabUptime = 4;
  v.tabLogins = 1;
  v.checkBoxTargets = true;
  v.searchInPath = "/opt";
  v.loginSortCol = -1;
  v.loginSortDir = 1;
  v.computerRuns = "1-3;7";
  v.filterRuns = true;
  v.filterRunUsers = true;
  v.runsSelected = false;
  v.runsRange = false;
  v.runsEdit = true;
  v.runBefore = true;
  v.runAfter = true;
  v.after = {EncodeDate(2012, 2, 29), EncodeTime(8, 15, 30, 0)};
  v.before = {EncodeDate(2013, 1, 1), EncodeTime(17, 5, 9, 0)};
  v.runPeriod = 7;
  return v;
}

void CompareValues(const EnvironmentValues& a, const EnvironmentValues& b) {
  EXPECT_EQ(a.minimizeToTray, b.minimizeToTray);
  EXPECT_EQ(a.uptimeCsvPath, b.uptimeCsvPath);
  EXPECT_EQ(a.loginsCsvPath, b.loginsCsvPath);
  EXPECT_EQ(a.activePage, b.activePage);
  EXPECT_EQ(a.tabProgramms, b.tabProgramms);
  EXPECT_EQ(a.tabUptime, b.tabUptime);
  EXPECT_EQ(a.tabLogins, b.tabLogins);
  EXPECT_EQ(a.checkBoxTargets, b.checkBoxTargets);
  EXPECT_EQ(a.searchInPath, b.searchInPath);
  EXPECT_EQ(a.loginSortCol, b.loginSortCol);
  EXPECT_EQ(a.loginSortDir, b.loginSortDir);
  EXPECT_EQ(a.computerRuns, b.computerRuns);
  EXPECT_EQ(a.filterRuns, b.filterRuns);
  EXPECT_EQ(a.filterRunUsers, b.filterRunUsers);
  EXPECT_EQ(a.runsSelected, b.runsSelected);
  EXPECT_EQ(a.runsRange, b.runsRange);
  EXPECT_EQ(a.runsEdit, b.runsEdit);
  EXPECT_EQ(a.runBefore, b.runBefore);
  EXPECT_EQ(a.runAfter, b.runAfter);
  EXPECT_EQ(a.after.date, b.after.date);
  EXPECT_EQ(a.after.time, b.after.time);
  EXPECT_EQ(a.before.date, b.before.date);
  EXPECT_EQ(a.before.time, b.before.time);
  EXPECT_EQ(a.runPeriod, b.runPeriod);
}

TEST(Environment, AFirstStartGetsTheDefaults) {
  Store store;
  const EnvironmentValues v = ReadEnvironment(*store.Key(), kNow);
  EXPECT_EQ(v.activePage, 0);
  EXPECT_EQ(v.loginSortCol, 1);
  EXPECT_EQ(v.loginSortDir, 0);
  EXPECT_TRUE(v.runsRange && !v.runsSelected && !v.runsEdit);
  EXPECT_TRUE(!v.filterRuns && !v.filterRunUsers && !v.minimizeToTray);
  EXPECT_EQ(v.runPeriod, 3);
  EXPECT_EQ(v.after.date, kNow);
  EXPECT_EQ(v.after.time, 0.0);
  EXPECT_EQ(v.before.date, kNow);
  EXPECT_EQ(FormatDateTime("hh:nn:ss", v.before.time, AppFormatSettings()),
            std::string("23:59:59"));
}

TEST(Environment, EveryValueSurvivesAWriteAndARead) {
  Store store;
  WriteEnvironment(*store.Key(), Changed(), LocaleInfo{});
  CompareValues(ReadEnvironment(*store.Key(), kNow), Changed());
  // The registry types of the table.
  auto key = store.Key();
  EXPECT_EQ(key->ReadInteger(env::kMinimizeToTray), std::optional<std::int32_t>(1));
  EXPECT_EQ(key->ReadInteger(env::kCheckBoxTargets), std::optional<std::int32_t>(1));
  EXPECT_EQ(key->ReadString(env::kAfterDate), std::optional<std::string>("2012-02-29"));
}

TEST(Environment, TimesAreWrittenOnTheZeroDayWithTheLocalesSeparator) {
  Store store;
  LocaleInfo locale;
  locale.timeSeparator = ".";
  WriteEnvironment(*store.Key(), Changed(), locale);
  EXPECT_EQ(store.Key()->ReadString(env::kBeforeTime),
            std::optional<std::string>("1899-12-30 17.05.09"));
  // Read back through the any-separator rule.
  EXPECT_EQ(ReadEnvironment(*store.Key(), kNow).before.time, EncodeTime(17, 5, 9, 0));
}

TEST(Environment, UncheckedPickersIgnoreTheStoredStrings) {
  Store store;
  EnvironmentValues v = Changed();
  v.runAfter = false;
  WriteEnvironment(*store.Key(), v, LocaleInfo{});
  const EnvironmentValues read = ReadEnvironment(*store.Key(), kNow);
  EXPECT_EQ(read.after.date, kNow);
  EXPECT_EQ(read.after.time, 0.0);
  EXPECT_EQ(read.before.date, EncodeDate(2013, 1, 1));
}

TEST(Environment, UnparsableDatesAndTimesLeaveTheDefaults) {
  const PickerPair pair =
      RestorePickers(true, "30th of April", "2013-02-30 10:00:00", kNow, EncodeTime(23, 59, 59, 0));
  EXPECT_EQ(pair.date, kNow);
  EXPECT_EQ(pair.time, EncodeTime(23, 59, 59, 0));
  const PickerPair good = RestorePickers(true, "2013-04-01 13:14:15", "", kNow, 0.0);
  EXPECT_EQ(good.date, EncodeDate(2013, 4, 1));  // the date part only
  EXPECT_EQ(good.time, 0.0);
}

TEST(Environment, BlankTextsDoNotOverwriteWhatIsStored) {
  Store store;
  WriteEnvironment(*store.Key(), Changed(), LocaleInfo{});
  EnvironmentValues v = Changed();
  v.searchInPath = "   ";
  v.uptimeCsvPath.clear();
  v.loginsCsvPath.clear();
  WriteEnvironment(*store.Key(), v, LocaleInfo{});
  const EnvironmentValues read = ReadEnvironment(*store.Key(), kNow);
  EXPECT_EQ(read.searchInPath, std::string("/opt"));
  EXPECT_EQ(read.uptimeCsvPath, std::string("/home/ann/uptime.csv"));
  EXPECT_EQ(read.loginsCsvPath, std::string("/home/ann/logins.csv"));
  v.searchInPath = "  /usr/local ";
  WriteEnvironment(*store.Key(), v, LocaleInfo{});
  EXPECT_EQ(ReadEnvironment(*store.Key(), kNow).searchInPath, std::string("/usr/local"));
}

TEST(Environment, TheTrayOptionIsOnOnlyForTheValueOne) {
  Store store;
  store.Key()->WriteInteger(env::kMinimizeToTray, 2);
  EXPECT_FALSE(ReadEnvironment(*store.Key(), kNow).minimizeToTray);
  store.Key()->WriteString(env::kActivePage, "3");  // another type: the default
  EXPECT_EQ(ReadEnvironment(*store.Key(), kNow).activePage, 0);
}

}  // namespace
}  // namespace brenvik
