#include "statistics/seconds_cycle.h"

#include "platform/clock.h"
#include "statistics/uptime_hint.h"

namespace brenvik {
namespace {

bool IsNull(DateTime value) { return CompareMoments(value, NullDate) == 0; }

FigureRowTexts SpanRow(DateTime from, DateTime to) { return FigureRow(CalendarSpan(from, to)); }

}  // namespace

std::uint32_t SecondsSinceLastInput(Clock& clock) {
  return (clock.TickCount() - clock.LastInputTick()) / 1000U;
}

TickDecision DecideTick(SecondsCycleState& state, const TickInputs& inputs) {
  state.secondsSinceIdleCheck += 1;
  if (state.secondsSinceIdleCheck >= kTicksPerIdleCheck) {
    state.secondsSinceIdleCheck = 0;
    if (!state.refreshDue) {
      state.refreshDue = inputs.secondsSinceLastInput != 0;
    }
  }
  TickDecision decision;
  if (!inputs.windowVisible && !inputs.minimizeToTray) return decision;
  if (inputs.windowVisible && inputs.uptimePageActive) {
    decision.refresh = state.refreshDue;
    state.refreshDue = false;
    decision.writeFigures = true;
  }
  decision.writeTrayHint = true;
  return decision;
}

FigureRowTexts FigureRow(const CalendarSpanParts& span) {
  FigureRowTexts row;
  const bool years = span.years != 0;
  const bool months = span.months != 0 || years;
  const bool days = span.days != 0 || months;
  if (years) row[0] = std::to_string(span.years);
  if (months) row[1] = std::to_string(span.months);
  if (days) row[2] = std::to_string(span.days);
  row[3] = std::to_string(span.hours);
  row[4] = std::to_string(span.minutes);
  row[5] = std::to_string(span.seconds);
  return row;
}

FigureRowTexts BlankFigureRow() { return FigureRowTexts{"", "", "", "0", "0", "0"}; }

UptimeFigureTexts ResetUptimeLabels() {
  const FigureRowTexts blank = BlankFigureRow();
  return UptimeFigureTexts{blank, blank, blank, blank, blank, blank};
}

UptimeFigureTexts UptimeFigures(WinStatistics& stats, DateTime now) {
  UptimeFigureTexts figures;
  figures.currentUptime = SpanRow(stats.runStart, now);
  figures.totalUptime = SpanRow(stats.totalStart, now);
  ApplyRecordRule(stats, now, false);
  figures.recordUptime = SpanRow(stats.recordStart, now);
  figures.totalDowntime = IsNull(stats.firstBootDate)
                              ? BlankFigureRow()
                              : SpanRow(stats.totalStart, stats.firstBootDate);
  figures.currentIdle = SpanRow(AddSeconds(now, -stats.idleSeconds), now);
  figures.totalIdle = SpanRow(AddSeconds(now, -stats.idleSecondsTotal), now);
  return figures;
}

std::string TrayHintText(const WinStatistics& stats, DateTime now) {
  return std::string(kTrayHintCaption) + " - " + GetUptimeHint(stats.runStart, now, false);
}

TickOutput RunSecondsTick(SecondsCycleState& state, const TickInputs& inputs, WinStatistics& stats,
                          DateTime now, const std::function<void()>& refreshWinStats) {
  const TickDecision decision = DecideTick(state, inputs);
  TickOutput output;
  if (decision.refresh) refreshWinStats();
  if (decision.writeFigures) {
    output.figuresWritten = true;
    output.figures = UptimeFigures(stats, now);
  }
  if (decision.writeTrayHint) {
    output.trayHintWritten = true;
    output.trayHint = TrayHintText(stats, now);
  }
  return output;
}

}  // namespace brenvik
