// The benchmark suite over generated data trees (tools/brenvik-datagen):
// for each history size given, the start-up open of the tables, the first
// pass of a new Windows run, passes with 100 new lines (time and bytes
// written to the data folder), the memory the open tables take, and a pass
// over a current run of many transactions, a statistics refresh over a
// history of Windows rows only, and the reading of activity-log text. Prints
// one line per figure:
//   <history rows> <figure> <value> <unit>
// Only the public interface of the data store is used, so the same source
// measures an older store too.
//
//   brenvik_suite_bench [history-rows ...] [--run-transactions N]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/text_file.h"
#include "data_generator.h"
#include "datastore/pass/processing_pass.h"
#include "datastore/service_link/diagnostic_log.h"
#include "datastore/service_link/log_line_reader.h"
#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"
#include "statistics/history_summary_rows.h"
#include "statistics/win_statistics.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work) {
  const auto start = Steady::now();
  work();
  return std::chrono::duration<double>(Steady::now() - start).count();
}

// Processor time of this process: for pure computation on a shared machine,
// where the wall clock also counts the waits for a core.
double CpuSeconds(const std::function<void()>& work) {
  const std::clock_t start = std::clock();
  work();
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Print(std::size_t rows, const char* figure, double value, const char* unit) {
  std::printf("%zu %s %.6g %s\n", rows, figure, value, unit);
  std::fflush(stdout);
}

long ResidentKb() {
  long kb = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    long pages = 0;
    long resident = 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) == 2) kb = resident * 4;
    std::fclose(f);
  }
  return kb;
}

// Files of a folder tree: size and change time, to tell what a step wrote.
struct FileState {
  std::uint64_t size;
  fs::file_time_type time;
  std::uint64_t inode;
};
std::map<std::string, FileState> FolderState(const std::string& root) {
  std::map<std::string, FileState> files;
  for (const auto& e : fs::recursive_directory_iterator(ToFsPath(root))) {
    if (!e.is_regular_file()) continue;
    const std::string path = FromFsPath(e.path());
    files[path] = {
        e.file_size(), e.last_write_time(),
        static_cast<std::uint64_t>(fs::hard_link_count(e.path())) ^ std::hash<std::string>{}(path)};
  }
  return files;
}

// Bytes the table store wrote between two states: a file replaced or new
// counts whole, a file that grew in place counts its growth. The hand-over
// files of the service choreography are left out.
// tablesOnly false counts every file of the data folder and its backups.
std::uint64_t BytesWritten(const std::map<std::string, FileState>& before,
                           const std::map<std::string, FileState>& after, bool tablesOnly = true) {
  std::uint64_t bytes = 0;
  for (const auto& [path, state] : after) {
    if (tablesOnly && path.find(".cds") == std::string::npos &&
        path.find(".cdl") == std::string::npos) {
      continue;
    }
    const auto old = before.find(path);
    if (old == before.end()) {
      bytes += state.size;
    } else if (old->second.time != state.time) {
      bytes += state.size > old->second.size ? state.size - old->second.size : state.size;
    }
  }
  return bytes;
}

class DataTree {
 public:
  // historyRows rows: a Windows row and programsPerBoot program rows a boot.
  explicit DataTree(std::size_t historyRows, std::size_t programsPerBoot = 9)
      : fake_(test::MakeFakePlatform()) {
    datagen::GeneratorOptions options;
    options.boots = std::max<std::size_t>(historyRows / (programsPerBoot + 1), 1);
    options.programsPerBoot = programsPerBoot;
    generated_ = datagen::WriteDataTree(options, dir_.path());
    test::NativeFiles().CreateFolders(dir_.path() + "Backup");
    fake_.servicePipe->onMessage = [this](const std::string&) {
      // The service is another program: its write is not timed as ours.
      if (!handOver_.empty()) {
        std::string bytes = "\xEF\xBB\xBF" + handOver_;
        std::FILE* f = std::fopen(dir_.File(kCopyForMonitorFile).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
      }
      handOver_.clear();
    };
    nextUtc_ = AddSeconds(generated_.boots.back().end, 3600 - 7200);
  }

  const std::string& Folder() const { return dir_.path(); }
  ServiceLink Link() {
    return ServiceLink{*fake_.servicePipe, *fake_.clock, *fake_.files, dir_.path()};
  }

  double Open() {
    tables_ = std::make_unique<DataTables>();
    return Seconds([&] { OpenTables(*tables_, Link(), messages_); });
  }
  double Close() {
    return Seconds([&] { CloseTablesAndBackup(*tables_, test::NativeFiles(), dir_.path()); });
  }
  // A pass over `lines` new lines of the running session.
  double Pass(std::size_t lines, bool startRun) {
    handOver_ = datagen::SessionLines(nextUtc_, lines, seed_++, startRun, nextUtc_);
    const DateTime now = AddSeconds(nextUtc_, 7200);
    fake_.clock->local = now;
    return Seconds([&] {
      PassEnvironment env{Link(), *fake_.eventLog, *fake_.accounts, listed_, diagnostics_};
      DateTime start = now;
      TArrRecComputerRun runs;
      ProcessTransactions(
          env, PassTablesOf(*tables_),
          PassLists{.runs = runs, .programsFetched = programs_, .historyUsers = users_}, failures_,
          start, now);
    });
  }
  DataTables& Tables() { return *tables_; }
  Clock& TheClock() { return *fake_.clock; }

 private:
  class Silent : public Messages {
    void ShowMessage(const std::string&) override {}
  };
  test::TempDir dir_;
  test::FakePlatform fake_;
  datagen::GeneratedHistory generated_;
  Silent messages_;
  std::string handOver_;
  std::unique_ptr<DataTables> tables_;
  ListedRows listed_;
  DiagnosticLog diagnostics_;
  SortedTextList programs_;
  SortedTextList users_;
  std::int32_t failures_ = 0;
  DateTime nextUtc_ = 0;
  std::uint32_t seed_ = 1;
};

void MeasureSize(std::size_t rows) {
  DataTree tree(rows);
  const long before = ResidentKb();
  std::vector<double> opens;
  for (int i = 0; i < 3; ++i) opens.push_back(tree.Open());
  Print(rows, "open_tables", Median(opens) * 1000, "ms");
  Print(rows, "memory_per_row",
        static_cast<double>(ResidentKb() - before) * 1024 / static_cast<double>(rows), "bytes");
  Print(rows, "first_pass_of_a_run", tree.Pass(100, true) * 1000, "ms");
  std::vector<double> passes;
  std::vector<double> written;
  for (int i = 0; i < 7; ++i) {
    const auto state = FolderState(tree.Folder());
    passes.push_back(tree.Pass(100, false));
    written.push_back(static_cast<double>(BytesWritten(state, FolderState(tree.Folder()))));
  }
  Print(rows, "pass_100_lines", Median(passes) * 1000, "ms");
  Print(rows, "bytes_written_per_pass", Median(written), "bytes");
  const auto quiet = FolderState(tree.Folder());
  tree.Pass(0, false);
  Print(rows, "bytes_written_pass_nothing_new",
        static_cast<double>(BytesWritten(quiet, FolderState(tree.Folder()), false)), "bytes");
  Print(rows, "close_with_backups", tree.Close() * 1000, "ms");
}

void MeasureLongRun(std::size_t rows, std::size_t transactions) {
  DataTree tree(rows);
  tree.Open();
  Print(rows, "pass_reading_run_of_transactions", tree.Pass(transactions, true) * 1000, "ms");
  std::vector<double> passes;
  for (int i = 0; i < 3; ++i) passes.push_back(tree.Pass(10, false));
  Print(rows, "pass_replaying_run_of_transactions", Median(passes) * 1000, "ms");
  Print(rows, "run_transactions_stored",
        static_cast<double>(tree.Tables().DataSetTransactions.RecordCount()), "rows");
}

// The statistics refresh as the window runs it: the processing pass (here
// with no new lines) and the summary over every Windows row.
class RefreshParts : public StatisticsProcessing, public StatisticsHost {
 public:
  explicit RefreshParts(DataTree& tree) : tree_(tree) {}
  DateTime ProcessTransactions(std::int32_t&, DateTime, DateTime) override {
    tree_.Pass(0, false);
    return NullDate;
  }
  void BeginBusy(const std::string&) override {}
  void EndBusy() override {}
  void ShowMessage(const std::string&) override {}
  void UptimeReportOutOfDate() override {}

 private:
  DataTree& tree_;
};

void MeasureStatisticsRefresh(std::size_t windowsRows) {
  DataTree tree(windowsRows, 0);
  tree.Open();
  RefreshParts parts(tree);
  TableWindowsHistory history(tree.Tables());
  const StatisticsServices services{tree.TheClock(), parts, history, parts, LocaleInfo{}};
  WinStatistics stats = InitialWinStatistics(tree.TheClock());
  std::vector<double> refreshes;
  for (int i = 0; i < 7; ++i) {
    refreshes.push_back(Seconds([&] { RefreshWinStats(stats, services); }));
  }
  Print(windowsRows, "statistics_refresh_windows_rows", Median(refreshes) * 1000, "ms");
  std::vector<double> summaries;
  for (int i = 0; i < 7; ++i) {
    summaries.push_back(Seconds([&] { LoadSummary(history.WindowsRows(), stats); }));
  }
  Print(windowsRows, "statistics_summary_windows_rows", Median(summaries) * 1000, "ms");
}

// FetchNextEntry over generated activity-log text, in megabytes a second of
// processor time.
void MeasureParsing(std::size_t rows, std::size_t lines) {
  DateTime next = 0;
  const std::string text =
      datagen::SessionLines(EncodeDateTime(2020, 1, 2, 8, 0, 0), lines, 7, true, next);
  test::FakePlatform fake = test::MakeFakePlatform();
  DiagnosticLog log;
  const LineDiagnostics diagnostics{log, *fake.clock};
  std::size_t good = 0;
  std::vector<double> runs;
  for (int i = 0; i < 5; ++i) {
    runs.push_back(CpuSeconds([&] {
      int pos = 1;
      LogLineEntry entry;
      good = 0;
      while (pos <= static_cast<int>(text.size())) {
        if (FetchNextEntry(text, pos, entry, diagnostics)) ++good;
      }
    }));
  }
  if (good != lines) std::fprintf(stderr, "parsing: %zu of %zu lines read\n", good, lines);
  Print(rows, "parse_activity_log", static_cast<double>(text.size()) / 1e6 / Median(runs), "MB/s");
}

}  // namespace
}  // namespace brenvik

int main(int argc, char** argv) {
  std::vector<std::size_t> sizes;
  std::size_t runTransactions = 100'000;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--run-transactions" && i + 1 < argc) {
      runTransactions = std::strtoul(argv[++i], nullptr, 10);
    } else {
      sizes.push_back(std::strtoul(arg.c_str(), nullptr, 10));
    }
  }
  if (sizes.empty()) sizes = {10'000, 100'000, 1'000'000};
  for (std::size_t rows : sizes) brenvik::MeasureSize(rows);
  brenvik::MeasureLongRun(sizes.front(), runTransactions);
  brenvik::MeasureStatisticsRefresh(sizes.front());
  brenvik::MeasureParsing(sizes.front(), 200'000);
  return 0;
}
