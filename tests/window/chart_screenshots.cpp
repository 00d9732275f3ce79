// Writes PNG pictures of the History and Logins pages with their charts over
// a generated year of history (tools/brenvik-datagen) into the folder given
// as the first argument: the year's bars with the last bucket's timeline,
// one day's timeline after a click on its bar, and a computer run's
// timeline with its logins; and the two HTML exports (named on the output).
// For looking at the charts by eye; not a test.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QtTest>
#include <cstdio>

#include "data_generator.h"
#include "records/date_format.h"
#include "window/chart_view.h"
#include "window/history/history_grid.h"
#include "window/history_page.h"
#include "window/logins/login_tree_view.h"
#include "window/logins_page.h"
#include "window_fixture.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  brenvik::test::WindowFixture fixture;
  brenvik::datagen::GeneratorOptions options;
  options.boots = argc > 2 ? std::stoul(argv[2]) : 420;
  options.firstBoot = brenvik::EncodeDateTime(2012, 4, 2, 8, 0, 0);
  options.timeScale = argc > 3 ? std::stod(argv[3]) : 1.7;
  const auto history = brenvik::datagen::WriteDataTree(options, fixture.folders.dataFolder);
  // The clock an hour after the last run, the current run up for ten minutes.
  fixture.clock->local = history.boots.back().end + 1 / 24.0;
  fixture.clock->counter = 600 * fixture.clock->frequency;
  brenvik::TfrmBrenvikMain& window = fixture.OpenWindow();
  window.resize(1000, 760);
  window.show();
  auto grab = [&](const char* name) {
    app.processEvents();
    window.grab().save(folder + "/" + name + ".png");
  };
  window.findChild<QPushButton*>("btUptimeHist")->click();
  window.findChild<QPushButton*>("btBrowseUptime")->click();
  grab("History-chart");
  // A click on a bar two thirds along: its timeline, its rows selected.
  auto* chart = window.findChild<brenvik::ChartView*>("UptimeChart");
  for (const brenvik::ChartHit& hit : chart->Picture().hits) {
    if (hit.kind == brenvik::HitKind::Bar &&
        hit.item == static_cast<long long>(window.History()->ChartData().buckets.size() * 2 / 3)) {
      QTest::mouseClick(chart, Qt::LeftButton, {},
                        QPoint(static_cast<int>(hit.rect.x + hit.rect.width / 2),
                               static_cast<int>(hit.rect.y + hit.rect.height / 2)));
    }
  }
  grab("History-chart-clicked");
  // The HTML exports, for a look in a browser: their names on the output.
  window.findChild<QPushButton*>("btExportUptimeHTML")->click();
  window.findChild<QPushButton*>("btLoginHist")->click();
  window.findChild<QPushButton*>("btBrowseLogins")->click();
  auto* tree = window.Logins()->TreeView();
  const int runs = tree->Model()->rowCount();
  if (runs > 3) tree->setCurrentIndex(tree->Model()->index(runs - 3, 0));
  grab("Logins-timeline");
  window.findChild<QPushButton*>("btExportLoginsHTML")->click();
  for (const std::string& file : fixture.shell->opened) std::printf("exported %s\n", file.c_str());
  std::printf("%zu boots from %s, %d runs with logins\n", history.boots.size(),
              brenvik::FormatDateTime("yyyy-mm-dd", history.boots.front().start, {}).c_str(), runs);
  return 0;
}
