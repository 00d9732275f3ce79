#include "cli/cli_metrics.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <unordered_map>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"
#include "reports/daily/history_runs.h"

namespace brenvik::cli {
namespace {

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::int64_t Count(const std::string& caption) {
  std::int64_t value = 0;
  std::from_chars(caption.data(), caption.data() + caption.size(), value);
  return value;
}

std::int64_t SecondsSince(DateTime from, DateTime now) {
  if (CompareMoments(from, NullDate) == 0) return 0;
  return SecondsBetween(from, now);
}

void Family(std::string& text, const char* name, const char* type, const char* help) {
  text += std::string("# HELP ") + name + " " + help + "\n";
  text += std::string("# TYPE ") + name + " " + type + "\n";
}

void Sample(std::string& text, const char* name, std::int64_t value) {
  text += std::string(name) + " " + std::to_string(value) + "\n";
}

void ProgramSample(std::string& text, const char* name, const std::string& path,
                   std::int64_t value) {
  text += std::string(name) + "{path=\"" + EscapeLabelValue(path) + "\"} " + std::to_string(value) +
          "\n";
}

}  // namespace

std::string EscapeLabelValue(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (char c : value) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '"') {
      escaped += "\\\"";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string MetricsText(const MetricsFigures& f) {
  std::string t;
  Family(t, "brenvik_system_uptime_seconds", "gauge", "Uptime of the current computer run.");
  Sample(t, "brenvik_system_uptime_seconds", f.systemUptimeSeconds);
  Family(t, "brenvik_boots_total", "counter", "Times the computer was turned on.");
  Sample(t, "brenvik_boots_total", f.boots);
  Family(t, "brenvik_clean_shutdowns_total", "counter", "Times the computer was turned off.");
  Sample(t, "brenvik_clean_shutdowns_total", f.cleanShutdowns);
  Family(t, "brenvik_crashes_total", "counter", "Computer runs that ended in a crash.");
  Sample(t, "brenvik_crashes_total", f.crashes);
  Family(t, "brenvik_uptime_seconds_total", "counter", "Uptime of all computer runs.");
  Sample(t, "brenvik_uptime_seconds_total", f.uptimeSecondsTotal);
  Family(t, "brenvik_idle_seconds", "gauge", "Idle time of the current computer run.");
  Sample(t, "brenvik_idle_seconds", f.idleSeconds);
  Family(t, "brenvik_idle_seconds_total", "counter", "Idle time of all computer runs.");
  Sample(t, "brenvik_idle_seconds_total", f.idleSecondsTotal);
  if (f.programs.empty()) return t;
  Family(t, "brenvik_program_uptime_seconds_total", "counter",
         "Uptime of all runs of a tracked program.");
  for (const ProgramMetrics& p : f.programs)
    ProgramSample(t, "brenvik_program_uptime_seconds_total", p.path, p.uptimeSeconds);
  Family(t, "brenvik_program_running", "gauge", "1 while a tracked program runs, else 0.");
  for (const ProgramMetrics& p : f.programs)
    ProgramSample(t, "brenvik_program_running", p.path, p.running ? 1 : 0);
  return t;
}

std::vector<ProgramMetrics> ProgramFigures(const std::vector<std::string>& watchedPaths,
                                           const std::vector<RunSpan>& runs) {
  std::vector<ProgramMetrics> programs;
  std::unordered_map<std::string, std::size_t> byKey;
  for (const std::string& path : watchedPaths) {
    // A path listed twice (differing only in case) is reported once.
    if (byKey.emplace(LowerAscii(path), programs.size()).second)
      programs.push_back(ProgramMetrics{path});
  }
  for (const RunSpan& run : runs) {
    if (run.isWindows) continue;
    const auto found = byKey.find(LowerAscii(run.program));
    if (found == byKey.end()) continue;
    ProgramMetrics& p = programs[found->second];
    p.uptimeSeconds += SecondsBetween(run.start, std::max(run.start, run.end));
    p.running = p.running || run.running;
  }
  return programs;
}

MetricsFigures CollectMetrics(Session& session) {
  const WinStatistics& stats = session.statistics();
  const DateTime now = NowWholeSeconds(session.clock());
  MetricsFigures f;
  f.systemUptimeSeconds = SecondsSince(stats.runStart, now);
  f.boots = Count(stats.captions.turnedOnCount);
  f.cleanShutdowns = Count(stats.captions.turnedOffCount);
  f.crashes = Count(stats.captions.crashedCount);
  f.uptimeSecondsTotal = SecondsSince(stats.totalStart, now);
  f.idleSeconds = std::max<std::int64_t>(stats.idleSeconds, 0);
  f.idleSecondsTotal = std::max<std::int64_t>(stats.idleSecondsTotal, 0);
  std::vector<std::string> paths;
  for (const TRecProgramme& p : session.watched().Programs()) paths.push_back(p.rLongExePath);
  Cursor history(session.tables().DataSetHistory);
  f.programs = ProgramFigures(paths, ReadRunSpans(history));
  return f;
}

void WriteMetricsFile(FileSystem& files, const std::string& path, const std::string& text) {
  // The node exporter usually runs as a user of its own, so the file is made
  // readable for all before it takes the old one's place; the staged name
  // does not end in .prom, so the collector never reads it half made.
  const std::string staged = path + ".~staged";
  WriteFileAtomic(files, staged, text);
  namespace fs = std::filesystem;
  std::error_code ignored;
  fs::permissions(ToFsPath(staged),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                      fs::perms::others_read,
                  fs::perm_options::replace, ignored);
  if (!files.RenameFile(staged, path)) {
    files.RemoveFile(staged);
    throw FileError("Cannot replace file \"" + path + "\"");
  }
  files.SyncFolder(ParentFolder(path));
}

void RunMetrics(Session& session, const MetricsOptions& options, std::ostream& out) {
  const std::string text = MetricsText(CollectMetrics(session));
  if (options.outputFile)
    WriteMetricsFile(session.files(), *options.outputFile, text);
  else
    out << text;
}

}  // namespace brenvik::cli
