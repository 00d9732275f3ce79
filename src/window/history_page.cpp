// The History page's controls and how they are laid out and connected.
#include "window/history_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "reports/date_ranges.h"
#include "window/chart_view.h"
#include "window/history/history_grid.h"
#include "window/history/pick_list_view.h"
#include "window/history/qt_dates.h"
#include "window/named_widget.h"

namespace brenvik {
namespace {

QLabel* BoldLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = Named(new QLabel(text, parent), name);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

}  // namespace

HistoryPage::HistoryPage(QWidget* parent) : QWidget(parent) {
  setObjectName("History");
  notebook_ = Named(new QTabWidget(this), "TabbedNotebookUptime");
  notebook_->addTab(BuildReportTab(), "");
  notebook_->addTab(BuildSourceTab(), "");
  notebook_->addTab(BuildTimeTab(), "");
  notebook_->addTab(BuildEventTab(), "");
  notebook_->addTab(BuildUserTab(), "");
  notebook_->addTab(BuildSavedTab(), "  [Saved and used filters] ");
  btBrowseUptime_ = Named(new QPushButton("&Browse uptime history", this), "btBrowseUptime");
  LayOutReportPage(this, notebook_, btBrowseUptime_);
  const DateTime today = FromQDate(QDate::currentDate());
  settings_.afterDate = settings_.beforeDate = today;
  Connect();
  ShowSettings();
}

HistoryPage::~HistoryPage() = default;

QWidget* HistoryPage::BuildReportTab() {
  auto* tab = new QWidget;
  auto* layout = new QGridLayout(tab);
  layout->addWidget(Named(new QLabel("Uptime report:", tab), "Label4"), 0, 0, 1, 3);
  model_ = new HistoryGridModel(tab);
  // The chart above the grid, in a splitter the user can move.
  auto* splitter = Named(new QSplitter(Qt::Vertical, tab), "UptimeChartSplitter");
  chart_ = Named(new ChartView, "UptimeChart");
  chartArea_ = Named(new QScrollArea(splitter), "UptimeChartArea");
  chartArea_->setWidget(chart_);
  chartArea_->setWidgetResizable(true);
  chartArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_ = new HistoryGridView(model_, splitter);
  splitter->addWidget(chartArea_);
  splitter->addWidget(grid_);
  // The chart's bars in full at first; the user moves the splitter.
  splitter->setSizes({static_cast<int>(kHistoryBarsHeightBeside) + 4, 100});
  splitter->setStretchFactor(1, 1);
  layout->addWidget(splitter, 1, 0, 1, 3);
  label35_ = BoldLabel("", "Label35", tab);
  label36_ = BoldLabel("", "Label36", tab);
  label36Image_ = Named(new QLabel(tab), "Label36Image");
  label36Image_->setFixedSize(16, 16);
  label35_->hide();
  label36_->hide();
  label36Image_->hide();
  auto* label36Row = new QHBoxLayout;
  label36Row->addWidget(label36Image_);
  label36Row->addWidget(label36_, 1);
  layout->addWidget(label35_, 2, 0);
  layout->addLayout(label36Row, 2, 1);
  layout->addWidget(Named(new QLabel("Summary:", tab), "Label1"), 3, 0, 1, 3);
  summary_ = Named(new QTextEdit(tab), "JvRichEditHistory");
  summary_->setReadOnly(true);
  summary_->setMaximumHeight(110);
  layout->addWidget(summary_, 4, 0, 3, 2);
  btExportUptimeHTML_ =
      Named(new QPushButton("Open &in browser and Print", tab), "btExportUptimeHTML");
  btExportUptime_ = Named(new QPushButton("Export to &CSV", tab), "btExportUptime");
  layout->addWidget(btExportUptimeHTML_, 4, 2, Qt::AlignTop);
  layout->addWidget(btExportUptime_, 5, 2, Qt::AlignTop);
  btExportChartCsv_ = Named(new QPushButton("Export chart &data", tab), "btExportChartCsv");
  btExportChartCsv_->setToolTip("The chart's figures, one line per bar, as a CSV file");
  layout->addWidget(btExportChartCsv_, 6, 2, Qt::AlignTop);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(1, 1);
  // The out-of-date notice over the grid.
  noticeImage_ = Named(new QLabel(grid_), "Image8");
  noticeImage_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  noticeImage_->setGeometry(20, 40, 32, 32);
  notice_ = Named(new QLabel(QString::fromUtf8(kReportOutOfDateNotice), grid_), "JvHTLabel8");
  notice_->setTextFormat(Qt::RichText);
  notice_->setGeometry(60, 40, 420, 40);
  notice_->hide();
  noticeImage_->hide();
  return tab;
}

QWidget* HistoryPage::BuildSourceTab() {
  auto* tab = new QWidget;
  auto* layout = new QGridLayout(tab);
  sourceBox_ = Named(new QCheckBox(tab), "FilterCheckBoxSource");
  rbHistComputer_ = Named(new QRadioButton("Windows (My Computer)", tab), "rbHistComputer");
  rbHistProgram_ = Named(new QRadioButton("Program", tab), "rbHistProgram");
  sourceAll_ = Named(new QCheckBox(tab), "CheckBoxUptimeSource");
  sourceList_ = new PickListView(settings_.programs, sourceAll_, true, tab);
  sourceList_->setObjectName("lvUptimeSource");
  sourceList_->SetBoldRule([this] { return !settings_.sourceWindows; });
  layout->addWidget(sourceBox_, 0, 0, 1, 2);
  layout->addWidget(rbHistComputer_, 1, 0, 1, 2);
  layout->addWidget(rbHistProgram_, 2, 0, 1, 2);
  layout->addWidget(sourceAll_, 3, 0);
  layout->addWidget(new QLabel("Programs:", tab), 3, 1);
  layout->addWidget(sourceList_, 4, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  return tab;
}

QWidget* HistoryPage::BuildTimeTab() {
  auto* tab = new QWidget;
  auto* layout = new QGridLayout(tab);
  timeBox_ = Named(new QCheckBox(tab), "FilterCheckBoxTime");
  rbPredefined_ = Named(new QRadioButton("Predefined period:", tab), "rbFilterPredefinedPeriod");
  rbRange_ = Named(new QRadioButton("Date range:", tab), "rbFilterDateRange");
  cmbbPeriod_ = Named(new QComboBox(tab), "cmbbPeriod");
  for (const std::string& item : PeriodItems(0)) cmbbPeriod_->addItem(QString::fromStdString(item));
  layout->addWidget(timeBox_, 0, 0, 1, 4);
  layout->addWidget(rbPredefined_, 1, 0);
  layout->addWidget(cmbbPeriod_, 1, 1, 1, 2);
  layout->addWidget(rbRange_, 2, 0);
  range_ = RangePickers::Create(tab, layout, 3,
                                {"chkbHistEventAfter", "dateTimePickHistoryAfter", "tmEdAfter",
                                 "chkbHistEventBefore", "dateTimePickHistoryBefore", "tmEdBefore"});
  layout->setColumnStretch(3, 1);
  layout->setRowStretch(5, 1);
  return tab;
}

QWidget* HistoryPage::BuildEventTab() {
  auto* tab = new QWidget;
  auto* layout = new QVBoxLayout(tab);
  eventBox_ = Named(new QCheckBox(tab), "FilterCheckBoxEvent");
  rbOk_ = Named(new QRadioButton("Closed normally", tab), "rbHistEventTerminatedOk");
  rbCrash_ = Named(new QRadioButton("Crashed", tab), "rbHistEventTerminatedCrash");
  layout->addWidget(eventBox_);
  layout->addWidget(rbOk_);
  layout->addWidget(rbCrash_);
  layout->addStretch(1);
  return tab;
}

QWidget* HistoryPage::BuildUserTab() {
  auto* tab = new QWidget;
  auto* layout = new QGridLayout(tab);
  userBox_ = Named(new QCheckBox(tab), "FilterCheckBoxUser");
  userAll_ = Named(new QCheckBox(tab), "CheckBoxUptimeUser");
  userList_ = new PickListView(settings_.users, userAll_, false, tab);
  userList_->setObjectName("lvUptimeUsers");
  userList_->SetBoldRule([this] { return !settings_.sourceWindows; });
  layout->addWidget(userBox_, 0, 0, 1, 2);
  layout->addWidget(userAll_, 1, 0);
  layout->addWidget(new QLabel("Computer users:", tab), 1, 1);
  layout->addWidget(userList_, 2, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  return tab;
}

QWidget* HistoryPage::BuildSavedTab() {
  auto* tab = new QWidget;
  auto* layout = new QGridLayout(tab);
  lastFilters_ = Named(new QListWidget(tab), "ListBoxLastFilters");
  savedFilters_ = Named(new QListWidget(tab), "ListBoxSavedFilters");
  filterMemo_ = Named(new QPlainTextEdit(tab), "FilterMemo");
  filterMemo_->setReadOnly(true);
  filterMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* applyBrowse =
      Named(new QPushButton("Apply filter and Brows&e", tab), "ButtonApplyFilterBrowse");
  applyBrowse->setToolTip("Load Filter's Settings to Form's Controls AND Execute Browse Command");
  auto* apply = Named(new QPushButton("&Apply filter", tab), "ButtonApplyFilter");
  apply->setToolTip("Load Filter's Settings to Form's Controls");
  auto* save = Named(new QPushButton(tab), "btFilterSave");
  save->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  save->setToolTip("Save Current Filter in Last Used Filters List");
  auto* remove = Named(new QPushButton(tab), "btFilterDelete");
  remove->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  remove->setToolTip("Delete Saved Filter from Saved Filters List");
  layout->addWidget(new QLabel("Last used filters:", tab), 0, 0);
  layout->addWidget(new QLabel("Saved filters:", tab), 0, 2);
  layout->addWidget(new QLabel("Filter settings:", tab), 0, 3);
  layout->addWidget(lastFilters_, 1, 0, 3, 1);
  layout->addWidget(save, 1, 1);
  layout->addWidget(remove, 2, 1);
  layout->addWidget(savedFilters_, 1, 2, 3, 1);
  layout->addWidget(filterMemo_, 1, 3, 3, 1);
  layout->addWidget(apply, 4, 2);
  layout->addWidget(applyBrowse, 4, 3);
  connect(apply, &QPushButton::clicked, this, [this] { Run([&] { ButtonApplyFilterClick(); }); });
  connect(applyBrowse, &QPushButton::clicked, this,
          [this] { Run([&] { ButtonApplyFilterBrowseClick(); }); });
  connect(save, &QPushButton::clicked, this, [this] { Run([&] { btFilterSaveClick(); }); });
  connect(remove, &QPushButton::clicked, this, [this] { Run([&] { btFilterDeleteClick(); }); });
  return tab;
}

void HistoryPage::Connect() {
  connect(btBrowseUptime_, &QPushButton::clicked, this,
          [this] { Run([&] { btBrowseUptimeClick(); }); });
  connect(btExportUptime_, &QPushButton::clicked, this,
          [this] { Run([&] { btExportUptimeClick(); }); });
  connect(btExportUptimeHTML_, &QPushButton::clicked, this,
          [this] { Run([&] { btExportUptimeHTMLClick(); }); });
  connect(btExportChartCsv_, &QPushButton::clicked, this,
          [this] { Run([&] { btExportChartCsvClick(); }); });
  connect(chart_, &ChartView::hitClicked, this,
          [this](HitKind kind, long long item) { Run([&] { ChartClick(kind, item); }); });
  for (QAbstractButton* control : std::initializer_list<QAbstractButton*>{
           sourceBox_, rbHistComputer_, rbHistProgram_, timeBox_, rbPredefined_, rbRange_,
           range_.afterBox, range_.beforeBox, eventBox_, rbOk_, rbCrash_, userBox_}) {
    connect(control, &QAbstractButton::clicked, this, [this] {
      if (showing_) return;
      ReadControls();
      ManageControls();
    });
  }
  connect(grid_, &HistoryGridView::titleClicked, this, [this](const std::string& field) {
    Run([&] {
      if (model_->Report() && SortReportByColumn(*model_->Report(), field)) {
        model_->Reload();
        chart_->Relayout();  // the spans' rows moved
      }
    });
  });
  connect(grid_, &HistoryGridView::selectionSettled, this,
          [this] { Run([&] { ShowSelectionLabels(); }); });
  connect(notebook_, &QTabWidget::currentChanged, this,
          [this](int index) { Run([&] { TabChanged(index); }); });
  connect(lastFilters_, &QListWidget::itemClicked, this, [this] {
    savedFilters_->clearSelection();
    savedFilters_->setCurrentRow(-1);
    Run([&] { ShowFilterDescription(FilterFile::LastUsed); });
  });
  connect(savedFilters_, &QListWidget::itemClicked, this, [this] {
    lastFilters_->clearSelection();
    lastFilters_->setCurrentRow(-1);
    Run([&] { ShowFilterDescription(FilterFile::Saved); });
  });
}

}  // namespace brenvik
