// The report workloads inside one running program, as the window runs them
// after its start-up: a browse of the uptime history with a time filter and
// with a source filter, the login report build, the uptime CSV export and
// the HTML document, over generated data trees (tools/brenvik-datagen) of
// the sizes given. The start-up and the close are left out (the suite and
// the command-line runs of scripts/bench.py measure those). Each browse
// includes its processing pass, here one with no new lines; the CSV export
// is also timed alone, per row, in wall and processor time. Prints one line
// per figure, as the suite does:
//   <history rows> <figure> <value> <unit>
//
//   brenvik_report_bench [history-rows ...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "cli/cli_commands.h"
#include "cli/cli_session.h"
#include "data_generator.h"
#include "datastore/startup/startup.h"
#include "records/time_arithmetic.h"
#include "reports/uptime/uptime_export.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

double MedianMs(int runs, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

void Print(std::size_t rows, const char* figure, double value, const char* unit) {
  std::printf("%zu %s %.6g %s\n", rows, figure, value, unit);
  std::fflush(stdout);
}

void MeasureReports(std::size_t rows) {
  test::TempDir dir;
  const std::string root = dir.path();
  datagen::GeneratorOptions options;
  options.boots = std::max<std::size_t>(rows / 10, 1);
  options.programsPerBoot = 9;
  const DataFolders folders = InitDataFoldersAt(test::NativeFiles(), root);
  const datagen::GeneratedHistory generated = datagen::WriteDataTree(options, folders.dataFolder);

  test::FakePlatform fake = test::MakeFakePlatform();
  // A clock standing an hour after the history, as `--now` does.
  fake.clock->local = AddSeconds(generated.boots.back().end, 3600);
  std::ostringstream messages;
  cli::Session session(*fake.platform, folders, messages, true);
  session.Start();

  std::ostringstream out;
  cli::HistoryOptions timeFilter;
  timeFilter.time.after = EncodeDateTime(2000, 1, 1, 0, 0, 0);
  timeFilter.time.before = EncodeDateTime(2001, 1, 1, 0, 0, 0);
  Print(rows, "browse_time_filter", MedianMs(5, [&] { cli::RunHistory(session, timeFilter, out); }),
        "ms");
  cli::HistoryOptions sourceFilter;
  sourceFilter.sourceWindows = false;
  Print(rows, "browse_source_filter",
        MedianMs(5, [&] { cli::RunHistory(session, sourceFilter, out); }), "ms");
  cli::LoginsOptions logins;
  Print(rows, "login_report_build", MedianMs(5, [&] { cli::RunLogins(session, logins, out); }),
        "ms");

  // The exports over the whole history, the browse before them included.
  cli::HistoryOptions csv;
  csv.csvFile = root + "export.csv";
  Print(rows, "uptime_csv_export", MedianMs(3, [&] { cli::RunHistory(session, csv, out); }), "ms");
  Print(rows, "uptime_csv_bytes", static_cast<double>(FileSize(*csv.csvFile)), "bytes");
  // The export alone, over the report the browse above left, per row.
  Cursor& report = *session.tables().DataSetHistoryClone;
  // Processor time too: on a machine shared with other work it moves less.
  const std::clock_t cpuBefore = std::clock();
  const double exportMs = MedianMs(3, [&] {
    ExportUptimeCsv(session.files(), report, DefaultHistoryColumns(), session.locale(),
                    *csv.csvFile);
  });
  const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC / 3;
  const auto perRow = [&](double ms) {
    return ms * 1000.0 / static_cast<double>(report.RecordCount());
  };
  Print(rows, "uptime_csv_export_alone", exportMs, "ms");
  Print(rows, "uptime_csv_per_row", perRow(exportMs), "us");
  Print(rows, "uptime_csv_per_row_cpu", perRow(cpuMs), "us");
  cli::HistoryOptions html;
  html.htmlFile = root + "export.html";
  Print(rows, "uptime_html_export", MedianMs(3, [&] { cli::RunHistory(session, html, out); }),
        "ms");
  session.Close();
}

}  // namespace
}  // namespace brenvik

int main(int argc, char** argv) {
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoul(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {10'000, 100'000, 1'000'000};
  for (std::size_t rows : sizes) brenvik::MeasureReports(rows);
  return 0;
}
