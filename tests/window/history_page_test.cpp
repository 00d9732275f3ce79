// The "History" page over a prepared uptime history: the browse fills the
// grid and the summary, crashed rows carry the crash colour, title clicks
// sort, a selection of two rows of one program is summarised, the CSV export
// writes its file and leaves the grid's columns as they were, a name in use
// keeps the name dialog coming back, and a refresh closes the report.
#include "window/history_page.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtTest>

#include "base/file_io.h"
#include "reports/date_ranges.h"
#include "support/history_rows.h"
#include "support/programs_fixture.h"
#include "support/temp_dir.h"
#include "window/history/history_grid.h"

namespace brenvik {
namespace {

const DateTime kDay = 41394;  // 2013-04-30

struct HistoryPageSetup {
  HistoryPageSetup()
      : table(test::MakeHistoryTable()),
        report(*table),
        store(*programs.fake.files, dir.path(), *programs.fake.clock, LocaleInfo{},
              programs.directory, PeriodItems(0)) {
    report.SetCalcHandler(MakeHistoryCalcHandler(programs.directory));
    test::AppendHistoryRow(
        *table,
        {.user = "ann [PC1]", .start = kDay + 0.25, .end = kDay + 0.5, .activeSeconds = 3600});
    test::AppendHistoryRow(*table, {.user = "ann [PC1]",
                                    .exePath = "/opt/app/editor",
                                    .start = kDay + 0.30,
                                    .end = kDay + 0.31,
                                    .closedOk = false});
    test::AppendHistoryRow(*table, {.user = "bob [PC1]",
                                    .exePath = "/opt/app/editor",
                                    .start = kDay + 0.32,
                                    .end = kDay + 0.40});
    HistoryPageParts parts;
    parts.report = &report;
    parts.programs = &programs.directory;
    parts.filters = &store;
    parts.clock = programs.fake.clock;
    parts.systemInfo = programs.fake.systemInfo;
    parts.shell = programs.fake.shell;
    parts.files = programs.fake.files;
    parts.serviceStatus = &serviceStatus;
    parts.columnsSettingsPath = dir.path() + "ColumnsSettings.ini";
    parts.hooks.processTransactions = [this](bool, std::int32_t&, DateTime) { ++passes; };
    parts.hooks.historyUsers = [] { return std::vector<std::string>{"ann [PC1]", "bob [PC1]"}; };
    parts.hooks.historyPrograms = [] { return std::vector<std::string>{"/opt/app/editor"}; };
    page.Dialogs().showMessage = [this](const std::string& m) { messages.push_back(m); };
    page.Dialogs().askYesNo = [](const std::string&) { return true; };
    page.resize(759, 500);
    page.Attach(parts);
    page.ApplyColumnLayout(DefaultHistoryColumns());
  }

  HistoryGridModel* Model() { return page.Grid()->Model(); }
  QString Cell(int row, const std::string& field) {
    const auto& columns = Model()->Columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (columns[c].field == field)
        return Model()->index(row, static_cast<int>(c)).data().toString();
    }
    return "?";
  }
  void Click(const char* name) { page.findChild<QAbstractButton*>(name)->click(); }

  test::TempDir dir;
  test::ProgramsFixture programs;
  std::unique_ptr<Table> table;
  Cursor report;
  FilterStore store;
  std::int32_t serviceStatus = 0;
  int passes = 0;
  std::vector<std::string> messages;
  HistoryPage page;
};

class HistoryPageTest : public QObject {
  Q_OBJECT

 private slots:
  void BrowseShowsTheFilteredRowsAndTheSummary() {
    HistoryPageSetup s;
    QCOMPARE(s.Model()->rowCount(), 0);  // closed until the first browse
    s.Click("btBrowseUptime");
    QCOMPARE(s.passes, 1);
    QCOMPARE(s.Model()->rowCount(), 3);
    QVERIFY(s.page.findChild<QTextEdit*>("JvRichEditHistory")
                ->toPlainText()
                .contains("Uptime entries: 3"));

    // Source "Program": the Windows row goes; the tab caption shows the filter.
    s.Click("FilterCheckBoxSource");
    s.Click("rbHistProgram");
    QCOMPARE(s.page.Notebook()->tabText(HistoryPage::TabSource), QString(" Source filter *"));
    QVERIFY(s.page.findChild<QWidget*>("lvUptimeSource")->isEnabled());
    s.Click("btBrowseUptime");
    QCOMPARE(s.Model()->rowCount(), 2);
    QCOMPARE(s.Cell(0, "cdsHistoryExePath"), QString("/opt/app/editor"));

    // Event type "Crashed" on top: only the crashed row.
    s.Click("FilterCheckBoxEvent");
    s.Click("rbHistEventTerminatedCrash");
    s.Click("btBrowseUptime");
    QCOMPARE(s.Model()->rowCount(), 1);
    QVERIFY(s.page.findChild<QTextEdit*>("JvRichEditHistory")
                ->toPlainText()
                .contains("Crashed: 1 times"));

    // User filter with bob alone ticked, event filter off.
    s.Click("FilterCheckBoxEvent");
    s.Click("FilterCheckBoxUser");
    s.page.Settings().users.TickExactly({"bob [PC1]"});
    s.Click("btBrowseUptime");
    QCOMPARE(s.Model()->rowCount(), 1);
    QCOMPARE(s.Cell(0, "cdsHistoryComputerUser"), QString("bob [PC1]"));
  }

  // The space key ticks the current row in the list the report reads, not
  // only on screen; the select-all box follows.
  void TheSpaceKeyTicksAPickListRow() {
    HistoryPageSetup s;
    s.page.show();
    s.Click("FilterCheckBoxUser");
    auto* list = s.page.findChild<QTreeWidget*>("lvUptimeUsers");
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(s.page.Settings().users.Rows()[1].ticked);
    QCOMPARE(list->topLevelItem(1)->checkState(0), Qt::Checked);
    s.Click("btBrowseUptime");
    QCOMPARE(s.Model()->rowCount(), 1);
    QCOMPARE(s.Cell(0, "cdsHistoryComputerUser"), QString("bob [PC1]"));
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(s.page.findChild<QCheckBox*>("CheckBoxUptimeUser")->isChecked());
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(!s.page.Settings().users.Rows()[0].ticked);
    QCOMPARE(list->topLevelItem(0)->checkState(0), Qt::Unchecked);
  }

  void CrashedRowsArePaintedInTheCrashColour() {
    HistoryPageSetup s;
    s.page.show();
    s.Click("btBrowseUptime");
    const QColor crash(243, 203, 175);
    for (int c = 0; c < s.Model()->columnCount(); ++c) {
      QCOMPARE(s.Model()->index(1, c).data(Qt::BackgroundRole).value<QColor>(), crash);
      QVERIFY(!s.Model()->index(0, c).data(Qt::BackgroundRole).isValid());
    }
    // Selected, the crashed row keeps its colour on screen.
    s.page.Grid()->ClickRow(1, Qt::NoModifier);
    QApplication::processEvents();
    const QRect cell = s.page.Grid()->visualRect(s.Model()->index(1, 0));
    const QImage shot = s.page.Grid()->viewport()->grab(cell).toImage();
    QCOMPARE(QColor(shot.pixel(shot.width() - 8, shot.height() / 2)), crash);
  }

  void TitleClicksSortByTheSecondsAscendingThenDescending() {
    HistoryPageSetup s;
    s.Click("btBrowseUptime");
    auto uptimeColumn = [&] {
      const auto& columns = s.Model()->Columns();
      for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].field == "cdsHistoryRecUptime") return static_cast<int>(c);
      }
      return -1;
    };
    QHeaderView* header = s.page.Grid()->horizontalHeader();
    emit header->sectionClicked(uptimeColumn());
    QCOMPARE(s.Cell(0, "cdsHistoryRecUptime"), QString("00:14:24"));
    QCOMPARE(s.Cell(2, "cdsHistoryRecUptime"), QString("06:00:00"));
    emit header->sectionClicked(uptimeColumn());
    QCOMPARE(s.Cell(0, "cdsHistoryRecUptime"), QString("06:00:00"));
  }

  void CtrlSelectingTwoRowsOfOneProgramNamesItsFile() {
    HistoryPageSetup s;
    s.page.show();
    s.Click("btBrowseUptime");
    s.page.Grid()->ClickRow(1, Qt::NoModifier);
    s.page.Grid()->ClickRow(2, Qt::ControlModifier);
    emit s.page.Grid()->selectionSettled();
    QCOMPARE(s.page.findChild<QLabel*>("Label36")->text(), QString("editor (2)"));
    QVERIFY(s.page.findChild<QLabel*>("Label35")->isVisible());
    QVERIFY(s.page.findChild<QLabel*>("Label35")->text().startsWith("Uptime: "));
    // Shift adds the range from the anchor.
    s.page.Grid()->ClickRow(0, Qt::NoModifier);
    s.page.Grid()->ClickRow(2, Qt::ShiftModifier);
    QCOMPARE(s.page.Grid()->SelectedRecNos().size(), std::size_t{3});
  }

  void CsvExportWritesTheFileAndKeepsTheColumns() {
    HistoryPageSetup s;
    std::string asked = "none";
    const std::string file = s.dir.path() + "out.csv";
    s.page.Dialogs().askCsvFile = [&](const std::string& folder) {
      asked = folder;
      return file;
    };
    s.Click("btExportUptime");
    QCOMPARE(asked, std::string("none"));  // no report, no dialog
    s.Click("btBrowseUptime");
    const auto before = s.page.ColumnLayout();
    s.Click("btExportUptime");
    QVERIFY(FileExists(file));
    const std::string text = ReadFileBytes(file);
    QVERIFY(text.starts_with(
        "Computer user\tProgram title\tStart date and time\tClosing date and time"));
    QCOMPARE(std::count(text.begin(), text.end(), '\n'), 4);  // title line and three rows
    QVERIFY(s.page.ColumnLayout() == before);
    QVERIFY(s.page.Grid()->isVisibleTo(&s.page));
    s.Click("btExportUptime");
    QCOMPARE(s.page.UptimeCsvPath(), s.dir.path().substr(0, s.dir.path().size() - 1));
  }

  void SavingUnderANameInUseAsksAgain() {
    HistoryPageSetup s;
    s.Click("btBrowseUptime");
    s.Click("btBrowseUptime");
    std::vector<std::string> offered;
    std::vector<std::string> answers = {"Mine", "mine", "Other"};
    s.page.Dialogs().askFilterName = [&](const std::string& text) -> std::optional<std::string> {
      offered.push_back(text);
      if (answers.empty()) return std::nullopt;
      std::string a = answers.front();
      answers.erase(answers.begin());
      return a;
    };
    auto* last = s.page.findChild<QListWidget*>("ListBoxLastFilters");
    QCOMPARE(last->count(), 2);
    last->setCurrentRow(0);
    s.Click("btFilterSave");
    last->setCurrentRow(0);
    s.Click("btFilterSave");  // "mine" is taken, then "Other"
    QCOMPARE(offered.size(), std::size_t{3});
    QCOMPARE(s.messages, std::vector<std::string>{NameInUseMessage("mine")});
    auto* saved = s.page.findChild<QListWidget*>("ListBoxSavedFilters");
    QCOMPARE(saved->count(), 2);
    QCOMPARE(last->count(), 0);
  }

  void ARefreshClosesTheReportAndShowsTheNotice() {
    HistoryPageSetup s;
    s.page.show();
    s.Click("btBrowseUptime");
    s.page.ResetUptimeHistory(UptimeReportReset::OutOfDate);
    QCOMPARE(s.Model()->rowCount(), 0);
    QVERIFY(s.page.findChild<QLabel*>("JvHTLabel8")->isVisible());
    QVERIFY(s.page.findChild<QTextEdit*>("JvRichEditHistory")->toPlainText().isEmpty());
    if (const QByteArray folder = qgetenv("BRENVIK_SHOTS"); !folder.isEmpty()) {
      s.Click("btBrowseUptime");
      s.page.Grid()->ClickRow(1, Qt::NoModifier);
      s.page.Grid()->ClickRow(2, Qt::ControlModifier);
      emit s.page.Grid()->selectionSettled();
      s.page.grab().save(QString::fromLocal8Bit(folder) + "/history_report.png");
      s.page.Notebook()->setCurrentIndex(HistoryPage::TabSource);
      s.page.grab().save(QString::fromLocal8Bit(folder) + "/history_source.png");
      s.page.Notebook()->setCurrentIndex(HistoryPage::TabTime);
      s.page.grab().save(QString::fromLocal8Bit(folder) + "/history_time.png");
      s.page.Notebook()->setCurrentIndex(HistoryPage::TabSaved);
      s.page.grab().save(QString::fromLocal8Bit(folder) + "/history_saved.png");
    }
  }
};

}  // namespace
}  // namespace brenvik

QTEST_MAIN(brenvik::HistoryPageTest)
#include "history_page_test.moc"
