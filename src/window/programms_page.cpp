#include "window/programms_page.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "base/file_io.h"
#include "platform/launcher_folders.h"
#include "programs/program_search.h"
#include "window/action_guard.h"
#include "window/background_search.h"
#include "window/program_views.h"

namespace brenvik {

namespace {

constexpr int kIdleMilliseconds = 500;

const char* const kMatchHint =
    "Enter the file name to search for.\r\n"
    "Wildcards are suported:\r\n"
    "1) Asterisks (*)  -  An asterisk matches any number of characters. \r\n"
    "2) Question marks (?)  -  A question mark matches a single arbitrary character. ";

// A double click on the folder box opens the folder picker.
class DoubleClickFilter : public QObject {
 public:
  DoubleClickFilter(QObject* parent, std::function<void()> action)
      : QObject(parent), action_(std::move(action)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) {
      action_();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QLabel* Label(const char* name, const char* caption, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

// The columns of a list, as the settings load sets them up.
void LoadVstTreeLayout(ProgramTreeView* list) {
  QHeaderView* header = list->header();
  header->setVisible(true);
  header->setSectionResizeMode(QHeaderView::Interactive);
  const int widths[] = {200, 100, 400};
  for (int column = 0; column < 3; ++column) list->setColumnWidth(column, widths[column]);
}

}  // namespace

// The line under a finder list while its search runs: a busy bar, how far the
// search got and the button that stops it. Hidden otherwise.
class SearchProgressRow : public QWidget {
 public:
  SearchProgressRow(const QString& prefix, QWidget* parent) : QWidget(parent) {
    setObjectName("pn" + prefix + "Progress");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 0);  // no end known: the bar only shows that work goes on
    bar_->setFixedWidth(80);
    bar_->setMaximumHeight(14);
    text_ = new QLabel(this);
    text_->setObjectName("lb" + prefix + "Progress");
    text_->setMinimumWidth(1);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("btCancel" + prefix);
    layout->addWidget(bar_);
    layout->addWidget(text_, 1);
    layout->addWidget(cancel_);
    hide();
  }
  QPushButton* CancelButton() const { return cancel_; }

  void Begin() {
    cancel_->setEnabled(true);
    Show(SearchProgress{});
    show();
  }
  void Show(const SearchProgress& progress) {
    const QLocale locale;
    QString text = QString("%1 files and folders looked at, %2 programs read")
                       .arg(locale.toString(qulonglong(progress.entriesExamined)),
                            locale.toString(qulonglong(progress.programsRead)));
    if (!progress.current.empty()) {
      const QString current = QString::fromStdString(progress.current);
      const int room = std::max(40, text_->width() - fontMetrics().horizontalAdvance(text + ": "));
      text += ": " + fontMetrics().elidedText(current, Qt::ElideMiddle, room);
    }
    text_->setText(text);
  }

 private:
  QProgressBar* bar_;
  QLabel* text_;
  QPushButton* cancel_;
};

ProgrammsPage::ProgrammsPage(QWidget* parent) : QWidget(parent) {
  setObjectName("Programms");
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("TabbedNotebookProgramms");
  tabs_->addTab(BuildStartUpTab(), "Programs on My Computer");
  tabs_->addTab(BuildSearchTab(), "Search programs");
  layout->addWidget(tabs_, 3);

  auto* watchedRow = new QGridLayout;
  watchedRow->addWidget(Label("Label22", "Programs tracked (accepts Drag and Drop):", this), 0, 0);
  vstWatchedProgram_ = new ProgramTreeView("vstWatchedProgram", false, this);
  vstWatchedProgram_->setModel(new ProgramListModel(ImageListId::Watched, icons_,
                                                    gbDisableImageDrawing, vstWatchedProgram_));
  watchedRow->addWidget(vstWatchedProgram_, 1, 0);
  QPushButton* stop = Button("JvXPButton5", "Stop tr&acking", this);
  watchedRow->addWidget(stop, 1, 1, Qt::AlignTop);
  layout->addLayout(watchedRow, 2);
  connect(stop, &QPushButton::clicked, this,
          [this] { Guarded([&] { actRemoveProgramFromWatchListExecute(); }); });

  BuildMenu();
  for (ProgramTreeView* list : {vstWatchedProgram_, vstStartUp_, vstSearchTree_}) {
    LoadVstTreeLayout(list);
    ConnectList(list);
  }

  startUpSearch_ = new BackgroundSearch(this);
  tabSearch_ = new BackgroundSearch(this);
  const std::pair<BackgroundSearch*, SearchProgressRow*> searches[] = {
      {startUpSearch_, startUpProgress_}, {tabSearch_, tabProgress_}};
  // Plain variables, not a structured binding: the lambdas capture them, which
  // clang before version 16 does not allow for bindings.
  for (const auto& entry : searches) {
    BackgroundSearch* search = entry.first;
    SearchProgressRow* row = entry.second;
    connect(search, &BackgroundSearch::progressed, row,
            [search, row] { row->Show(search->Progress()); });
    connect(row->CancelButton(), &QPushButton::clicked, search, [search, row] {
      search->Cancel();
      row->CancelButton()->setEnabled(false);
    });
  }
  connect(startUpSearch_, &BackgroundSearch::finished, this,
          [this] { Guarded([&] { StartUpSearchEnded(); }); });
  connect(tabSearch_, &BackgroundSearch::finished, this,
          [this] { Guarded([&] { TabSearchEnded(); }); });
}

// The workers fill lists of this page: they end before it goes.
ProgrammsPage::~ProgrammsPage() { StopSearches(); }

QWidget* ProgrammsPage::BuildStartUpTab() {
  auto* tab = new QWidget;
  auto* grid = new QGridLayout(tab);
  vstStartUp_ = new ProgramTreeView("vstStartUp", true, tab);
  vstStartUp_->setModel(
      new ProgramListModel(ImageListId::StartUp, icons_, gbDisableImageDrawing, vstStartUp_));
  grid->addWidget(vstStartUp_, 0, 0, 1, 4);
  startUpProgress_ = new SearchProgressRow("StartUp", tab);
  grid->addWidget(startUpProgress_, 2, 0, 1, 4);
  QPushButton* search = Button("BitBtn5", "&Search (slow)", tab);
  BitBtn5_ = search;
  grid->addWidget(search, 1, 0);
  grid->addWidget(Label("LabelFilterStartup", "Filtering:", tab), 1, 1, Qt::AlignRight);
  edSearchStartup_ = new QLineEdit(tab);
  edSearchStartup_->setObjectName("edSearchStartup");
  edSearchStartup_->setToolTip(kMatchHint);
  grid->addWidget(edSearchStartup_, 1, 2);
  QPushButton* track = Button("JvXPButton2", "Start t&racking", tab);
  grid->addWidget(track, 1, 3);
  grid->setColumnStretch(2, 1);
  connect(search, &QPushButton::clicked, this, [this] { Guarded([&] { BitBtn5Click(); }); });
  connect(track, &QPushButton::clicked, this,
          [this] { Guarded([&] { actAddProgramToWatchListExecute(Tag::StartUp); }); });
  connect(edSearchStartup_, &QLineEdit::textChanged, this,
          [this] { Guarded([&] { edSearchStartupChange(); }); });
  return tab;
}

QWidget* ProgrammsPage::BuildSearchTab() {
  auto* tab = new QWidget;
  auto* grid = new QGridLayout(tab);
  grid->addWidget(Label("Label24", "Search in:", tab), 0, 0);
  edSearch_ = new QLineEdit(tab);
  edSearch_->setObjectName("edSearch");
  grid->addWidget(edSearch_, 0, 1);
  QPushButton* browse = Button("btBrowse", "...", tab);
  browse->setFixedWidth(28);
  grid->addWidget(browse, 0, 2);
  chkSearchFetchLinks_ = new QCheckBox("Fetch also shortcut targets (.lnk)", tab);
  chkSearchFetchLinks_->setObjectName("chkSearchFetchLinks");
  chkSearchFetchLinks_->setToolTip("List programs found in locations pointed by shortcuts");
  grid->addWidget(chkSearchFetchLinks_, 0, 3);
  QPushButton* run = Button("btnSearch1", "&Search", tab);
  btnSearch1_ = run;
  grid->addWidget(run, 0, 4);
  grid->addWidget(Label("Label26", "Programs:", tab), 1, 0, 1, 5);
  vstSearchTree_ = new ProgramTreeView("vstSearchTree", true, tab);
  vstSearchTree_->setModel(
      new ProgramListModel(ImageListId::Search, icons_, gbDisableImageDrawing, vstSearchTree_));
  grid->addWidget(vstSearchTree_, 2, 0, 1, 5);
  grid->addWidget(Label("Label25", "Filtering:", tab), 3, 0);
  edMatch_ = new QLineEdit(tab);
  edMatch_->setObjectName("edMatch");
  edMatch_->setToolTip(kMatchHint);
  grid->addWidget(edMatch_, 3, 1, 1, 2);
  QPushButton* track = Button("JvXPButton7", "Start t&racking", tab);
  grid->addWidget(track, 3, 3, 1, 2, Qt::AlignRight);
  tabProgress_ = new SearchProgressRow("Search", tab);
  grid->addWidget(tabProgress_, 4, 0, 1, 5);
  grid->setColumnStretch(1, 1);

  connect(browse, &QPushButton::clicked, this, [this] { Guarded([&] { edSearchDblClick(); }); });
  edSearch_->installEventFilter(
      new DoubleClickFilter(edSearch_, [this] { Guarded([&] { edSearchDblClick(); }); }));
  connect(run, &QPushButton::clicked, this, [this] { Guarded([&] { btnSearch1Click(); }); });
  connect(edMatch_, &QLineEdit::textChanged, this, [this] { Guarded([&] { edMatchChange(); }); });
  connect(track, &QPushButton::clicked, this,
          [this] { Guarded([&] { actAddProgramToWatchListExecute(Tag::Search); }); });
  return tab;
}

void ProgrammsPage::BuildMenu() {
  popVST_ = new QMenu(this);
  popVST_->setObjectName("popVST");
  popVST_->setToolTipsVisible(true);
  // Each item acts on the list of the last press, the menu's tag.
  auto add = [this](const char* name, const char* caption, const char* hint, auto handler) {
    QAction* action = popVST_->addAction(caption);
    action->setObjectName(name);
    action->setToolTip(hint);
    connect(action, &QAction::triggered, this,
            [this, handler] { Guarded([&] { handler(popVSTTag_); }); });
    return action;
  };
  cmdWatchSelectedPrograms_ = add("cmdWatchSelectedPrograms", "Start Tracking",
                                  "Add Selected programs to the Watched Programs list",
                                  [this](Tag tag) { actAddProgramToWatchListExecute(tag); });
  cmdRemoveFromWatchList_ = add("cmdRemoveFromWatchList", "Stop Tracking", "",
                                [this](Tag) { actRemoveProgramFromWatchListExecute(); });
  cmdSeeHistory_ =
      add("cmdSeeHistory", "See Uptime History", "", [this](Tag) { cmdSeeHistoryClick(); });
  popVST_->addSeparator()->setObjectName("N1");
  add("cmdShowInExplorer", "Show in Explorer...", "",
      [this](Tag tag) { cmdShowInExplorerClick(tag); });
  add("cmdStartNowSelectedProgram", "Start Now", "Execute Selected Program",
      [this](Tag tag) { actExecuteProgramExecute(tag); });
}

void ProgrammsPage::ConnectList(ProgramTreeView* list) {
  connect(list, &ProgramTreeView::pressed, this,
          [this, list] { Guarded([&] { vstWatchedProgramMouseDown(list); }); });
  connect(list, &ProgramTreeView::customContextMenuRequested, this,
          [this, list](const QPoint& at) { popVST_->popup(list->viewport()->mapToGlobal(at)); });
  if (list == vstWatchedProgram_) {
    connect(list, &QAbstractItemView::doubleClicked, this,
            [this] { Guarded([&] { actExecuteProgramExecute(Tag::Watched); }); });
    connect(list, &ProgramTreeView::deleteReleased, this,
            [this] { Guarded([&] { actRemoveProgramFromWatchListExecute(); }); });
    connect(list, &ProgramTreeView::droppedFromFinder, this, [this](ProgramTreeView* source) {
      Guarded([&] { actAddProgramToWatchListExecute(TagOfList(source)); });
    });
    return;
  }
  const Tag tag = TagOfList(list);
  connect(list, &QAbstractItemView::doubleClicked, this,
          [this, tag] { Guarded([&] { actAddProgramToWatchListExecute(tag); }); });
  connect(list, &ProgramTreeView::scrollBurst, this, [this, list] { OnScrollBurst(list); });
}

template <typename Handler>
void ProgrammsPage::Guarded(Handler handler) {
  if (!parts_) return;
  RunGuarded(parts_->messages, handler);
}

void ProgrammsPage::Attach(ProgrammsPageParts parts) {
  parts_ = std::make_unique<ProgrammsPageParts>(std::move(parts));
  computerSearch_ = std::make_unique<ComputerProgramsSearch>(parts_->registry, parts_->shell,
                                                             parts_->versionResources);
  icons_.SetLaunchers(&parts_->shell, SpecialFolderPaths(parts_->shell, LauncherFolderKinds()));
  WatchedListHooks hooks;
  hooks.added = [this](const TRecProgramme& entry) {
    vstWatchedProgram_->Model()->AppendRecord(entry);
  };
  hooks.removed = [this](const std::string& path) {
    vstWatchedProgram_->Model()->RemovePath(path);
  };
  hooks.loadProgramToListValues = parts_->loadProgramToListValues;
  hooks.removeProgramFromListValues = parts_->removeProgramFromListValues;
  parts_->watched.SetHooks(std::move(hooks));
}

int ProgrammsPage::TabIndex() const { return tabs_->currentIndex(); }
void ProgrammsPage::SetTabIndex(int index) {
  tabs_->setCurrentIndex(index >= 0 && index < tabs_->count() ? index : 0);
}
std::string ProgrammsPage::SearchFolder() const { return edSearch_->text().toStdString(); }
void ProgrammsPage::SetSearchFolder(const std::string& folder) {
  edSearch_->setText(QString::fromStdString(folder));
}
bool ProgrammsPage::FetchShortcutTargets() const { return chkSearchFetchLinks_->isChecked(); }
void ProgrammsPage::SetFetchShortcutTargets(bool fetch) { chkSearchFetchLinks_->setChecked(fetch); }

// "&Search (slow)": the computer's programs, collected once per run on a
// worker thread; the list shows them when the collection ends. The filter
// box is not applied to them until it is edited again.
void ProgrammsPage::BitBtn5Click() {
  if (startUpSearch_->Running() || computerSearch_->Loaded()) return;
  vstStartUp_->Model()->Clear();
  startUpList_.clear();
  ComputerProgramsSearch* search = computerSearch_.get();
  ProgramList* incoming = &startUpIncoming_;
  startUpSearch_->Start(
      [search, incoming](SearchMonitor& monitor) { search->Search(*incoming, &monitor); });
  BitBtn5_->setEnabled(false);
  startUpProgress_->Begin();
}

// Also after an error or a cancel: what was collected is shown.
void ProgrammsPage::StartUpSearchEnded() {
  startUpProgress_->hide();
  BitBtn5_->setEnabled(true);
  startUpList_ = std::move(startUpIncoming_);
  startUpIncoming_.clear();
  vstStartUp_->Model()->ShowList(startUpList_);
  if (std::exception_ptr error = startUpSearch_->TakeError()) std::rethrow_exception(error);
}

void ProgrammsPage::ApplyFilter(ProgramTreeView* view, ProgramList& list, const QString& text) {
  struct Refill {
    ProgramTreeView* view;
    ProgramList& list;
    ~Refill() { view->Model()->ShowList(list); }
  } refill{view, list};
  view->Model()->Clear();
  FilterItems(list, text.toLower().toStdString());
}

void ProgrammsPage::edSearchStartupChange() {
  ApplyFilter(vstStartUp_, startUpList_, edSearchStartup_->text());
  vstStartUp_->scrollToTop();
}

void ProgrammsPage::edMatchChange() {
  ApplyFilter(vstSearchTree_, searchList_, edMatch_->text());
  vstSearchTree_->scrollToTop();
}

// "&Search": the folder is searched on a worker thread; when it ends the
// list shows what was found, narrowed by the filter box as it then reads.
void ProgrammsPage::btnSearch1Click() {
  const SearchTabRequest request{
      edSearch_->text().toStdString(), chkSearchFetchLinks_->isChecked(), {}};
  if (tabSearch_->Running() || IsBlankSearchFolder(request.folder)) return;
  icons_.ClearIcons(ImageListId::Search);
  vstSearchTree_->Model()->Clear();
  searchList_.clear();
  Shell& shell = parts_->shell;
  VersionResources& resources = parts_->versionResources;
  ProgramList* incoming = &searchIncoming_;
  tabSearch_->Start([&shell, &resources, request, incoming](SearchMonitor& monitor) {
    FindProgramsInFolder(shell, resources, request, *incoming, &monitor);
  });
  btnSearch1_->setEnabled(false);
  tabProgress_->Begin();
}

// A search that ended on an error shows the entries made before it, all of
// them (the filter is not applied), and then the error.
void ProgrammsPage::TabSearchEnded() {
  tabProgress_->hide();
  btnSearch1_->setEnabled(true);
  struct Refill {
    ProgramTreeView* view;
    ProgramList& list;
    ~Refill() { view->Model()->ShowList(list); }
  } refill{vstSearchTree_, searchList_};
  searchList_ = std::move(searchIncoming_);
  searchIncoming_.clear();
  if (std::exception_ptr error = tabSearch_->TakeError()) std::rethrow_exception(error);
  FilterItems(searchList_, edMatch_->text().toLower().toStdString());
}

bool ProgrammsPage::SearchesRunning() const {
  return startUpSearch_->Running() || tabSearch_->Running();
}

void ProgrammsPage::StopSearches() {
  const std::pair<BackgroundSearch*, SearchProgressRow*> searches[] = {
      {startUpSearch_, startUpProgress_}, {tabSearch_, tabProgress_}};
  for (const auto& [search, row] : searches) {
    if (!search->Running()) continue;
    search->Stop();
    row->hide();
  }
  startUpIncoming_.clear();
  searchIncoming_.clear();
  BitBtn5_->setEnabled(true);
  btnSearch1_->setEnabled(true);
}

void ProgrammsPage::edSearchDblClick() {
  const std::string initial = edSearch_->text().toStdString();
  std::string chosen;
  if (parts_->browseForFolder) {
    chosen = parts_->browseForFolder(initial);
  } else {
    // The dialog opens on the folder box's folder when it names one.
    const QString start = DirectoryExists(initial) ? QString::fromStdString(initial) : QString();
    chosen = QDir::toNativeSeparators(QFileDialog::getExistingDirectory(
                                          this, "Select a directory where to search", start))
                 .toStdString();
  }
  if (!chosen.empty()) edSearch_->setText(QString::fromStdString(chosen));
}

ProgramTreeView* ProgrammsPage::ListOfTag(Tag tag) const {
  if (tag == Tag::Watched) return vstWatchedProgram_;
  return FinderOfTag(tag);
}

ProgramTreeView* ProgrammsPage::FinderOfTag(Tag tag) const {
  return tag == Tag::StartUp ? vstStartUp_ : vstSearchTree_;
}

ProgrammsPage::Tag ProgrammsPage::TagOfList(const ProgramTreeView* list) const {
  if (list == vstWatchedProgram_) return Tag::Watched;
  return list == vstStartUp_ ? Tag::StartUp : Tag::Search;
}

void ProgrammsPage::actAddProgramToWatchListExecute(Tag finder) {
  const std::vector<std::string> paths = FinderOfTag(finder)->SelectedPaths();
  if (paths.empty()) return;
  const StartTrackingResult result = parts_->watched.StartTracking(paths);
  if (!result.message.empty()) parts_->messages.ShowMessage(result.message);
}

void ProgrammsPage::actRemoveProgramFromWatchListExecute() {
  parts_->watched.StopTracking(vstWatchedProgram_->SelectedPaths());
}

void ProgrammsPage::actExecuteProgramExecute(Tag list) {
  const std::vector<std::string> paths = ListOfTag(list)->SelectedPaths();
  if (paths.empty() || !FileExists(paths.front())) return;
  parts_->shell.StartProgram(paths.front());
}

void ProgrammsPage::cmdShowInExplorerClick(Tag list) {
  const std::vector<std::string> paths = ListOfTag(list)->SelectedPaths();
  if (!paths.empty()) parts_->shell.ShowInFileManager(paths.front());
}

void ProgrammsPage::cmdSeeHistoryClick() {
  const std::vector<std::string> paths = vstWatchedProgram_->SelectedPaths();
  if (paths.empty() || !parts_->seeUptimeHistory) return;
  parts_->seeUptimeHistory(paths.front());
}

void ProgrammsPage::vstWatchedProgramMouseDown(ProgramTreeView* list) {
  popVSTTag_ = TagOfList(list);
  const bool watched = popVSTTag_ == Tag::Watched;
  cmdWatchSelectedPrograms_->setVisible(!watched);
  cmdSeeHistory_->setVisible(watched);
  cmdRemoveFromWatchList_->setVisible(watched);
}

void ProgrammsPage::OnScrollBurst(ProgramTreeView* list) {
  gbDisableImageDrawing = true;
  StartCountingIdle();
  gpntLastVisibleNode = list->FirstVisibleRow();
}

void ProgrammsPage::StartCountingIdle() {
  if (vstIdleTimer) {
    vstIdleTimer->stop();
  } else {
    vstIdleTimer = new QTimer(this);
    vstIdleTimer->setObjectName("vstIdleTimer");
    vstIdleTimer->setSingleShot(true);
    connect(vstIdleTimer, &QTimer::timeout, this, [this] { OnIdle(); });
  }
  vstIdleTimer->setInterval(kIdleMilliseconds);
  vstIdleTimer->start();
}

// The end of a scroll burst: the list of the shown tab draws its visible
// entries again, now fetching their icons.
void ProgrammsPage::OnIdle() {
  ProgramTreeView* list = tabs_->currentIndex() == 0 ? vstStartUp_ : vstSearchTree_;
  if (vstIdleTimer) {
    vstIdleTimer->stop();
    vstIdleTimer->deleteLater();
    vstIdleTimer = nullptr;
  }
  const int first = list->FirstVisibleRow();
  if (!gbDisableImageDrawing && first == gpntLastVisibleNode) return;
  gbDisableImageDrawing = false;
  gpntLastVisibleNode = first;
  list->viewport()->update();
}

void ProgrammsPage::ClearTrees() {
  StopSearches();
  for (ProgramTreeView* list : {vstStartUp_, vstSearchTree_, vstWatchedProgram_}) {
    list->Model()->Clear();
  }
  startUpList_.clear();
  searchList_.clear();
}

}  // namespace brenvik
