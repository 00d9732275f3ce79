// The cost of the uptime report's chart at 10^6 history rows over one year
// (100,000 runs of the computer, each with nine program runs): the day
// figures of the rows, built once per browse; and what every repaint after a
// size change or a click costs: laying out a year of daily bars with the
// timeline of one day (which looks through every row for that day's runs)
// and painting it with QPainter onto an image, as the window does. Also the
// SVG of the same picture, as the HTML export writes it.
//
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DBRENVIK_BUILD_BENCH=ON
//         -DBRENVIK_WERROR=OFF        (one command)
//   cmake --build build/bench -j2 --target brenvik_chart_bench
//   QT_QPA_PLATFORM=offscreen build/bench/bench/brenvik_chart_bench
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>

#include "reports/chart/chart_svg.h"
#include "reports/chart/history_chart.h"
#include "reports/uptime/program_directory.h"
#include "reports/uptime/uptime_report.h"
#include "support/history_rows.h"
#include "support/programs_fixture.h"
#include "window/chart_view.h"

namespace brenvik {
namespace {

constexpr std::size_t kRows = 1'000'000;
constexpr int kProgramsPerRun = 9;
const DateTime kFirstDay = 41275;  // 2013-01-01

struct YearOfRows {
  YearOfRows() : table(test::MakeHistoryTable()), report(*table) {
    report.SetCalcHandler(MakeHistoryCalcHandler(programs.directory));
    const std::size_t runs = kRows / (kProgramsPerRun + 1);
    const double length = 365.0 / static_cast<double>(runs);  // days per run
    for (std::size_t r = 0; r < runs; ++r) {
      const DateTime start = kFirstDay + static_cast<double>(r) * length;
      const DateTime end = start + length * 0.8;
      test::AppendHistoryRow(*table, {.user = "ann [PC1]",
                                      .start = start,
                                      .end = end,
                                      .idleSeconds = 30,
                                      .activeSeconds = 200,
                                      .closedOk = r % 97 != 0});
      for (int p = 0; p < kProgramsPerRun; ++p) {
        test::AppendHistoryRow(*table, {.user = "ann [PC1]",
                                        .exePath = "/opt/tool" + std::to_string(p),
                                        .start = start + length * 0.05 * p,
                                        .end = start + length * 0.05 * (p + 1),
                                        .activeSeconds = 10});
      }
    }
  }
  test::ProgramsFixture programs;
  std::unique_ptr<Table> table;
  Cursor report;
};

YearOfRows& Rows() {
  static YearOfRows rows;
  return rows;
}

void ChartDataOfAMillionRows(benchmark::State& state) {
  YearOfRows& rows = Rows();
  for (auto _ : state) {
    HistoryChartData data = BuildHistoryChartData(rows.report, 0, BucketSize::Day);
    benchmark::DoNotOptimize(data);
  }
}
BENCHMARK(ChartDataOfAMillionRows)->Unit(benchmark::kMillisecond);

void DrawAYearOfDaysAndADaysTimeline(benchmark::State& state) {
  YearOfRows& rows = Rows();
  const HistoryChartData data = BuildHistoryChartData(rows.report, 0, BucketSize::Day);
  const int day = static_cast<int>(data.buckets.size() / 2);
  for (auto _ : state) {
    const ChartPicture picture =
        HistoryChartPicture(rows.report, data, day, 900, LocaleInfo{}, kFirstDay + 400);
    QImage image(900, static_cast<int>(picture.height), QImage::Format_RGB32);
    QPainter painter(&image);
    ChartView::Paint(painter, picture);
    painter.end();
    benchmark::DoNotOptimize(image.bits());
  }
  state.counters["bars"] = static_cast<double>(data.buckets.size());
}
BENCHMARK(DrawAYearOfDaysAndADaysTimeline)->Unit(benchmark::kMillisecond);

void SvgOfAYearOfDaysAndADaysTimeline(benchmark::State& state) {
  YearOfRows& rows = Rows();
  const HistoryChartData data = BuildHistoryChartData(rows.report, 0, BucketSize::Day);
  const int day = static_cast<int>(data.buckets.size() / 2);
  for (auto _ : state) {
    std::string svg =
        ChartSvg(HistoryChartPicture(rows.report, data, day, 900, LocaleInfo{}, kFirstDay + 400));
    benchmark::DoNotOptimize(svg);
  }
}
BENCHMARK(SvgOfAYearOfDaysAndADaysTimeline)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brenvik

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
