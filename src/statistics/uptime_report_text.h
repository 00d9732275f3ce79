// The texts in which the live statistics leave the window: the plain-text
// uptime report that a click on a figure copies to the clipboard, the balloon
// of the tray icon's "Show Uptime", and what a click on the "Computer turned
// off" caption does. All are built from the statistics state at the moment
// of the click; the caller refreshes the statistics first where required.
#pragma once

#include <string>

#include "platform/locale.h"
#include "records/date_time.h"
#include "statistics/win_statistics.h"

namespace brenvik {

class Registry;

// The report: lines ended by CR LF, no final line break, durations in the
// long form without their trailing space, dates in the locale's forms.
std::string BuildUptimeReportText(const WinStatistics& stats, DateTime now,
                                  const LocaleInfo& locale);

// Refreshes the statistics (RefreshWinStats), then builds the report at the
// current whole second: what a click on a figure copies.
std::string CopyUptimeReport(WinStatistics& stats, const StatisticsServices& services);

struct BalloonText {
  std::string title;
  std::string text;
  int timeoutMs = 9000;  // an information balloon replacing one on screen
};

// "Computer Uptime" with the current uptime (long form, untrimmed), an empty
// line and "Computer turned on: " with the date and time of the boot.
BalloonText UptimeBalloon(const WinStatistics& stats, DateTime now, const LocaleInfo& locale);

enum class TurnedOffClickAction { CopyReport, OpenOptionsPage };

// A click on the "Computer turned off" caption copies the report once the
// Windows history was imported (registry value WindowsImportExecuted true
// under the user's product key); until then it leads to the import on the
// Options page.
TurnedOffClickAction TurnedOffCaptionClickAction(Registry& registry);

}  // namespace brenvik
