// The user's settings that the window keeps from one run to the next, as
// plain values: which page and tabs were shown, the tray option, the export
// paths, the program search options, the login report's filter and sort
// order. ReadEnvironment and WriteEnvironment move them between these values
// and the product key of the current user; the window copies them into and
// out of its controls. No widget toolkit here.
//
// Stored types: Booleans as 32-bit integers 1/0, integers as 32-bit integers,
// texts as strings. A missing value (or one of another type) leaves the
// default. Date and time pickers: see RestorePickers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/locale.h"
#include "platform/registry.h"
#include "records/date_time.h"

namespace brenvik {

// Value names of the product key.
namespace env {
inline constexpr const char* kMinimizeToTray = "chMinimizetoSystemTray";
inline constexpr const char* kUptimeCsvPath = "UptimeCSVPath";
inline constexpr const char* kLoginsCsvPath = "LoginsCSVPath";
inline constexpr const char* kActivePage = "ActivePage";
inline constexpr const char* kTabProgramms = "TabbedNotebookProgramms";
inline constexpr const char* kTabUptime = "TabbedNotebookUptime";
inline constexpr const char* kTabLogins = "TabbedNotebookLogins";
inline constexpr const char* kCheckBoxTargets = "CheckBoxTargets";
inline constexpr const char* kSearchInPath = "SearchInPath";
inline constexpr const char* kLoginSortCol = "vstLoginSortCol";
inline constexpr const char* kLoginSortDir = "vstLoginSortDir";
inline constexpr const char* kComputerRuns = "edComputerRuns";
inline constexpr const char* kFilterRuns = "FilterCheckBoxRuns";
inline constexpr const char* kFilterRunUsers = "FilterCheckBoxRunUsers";
inline constexpr const char* kRunsSelected = "rbComputerRunsSelected";
inline constexpr const char* kRunsRange = "rbComputerRunsRange";
inline constexpr const char* kRunsEdit = "rbComputerRunsEdit";
inline constexpr const char* kRunBefore = "chComputerRunBefore";
inline constexpr const char* kRunAfter = "chComputerRunAfter";
inline constexpr const char* kAfterDate = "dateTimePickCompRunAfter";
inline constexpr const char* kAfterTime = "tmEdCompRunAfter";
inline constexpr const char* kBeforeDate = "dateTimePickComputerBefore";
inline constexpr const char* kBeforeTime = "tmEdCompRunBefore";
inline constexpr const char* kRunPeriod = "cmbbRunPeriod";
inline constexpr const char* kWindowsImportExecuted = "WindowsImportExecuted";
}  // namespace env

inline constexpr int kPageCount = 5;

// One date picker with its time picker: the date part and the time of day.
struct PickerPair {
  DateTime date = ZeroDateTime;
  DateTime time = ZeroDateTime;  // time of day on the zero day
};

struct EnvironmentValues {
  bool minimizeToTray = false;
  std::string uptimeCsvPath;
  std::string loginsCsvPath;
  int activePage = 0;
  int tabProgramms = 0;
  int tabUptime = 0;
  int tabLogins = 0;
  bool checkBoxTargets = false;
  std::string searchInPath;
  int loginSortCol = 1;
  int loginSortDir = 0;
  std::string computerRuns;
  bool filterRuns = false;
  bool filterRunUsers = false;
  bool runsSelected = false;
  bool runsRange = true;
  bool runsEdit = false;
  bool runBefore = false;
  bool runAfter = false;
  PickerPair after;
  PickerPair before;
  int runPeriod = 3;
};

// The values with the defaults of a first start; the pickers at now (date)
// and 00:00:00 / 23:59:59.
EnvironmentValues DefaultEnvironment(DateTime now);

// Reads every value from the open product key, in the order of the table,
// and restores the pickers. now: NowWholeSeconds of the moment of loading.
EnvironmentValues ReadEnvironment(RegistryKey& key, DateTime now);

// Writes every value (the export paths only when not empty, SearchInPath
// trimmed and only when not blank). The dates are written as "yyyy-mm-dd",
// the times as "1899-12-30 hh:nn:ss" with the locale's time separator.
void WriteEnvironment(RegistryKey& key, const EnvironmentValues& values, const LocaleInfo& locale);

// A stored page index that the window can show (0 .. 4), else 0.
int ValidPageIndex(int page);

// The picker rule: only when checked are the stored strings used; a date or
// time string that is empty or does not parse leaves the default (now for the
// date, defaultTime for the time).
PickerPair RestorePickers(bool checked, const std::string& dateText, const std::string& timeText,
                          DateTime now, DateTime defaultTime);

std::string PickerDateText(DateTime date);
std::string PickerTimeText(DateTime time, const LocaleInfo& locale);

}  // namespace brenvik
