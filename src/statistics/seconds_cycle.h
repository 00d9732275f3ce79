// The once-a-second cycle of the main window as a model. DecideTick says what
// a tick does (refresh the statistics, write the six figure rows, write the
// tray hint) from the tick counter, the pending-refresh flag and what the
// window reports about itself; UptimeFigures turns the statistics state into
// the texts of the 36 figure labels; the window copies them into its labels.
//
// A refresh is looked for once every 30 ticks and only flagged when the user
// has been inactive for at least a whole second at that look; a flagged
// refresh waits until the "Uptime" page is on screen.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "records/date_time.h"
#include "records/time_arithmetic.h"
#include "statistics/win_statistics.h"

namespace brenvik {

class Clock;

inline constexpr std::int32_t kTicksPerIdleCheck = 30;
inline constexpr const char* kTrayHintCaption = "Computer Uptime";

struct SecondsCycleState {
  std::int32_t secondsSinceIdleCheck = 0;  // gSecondsPassedForIdleCheck
  bool refreshDue = false;                 // GFlagRefreshStatistics
};

// What the window tells the tick about itself.
struct TickInputs {
  bool windowVisible = false;
  bool minimizeToTray = false;  // the "Show in System tray" option
  bool uptimePageActive = false;
  std::uint32_t secondsSinceLastInput = 0;
};

struct TickDecision {
  bool refresh = false;       // RefreshWinStats before the figures
  bool writeFigures = false;  // the six figure rows
  bool writeTrayHint = false;
};

// Seconds since the user's last input, in unsigned 32-bit tick arithmetic
// (correct across the wrap of the tick count).
std::uint32_t SecondsSinceLastInput(Clock& clock);

// Advances the counter, looks for a due refresh every 30 ticks, and decides.
// A refresh it decides on is taken off the flag at once, so a refresh that
// fails is looked for again 30 ticks later rather than on every tick.
TickDecision DecideTick(SecondsCycleState& state, const TickInputs& inputs);

// The six unit texts of one figure row, years to seconds. A unit shows its
// number when it is not 0 or when it is forced: months when the years show,
// days when years or months show, hours, minutes and seconds always.
using FigureRowTexts = std::array<std::string, 6>;
FigureRowTexts FigureRow(const CalendarSpanParts& span);
// The row of a figure that is not known: blank dates, "0" times.
FigureRowTexts BlankFigureRow();

struct UptimeFigureTexts {
  FigureRowTexts currentUptime;  // lwu...
  FigureRowTexts currentIdle;    // lwid...
  FigureRowTexts totalUptime;    // lwtu...
  FigureRowTexts totalIdle;      // lwidt...
  FigureRowTexts totalDowntime;  // lwtd...
  FigureRowTexts recordUptime;   // lwmu...
};

// What ResetUptimeLabels writes into all 36 labels.
UptimeFigureTexts ResetUptimeLabels();

// The figures at now. Applies the record rule without touching
// recordSetInCurrentRun first. The downtime is blank while the first boot is
// unknown.
UptimeFigureTexts UptimeFigures(WinStatistics& stats, DateTime now);

// "Computer Uptime - " and the long form of the current uptime.
std::string TrayHintText(const WinStatistics& stats, DateTime now);

// What one tick produced for the window to show.
struct TickOutput {
  bool figuresWritten = false;
  UptimeFigureTexts figures;
  bool trayHintWritten = false;
  std::string trayHint;
};

// One whole tick: decides, runs refresh when due, and builds the texts.
TickOutput RunSecondsTick(SecondsCycleState& state, const TickInputs& inputs, WinStatistics& stats,
                          DateTime now, const std::function<void()>& refreshWinStats);

}  // namespace brenvik
