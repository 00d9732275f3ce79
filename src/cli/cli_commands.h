// The commands of brenvik-cli, each over a started session. They do what the
// window's handlers do and write what the window would show: report texts to
// out, message boxes and warnings to err. Errors are raised to the caller.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_session.h"

namespace brenvik::cli {

// The statistics refreshed (one processing pass) and the uptime report text
// as a click on a figure copies it, followed by a line break.
// With OutputFormat::Json the report's JSON document instead (cli_json.h).
void RunUptimeReport(Session& session, std::ostream& out, OutputFormat format = OutputFormat::Text);

// "Browse uptime history" with the filters of the options, then the
// summary box's text (or the JSON document); the exports to the files asked for.
void RunHistory(Session& session, const HistoryOptions& options, std::ostream& out,
                OutputFormat format = OutputFormat::Text);

// "Browse login history" with the filters of the options, then the summary
// box's text (or the JSON document); the exports to the files asked for.
void RunLogins(Session& session, const LoginsOptions& options, std::ostream& out,
               OutputFormat format = OutputFormat::Text);

// The import of the earlier history, then the statistics refresh that
// follows it; the success message, or nothing when the import had run before.
void RunImportEventLog(Session& session, std::ostream& out);

void RunWatchList(Session& session, std::ostream& out);
// Start Tracking / Stop Tracking for the paths (relative ones taken from the
// current folder), then the service is told.
void RunWatchAdd(Session& session, const std::vector<std::string>& paths);
void RunWatchRemove(Session& session, const std::vector<std::string>& paths, std::ostream& err);

// A program path as the watched list stores it: relative paths made
// absolute against the current folder, others kept exactly.
std::string ProgramPath(const std::string& path);

// The settings of the uptime filters for the options, over pick lists that
// hold the current programs and users. A program or user that the lists do
// not hold cannot be ticked and raises an Error naming it.
void ApplyHistoryOptions(const HistoryOptions& options, UptimeFilterSettings& settings);
// The same for the login report's filters.
void ApplyLoginsOptions(const LoginsOptions& options, LoginReportSettings& settings);

}  // namespace brenvik::cli
