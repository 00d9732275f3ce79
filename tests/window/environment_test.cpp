// The settings values and the grid layout file, without the window: every
// stored type, the defaults of a first start, the picker rules and the
// damaged or foreign ColumnsSettings.ini.
#include "window/environment.h"

#include <QtTest>

#include "base/file_io.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"
#include "window/column_layout.h"
#include "window_platform.h"

namespace brenvik {
namespace {

const DateTime kNow = EncodeDateTime(2013, 4, 30, 12, 0, 0);

struct Store {
  test::TempDir dir;
  std::unique_ptr<Registry> registry = test::MakeTestRegistry(dir.path());
  std::unique_ptr<RegistryKey> Key() {
    return registry->OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
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
  QCOMPARE(a.minimizeToTray, b.minimizeToTray);
  QCOMPARE(a.uptimeCsvPath, b.uptimeCsvPath);
  QCOMPARE(a.loginsCsvPath, b.loginsCsvPath);
  QCOMPARE(a.activePage, b.activePage);
  QCOMPARE(a.tabProgramms, b.tabProgramms);
  QCOMPARE(a.tabUptime, b.tabUptime);
  QCOMPARE(a.tabLogins, b.tabLogins);
  QCOMPARE(a.checkBoxTargets, b.checkBoxTargets);
  QCOMPARE(a.searchInPath, b.searchInPath);
  QCOMPARE(a.loginSortCol, b.loginSortCol);
  QCOMPARE(a.loginSortDir, b.loginSortDir);
  QCOMPARE(a.computerRuns, b.computerRuns);
  QCOMPARE(a.filterRuns, b.filterRuns);
  QCOMPARE(a.filterRunUsers, b.filterRunUsers);
  QCOMPARE(a.runsSelected, b.runsSelected);
  QCOMPARE(a.runsRange, b.runsRange);
  QCOMPARE(a.runsEdit, b.runsEdit);
  QCOMPARE(a.runBefore, b.runBefore);
  QCOMPARE(a.runAfter, b.runAfter);
  QCOMPARE(a.after.date, b.after.date);
  QCOMPARE(a.after.time, b.after.time);
  QCOMPARE(a.before.date, b.before.date);
  QCOMPARE(a.before.time, b.before.time);
  QCOMPARE(a.runPeriod, b.runPeriod);
}

}  // namespace

class EnvironmentTest : public QObject {
  Q_OBJECT

 private slots:
  void AFirstStartGetsTheDefaults() {
    Store store;
    const EnvironmentValues v = ReadEnvironment(*store.Key(), kNow);
    QCOMPARE(v.activePage, 0);
    QCOMPARE(v.loginSortCol, 1);
    QCOMPARE(v.loginSortDir, 0);
    QVERIFY(v.runsRange && !v.runsSelected && !v.runsEdit);
    QVERIFY(!v.filterRuns && !v.filterRunUsers && !v.minimizeToTray);
    QCOMPARE(v.runPeriod, 3);
    QCOMPARE(v.after.date, kNow);
    QCOMPARE(v.after.time, 0.0);
    QCOMPARE(v.before.date, kNow);
    QCOMPARE(FormatDateTime("hh:nn:ss", v.before.time, AppFormatSettings()),
             std::string("23:59:59"));
  }

  void EveryValueSurvivesAWriteAndARead() {
    Store store;
    WriteEnvironment(*store.Key(), Changed(), LocaleInfo{});
    CompareValues(ReadEnvironment(*store.Key(), kNow), Changed());
    // The registry types of the table.
    auto key = store.Key();
    QCOMPARE(key->ReadInteger(env::kMinimizeToTray), std::optional<std::int32_t>(1));
    QCOMPARE(key->ReadInteger(env::kCheckBoxTargets), std::optional<std::int32_t>(1));
    QCOMPARE(key->ReadString(env::kAfterDate), std::optional<std::string>("2012-02-29"));
  }

  void TimesAreWrittenOnTheZeroDayWithTheLocalesSeparator() {
    Store store;
    LocaleInfo locale;
    locale.timeSeparator = ".";
    WriteEnvironment(*store.Key(), Changed(), locale);
    QCOMPARE(store.Key()->ReadString(env::kBeforeTime),
             std::optional<std::string>("1899-12-30 17.05.09"));
    // Read back through the any-separator rule.
    QCOMPARE(ReadEnvironment(*store.Key(), kNow).before.time, EncodeTime(17, 5, 9, 0));
  }

  void UncheckedPickersIgnoreTheStoredStrings() {
    Store store;
    EnvironmentValues v = Changed();
    v.runAfter = false;
    WriteEnvironment(*store.Key(), v, LocaleInfo{});
    const EnvironmentValues read = ReadEnvironment(*store.Key(), kNow);
    QCOMPARE(read.after.date, kNow);
    QCOMPARE(read.after.time, 0.0);
    QCOMPARE(read.before.date, EncodeDate(2013, 1, 1));
  }

  void UnparsableDatesAndTimesLeaveTheDefaults() {
    const PickerPair pair = RestorePickers(true, "30th of April", "2013-02-30 10:00:00", kNow,
                                           EncodeTime(23, 59, 59, 0));
    QCOMPARE(pair.date, kNow);
    QCOMPARE(pair.time, EncodeTime(23, 59, 59, 0));
    const PickerPair good = RestorePickers(true, "2013-04-01 13:14:15", "", kNow, 0.0);
    QCOMPARE(good.date, EncodeDate(2013, 4, 1));  // the date part only
    QCOMPARE(good.time, 0.0);
  }

  void BlankTextsDoNotOverwriteWhatIsStored() {
    Store store;
    WriteEnvironment(*store.Key(), Changed(), LocaleInfo{});
    EnvironmentValues v = Changed();
    v.searchInPath = "   ";
    v.uptimeCsvPath.clear();
    v.loginsCsvPath.clear();
    WriteEnvironment(*store.Key(), v, LocaleInfo{});
    const EnvironmentValues read = ReadEnvironment(*store.Key(), kNow);
    QCOMPARE(read.searchInPath, std::string("/opt"));
    QCOMPARE(read.uptimeCsvPath, std::string("/home/ann/uptime.csv"));
    QCOMPARE(read.loginsCsvPath, std::string("/home/ann/logins.csv"));
    v.searchInPath = "  /usr/local ";
    WriteEnvironment(*store.Key(), v, LocaleInfo{});
    QCOMPARE(ReadEnvironment(*store.Key(), kNow).searchInPath, std::string("/usr/local"));
  }

  void TheTrayOptionIsOnOnlyForTheValueOne() {
    Store store;
    store.Key()->WriteInteger(env::kMinimizeToTray, 2);
    QVERIFY(!ReadEnvironment(*store.Key(), kNow).minimizeToTray);
    store.Key()->WriteString(env::kActivePage, "3");  // another type: the default
    QCOMPARE(ReadEnvironment(*store.Key(), kNow).activePage, 0);
  }

  void AColumnLayoutSurvivesTheFile() {
    test::TempDir dir;
    ColumnLayout layout = DefaultHistoryColumns();
    std::swap(layout[2], layout[5]);
    layout[1].visible = true;
    layout[1].width = 321;
    layout[4].title = "Tab\there 100% \r\n";
    layout[6].title = "";
    const std::string path = dir.File(kColumnsSettingsFile);
    SaveColumnsSettings(test::NativeFiles(), path, layout);
    QVERIFY(LoadColumnsSettings(test::NativeFiles(), path) == layout);
  }

  void ADamagedLayoutFileIsDeletedAndTheDefaultUsed() {
    test::TempDir dir;
    for (const std::string& bytes :
         {std::string("\x01\x02garbage"), std::string("BrenvikColumnLayout 1\n"),
          std::string("BrenvikColumnLayout 1\nf\twide\t1\tT\t\n"),
          std::string("BrenvikColumnLayout 1\nf\t10\t1\tT%4\t\n")}) {
      const std::string path = dir.Write(kColumnsSettingsFile, bytes);
      QVERIFY(LoadColumnsSettings(test::NativeFiles(), path) == DefaultHistoryColumns());
      QVERIFY(!FileExists(path));
    }
  }

  void ALayoutNotStartingWithTheUserColumnIsNotUsed() {
    test::TempDir dir;
    ColumnLayout layout = DefaultHistoryColumns();
    std::swap(layout[0], layout[3]);
    const std::string path = dir.File(kColumnsSettingsFile);
    SaveColumnsSettings(test::NativeFiles(), path, layout);
    QVERIFY(LoadColumnsSettings(test::NativeFiles(), path) == DefaultHistoryColumns());
    QVERIFY(FileExists(path));  // readable: kept until the close overwrites it
  }
};

}  // namespace brenvik

QTEST_APPLESS_MAIN(brenvik::EnvironmentTest)
#include "environment_test.moc"
