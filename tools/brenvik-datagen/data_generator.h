// Realistic data trees of any size for the benchmarks: the three tables of
// years of use (complete Windows runs with the tracked programs and the login
// of each) and activity-log lines that continue them, all from one seed, so
// that every run of a benchmark sees the same data. Also the boots of that
// history in a plain form, for loading into another uptime tool.
//
// Table times are local; the boots' epoch seconds take them as UTC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "datastore/tables/table.h"
#include "records/date_time.h"

namespace brenvik::datagen {

struct GeneratorOptions {
  std::size_t boots = 1000;
  std::size_t programsPerBoot = 9;  // program rows per Windows run
  std::uint32_t seed = 20130430;
  DateTime firstBoot = EncodeDateTime(1995, 1, 2, 8, 0, 0);
  // Uptimes and downtimes are multiplied by this (below 1: more boots a year).
  double timeScale = 1.0;
};

struct GeneratedBoot {
  DateTime start = 0;
  DateTime end = 0;
  bool closedOk = true;
};

// What was written, for checking what the program makes of it.
struct GeneratedHistory {
  std::vector<GeneratedBoot> boots;
  std::size_t programRows = 0;
  std::size_t loginRows = 0;
  std::int64_t windowsUptimeSeconds = 0;
  std::size_t crashes = 0;
};

// Appends the rows of complete runs to the history and logins tables; the
// last run ends with a clean stop.
GeneratedHistory GenerateHistory(const GeneratorOptions& options, Table& history, Table& logins);

// Writes History.cds, Logins.cds and Transactions.cds into dataFolder
// (ending with the path separator), replacing what is there; the
// transactions hold the last run's stop, as the pass that read it leaves them.
GeneratedHistory WriteDataTree(const GeneratorOptions& options, const std::string& dataFolder);

// Activity-log lines (CR LF after each) of a working session that begins
// with a Windows start and a login at utcStart: programs starting and ending,
// heartbeats and idle reports, one every 30 seconds. nextUtc receives the
// time after the last line.
std::string SessionLines(DateTime utcStart, std::size_t lines, std::uint32_t seed, bool withStart,
                         DateTime& nextUtc);

// A long activity log of many working sessions (SessionLines each), ended in
// turn by a logoff and a clean stop, or cut off by a crash (the next session
// starts without a stop). Sessions are a few minutes to hours apart; every
// line is distinct. CR LF after each line.
std::string ActivityLog(DateTime utcStart, std::size_t sessions, std::size_t linesPerSession,
                        std::uint32_t seed);

// The boots as CSV lines "btime,uptime,offbtime,endst,downtime" (epoch
// seconds; endst 0 for a normal end, 1 for a crash; downtime until the next
// boot, 0 for the last).
std::string BootsCsv(const GeneratedHistory& history);

}  // namespace brenvik::datagen
