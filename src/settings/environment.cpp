#include "settings/environment.h"

#include "base/errors.h"
#include "base/text_file.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

const DateTime kAfterDefaultTime = 0.0;                                    // 00:00:00
const DateTime kBeforeDefaultTime = (23 * 3600 + 59 * 60 + 59) / 86400.0;  // 23:59:59

void ReadBool(RegistryKey& key, const char* name, bool& target) {
  if (auto value = key.ReadBool(name)) target = *value;
}

void ReadInt(RegistryKey& key, const char* name, int& target) {
  if (auto value = key.ReadInteger(name)) target = *value;
}

void ReadText(RegistryKey& key, const char* name, std::string& target) {
  if (auto value = key.ReadString(name)) target = *value;
}

std::string TextOrEmpty(RegistryKey& key, const char* name) {
  return key.ReadString(name).value_or("");
}

// Reads the text as a date-time; nothing when it is empty or not a date.
std::optional<DateTime> ParseStored(const std::string& text) {
  if (text.empty()) return std::nullopt;
  try {
    return StringToDateTime(text);
  } catch (const ConversionError&) {
    return std::nullopt;
  }
}

DateTime TimeOfDay(DateTime value) {
  const TimeParts t = DecodeTime(value);
  return EncodeTime(t.hour, t.minute, t.second, 0);
}

}  // namespace

EnvironmentValues DefaultEnvironment(DateTime now) {
  EnvironmentValues values;
  values.after = {now, kAfterDefaultTime};
  values.before = {now, kBeforeDefaultTime};
  return values;
}

PickerPair RestorePickers(bool checked, const std::string& dateText, const std::string& timeText,
                          DateTime now, DateTime defaultTime) {
  PickerPair pair{now, defaultTime};
  if (!checked) return pair;
  if (auto date = ParseStored(dateText)) pair.date = DateOnly(*date);
  if (auto time = ParseStored(timeText)) pair.time = TimeOfDay(*time);
  return pair;
}

EnvironmentValues ReadEnvironment(RegistryKey& key, DateTime now) {
  EnvironmentValues v = DefaultEnvironment(now);
  if (auto tray = key.ReadInteger(env::kMinimizeToTray)) v.minimizeToTray = *tray == 1;
  ReadText(key, env::kUptimeCsvPath, v.uptimeCsvPath);
  ReadText(key, env::kLoginsCsvPath, v.loginsCsvPath);
  ReadInt(key, env::kActivePage, v.activePage);
  v.activePage = ValidPageIndex(v.activePage);
  ReadInt(key, env::kTabProgramms, v.tabProgramms);
  ReadInt(key, env::kTabUptime, v.tabUptime);
  ReadInt(key, env::kTabLogins, v.tabLogins);
  ReadBool(key, env::kCheckBoxTargets, v.checkBoxTargets);
  ReadText(key, env::kSearchInPath, v.searchInPath);
  ReadInt(key, env::kLoginSortCol, v.loginSortCol);
  ReadInt(key, env::kLoginSortDir, v.loginSortDir);
  ReadText(key, env::kComputerRuns, v.computerRuns);
  ReadBool(key, env::kFilterRuns, v.filterRuns);
  ReadBool(key, env::kFilterRunUsers, v.filterRunUsers);
  ReadBool(key, env::kRunsSelected, v.runsSelected);
  ReadBool(key, env::kRunsRange, v.runsRange);
  ReadBool(key, env::kRunsEdit, v.runsEdit);
  ReadBool(key, env::kRunBefore, v.runBefore);
  ReadBool(key, env::kRunAfter, v.runAfter);
  v.after = RestorePickers(v.runAfter, TextOrEmpty(key, env::kAfterDate),
                           TextOrEmpty(key, env::kAfterTime), now, kAfterDefaultTime);
  v.before = RestorePickers(v.runBefore, TextOrEmpty(key, env::kBeforeDate),
                            TextOrEmpty(key, env::kBeforeTime), now, kBeforeDefaultTime);
  ReadInt(key, env::kRunPeriod, v.runPeriod);
  return v;
}

void WriteEnvironment(RegistryKey& key, const EnvironmentValues& v, const LocaleInfo& locale) {
  key.WriteInteger(env::kMinimizeToTray, v.minimizeToTray ? 1 : 0);
  if (!v.uptimeCsvPath.empty()) key.WriteString(env::kUptimeCsvPath, v.uptimeCsvPath);
  if (!v.loginsCsvPath.empty()) key.WriteString(env::kLoginsCsvPath, v.loginsCsvPath);
  key.WriteInteger(env::kActivePage, v.activePage);
  key.WriteInteger(env::kTabProgramms, v.tabProgramms);
  key.WriteInteger(env::kTabUptime, v.tabUptime);
  key.WriteInteger(env::kTabLogins, v.tabLogins);
  key.WriteBool(env::kCheckBoxTargets, v.checkBoxTargets);
  const std::string search = Trim(v.searchInPath);
  if (!search.empty()) key.WriteString(env::kSearchInPath, search);
  key.WriteInteger(env::kLoginSortCol, v.loginSortCol);
  key.WriteInteger(env::kLoginSortDir, v.loginSortDir);
  key.WriteString(env::kComputerRuns, v.computerRuns);
  key.WriteBool(env::kFilterRuns, v.filterRuns);
  key.WriteBool(env::kFilterRunUsers, v.filterRunUsers);
  key.WriteBool(env::kRunsSelected, v.runsSelected);
  key.WriteBool(env::kRunsRange, v.runsRange);
  key.WriteBool(env::kRunsEdit, v.runsEdit);
  key.WriteBool(env::kRunBefore, v.runBefore);
  key.WriteBool(env::kRunAfter, v.runAfter);
  key.WriteString(env::kAfterDate, PickerDateText(v.after.date));
  key.WriteString(env::kAfterTime, PickerTimeText(v.after.time, locale));
  key.WriteString(env::kBeforeDate, PickerDateText(v.before.date));
  key.WriteString(env::kBeforeTime, PickerTimeText(v.before.time, locale));
  key.WriteInteger(env::kRunPeriod, v.runPeriod);
}

int ValidPageIndex(int page) { return page >= 0 && page < kPageCount ? page : 0; }

std::string PickerDateText(DateTime date) {
  return FormatDateTime("yyyy-mm-dd", date, AppFormatSettings());
}

std::string PickerTimeText(DateTime time, const LocaleInfo& locale) {
  return FormatDateTime("yyyy-mm-dd hh:nn:ss", TimeOfDay(time), locale);
}

}  // namespace brenvik
