// brenvik-cli metrics: the current figures in the Prometheus text exposition
// format (version 0.0.4, which the node exporter's textfile collector reads),
// written to standard output or atomically to a file. docs/metrics.md lists
// the metric names.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "reports/daily/day_figures.h"

namespace brenvik::cli {

struct ProgramMetrics {
  std::string path;
  std::int64_t uptimeSeconds = 0;  // all its runs in the history
  bool running = false;
};

struct MetricsFigures {
  std::int64_t systemUptimeSeconds = 0;  // the current run
  std::int64_t boots = 0;
  std::int64_t cleanShutdowns = 0;
  std::int64_t crashes = 0;
  std::int64_t uptimeSecondsTotal = 0;
  std::int64_t idleSeconds = 0;  // of the current run
  std::int64_t idleSecondsTotal = 0;
  std::vector<ProgramMetrics> programs;  // the watched programs, in list order
};

// A label value as the format writes it between double quotes: back-slash,
// double quote and line feed escaped; every other byte (UTF-8 included) as is.
std::string EscapeLabelValue(std::string_view value);

// The exposition text: HELP and TYPE lines, one sample per line, ending
// with a line break.
std::string MetricsText(const MetricsFigures& figures);

// The watched programs' figures from the history's program runs; paths are
// matched without regard to ASCII case, as the processing matches them.
std::vector<ProgramMetrics> ProgramFigures(const std::vector<std::string>& watchedPaths,
                                           const std::vector<RunSpan>& runs);

// Refreshes nothing itself: the session's start-up refresh has brought the
// statistics to the current moment.
MetricsFigures CollectMetrics(Session& session);

// Replaces the file atomically with the text, readable for every user (the
// collector's). FileError when it cannot be written; the old file then stays.
void WriteMetricsFile(FileSystem& files, const std::string& path, const std::string& text);

void RunMetrics(Session& session, const MetricsOptions& options, std::ostream& out);

}  // namespace brenvik::cli
