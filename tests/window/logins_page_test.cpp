// The "Logins" page in the real window over activity the service hands over:
// a crashed run with two logins and the running run with ann still logged
// on. The browse builds the tree through the window's pass, shows the static
// texts, bold runs and hints, and closes an open uptime report; header clicks
// give ascending, descending and no sort; the filters narrow the tree; the
// exports write what the tree shows; the page's settings come back at the
// next start.
#include "window/logins_page.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

#include "base/file_io.h"
#include "window/history/history_grid.h"
#include "window/history_page.h"
#include "window/logins/login_tree_view.h"
#include "window_fixture.h"

namespace brenvik {
namespace {

// Times are UTC, two hours behind local time. Run 1 ends without a stop
// (crashed); run 2 is the one going on, 4 hours up at 12:00 local.
constexpr const char* kActivity =
    "2013-04-29 06:00:00;7200;;1;;0\r\n"
    "2013-04-29 06:01:00;7200;PC1|ann;5;0;\r\n"
    "2013-04-29 06:31:00;7200;PC1|ann;6;0;\r\n"
    "2013-04-29 06:35:00;7200;PC1|bob;5;0;\r\n"
    "2013-04-29 10:00:00;7200;PC1|bob;6;0;\r\n"
    "2013-04-30 06:00:00;7200;;1;;0\r\n"
    "2013-04-30 06:01:00;7200;PC1|ann;5;0;\r\n";

struct LoginsSetup {
  LoginsSetup() {
    f.clock->counter = 4 * 3600 * f.clock->frequency;
    f.service->PrepareHandOver(kActivity);
  }

  TfrmBrenvikMain& Open() {
    TfrmBrenvikMain& window = f.OpenWindow();
    page = window.Logins();
    page->Dialogs().showMessage = [this](const std::string& m) { messages.push_back(m); };
    return window;
  }
  void Click(const char* name) { f.Find<QAbstractButton>(name)->click(); }
  LoginTreeModel* Model() { return page->TreeView()->Model(); }
  QModelIndex Run(int row) { return Model()->index(row, 0); }
  QModelIndex Login(int run, int row, int column = 0) {
    return Model()->index(row, column, Run(run));
  }
  QString Text(const QModelIndex& index, int role = Qt::DisplayRole) {
    return index.data(role).toString();
  }
  // The users of a run's logins in the order shown.
  QStringList Users(int run) {
    QStringList users;
    for (int i = 0; i < Model()->rowCount(Run(run)); ++i) users << Text(Login(run, i));
    return users;
  }
  QString Summary() { return f.Find<QTextEdit>("JvRichEditLoginHistory")->toPlainText(); }

  test::WindowFixture f;
  LoginsPage* page = nullptr;
  std::vector<std::string> messages;
};

class LoginsPageTest : public QObject {
  Q_OBJECT

 private slots:
  void BrowseShowsTheRunsWithTheirLoginsAndStaticTexts() {
    LoginsSetup s;
    TfrmBrenvikMain& window = s.Open();
    window.resize(912, 580);
    window.show();
    // An uptime report on screen goes out of date with the login build.
    s.Click("btUptimeHist");
    s.Click("btBrowseUptime");
    QVERIFY(window.History()->ReportState().dataSourceEnabled);
    s.Click("btLoginHist");
    QCOMPARE(s.Model()->rowCount(), 0);
    s.Click("btBrowseLogins");
    QVERIFY(!window.History()->ReportState().dataSourceEnabled);
    QVERIFY(window.findChild<QLabel*>("JvHTLabel8")->isVisibleTo(window.History()));

    QCOMPARE(s.Model()->rowCount(), 2);
    QVERIFY(s.Text(s.Run(0)).startsWith("No.1   "));
    QVERIFY(s.Text(s.Run(0)).contains("   -   "));
    QCOMPARE(s.Text(s.Run(0), LoginTreeModel::StaticTextRole), QString("(Crashed)"));
    QCOMPARE(s.Text(s.Run(1), LoginTreeModel::StaticTextRole), QString("(Running...)"));
    QCOMPARE(s.Users(0), (QStringList{"ann [PC1]", "bob [PC1]"}));
    QCOMPARE(s.Users(1), QStringList{"ann [PC1]"});
    QCOMPARE(s.Text(s.Login(1, 0), LoginTreeModel::StaticTextRole), QString("(Logged on)"));
    QVERIFY(s.Text(s.Login(0, 0), LoginTreeModel::StaticTextRole).isEmpty());
    // The first login recorded starts with Windows.
    QCOMPARE(s.Text(s.Login(0, 0, 2)), QString("00:31:00"));
    QCOMPARE(s.Text(s.Login(0, 1, 2)), QString("03:25:00"));
    QCOMPARE(s.Text(s.Login(0, 0, 2), Qt::ToolTipRole),
             QString("Duration of login session [y m d h:m:s]"));
    QVERIFY(s.Text(s.Run(0), Qt::ToolTipRole).isEmpty());
    QVERIFY(s.Run(0).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!s.Login(0, 0).data(Qt::FontRole).isValid());
    // Every run opened, its caption over the empty cells.
    LoginTreeView* view = s.page->TreeView();
    QVERIFY(view->isExpanded(s.Run(0)) && view->isExpanded(s.Run(1)));
    QVERIFY(view->isFirstColumnSpanned(0, {}));
    QVERIFY(s.Summary().startsWith("Computer was run: 2 times\nComputer crashed: 1 times\n"));
    QVERIFY(s.Summary().contains("ann [PC1]  logged in: 2 times"));

    // The static text is drawn in pure blue after the caption.
    QApplication::processEvents();
    const QImage shot = view->viewport()->grab(view->visualRect(s.Run(0))).toImage();
    bool blue = false;
    for (int x = 0; x < shot.width() && !blue; ++x)
      for (int y = 0; y < shot.height() && !blue; ++y)
        blue = QColor(shot.pixel(x, y)) == QColor(0, 0, 255);
    QVERIFY(blue);

    // The menu folds every run away and opens them again; a double click
    // toggles one.
    view->PopupMenu()->findChild<QAction*>("popvstCLMenuItemCollapse")->trigger();
    QVERIFY(!view->isExpanded(s.Run(0)) && !view->isExpanded(s.Run(1)));
    view->PopupMenu()->findChild<QAction*>("popvstCLMenuItemExpand")->trigger();
    QVERIFY(view->isExpanded(s.Run(0)) && view->isExpanded(s.Run(1)));
    QApplication::processEvents();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(s.Run(1)).center());
    QVERIFY(!view->isExpanded(s.Run(1)));

    if (const QByteArray folder = qgetenv("BRENVIK_SHOTS"); !folder.isEmpty()) {
      QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(s.Run(1)).center());
      view->setCurrentIndex(s.Login(0, 1));
      window.grab().save(QString::fromLocal8Bit(folder) + "/logins_report.png");
      s.page->Notebook()->setCurrentIndex(LoginsPage::TabTime);
      window.grab().save(QString::fromLocal8Bit(folder) + "/logins_time.png");
      s.page->Notebook()->setCurrentIndex(LoginsPage::TabUser);
      window.grab().save(QString::fromLocal8Bit(folder) + "/logins_users.png");
    }
  }

  void ThreeHeaderClicksGiveAscendingDescendingAndNoSort() {
    LoginsSetup s;
    s.Open().show();
    s.Click("btLoginHist");
    s.Click("btBrowseLogins");
    QHeaderView* header = s.page->TreeView()->header();
    const QPoint duration(header->sectionViewportPosition(2) + 20, header->height() / 2);
    // A right click changes nothing.
    QTest::mouseClick(header->viewport(), Qt::RightButton, {}, duration);
    QCOMPARE(s.page->Tree().SortColumn(), 1);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, duration);
    QCOMPARE(s.Users(0), (QStringList{"ann [PC1]", "bob [PC1]"}));  // 31 min, 3 h 25
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, duration);
    QCOMPARE(s.Users(0), (QStringList{"bob [PC1]", "ann [PC1]"}));
    QCOMPARE(s.page->Tree().SortDirection(), SortOrder::Descending);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, duration);
    QCOMPARE(s.page->Tree().SortColumn(), -1);
    QCOMPARE(s.Users(0), (QStringList{"bob [PC1]", "ann [PC1]"}));  // left as it was
    QVERIFY(!header->isSortIndicatorShown());

    // The CSV follows the tree's order.
    const std::string file = s.f.dir.path() + "logins.csv";
    std::string folder = "none";
    s.page->Dialogs().askCsvFile = [&](const std::string& asked) {
      folder = asked;
      return file;
    };
    s.Click("btExportLogins");
    QCOMPARE(folder, std::string());
    const std::string text = ReadFileBytes(file);
    QVERIFY(
        text.starts_with("\xEF\xBB\xBF"
                         "Computer Run\tRun Start Date and Time\t"));
    QCOMPARE(std::count(text.begin(), text.end(), '\n'), 3);  // header and three logins
    const std::size_t ann = text.find("\"ann\"");
    const std::size_t bob = text.find("\"bob\"");
    QVERIFY(bob != std::string::npos && ann != std::string::npos && bob < ann);
    QVERIFY(text.find("\"1\"\t") != std::string::npos);
    s.Click("btExportLogins");
    QCOMPARE(folder + PathSeparator(), s.f.dir.path());
    // Without a sort column the next build shows the logins as they came.
    s.Click("btBrowseLogins");
    QCOMPARE(s.Users(0), (QStringList{"ann [PC1]", "bob [PC1]"}));

    // The HTML document opens with the system's program, a fresh name each time.
    s.Click("btExportLoginsHTML");
    s.Click("btExportLoginsHTML");
    QCOMPARE(s.f.shell->opened.size(), std::size_t{2});
    QVERIFY(s.f.shell->opened[0] != s.f.shell->opened[1]);
    const std::string html = ReadFileBytes(s.f.shell->opened[0]);
    QVERIFY(html.find("<caption>Brenvik Login History Report</caption>") != std::string::npos);
    QVERIFY(html.find("Computer was run: <b>2</b> times") != std::string::npos);
    QVERIFY(html.find("(Logged on)") != std::string::npos);
  }

  void FiltersNarrowTheTree() {
    LoginsSetup s;
    s.Open().show();
    s.Click("btLoginHist");
    QTabWidget* tabs = s.page->Notebook();
    // Run numbers count back from the last run.
    s.Click("FilterCheckBoxRuns");
    QCOMPARE(tabs->tabText(LoginsPage::TabTime), QString(" Time filter *"));
    QVERIFY(!s.f.Find<QLineEdit>("edComputerRuns")->isEnabled());
    s.Click("rbComputerRunsEdit");
    QVERIFY(s.f.Find<QLineEdit>("edComputerRuns")->isEnabled());
    QVERIFY(!s.f.Find<QWidget>("dateTimePickCompRunAfter")->isEnabled());
    s.f.Find<QLineEdit>("edComputerRuns")->setText("1");
    s.Click("btBrowseLogins");
    QCOMPARE(s.Model()->rowCount(), 1);
    QCOMPARE(s.Text(s.Run(0), LoginTreeModel::StaticTextRole), QString("(Running...)"));
    QVERIFY(s.Summary().contains("*Last Runs: 1"));

    // The user filter with bob alone ticked: his run only.
    s.Click("FilterCheckBoxRuns");
    tabs->setCurrentIndex(LoginsPage::TabUser);
    QCOMPARE(s.page->Settings().users.Size(), std::size_t{2});
    s.Click("FilterCheckBoxRunUsers");
    QCOMPARE(tabs->tabText(LoginsPage::TabUser), QString(" User filter *"));
    s.page->Settings().users.TickExactly({"bob [PC1]"});
    s.Click("btBrowseLogins");
    QCOMPARE(tabs->currentIndex(), int{LoginsPage::TabReport});
    QCOMPARE(s.Model()->rowCount(), 1);
    QCOMPARE(s.Users(0), QStringList{"bob [PC1]"});
    QVERIFY(s.Summary().startsWith("Report about: bob [PC1]\n"));

    // A date range without bounds switches the time filter off.
    s.Click("FilterCheckBoxRuns");
    s.Click("rbComputerRunsRange");
    s.Click("btBrowseLogins");
    QVERIFY(!s.f.Find<QCheckBox>("FilterCheckBoxRuns")->isChecked());
    QCOMPARE(s.f.Find<QCheckBox>("FilterCheckBoxRuns")->text(), QString("Filter disabled"));
    QCOMPARE(tabs->tabText(LoginsPage::TabTime), QString(" Time filter"));
    QVERIFY(s.messages.empty());
  }

  // Users found by another page's pass reach the user list on screen when
  // its page is shown again.
  void PageButtonsRefreshTheUserListOnScreen() {
    LoginsSetup s;
    TfrmBrenvikMain& window = s.Open();
    s.page->Notebook()->setCurrentIndex(LoginsPage::TabUser);
    QCOMPARE(s.page->Settings().users.Size(), std::size_t{2});
    s.f.service->QueueHandOver("2013-04-30 07:00:00;7200;PC1|carol;5;0;\r\n");
    s.Click("btUptimeHist");
    s.Click("btBrowseUptime");
    QCOMPARE(s.page->Settings().users.Size(), std::size_t{2});
    s.Click("btLoginHist");
    QCOMPARE(s.page->Settings().users.Size(), std::size_t{3});

    // The browse showed the report tab; the user filter tab again.
    window.History()->Notebook()->setCurrentIndex(HistoryPage::TabUser);
    const std::size_t shown = window.UptimeFilter().users.Size();
    s.f.service->QueueHandOver("2013-04-30 07:30:00;7200;PC1|dave;5;0;\r\n");
    s.Click("btBrowseLogins");
    QCOMPARE(s.page->Settings().users.Size(), std::size_t{4});
    QCOMPARE(window.UptimeFilter().users.Size(), shown);
    s.Click("btUptimeHist");
    QCOMPARE(window.UptimeFilter().users.Size(), shown + 1);
  }

  void TheSettingsComeBackAtTheNextStart() {
    LoginsSetup s;
    TfrmBrenvikMain& window = s.Open();
    s.Click("btLoginHist");
    s.Click("FilterCheckBoxRuns");
    s.Click("rbComputerRunsEdit");
    s.f.Find<QLineEdit>("edComputerRuns")->setText("1-2");
    s.page->vstComputerLoginsHeaderClick(5);
    s.page->vstComputerLoginsHeaderClick(5);
    s.page->Notebook()->setCurrentIndex(LoginsPage::TabUser);
    window.History()->Notebook()->setCurrentIndex(HistoryPage::TabTime);
    QVERIFY(window.close());
    {
      auto key = s.f.ProductKey();
      QCOMPARE(key->ReadInteger("vstLoginSortCol").value_or(0), 5);
      QCOMPARE(key->ReadInteger("vstLoginSortDir").value_or(0), 1);
      QCOMPARE(key->ReadString("edComputerRuns").value_or(""), std::string("1-2"));
      QCOMPARE(key->ReadInteger("ActivePage").value_or(0), 3);
    }

    s.Open();
    QCOMPARE(s.f.window()->ActivePage(), int{TfrmBrenvikMain::PageLogins});
    QCOMPARE(s.page->Tree().SortColumn(), 5);
    QCOMPARE(s.page->Tree().SortDirection(), SortOrder::Descending);
    QVERIFY(s.f.Find<QCheckBox>("FilterCheckBoxRuns")->isChecked());
    QCOMPARE(s.f.Find<QCheckBox>("FilterCheckBoxRuns")->text(), QString("Filter enabled"));
    QVERIFY(s.f.Find<QRadioButton>("rbComputerRunsEdit")->isChecked());
    QVERIFY(s.f.Find<QLineEdit>("edComputerRuns")->isEnabled());
    QCOMPARE(s.f.Find<QLineEdit>("edComputerRuns")->text(), QString("1-2"));
    QCOMPARE(s.page->Notebook()->tabText(LoginsPage::TabTime), QString(" Time filter *"));
    QCOMPARE(s.f.window()->History()->Notebook()->currentIndex(), int{HistoryPage::TabTime});
    // The user filter tab was on screen: its list is filled at start.
    QCOMPARE(s.page->Notebook()->currentIndex(), int{LoginsPage::TabUser});
    QCOMPARE(s.page->Settings().users.Size(), std::size_t{2});
  }
};

}  // namespace
}  // namespace brenvik

QTEST_MAIN(brenvik::LoginsPageTest)
#include "logins_page_test.moc"
