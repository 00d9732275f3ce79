// How the work of a processing pass grows: with the current Windows run, not
// with the recorded history. Prints the time of passes over
//   A: a history of 1,000,000 rows, with 100 new lines per pass (also with an
//      open uptime report whose clone is filtered and sorted), and
//   B: a current run of 100,000 stored transactions, replayed by every pass.
// The tables live in real files in a temporary folder, written durably.
//
//   brenvik_processing_bench [history-rows] [run-transactions]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/pass/history_prescan.h"
#include "datastore/pass/processing_pass.h"
#include "datastore/service_link/diagnostic_log.h"
#include "datastore/startup/tables.h"
#include "records/text_helpers.h"
#include "records/time_arithmetic.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

using Clock = std::chrono::steady_clock;

// Wall-clock seconds of the work; the processor seconds it took are added to
// gCpuSeconds (the difference is mostly the disk flushing the files).
double gCpuSeconds = 0;
double Seconds(const std::function<void()>& work) {
  const auto start = Clock::now();
  const std::clock_t cpuStart = std::clock();
  work();
  gCpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// "wall s (cpu s)" of the median run.
struct Timing {
  double wall;
  double cpu;
};
Timing Measure(int runs, const std::function<double()>& pass) {
  std::vector<Timing> timings;
  for (int i = 0; i < runs; ++i) {
    const double wall = pass();
    timings.push_back({wall, gCpuSeconds});
  }
  std::sort(timings.begin(), timings.end(),
            [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
  return timings[timings.size() / 2];
}
void Print(const char* what, Timing t) {
  std::printf("   %-46s %7.3f s wall, %7.3f s cpu\n", what, t.wall, t.cpu);
}

std::string LineAt(DateTime utc, int event, const std::string& parameter, std::uint32_t handle,
                   const std::string& user = "ann") {
  const DateParts d = DecodeDate(utc);
  const TimeParts t = DecodeTime(utc);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                t.hour, t.minute, t.second);
  return std::string(stamp) + ";7200;PC1|" + user + ";" + std::to_string(event) + ";" + parameter +
         ";" + std::to_string(handle) + "\r\n";
}

const char* kPaths[] = {"C:\\Apps\\Tool.exe", "C:\\Apps\\Editor.exe", "C:\\Games\\Chess.exe",
                        "/usr/bin/firefox", "/usr/bin/code"};

class Bench {
 public:
  Bench() : fake_(test::MakeFakePlatform()) {
    test::NativeFiles().CreateFolders(dir_.path() + "Backup");
    fake_.servicePipe->onMessage = [this](const std::string&) {
      if (!handOver_.empty())
        WriteTextFileWithBom(test::NativeFiles(), dir_.File(kCopyForMonitorFile), handOver_);
      handOver_.clear();
    };
    OpenTables(tables_, Link(), messages_);
  }

  ServiceLink Link() {
    return ServiceLink{*fake_.servicePipe, *fake_.clock, *fake_.files, dir_.path()};
  }
  DataTables& Tables() { return tables_; }

  double Pass(std::string lines, DateTime dateOfCalc) {
    handOver_ = std::move(lines);
    fake_.clock->local = dateOfCalc;
    return Seconds([&] {
      PassEnvironment env{Link(), *fake_.eventLog, *fake_.accounts, listed_, diagnostics_};
      DateTime start = dateOfCalc;
      TArrRecComputerRun runs;
      ProcessTransactions(
          env, PassTablesOf(tables_),
          PassLists{.runs = runs, .programsFetched = programs_, .historyUsers = users_}, failures_,
          start, dateOfCalc);
    });
  }

 private:
  class Silent : public Messages {
    void ShowMessage(const std::string&) override {}
  };
  test::TempDir dir_;
  test::FakePlatform fake_;
  Silent messages_;
  std::string handOver_;
  DataTables tables_;
  ListedRows listed_;
  DiagnosticLog diagnostics_;
  SortedTextList programs_;
  SortedTextList users_;
  std::int32_t failures_ = 0;
};

// Complete runs of one Windows row and nine program rows each.
void FillHistory(Table& history, std::size_t rows) {
  DateTime t = EncodeDateTime(1995, 1, 1, 8, 0, 0);
  std::int64_t run = 1;
  for (std::size_t i = 0; i < rows; ++i) {
    const bool windows = i % 10 == 0;
    if (windows && i > 0) ++run;
    const DateTime end = AddSeconds(t, windows ? 3600 : 600);
    history.Append({run, windows ? "" : "ann [PC1]", windows ? "Windows" : kPaths[i % 5],
                    FieldValue(), t, end, FieldValue(), FieldValue(), FieldValue(),
                    SecondsBetween(t, end), std::int32_t{0}, std::int64_t{0}, windows, true, false,
                    false});
    if (i % 10 == 9) t = AddSeconds(t, 3 * 3600);
  }
}

// The walk over the history alone (no rows to delete, so nothing is written).
void PreScanAlone(DataTables& tables) {
  TArrRecComputerRun runs;
  SortedTextList programs;
  SortedTextList users;
  auto fake = test::MakeFakePlatform();
  Print("history pre-scan walk alone", Measure(3, [&] {
          ListedRows listed{static_cast<std::int64_t>(tables.DataSetHistory.RecordCount()), 0};
          PassState state(
              PassTablesOf(tables), *fake.clock, *fake.eventLog, listed,
              PassLists{.runs = runs, .programsFetched = programs, .historyUsers = users}, 0);
          return Seconds([&] { HistoryPreScan(state); });
        }));
}

void LargeHistory(std::size_t historyRows) {
  Bench bench;
  Table& history = bench.Tables().DataSetHistory;
  FillHistory(history, historyRows);
  std::printf("A: history of %zu rows\n", history.RecordCount());
  PreScanAlone(bench.Tables());
  Print("write History.cds alone", Measure(1, [&] { return Seconds([&] { history.Save(); }); }));
  std::printf("   (%.1f MB)\n",
              static_cast<double>(ReadFileBytes(history.FileName()).size()) / 1e6);

  DateTime t = EncodeDateTime(2013, 4, 30, 6, 0, 0);
  std::string first = LineAt(t, 1, "", 60);
  Print("first pass (lists every program)",
        Measure(1, [&] { return bench.Pass(first, AddSeconds(t, 9000)); }));
  const auto batch = [&t](int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
      t = AddSeconds(t, 30);
      const auto handle = static_cast<std::uint32_t>(1000 + i / 2);
      switch (i % 4) {
        case 0:
          text += LineAt(t, 3, kPaths[i % 5], handle);
          break;
        case 1:
          text += LineAt(t, 4, kPaths[(i - 1) % 5], handle);
          break;
        case 2:
          text += LineAt(t, 8, "", 0);
          break;
        default:
          text += LineAt(t, 9, i % 8 == 3 ? "120" : "0", 0);
          break;
      }
    }
    return text;
  };
  Print("pass with 100 new lines (median of 5)",
        Measure(5, [&] { return bench.Pass(batch(100), AddSeconds(t, 9000)); }));

  Cursor& report = *bench.Tables().DataSetHistoryClone;
  report.SetFilter("cdsHistoryIsWindows = false");
  report.SetFiltered(true);
  ToggleSortByField(report, "cdsHistoryDateTimeStart", {});
  report.First();
  Print("the same, a filtered sorted report open",
        Measure(3, [&] { return bench.Pass(batch(100), AddSeconds(t, 9000)); }));
}

void LongRun(std::size_t transactions) {
  Bench bench;
  FillHistory(bench.Tables().DataSetHistory, 1000);
  DateTime t = EncodeDateTime(2013, 4, 30, 6, 0, 0);
  std::string text = LineAt(t, 1, "", 60) + LineAt(t, 5, "1", 0);
  for (std::size_t i = 2; i < transactions; ++i) {
    t = AddSeconds(t, 5);
    const auto handle = static_cast<std::uint32_t>(i / 2);
    if (i % 50 == 0) {
      text += LineAt(t, 9, "0", 0);
    } else if (i % 50 == 1) {
      text += LineAt(t, 9, "120", 0);
    } else {
      text += LineAt(t, i % 2 == 0 ? 3 : 4, kPaths[handle % 5], handle);
    }
  }
  const DateTime now = AddSeconds(t, 7200);
  std::printf("B: current run of %zu transactions\n", transactions);
  Print("pass that reads them from the text", Measure(1, [&] { return bench.Pass(text, now); }));
  std::printf("   stored transactions: %zu, history rows: %zu\n",
              bench.Tables().DataSetTransactions.RecordCount(),
              bench.Tables().DataSetHistory.RecordCount());
  Print("pass that replays them (median of 3)", Measure(3, [&] { return bench.Pass("", now); }));
}

}  // namespace
}  // namespace brenvik

int main(int argc, char** argv) {
  const std::size_t historyRows = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1'000'000;
  const std::size_t runTransactions = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100'000;
  brenvik::LargeHistory(historyRows);
  brenvik::LongRun(runTransactions);
  return 0;
}
