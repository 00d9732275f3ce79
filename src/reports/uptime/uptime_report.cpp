#include "reports/uptime/uptime_report.h"

#include <map>
#include <memory>

#include "datastore/startup/tables.h"
#include "programs/path_compare.h"
#include "programs/program_info.h"
#include "records/time_arithmetic.h"
#include "statistics/history_summary_rows.h"
#include "statistics/uptime_hint.h"

namespace brenvik {

namespace {

// The span from the start to the end, or to the start plus the seconds of
// secondsField; empty when the start or the field it ends with is null.
std::string SpanText(const Cursor& row, std::optional<FieldId> secondsField) {
  const FieldId endField = secondsField ? *secondsField : history::kDateTimeEnd;
  if (row.IsNull(history::kDateTimeStart) || row.IsNull(endField)) return {};
  const DateTime start = row.AsDateTime(history::kDateTimeStart);
  const DateTime end = secondsField ? AddSeconds(start, row.AsLargeint(*secondsField))
                                    : row.AsDateTime(history::kDateTimeEnd);
  return GetUptimeHint(start, end, true);
}

}  // namespace

Cursor::CalcHandler MakeHistoryCalcHandler(ProgramDirectory& programs) {
  auto titles = std::make_shared<std::map<std::string, std::string>>();
  return [&programs, titles](const Cursor& row, CalculatedValues& out) {
    out.Set(history::kRecUptime, SpanText(row, std::nullopt));
    out.Set(history::kRecActTime, SpanText(row, history::kActiveSeconds));
    out.Set(history::kRecIdleTime, SpanText(row, history::kIdleSeconds));
    const std::string path = row.AsText(history::kExePath);
    if (row.AsBoolean(history::kIsWindows)) {
      out.Set(history::kRecProgramTitle, path);
      return;
    }
    auto it = titles->find(path);
    if (it == titles->end()) it = titles->emplace(path, programs.ProgramTitle(path)).first;
    out.Set(history::kRecProgramTitle, it->second);
  };
}

UptimeSummary ShowSummary(Cursor& report, const std::string& filtersPlain,
                          const std::string& filtersHtml, DateTime now) {
  const SummaryTotals totals = LoadSummary(report);
  const std::int64_t crashed = totals.recCount - totals.closedOk;
  const auto compact = [now](std::int64_t seconds) {
    return SecondsToUptimeHint(seconds, now, true);
  };
  const std::string entries = "Uptime entries: " + std::to_string(totals.recCount);
  const std::string crashes = "Crashed: " + std::to_string(crashed) + " times";
  const std::string uptime = "Total uptime: " + compact(totals.runningSec);
  const std::string active = "Active: " + compact(totals.activeTotal);
  const std::string idle = "Active, but idle: " + compact(totals.idleTotal);
  const bool showCrashes = totals.recCount > 0 && crashed > 0;

  UptimeSummary summary;
  summary.plain = "___Summary___\r\n" + entries + "\r\n";
  if (showCrashes) summary.plain += crashes + "\r\n";
  summary.plain += uptime + "\r\n" + active + "\r\n" + idle + "\r\n" + filtersPlain;
  summary.html = "<p class=\"default\"><b>___Summary___</b></br></br>" + entries + "</br>";
  if (showCrashes) summary.html += crashes + " </br>";
  summary.html += uptime + "</br>" + active + "</br>" + idle + "</br>" + filtersHtml + "</p>";
  return summary;
}

void ResetUptimeHistory(UptimeReportState& state, UptimeReportReset reason) {
  if (reason == UptimeReportReset::BrowseBegins) {
    state.noticeVisible = false;
  } else if (reason == UptimeReportReset::OutOfDate && state.reportOpen) {
    state.dataSourceEnabled = false;
    state.summaryText.clear();
    state.noticeVisible = true;
    state.reportOpen = false;
    state.summaryHtml.clear();
  }
}

std::vector<std::string> SortKeyFields(const std::string& fieldName) {
  static const std::map<std::string, std::string> keys = {
      {"cdshistoryrecuptime", "cdsHistoryUptimeSeconds"},
      {"cdshistoryrecacttime", "cdsHistoryActiveSeconds"},
      {"cdshistoryrecidletime", "cdsHistoryIdleSeconds"},
      {"cdshistoryrecprogramtitle", "cdsHistoryExePath"}};
  const auto it = keys.find(FoldCase(fieldName));
  return {it == keys.end() ? fieldName : it->second};
}

bool SortReportByColumn(Cursor& report, const std::string& fieldName) {
  return ToggleSortByField(report, fieldName, SortKeyFields(fieldName));
}

std::optional<Rgb> RowBackground(const Cursor& row) {
  if (row.AsBoolean(history::kClosedOk)) return std::nullopt;
  return kCrashColour;
}

int ProgramTitleImageIndex(const Cursor& row, const ProgramDirectory& programs) {
  if (row.AsBoolean(history::kIsWindows)) return 1;
  const TRecProgramme* cached = programs.FindCached(row.AsText(history::kExePath));
  return cached == nullptr ? -1 : cached->rIcon;
}

void GridRangeSelection::Click(std::size_t recNo, bool shift, bool ctrl) {
  if (ctrl) {
    if (!selected_.erase(recNo)) selected_.insert(recNo);
  } else if (!shift) {
    selected_ = {recNo};
  }
  if (!shift) bm1_.reset();
  if (bm1_) {
    bm2_ = recNo;
  } else {
    bm1_ = recNo;
  }
  if (bm1_ && bm2_ && shift) {
    const std::size_t from = std::min(*bm1_, recNo);
    const std::size_t to = std::max(*bm1_, recNo);
    for (std::size_t r = from; r <= to; ++r) selected_.insert(r);
  }
}

void GridRangeSelection::Clear() {
  selected_.clear();
  bm1_.reset();
  bm2_.reset();
}

void GridRangeSelection::SelectRows(std::set<std::size_t> recNos) {
  Clear();
  selected_ = std::move(recNos);
  if (!selected_.empty()) bm1_ = *selected_.begin();
}

std::optional<SelectionSummary> ProcessDBGridSelection(Cursor& report,
                                                       const std::set<std::size_t>& selected,
                                                       const ProgramDirectory& programs,
                                                       DateTime now) {
  if (report.IsEmpty()) return std::nullopt;
  SelectionSummary summary;
  if (selected.size() < 2) return summary;
  std::set<std::string> paths;  // folded
  std::string lastPath;
  bool lastWindows = false;
  std::int64_t seconds = 0;
  std::size_t n = 0;
  for (std::size_t recNo : selected) {
    if (recNo < 1 || recNo > report.RecordCount()) continue;
    report.MoveToRecNo(recNo);
    ++n;
    lastPath = report.AsText(history::kExePath);
    lastWindows = report.AsBoolean(history::kIsWindows);
    paths.insert(FoldCase(lastPath));
    seconds += SecondsBetween(report.AsDateTime(history::kDateTimeStart),
                              report.AsDateTime(history::kDateTimeEnd));
  }
  if (n < 2) return summary;
  summary.visible = true;
  summary.uptimeText = "Uptime: " + SecondsToUptimeHint(seconds, now, false);
  const std::string count = " (" + std::to_string(n) + ")";
  if (paths.size() > 1) {
    summary.sourceText = "Selected Records" + count;
  } else if (lastWindows) {
    summary.sourceText = "Windows (My Computer)" + count;
    summary.image = SelectionSummary::Image::None;
  } else {
    summary.sourceText = FileNamePart(lastPath) + count;
    const TRecProgramme* watched = programs.FindWatched(lastPath);
    summary.image = watched ? SelectionSummary::Image::Program : SelectionSummary::Image::None;
    summary.imageIndex = watched ? watched->rIcon : -1;
  }
  return summary;
}

}  // namespace brenvik
