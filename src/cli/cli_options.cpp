#include "cli/cli_options.h"

#include <charconv>

#include "base/version.h"

namespace brenvik::cli {
namespace {

constexpr std::string_view kMomentShape = "dddd-dd-dd dd:dd:dd";
constexpr int kPeriodCount = 9;

// The arguments with a read position; an option's value is taken from
// "--name=value" or from the next argument.
class ArgReader {
 public:
  explicit ArgReader(const std::vector<std::string>& args) : args_(args) {}

  bool AtEnd() const { return pos_ >= args_.size(); }
  const std::string& Peek() const { return args_[pos_]; }

  // The next argument, split into its name and an inline "=value".
  std::string TakeName() {
    const std::string& arg = args_[pos_++];
    inline_.reset();
    const std::size_t eq = arg.find('=');
    if (arg.starts_with("--") && eq != std::string::npos) {
      inline_ = arg.substr(eq + 1);
      return arg.substr(0, eq);
    }
    return arg;
  }

  std::string TakeValue(const std::string& name) {
    if (inline_) {
      std::string value = std::move(*inline_);
      inline_.reset();
      return value;
    }
    if (AtEnd()) throw UsageError(name + " needs a value");
    return args_[pos_++];
  }

  // An option that takes no value must not have been given one.
  void RefuseInlineValue(const std::string& name) const {
    if (inline_) throw UsageError(name + " takes no value");
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t pos_ = 0;
  std::optional<std::string> inline_;
};

template <typename T>
void SetOnce(std::optional<T>& target, T value, const std::string& name) {
  if (target) throw UsageError(name + " given twice");
  target = std::move(value);
}

std::optional<std::int64_t> ParseWholeNumber(const std::string& text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

DateTime MomentValue(const std::string& name, const std::string& text) {
  const auto moment = ParseMoment(text);
  if (!moment) throw UsageError(name + " wants \"YYYY-MM-DD HH:MM:SS\", not \"" + text + "\"");
  return *moment;
}

// Takes one global option; false when the name is none.
bool TakeGlobal(ArgReader& reader, const std::string& name, GlobalOptions& g) {
  if (name == "--root") {
    std::string root = reader.TakeValue(name);
    if (root.empty()) throw UsageError("--root needs a folder");
    SetOnce(g.root, std::move(root), name);
  } else if (name == "--now") {
    SetOnce(g.now, MomentValue(name, reader.TakeValue(name)), name);
  } else if (name == "--uptime") {
    const std::string text = reader.TakeValue(name);
    const auto seconds = ParseWholeNumber(text);
    if (!seconds || *seconds < 0)
      throw UsageError("--uptime wants whole seconds, not \"" + text + "\"");
    SetOnce(g.uptime, *seconds, name);
  } else if (name == "--events") {
    SetOnce(g.events, reader.TakeValue(name), name);
  } else if (name == "--app-events") {
    SetOnce(g.appEvents, reader.TakeValue(name), name);
  } else {
    return false;
  }
  return true;
}

bool TakeTime(ArgReader& reader, const std::string& name, TimeOptions& t) {
  if (name == "--period") {
    const std::string text = reader.TakeValue(name);
    const auto index = ParseWholeNumber(text);
    if (!index || *index < 0 || *index >= kPeriodCount)
      throw UsageError("--period wants a period number 0..8, not \"" + text + "\"");
    SetOnce(t.period, static_cast<int>(*index), name);
  } else if (name == "--after") {
    SetOnce(t.after, MomentValue(name, reader.TakeValue(name)), name);
  } else if (name == "--before") {
    SetOnce(t.before, MomentValue(name, reader.TakeValue(name)), name);
  } else {
    return false;
  }
  return true;
}

void CheckTime(const TimeOptions& t) {
  if (t.period && (t.after || t.before))
    throw UsageError("--period cannot be combined with --after or --before");
}

bool TakeExport(ArgReader& reader, const std::string& name, std::optional<std::string>& csv,
                std::optional<std::string>& html) {
  if (name == "--csv") {
    SetOnce(csv, reader.TakeValue(name), name);
  } else if (name == "--html") {
    SetOnce(html, reader.TakeValue(name), name);
  } else {
    return false;
  }
  return true;
}

bool TakeHistory(ArgReader& reader, const std::string& name, HistoryOptions& h) {
  if (name == "--source") {
    const std::string value = reader.TakeValue(name);
    if (value != "windows" && value != "programs")
      throw UsageError("--source wants windows or programs, not \"" + value + "\"");
    SetOnce(h.sourceWindows, value == "windows", name);
  } else if (name == "--program") {
    h.programs.push_back(reader.TakeValue(name));
  } else if (name == "--closed") {
    const std::string value = reader.TakeValue(name);
    if (value != "ok" && value != "crashed")
      throw UsageError("--closed wants ok or crashed, not \"" + value + "\"");
    SetOnce(h.closedOk, value == "ok", name);
  } else if (name == "--user") {
    h.users.push_back(reader.TakeValue(name));
  } else {
    return TakeTime(reader, name, h.time) || TakeExport(reader, name, h.csvFile, h.htmlFile);
  }
  return true;
}

bool TakeLogins(ArgReader& reader, const std::string& name, LoginsOptions& l) {
  if (name == "--runs") {
    SetOnce(l.runs, reader.TakeValue(name), name);
  } else if (name == "--user") {
    l.users.push_back(reader.TakeValue(name));
  } else {
    return TakeTime(reader, name, l.time) || TakeExport(reader, name, l.csvFile, l.htmlFile);
  }
  return true;
}

// --format for the commands that print a report.
bool TakeFormat(ArgReader& reader, const std::string& name, CommandLine& line) {
  const bool reports = line.command == Command::UptimeReport || line.command == Command::History ||
                       line.command == Command::Logins || line.command == Command::Daily;
  if (name != "--format" || !reports) return false;
  const std::string value = reader.TakeValue(name);
  if (value != "text" && value != "json")
    throw UsageError("--format wants text or json, not \"" + value + "\"");
  line.format = value == "json" ? OutputFormat::Json : OutputFormat::Text;
  return true;
}

bool TakeMetrics(ArgReader& reader, const std::string& name, MetricsOptions& m) {
  if (name != "--output") return false;
  std::string file = reader.TakeValue(name);
  if (file.empty()) throw UsageError("--output needs a file");
  SetOnce(m.outputFile, std::move(file), name);
  return true;
}

bool TakeImport(ArgReader& reader, const std::string& name, ImportOptions& i) {
  if (name == "--wtmp") {
    i.wtmpFiles.push_back(reader.TakeValue(name));
  } else if (name == "--journal-boots") {
    SetOnce(i.journalBoots, reader.TakeValue(name), name);
  } else {
    return false;
  }
  return true;
}

Command CommandNamed(ArgReader& reader, const std::string& word) {
  if (word == "daily") return Command::Daily;
  if (word == "metrics") return Command::Metrics;
  if (word == "uptime-report") return Command::UptimeReport;
  if (word == "history") return Command::History;
  if (word == "logins") return Command::Logins;
  if (word == "import-eventlog") return Command::ImportEventLog;
  if (word == "help" || word == "--help" || word == "-h") return Command::Help;
  if (word == "--version") return Command::Version;
  if (word == "watch") {
    if (reader.AtEnd()) throw UsageError("watch wants list, add or remove");
    const std::string sub = reader.TakeName();
    if (sub == "list") return Command::WatchList;
    if (sub == "add") return Command::WatchAdd;
    if (sub == "remove") return Command::WatchRemove;
    throw UsageError("watch wants list, add or remove, not \"" + sub + "\"");
  }
  throw UsageError("unknown command \"" + word + "\"");
}

// One argument after the command: a global option, an option of the
// command, or (for watch add / remove) a path.
void TakeCommandArgument(ArgReader& reader, CommandLine& line, bool& pathsOnly) {
  if (pathsOnly) {
    line.paths.push_back(reader.TakeName());
    return;
  }
  const bool takesPaths = line.command == Command::WatchAdd || line.command == Command::WatchRemove;
  if (takesPaths && reader.Peek() == "--") {
    reader.TakeName();
    pathsOnly = true;
    return;
  }
  if (!reader.Peek().starts_with("--")) {
    if (!takesPaths) throw UsageError("unexpected argument \"" + reader.Peek() + "\"");
    line.paths.push_back(reader.TakeName());
    return;
  }
  const std::string name = reader.TakeName();
  if (TakeGlobal(reader, name, line.global)) return;
  if (line.command == Command::History && TakeHistory(reader, name, line.history)) return;
  if (line.command == Command::Logins && TakeLogins(reader, name, line.logins)) return;
  if (TakeFormat(reader, name, line)) return;
  if (line.command == Command::Daily && TakeTime(reader, name, line.daily.time)) return;
  if (line.command == Command::Metrics && TakeMetrics(reader, name, line.metrics)) return;
  if (line.command == Command::ImportEventLog && TakeImport(reader, name, line.import)) return;
  throw UsageError("unknown option " + name);
}

}  // namespace

std::optional<DateTime> ParseMoment(const std::string& text) {
  if (text.size() != kMomentShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kMomentShape[i] == 'd' ? !digit : text[i] != kMomentShape[i]) return std::nullopt;
  }
  const auto number = [&](std::size_t at, std::size_t width) {
    return static_cast<int>(*ParseWholeNumber(text.substr(at, width)));
  };
  const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
  const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
  if (year < 1900 || !IsValidDate(year, month, day) || !IsValidTime(hour, minute, second, 0))
    return std::nullopt;
  return EncodeDateTime(year, month, day, hour, minute, second);
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  ArgReader reader(args);
  bool haveCommand = false;
  while (!reader.AtEnd() && !haveCommand) {
    const std::string name = reader.TakeName();
    if (name.starts_with("--") && TakeGlobal(reader, name, line.global)) continue;
    if (name.starts_with("--") && name != "--help" && name != "--version")
      throw UsageError("unknown option " + name);
    reader.RefuseInlineValue(name);
    line.command = CommandNamed(reader, name);
    haveCommand = true;
  }
  if (!haveCommand) throw UsageError("no command given");
  bool pathsOnly = false;
  while (!reader.AtEnd()) TakeCommandArgument(reader, line, pathsOnly);

  CheckTime(line.history.time);
  CheckTime(line.logins.time);
  CheckTime(line.daily.time);
  if (line.logins.runs &&
      (line.logins.time.period || line.logins.time.after || line.logins.time.before))
    throw UsageError("--runs cannot be combined with --period, --after or --before");
  if ((line.command == Command::WatchAdd || line.command == Command::WatchRemove) &&
      line.paths.empty())
    throw UsageError("watch add and watch remove want at least one program path");
  for (const std::string& path : line.paths)
    if (path.empty()) throw UsageError("a program path cannot be empty");
  return line;
}

std::string UsageLine() {
  return "usage: brenvik-cli [--root DIR] [--now TIME] [--uptime SECONDS] [--events FILE] "
         "[--app-events FILE] (uptime-report | history [FILTERS] | logins [FILTERS] | daily [TIME] "
         "| "
         "metrics [--output FILE] | import-eventlog [--wtmp FILE]... [--journal-boots FILE] | "
         "watch list | watch add PATH... "
         "| watch remove PATH... | help | --version)";
}

std::string HelpText() {
  return R"(brenvik-cli [GLOBAL OPTIONS] COMMAND [COMMAND OPTIONS]

GLOBAL OPTIONS
  --root DIR          root of the data tree (Settings/ and Data/ below it);
                      default: as the window finds it
  --now TIME          local date-time to take as now, "YYYY-MM-DD HH:MM:SS"
  --uptime SECONDS    system uptime to take at start (start of the current run)
  --events FILE       System event log to read instead of the system's
  --app-events FILE   Application event log to read instead of the system's

COMMANDS
  uptime-report       refresh the statistics and print the uptime report
  history [FILTERS] [--csv FILE] [--html FILE]
                      browse the uptime history: print the summary and the
                      filters used; write the CSV export and/or the HTML report
      --source windows|programs     enable the source filter with that choice
      --program PATH                (repeatable) tick that program in the list
                                    (the source filter uses it with programs)
      --period N                    time filter: predefined period N (0..8):
                                    0 today, 1 yesterday, 2 last 7 days,
                                    3 this week, 4 previous week, 5 this month,
                                    6 previous month, 7 this year, 8 previous year
      --after TIME, --before TIME   time filter: date range bounds
      --closed ok|crashed           event type filter
      --user NAME                   (repeatable) user filter: tick that user
                                    ("user [domain]")
  logins [FILTERS] [--csv FILE] [--html FILE]
                      build the login report: print its summary; write the CSV
                      and/or the HTML export
      --runs TEXT                   computer runs counted back from the last
                                    ("1-3", "1,4")
      --period N, --after TIME, --before TIME   as above
      --user KEY                    (repeatable) user filter: tick that user
  daily [--period N | --after TIME --before TIME]
                      per local calendar day the first switch-on, the last
                      switch-off (or "running"), uptime, active and idle
                      time, boots and crashes of the computer, and a total;
                      runs crossing midnight are split there
  metrics [--output FILE]
                      the current figures in the Prometheus text format, for
                      the node exporter's textfile collector; with --output
                      the file is replaced atomically
  --format text|json  (uptime-report, history, logins, daily) print one JSON
                      document instead of the text (docs/brenvik-cli-json.md)
  import-eventlog [--wtmp FILE]... [--journal-boots FILE]
                      import the earlier uptime history from the System log,
                      or from a Linux machine's saved boot records:
      --wtmp FILE                   (repeatable) a login accounting file
      --journal-boots FILE          a saved "journalctl --list-boots" listing
  watch list          print the watched programs' paths, one a line
  watch add PATH...   start tracking these programs (the service is told)
  watch remove PATH...  stop tracking these programs (the service is told)
  help                this text
  --version           print the program's version

EXIT STATUS
  0 success, 1 error, 2 usage error, 3 the data tree is in use by another
  copy of Brenvik
)";
}

std::string VersionLine() { return std::string("brenvik-cli ") + kBrenvikVersion + "\n"; }

}  // namespace brenvik::cli
