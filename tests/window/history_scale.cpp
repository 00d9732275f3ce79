// Not a test: times the History page over a long uptime history, for the
// performance notes. Prepares N rows (Windows and 40 programs; N from the
// first argument, 100000 by default), opens the window, and prints the time
// of the browse, of the first paint of the grid, of scrolling to the end and
// of paging back up through the grid.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <cstdio>

#include "window/history/history_grid.h"
#include "window/history_page.h"
#include "window/main_window.h"
#include "window_fixture.h"

namespace {

double Ms(QElapsedTimer& timer) {
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  timer.restart();
  return ms;
}

void Paint(QWidget* widget) {
  widget->repaint();
  QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  brenvik::test::WindowFixture fixture;
  std::vector<brenvik::test::PreparedRun> runs;
  runs.reserve(static_cast<std::size_t>(rows));
  const brenvik::DateTime first = brenvik::EncodeDateTime(2003, 1, 1, 8, 0, 0);
  for (int i = 0; i < rows; ++i) {
    const brenvik::DateTime start = first + i * 0.05;
    brenvik::test::PreparedRun run{start, start + 0.04, i % 17 != 0};
    if (i % 3 != 0) run.exePath = "/opt/app" + std::to_string(i % 40) + "/program";
    runs.push_back(run);
  }
  QElapsedTimer timer;
  timer.start();
  fixture.PrepareHistory(runs);
  std::printf("prepare %d rows: %.0f ms\n", rows, Ms(timer));
  brenvik::TfrmBrenvikMain& window = fixture.OpenWindow();
  window.show();
  QApplication::processEvents();
  std::printf("open the window: %.0f ms\n", Ms(timer));
  window.findChild<QPushButton*>("btUptimeHist")->click();
  QApplication::processEvents();
  window.findChild<QPushButton*>("btBrowseUptime")->click();
  std::printf("browse: %.0f ms\n", Ms(timer));
  brenvik::HistoryGridView* grid = window.History()->Grid();
  Paint(grid);
  std::printf("first paint of the grid (%d rows): %.0f ms\n", grid->Model()->rowCount(), Ms(timer));
  grid->scrollToBottom();
  Paint(grid);
  std::printf("scroll to the end: %.0f ms\n", Ms(timer));
  QScrollBar* bar = grid->verticalScrollBar();
  int pages = 0;
  for (int value = bar->maximum(); value > bar->maximum() - 200 * bar->pageStep() && value > 0;
       value -= bar->pageStep(), ++pages) {
    bar->setValue(value);
    Paint(grid);
  }
  const double paging = Ms(timer);
  std::printf("%d pages up: %.0f ms (%.2f ms a page)\n", pages, paging, paging / pages);
  return 0;
}
