// Opening and saving the uptime history at the size of many years of use:
// 1,000,000 rows of Windows runs and tracked programs. Saving goes through the
// platform's durable replace (flush and rename), as in the program.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "base/file_io.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/table.h"
#include "platform/platform.h"
#include "records/date_time.h"

namespace brenvik {
namespace {

constexpr std::int64_t kRows = 1'000'000;

std::string BenchFolder() {
  const auto folder = std::filesystem::temp_directory_path() / "brenvik-bench";
  std::filesystem::create_directories(folder);
  return FromFsPath(folder) + PathSeparator();
}

// One Windows row per run followed by program rows, with 60 program paths,
// 5 users and a new run every 20 rows, two hours a row.
void FillHistory(Table& history) {
  history.CreateEmpty();
  const DateTime first = EncodeDateTime(2013, 4, 30, 8, 0, 0, 0);
  for (std::int64_t i = 0; i < kRows; ++i) {
    const std::int64_t run = i / 20 + 1;
    const bool windows = i % 20 == 0;
    const DateTime start = first + static_cast<double>(i) / 12.0;
    const std::string user = windows ? "" : "user" + std::to_string(i % 5) + " [PC1]";
    const std::string path =
        windows ? "Windows" : "C:\\Program Files\\Vendor " + std::to_string(i % 60) + "\\app.exe";
    history.Append({run, user, path, FieldValue{}, start, start + 1.0 / 12.0, FieldValue{},
                    FieldValue{}, FieldValue{}, std::int64_t{7200}, static_cast<int>(i % 600),
                    std::int64_t{7200 - i % 600}, windows, i % 97 != 0, false, false});
  }
}

void BM_SaveHistory(benchmark::State& state) {
  const auto files = CreateNativeFileSystem();
  Table history("DataSetHistory", HistorySchema());
  history.SetFileName(*files, BenchFolder() + "History.cds");
  FillHistory(history);
  for (auto _ : state) history.Save();
  const auto bytes = std::filesystem::file_size(ToFsPath(history.FileName()));
  state.counters["file_bytes"] = static_cast<double>(bytes);
  state.counters["bytes_per_row"] = static_cast<double>(bytes) / kRows;
  std::filesystem::remove(ToFsPath(history.FileName()));
}

void BM_OpenHistory(benchmark::State& state) {
  const auto files = CreateNativeFileSystem();
  Table history("DataSetHistory", HistorySchema());
  history.SetFileName(*files, BenchFolder() + "History.cds");
  FillHistory(history);
  history.Save();
  for (auto _ : state) {
    history.OpenFromFile();
    benchmark::DoNotOptimize(history.RecordCount());
  }
  if (history.RecordCount() != kRows) state.SkipWithError("rows were lost");
  std::filesystem::remove(ToFsPath(history.FileName()));
}

// A full scan of the opened table through a cursor, as the statistics do.
void BM_ScanHistory(benchmark::State& state) {
  Table history("DataSetHistory", HistorySchema());
  FillHistory(history);
  Cursor scan(history);
  for (auto _ : state) {
    std::int64_t seconds = 0;
    for (scan.First(); !scan.Eof(); scan.Next()) {
      if (scan.AsBoolean(history::kIsWindows)) seconds += scan.AsLargeint(history::kUptimeSeconds);
    }
    benchmark::DoNotOptimize(seconds);
  }
}

const bool kDurableOps = [] { return true; }();

BENCHMARK(BM_SaveHistory)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenHistory)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ScanHistory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brenvik
