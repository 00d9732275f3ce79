#include "cli/cli_report_json.h"

#include <charconv>

#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"
#include "reports/daily/history_runs.h"

namespace brenvik::cli {
namespace {

bool IsNull(DateTime value) { return CompareMoments(value, NullDate) == 0; }

// The counts of the statistics are kept as the captions' decimal texts.
std::int64_t Count(const std::string& caption) {
  std::int64_t value = 0;
  std::from_chars(caption.data(), caption.data() + caption.size(), value);
  return value;
}

Json Seconds(DateTime from, DateTime to) {
  if (IsNull(from) || IsNull(to)) return nullptr;
  return SecondsBetween(from, to);
}

Json Record(const WinStatistics& stats, DateTime now) {
  Json record;
  record["uptime_seconds"] = Seconds(stats.recordStart, now);
  record["current_session"] = stats.recordSetInCurrentRun;
  record["date_set"] = stats.recordSetInCurrentRun || IsNull(stats.recordSetDate)
                           ? Json(nullptr)
                           : Json(IsoDate(SplitDateTime(stats.recordSetDate).day));
  return record;
}

}  // namespace

Json UptimeReportJson(const WinStatistics& stats, DateTime now, Clock& clock) {
  Json doc = JsonDocument("uptime-report", now, clock);
  doc["current"] = {{"uptime_seconds", Seconds(stats.runStart, now)},
                    {"idle_seconds", stats.idleSeconds}};
  doc["total"] = {{"uptime_seconds", Seconds(stats.totalStart, now)},
                  {"idle_seconds", stats.idleSecondsTotal},
                  {"downtime_seconds", Seconds(stats.firstBootDate, stats.totalStart)}};
  doc["record"] = Record(stats, now);
  doc["turned_on"] = Count(stats.captions.turnedOnCount);
  doc["turned_off"] = Count(stats.captions.turnedOffCount);
  doc["crashed"] = Count(stats.captions.crashedCount);
  doc["last_turned_on"] = IsoMoment(stats.runStart, clock);
  doc["last_turned_off"] = IsoMoment(stats.lastRunEnd, clock);
  doc["counting_since"] = IsNull(stats.firstBootDate)
                              ? Json(nullptr)
                              : Json(IsoDate(SplitDateTime(stats.firstBootDate).day));
  return doc;
}

namespace {

Json HistoryRow(const Cursor& row, const RunSpan& run, Clock& clock) {
  // Both ends are in the offset of the start.
  const DateTime start =
      row.IsNull(history::kDateTimeStart) ? ZeroDateTime : row.AsDateTime(history::kDateTimeStart);
  const auto moment = [&](FieldId id) {
    return row.IsNull(id) ? Json(nullptr) : IsoMomentInOffsetOf(row.AsDateTime(id), start, clock);
  };
  Json json;
  json["run"] = row.AsLargeint(history::kRunId);
  json["windows"] = row.AsBoolean(history::kIsWindows);
  json["program"] = row.AsText(history::kExePath);
  json["title"] = row.AsText(history::kRecProgramTitle);
  json["user"] = row.AsText(history::kComputerUser);
  json["start"] = moment(history::kDateTimeStart);
  json["end"] = moment(history::kDateTimeEnd);
  json["uptime_seconds"] = row.AsLargeint(history::kUptimeSeconds);
  json["active_seconds"] = row.AsLargeint(history::kActiveSeconds);
  json["idle_seconds"] = row.AsInteger(history::kIdleSeconds);
  json["closed_ok"] = row.AsBoolean(history::kClosedOk);
  json["running"] = run.running;
  json["imported"] = row.AsBoolean(history::kIsImported);
  return json;
}

}  // namespace

Json HistoryJson(Cursor& report, DateTime now, Clock& clock) {
  Json doc = JsonDocument("history", now, clock);
  const std::vector<RunSpan> runs = ReadRunSpans(report);
  Json rows = Json::array();
  Json summary = {{"entries", 0},
                  {"closed_ok", 0},
                  {"uptime_seconds", 0},
                  {"active_seconds", 0},
                  {"idle_seconds", 0}};
  std::size_t index = 0;
  for (report.First(); !report.Eof() && index < runs.size(); report.Next(), ++index) {
    Json row = HistoryRow(report, runs[index], clock);
    summary["entries"] = summary["entries"].get<std::int64_t>() + 1;
    if (row["closed_ok"].get<bool>())
      summary["closed_ok"] = summary["closed_ok"].get<std::int64_t>() + 1;
    for (const char* key : {"uptime_seconds", "active_seconds", "idle_seconds"})
      summary[key] = summary[key].get<std::int64_t>() + row[key].get<std::int64_t>();
    rows.push_back(std::move(row));
  }
  if (!report.IsEmpty()) report.Last();
  doc["summary"] = std::move(summary);
  doc["rows"] = std::move(rows);
  return doc;
}

namespace {

Json LoginNode(const TRecComputerRun& node, Clock& clock) {
  Json json;
  json["user"] = node.rUserName;
  json["domain"] = node.rDomain;
  json["start"] = IsoMoment(node.rStartDateTime, clock);
  json["end"] = IsoMomentInOffsetOf(node.rEndDateTime, node.rStartDateTime, clock);
  json["uptime_seconds"] = node.rUptimeSeconds;
  json["active_seconds"] = node.rActiveSeconds;
  json["idle_seconds"] = node.rIdleSeconds;
  json["locked_seconds"] = node.rLockedSeconds;
  json["closed_ok"] = node.rClosedOk;
  return json;
}

}  // namespace

Json LoginsJson(const LoginTree& tree, DateTime now, Clock& clock) {
  Json doc = JsonDocument("logins", now, clock);
  Json runs = Json::array();
  std::int64_t crashed = 0, logins = 0, uptime = 0, active = 0, idle = 0, locked = 0;
  for (const LoginTreeRun& treeRun : tree.Runs()) {
    Json run = {{"run", treeRun.run->rRunID}};
    run.update(LoginNode(*treeRun.run, clock));
    run["running"] = treeRun.run->rRecordIncomplete;
    if (!treeRun.run->rClosedOk) ++crashed;
    Json list = Json::array();
    for (const TRecComputerRun* login : treeRun.logins) {
      Json json = LoginNode(*login, clock);
      json["logged_in"] = login->rLoginActive;
      list.push_back(std::move(json));
      ++logins;
      uptime += login->rUptimeSeconds;
      active += login->rActiveSeconds;
      idle += login->rIdleSeconds;
      locked += login->rLockedSeconds;
    }
    run["logins"] = std::move(list);
    runs.push_back(std::move(run));
  }
  doc["summary"] = {{"runs", runs.size()},     {"crashed", crashed},       {"logins", logins},
                    {"login_seconds", uptime}, {"active_seconds", active}, {"idle_seconds", idle},
                    {"locked_seconds", locked}};
  doc["runs"] = std::move(runs);
  return doc;
}

}  // namespace brenvik::cli
