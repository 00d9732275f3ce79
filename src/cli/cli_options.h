// The command line of brenvik-cli: global options, one command and its
// options, read into plain structs. Nothing here touches the data tree, so a
// usage error is found before anything is opened.
//
//   brenvik-cli [GLOBAL OPTIONS] COMMAND [COMMAND OPTIONS]
//
// Global options may also follow the command. An option's value is the next
// argument or follows "=" ("--root=DIR"). Moments are local date-times in the
// form "YYYY-MM-DD HH:MM:SS", nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "records/date_time.h"

namespace brenvik::cli {

// A command line that cannot be run; the text says what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command {
  Help,
  UptimeReport,
  History,
  Logins,
  ImportEventLog,
  WatchList,
  WatchAdd,
  WatchRemove,
  Daily,
  Metrics,
  Version
};

// What a report command prints: the window's text, or one JSON document
// (--format json; docs/brenvik-cli-json.md).
enum class OutputFormat { Text, Json };

struct GlobalOptions {
  std::optional<std::string> root;       // --root
  std::optional<DateTime> now;           // --now
  std::optional<std::int64_t> uptime;    // --uptime, seconds
  std::optional<std::string> events;     // --events (System log file)
  std::optional<std::string> appEvents;  // --app-events (Application log file)
};

// A time filter bound or period as given; both reports share the options.
struct TimeOptions {
  std::optional<int> period;       // --period 0..8
  std::optional<DateTime> after;   // --after
  std::optional<DateTime> before;  // --before
};

struct HistoryOptions {
  std::optional<bool> sourceWindows;  // --source windows|programs
  std::vector<std::string> programs;  // --program, in order
  TimeOptions time;
  std::optional<bool> closedOk;         // --closed ok|crashed
  std::vector<std::string> users;       // --user
  std::optional<std::string> csvFile;   // --csv
  std::optional<std::string> htmlFile;  // --html
};

struct LoginsOptions {
  std::optional<std::string> runs;  // --runs
  TimeOptions time;
  std::vector<std::string> users;  // --user
  std::optional<std::string> csvFile;
  std::optional<std::string> htmlFile;
};

struct DailyOptions {
  TimeOptions time;
};

struct MetricsOptions {
  std::optional<std::string> outputFile;  // --output; standard output without it
};

struct ImportOptions {
  std::vector<std::string> wtmpFiles;       // --wtmp, in order
  std::optional<std::string> journalBoots;  // --journal-boots
};

struct CommandLine {
  GlobalOptions global;
  Command command = Command::Help;
  HistoryOptions history;
  LoginsOptions logins;
  ImportOptions import;
  std::vector<std::string> paths;  // watch add / watch remove
  OutputFormat format = OutputFormat::Text;
  DailyOptions daily;
  MetricsOptions metrics;
};

// Reads the arguments after the program name; UsageError when they do not
// make one command.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// "YYYY-MM-DD HH:MM:SS" as a real date and time; nothing otherwise.
std::optional<DateTime> ParseMoment(const std::string& text);

// The one-line synopsis shown with a usage error, the full help text, and
// the line that --version prints.
std::string UsageLine();
std::string HelpText();
std::string VersionLine();

}  // namespace brenvik::cli
