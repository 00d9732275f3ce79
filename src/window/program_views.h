// The three program lists as Qt item views: a flat model over the entries
// (the finder lists show the visible entries of their ProgramList, the
// watched list keeps its own rows, added and deleted one at a time), and a
// tree view that reports what the page reacts to: scroll bursts, presses,
// the Delete key, drags of one entry and drops from the finder lists.
#pragma once

#include <QAbstractTableModel>
#include <QTreeView>
#include <memory>
#include <string>
#include <vector>

#include "programs/program_list.h"
#include "window/program_icons.h"

namespace brenvik {

inline constexpr const char* kProgramEntryMime = "application/x-brenvik-program";

class ProgramListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // loadingSuspended: gbDisableImageDrawing of the page, read at paint time.
  ProgramListModel(ImageListId list, FileIconImages& icons, const bool& loadingSuspended,
                   QObject* parent = nullptr);

  // Finder lists: the rows become the visible entries of list, in order.
  void ShowList(ProgramList& list);
  // Watched list: one row appended, the first row of a path deleted.
  void AppendRecord(const TRecProgramme& entry);
  void RemovePath(const std::string& path);
  // ClearTrees: every row deleted (the owned records released).
  void Clear();

  TRecProgramme& Record(int row) { return *rows_.at(static_cast<std::size_t>(row)); }
  ImageListId List() const { return list_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;

 private:
  ImageListId list_;
  FileIconImages& icons_;
  const bool& loadingSuspended_;
  std::vector<TRecProgramme*> rows_;
  std::vector<std::unique_ptr<TRecProgramme>> owned_;  // watched rows
};

class ProgramTreeView : public QTreeView {
  Q_OBJECT

 public:
  // finder: a finder list (drags out, refuses drops), else the watched list
  // (accepts drops from the finder lists).
  ProgramTreeView(const QString& name, bool finder, QWidget* parent = nullptr);

  ProgramListModel* Model() const { return static_cast<ProgramListModel*>(model()); }
  // The selected rows in selection order.
  std::vector<int> SelectedRows() const;
  std::vector<std::string> SelectedPaths() const;
  // The first visible row, -1 when the list is empty.
  int FirstVisibleRow() const;

 signals:
  // Navigation key, wheel turn or scroll (finder lists).
  void scrollBurst();
  // A mouse button was pressed (after a right press selected its row).
  void pressed();
  void deleteReleased();
  // An entry of a finder list was dropped on the watched list.
  void droppedFromFinder(ProgramTreeView* source);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void startDrag(Qt::DropActions actions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool AcceptsDrop(const QDropEvent* event) const;
  bool finder_;
};

}  // namespace brenvik
