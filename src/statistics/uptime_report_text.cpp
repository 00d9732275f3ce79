#include "statistics/uptime_report_text.h"

#include "base/text_file.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"
#include "statistics/seconds_cycle.h"
#include "statistics/uptime_hint.h"

namespace brenvik {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kIndent = "   ";
constexpr const char* kNotKnown = "N/A";

bool IsNull(DateTime value) { return CompareMoments(value, NullDate) == 0; }

std::string Duration(DateTime a, DateTime b) { return Trim(GetUptimeHint(a, b, false)); }

std::string Moment(DateTime value, const LocaleInfo& locale) {
  return IsNull(value) ? kNotKnown : DateTimeToString(value, locale);
}

std::string Day(DateTime value, const LocaleInfo& locale) {
  return IsNull(value) ? kNotKnown : DateToString(value, locale);
}

std::string RecordPlace(const WinStatistics& stats, const LocaleInfo& locale) {
  if (stats.recordSetInCurrentRun) return "Current session";
  return "Date set " + Day(stats.recordSetDate, locale);
}

std::string Downtime(const WinStatistics& stats) {
  if (IsNull(stats.firstBootDate)) return kNotKnown;
  return Duration(stats.firstBootDate, stats.totalStart);
}

}  // namespace

std::string BuildUptimeReportText(const WinStatistics& stats, DateTime now,
                                  const LocaleInfo& locale) {
  const WinStatisticsCaptions& c = stats.captions;
  std::string t;
  t += "Uptime report at: " + Moment(now, locale) + kCrLf + kCrLf;
  t += std::string("Current") + kCrLf;
  t += std::string(kIndent) + "Uptime: " + Duration(stats.runStart, now) + kCrLf;
  t += std::string(kIndent) + "Idle time: " + Duration(AddSeconds(now, -stats.idleSeconds), now) +
       kCrLf + kCrLf;
  t += std::string("Total") + kCrLf;
  t += std::string(kIndent) + "Uptime: " + Duration(stats.totalStart, now) + kCrLf;
  t += std::string(kIndent) +
       "Idle time: " + Duration(AddSeconds(now, -stats.idleSecondsTotal), now) + kCrLf;
  t += std::string(kIndent) + "Downtime: " + Downtime(stats) + kCrLf + kCrLf;
  t += std::string("Highest Uptime (record)") + kCrLf;
  t += std::string(kIndent) + Duration(stats.recordStart, now) + " [" + RecordPlace(stats, locale) +
       "]" + kCrLf + kCrLf;
  t += "Turned on " + c.turnedOnCount + " times" + kCrLf;
  t += "Turned off " + c.turnedOffCount + " times" + kCrLf;
  t += "Crashed " + c.crashedCount + " times" + kCrLf + kCrLf;
  t += "Last time was turned on at " + Moment(stats.runStart, locale) + kCrLf;
  t += "Last time was turned off at " + Moment(stats.lastRunEnd, locale) + kCrLf + kCrLf;
  t += "Counting uptime since " + Day(stats.firstBootDate, locale);
  return t;
}

std::string CopyUptimeReport(WinStatistics& stats, const StatisticsServices& services) {
  const DateTime now = NowWholeSeconds(services.clock);
  RefreshWinStats(stats, services);
  return BuildUptimeReportText(stats, now, services.locale);
}

BalloonText UptimeBalloon(const WinStatistics& stats, DateTime now, const LocaleInfo& locale) {
  BalloonText balloon;
  balloon.title = kTrayHintCaption;
  balloon.text = GetUptimeHint(stats.runStart, now, false) + kCrLf + kCrLf +
                 GetTimeHint("Computer turned on: ", stats.runStart, false, false, locale);
  return balloon;
}

TurnedOffClickAction TurnedOffCaptionClickAction(Registry& registry) {
  const auto key = registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, false);
  const bool imported = key && key->ReadBool("WindowsImportExecuted").value_or(false);
  return imported ? TurnedOffClickAction::CopyReport : TurnedOffClickAction::OpenOptionsPage;
}

}  // namespace brenvik
