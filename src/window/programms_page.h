// The "Programms" page: the tabs "Programs on My Computer" and "Search
// programs" with their finder lists on top, the watched list below, and the
// popup menu popVST shared by the three lists. The page reads its controls,
// calls program tracking and shows what comes back; the watched list itself
// lives in WatchedPrograms (owned by the main window) and reaches the page
// through its hooks.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/version_resources.h"
#include "programs/program_discovery.h"
#include "programs/program_list.h"
#include "programs/watched_programs.h"
#include "window/messages.h"
#include "window/program_icons.h"

class QAction;
class QProgressBar;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;

namespace brenvik {

class BackgroundSearch;
class ProgramTreeView;
class SearchProgressRow;

struct ProgrammsPageParts {
  WatchedPrograms& watched;
  Registry& registry;
  Shell& shell;
  VersionResources& versionResources;
  MessageSink& messages;
  // The uptime report's source pick list kept in step (may be empty).
  std::function<void(const std::string& path, bool isWatched)> loadProgramToListValues;
  std::function<void(const std::string& path)> removeProgramFromListValues;
  // "See Uptime History": the History page shows this program's history.
  std::function<void(const std::string& path)> seeUptimeHistory;
  // The folder picker; empty: the desktop's folder dialog.
  std::function<std::string(const std::string& initial)> browseForFolder;
};

class ProgrammsPage : public QWidget {
  Q_OBJECT

 public:
  // The three lists; popVST's tag is the list of the last press.
  enum class Tag { None = 0, Watched = 1, StartUp = 2, Search = 3 };

  explicit ProgrammsPage(QWidget* parent = nullptr);
  ~ProgrammsPage() override;

  // The image lists; the watched list's are handed to WatchedPrograms.
  FileIconImages& Icons() { return icons_; }
  // Connects the page to program tracking and sets the watched list's hooks.
  void Attach(ProgrammsPageParts parts);

  // Settings kept between runs.
  int TabIndex() const;
  void SetTabIndex(int index);
  std::string SearchFolder() const;
  void SetSearchFolder(const std::string& folder);
  bool FetchShortcutTargets() const;
  void SetFetchShortcutTargets(bool fetch);

  // Handlers.
  void BitBtn5Click();
  void edSearchStartupChange();
  void btnSearch1Click();
  void edMatchChange();
  void edSearchDblClick();
  // The handlers that act on one list are told which: the tab's button, a
  // drop or a double click names its own list, the menu its tag.
  void actAddProgramToWatchListExecute(Tag finder);
  void actRemoveProgramFromWatchListExecute();
  void actExecuteProgramExecute(Tag list);
  void cmdShowInExplorerClick(Tag list);
  void cmdSeeHistoryClick();
  // The press in a list sets the menu's tag and which items it shows.
  void vstWatchedProgramMouseDown(ProgramTreeView* list);
  void StartCountingIdle();
  void OnIdle();
  // ClearTrees on the three lists (the window closes); a search still
  // running is stopped first and its result dropped.
  void ClearTrees();
  // The two long searches run on worker threads ("&Search (slow)" and
  // "&Search"); their results reach the lists when they end.
  bool SearchesRunning() const;
  BackgroundSearch* StartUpSearch() const { return startUpSearch_; }
  BackgroundSearch* TabSearch() const { return tabSearch_; }

  Tag popVSTTag() const { return popVSTTag_; }
  QMenu* popVST() const { return popVST_; }
  bool ImageDrawingDisabled() const { return gbDisableImageDrawing; }
  QTimer* IdleTimer() const { return vstIdleTimer; }
  ProgramList& StartUpEntries() { return startUpList_; }
  ProgramList& SearchEntries() { return searchList_; }

 private:
  QWidget* BuildStartUpTab();
  QWidget* BuildSearchTab();
  void BuildMenu();
  void ConnectList(ProgramTreeView* list);
  void OnScrollBurst(ProgramTreeView* list);
  ProgramTreeView* ListOfTag(Tag tag) const;
  ProgramTreeView* FinderOfTag(Tag tag) const;
  Tag TagOfList(const ProgramTreeView* list) const;
  void ApplyFilter(ProgramTreeView* view, ProgramList& list, const QString& text);
  template <typename Handler>
  void Guarded(Handler handler);
  void StartUpSearchEnded();
  void TabSearchEnded();
  void StopSearches();

  FileIconImages icons_;
  std::unique_ptr<ProgrammsPageParts> parts_;
  std::unique_ptr<ComputerProgramsSearch> computerSearch_;
  ProgramList startUpList_;
  ProgramList searchList_;
  // Filled by the worker threads while a search runs, taken over at its end.
  ProgramList startUpIncoming_;
  ProgramList searchIncoming_;
  BackgroundSearch* startUpSearch_ = nullptr;
  BackgroundSearch* tabSearch_ = nullptr;
  SearchProgressRow* startUpProgress_ = nullptr;
  SearchProgressRow* tabProgress_ = nullptr;
  QPushButton* BitBtn5_ = nullptr;
  QPushButton* btnSearch1_ = nullptr;

  QTabWidget* tabs_ = nullptr;
  ProgramTreeView* vstStartUp_ = nullptr;
  ProgramTreeView* vstSearchTree_ = nullptr;
  ProgramTreeView* vstWatchedProgram_ = nullptr;
  QLineEdit* edSearchStartup_ = nullptr;
  QLineEdit* edSearch_ = nullptr;
  QLineEdit* edMatch_ = nullptr;
  QCheckBox* chkSearchFetchLinks_ = nullptr;
  QMenu* popVST_ = nullptr;
  QAction* cmdWatchSelectedPrograms_ = nullptr;
  QAction* cmdRemoveFromWatchList_ = nullptr;
  QAction* cmdSeeHistory_ = nullptr;
  Tag popVSTTag_ = Tag::None;

  bool gbDisableImageDrawing = false;
  int gpntLastVisibleNode = -1;
  QTimer* vstIdleTimer = nullptr;
};

}  // namespace brenvik
