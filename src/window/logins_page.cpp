// The Logins page's controls and how they are laid out and connected.
#include "window/logins_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimeEdit>

#include "reports/date_ranges.h"
#include "window/chart_view.h"
#include "window/history/pick_list_view.h"
#include "window/history/qt_dates.h"
#include "window/logins/login_tree_view.h"
#include "window/named_widget.h"

namespace brenvik {
namespace {

constexpr const char* kTimeFilterExplanation =
    "<b>Time filter</b> allows you to filter uptime by date ranges, predefined periods and "
    "computer runs.<br>\r\nTo enable filtering by date ranges, periods or by specifying computer "
    "runs, click on check-box <b>Filter disabled</b>.";
constexpr const char* kUserFilterExplanation =
    "<b>User filter</b> allows you to filter logins by specifying users who logged in.<br>\r\n"
    "To enable filtering by users, click on check-box <b>Filter disabled</b>.";
constexpr const char* kRunNumbersHelp =
    "Type computer runs and/or ranges sperated by commas counting from the last run to the "
    "first. \r\nFor example, type 1,2,3 or 1-3 to filter last 3 Runs.";

QLabel* Explanation(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setTextFormat(Qt::RichText);
  label->setWordWrap(true);
  return label;
}

}  // namespace

LoginsPage::LoginsPage(QWidget* parent) : QWidget(parent) {
  setObjectName("Logins");
  notebook_ = Named(new QTabWidget(this), "TabbedNotebookLogins");
  notebook_->addTab(BuildReportTab(), "Login history");
  notebook_->addTab(BuildTimeTab(), "");
  notebook_->addTab(BuildUserTab(), "");
  btBrowseLogins_ = Named(new QPushButton("&Browse login history", this), "btBrowseLogins");
  LayOutReportPage(this, notebook_, btBrowseLogins_);
  const DateTime today = FromQDate(QDate::currentDate());
  settings_.afterDate = settings_.beforeDate = today;
  Connect();
  ShowSettings();
  ManageLoginControls();
}

LoginsPage::~LoginsPage() = default;

QWidget* LoginsPage::BuildReportTab() {
  auto* tab = new QWidget;
  auto* layout = new QGridLayout(tab);
  model_ = new LoginTreeModel(tree_, tab);
  // The tree over the timeline of its current run, in a splitter.
  auto* splitter = Named(new QSplitter(Qt::Vertical, tab), "LoginTimelineSplitter");
  view_ = Named(new LoginTreeView(model_, splitter), "vstComputerLogins");
  timeline_ = Named(new ChartView, "LoginTimeline");
  auto* area = Named(new QScrollArea(splitter), "LoginTimelineArea");
  area->setWidget(timeline_);
  area->setWidgetResizable(true);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  splitter->addWidget(view_);
  splitter->addWidget(area);
  splitter->setSizes({160, 110});
  splitter->setStretchFactor(0, 1);
  timeline_->SetLayout([this](double width) { return LayOutTimeline(width); });
  layout->addWidget(splitter, 0, 0, 1, 3);
  layout->addWidget(Named(new QLabel("Summary:", tab), "Label28"), 1, 0, 1, 3);
  summary_ = Named(new QTextEdit(tab), "JvRichEditLoginHistory");
  summary_->setReadOnly(true);
  summary_->setMaximumHeight(110);
  layout->addWidget(summary_, 2, 0, 2, 2);
  btExportLoginsHTML_ =
      Named(new QPushButton("Open &in browser and Print", tab), "btExportLoginsHTML");
  btExportLogins_ = Named(new QPushButton("Export to &CSV", tab), "btExportLogins");
  layout->addWidget(btExportLoginsHTML_, 2, 2, Qt::AlignTop);
  layout->addWidget(btExportLogins_, 3, 2, Qt::AlignTop);
  layout->setRowStretch(0, 1);
  layout->setColumnStretch(1, 1);
  return tab;
}

QWidget* LoginsPage::BuildTimeTab() {
  auto* tab = new QWidget;
  auto* layout = new QGridLayout(tab);
  runsBox_ = Named(new QCheckBox(tab), "FilterCheckBoxRuns");
  rbEdit_ = Named(new QRadioButton("Computer runs:", tab), "rbComputerRunsEdit");
  edComputerRuns_ = Named(new QLineEdit(tab), "edComputerRuns");
  const QString help = QString::fromUtf8(kRunNumbersHelp).replace("\r\n", "\n");
  edComputerRuns_->setToolTip(help);
  auto* helpLabel = Named(new QLabel(help, tab), "lbComputerRunsHelp");
  helpLabel->setWordWrap(true);
  rbSelected_ = Named(new QRadioButton("Predefined period:", tab), "rbComputerRunsSelected");
  cmbbRunPeriod_ = Named(new QComboBox(tab), "cmbbRunPeriod");
  for (const std::string& item : PeriodItems(0)) {
    cmbbRunPeriod_->addItem(QString::fromStdString(item));
  }
  rbRange_ = Named(new QRadioButton("Date range:", tab), "rbComputerRunsRange");
  layout->addWidget(Explanation(kTimeFilterExplanation, tab), 0, 0, 1, 4);
  layout->addWidget(runsBox_, 1, 0, 1, 4);
  layout->addWidget(rbEdit_, 2, 0);
  layout->addWidget(edComputerRuns_, 2, 1, 1, 2);
  layout->addWidget(helpLabel, 3, 1, 1, 3);
  layout->addWidget(rbSelected_, 4, 0);
  layout->addWidget(cmbbRunPeriod_, 4, 1, 1, 2);
  layout->addWidget(rbRange_, 5, 0);
  range_ = RangePickers::Create(
      tab, layout, 6,
      {"chComputerRunAfter", "dateTimePickCompRunAfter", "tmEdCompRunAfter", "chComputerRunBefore",
       "dateTimePickCompRunBefore", "tmEdCompRunBefore"});
  layout->setColumnStretch(3, 1);
  layout->setRowStretch(8, 1);
  return tab;
}

QWidget* LoginsPage::BuildUserTab() {
  auto* tab = new QWidget;
  auto* layout = new QGridLayout(tab);
  usersBox_ = Named(new QCheckBox(tab), "FilterCheckBoxRunUsers");
  usersAll_ = Named(new QCheckBox(tab), "CheckBoxLoginUser");
  usersList_ = Named(new PickListView(settings_.users, usersAll_, false, tab), "lvLoginUsers");
  layout->addWidget(Explanation(kUserFilterExplanation, tab), 0, 0, 1, 2);
  layout->addWidget(usersBox_, 1, 0, 1, 2);
  layout->addWidget(usersAll_, 2, 0);
  layout->addWidget(new QLabel("Computer users:", tab), 2, 1);
  layout->addWidget(usersList_, 3, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  return tab;
}

void LoginsPage::Connect() {
  connect(btBrowseLogins_, &QPushButton::clicked, this,
          [this] { Run([&] { btBrowseLoginsClick(); }); });
  connect(btExportLogins_, &QPushButton::clicked, this,
          [this] { Run([&] { btExportLoginsClick(); }); });
  connect(btExportLoginsHTML_, &QPushButton::clicked, this,
          [this] { Run([&] { btExportLoginsHTMLClick(); }); });
  // FilterCheckBoxRunsClick (both filter boxes) and rbComputerRunsRangeClick
  // (the three radios); the After/Before boxes only change the settings.
  for (QAbstractButton* control :
       std::initializer_list<QAbstractButton*>{runsBox_, usersBox_, rbEdit_, rbSelected_, rbRange_,
                                               range_.afterBox, range_.beforeBox}) {
    connect(control, &QAbstractButton::clicked, this, [this] {
      if (showing_) return;
      ReadControls();
      ManageLoginControls();
    });
  }
  connect(view_, &LoginTreeView::headerClicked, this,
          [this](int column) { Run([&] { vstComputerLoginsHeaderClick(column); }); });
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { Run([&] { vstComputerLoginsCurrentChanged(); }); });
  connect(timeline_, &ChartView::hitClicked, this,
          [this](HitKind, long long item) { Run([&] { TimelineClick(item); }); });
  connect(notebook_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == TabUser) Run([&] { TabbedNotebookLoginsClick(); });
  });
}

}  // namespace brenvik
