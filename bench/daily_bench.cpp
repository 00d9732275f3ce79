// The day-by-day figures at the size of many years of use: 1,000,000 history
// rows read from the table and turned into per-day figures, over all the
// days they cover and over the one year a chart shows, with its weekly bars.
#include <benchmark/benchmark.h>

#include <string>

#include "datastore/startup/tables.h"
#include "datastore/tables/table.h"
#include "records/date_time.h"
#include "reports/daily/day_figures.h"
#include "reports/daily/history_runs.h"

namespace brenvik {
namespace {

constexpr std::int64_t kRows = 1'000'000;

// As the table benchmark fills it: one Windows row per run followed by
// program rows, 60 program paths, 5 users, two hours a row, a crash now and
// then; rows follow each other by two hours, so runs cross midnight often.
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

Table& History() {
  static Table history("DataSetHistory", HistorySchema());
  static bool filled = false;
  if (!filled) {
    FillHistory(history);
    filled = true;
  }
  return history;
}

void BM_ReadRunSpans(benchmark::State& state) {
  Cursor cursor(History());
  for (auto _ : state) benchmark::DoNotOptimize(ReadRunSpans(cursor));
  state.SetItemsProcessed(state.iterations() * kRows);
}

// All rows, every day they cover (about 230 years of days).
void BM_DayFiguresOfAllRows(benchmark::State& state) {
  Cursor cursor(History());
  const std::vector<RunSpan> runs = ReadRunSpans(cursor);
  const DayRange range = DaysOfRuns(runs);
  for (auto _ : state) benchmark::DoNotOptimize(BuildDayFigures(runs, range));
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["days"] = static_cast<double>(range.last - range.first + 1);
}

// What a year's chart asks for: the rows read, the figures of one year of
// days, and its weekly bars.
void BM_YearOfDaysFromTheTable(benchmark::State& state) {
  Cursor cursor(History());
  const std::int64_t firstDay = SplitDateTime(EncodeDateTime(2014, 1, 1, 0, 0, 0)).day;
  const DayRange year{firstDay, firstDay + 364};
  for (auto _ : state) {
    const std::vector<RunSpan> runs = ReadRunSpans(cursor, RunKinds::WindowsOnly, year);
    const std::vector<DayFigures> days = BuildDayFigures(runs, year);
    benchmark::DoNotOptimize(BucketDays(days, BucketSize::Week, 0));
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// A day's timeline: every run, Windows and programs, of one day, cut to it.
void BM_DayTimelineFromTheTable(benchmark::State& state) {
  Cursor cursor(History());
  const std::int64_t day = SplitDateTime(EncodeDateTime(2014, 6, 1, 0, 0, 0)).day;
  for (auto _ : state) {
    std::vector<DaySegment> segments;
    for (const RunSpan& run : ReadRunSpans(cursor, RunKinds::All, DayRange{day, day}))
      for (const DaySegment& segment : SplitAtMidnights(run))
        if (segment.day == day) segments.push_back(segment);
    benchmark::DoNotOptimize(segments);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// What the daily command reads: the Windows rows only.
void BM_ReadWindowsRunSpans(benchmark::State& state) {
  Cursor cursor(History());
  for (auto _ : state) benchmark::DoNotOptimize(ReadRunSpans(cursor, RunKinds::WindowsOnly));
  state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_ReadRunSpans)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWindowsRunSpans)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayFiguresOfAllRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearOfDaysFromTheTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayTimelineFromTheTable)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brenvik
