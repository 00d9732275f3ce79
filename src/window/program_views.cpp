#include "window/program_views.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace brenvik {

ProgramListModel::ProgramListModel(ImageListId list, FileIconImages& icons,
                                   const bool& loadingSuspended, QObject* parent)
    : QAbstractTableModel(parent),
      list_(list),
      icons_(icons),
      loadingSuspended_(loadingSuspended) {}

void ProgramListModel::ShowList(ProgramList& list) {
  beginResetModel();
  rows_.clear();
  owned_.clear();
  for (ProgramListEntry& entry : list) {
    if (entry.visible) rows_.push_back(&entry.program);
  }
  endResetModel();
}

void ProgramListModel::AppendRecord(const TRecProgramme& entry) {
  const int row = static_cast<int>(rows_.size());
  beginInsertRows({}, row, row);
  owned_.push_back(std::make_unique<TRecProgramme>(entry));
  owned_.back()->rType = 0;
  rows_.push_back(owned_.back().get());
  endInsertRows();
}

void ProgramListModel::RemovePath(const std::string& path) {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i]->rLongExePath != path) continue;
    beginRemoveRows({}, static_cast<int>(i), static_cast<int>(i));
    TRecProgramme* record = rows_[i];
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
    std::erase_if(owned_, [&](const auto& owned) { return owned.get() == record; });
    endRemoveRows();
    return;
  }
}

void ProgramListModel::Clear() {
  beginResetModel();
  rows_.clear();
  owned_.clear();
  endResetModel();
}

int ProgramListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ProgramListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

QVariant ProgramListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  TRecProgramme& entry = *rows_[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole) {
    return QString::fromStdString(GetProgrammeTreeText(entry, index.column()));
  }
  if (role == Qt::DecorationRole && index.column() == 0) {
    const int image = CellImageIndex(entry, 0, loadingSuspended_, icons_, list_);
    if (image > 0) return icons_.Icon(list_, image);
  }
  return {};
}

QVariant ProgramListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const kHeaders[] = {"Program title", "File version", "Program filename"};
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 2) {
    return {};
  }
  return QString(kHeaders[section]);
}

Qt::ItemFlags ProgramListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && list_ != ImageListId::Watched) flags |= Qt::ItemIsDragEnabled;
  return flags;
}

QStringList ProgramListModel::mimeTypes() const { return {kProgramEntryMime}; }

QMimeData* ProgramListModel::mimeData(const QModelIndexList& indexes) const {
  if (indexes.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  const TRecProgramme& entry = *rows_.at(static_cast<std::size_t>(indexes.first().row()));
  data->setData(kProgramEntryMime, QByteArray::fromStdString(entry.rLongExePath));
  return data;
}

ProgramTreeView::ProgramTreeView(const QString& name, bool finder, QWidget* parent)
    : QTreeView(parent), finder_(finder) {
  setObjectName(name);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSortingEnabled(false);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setIconSize(QSize(16, 16));
  setContextMenuPolicy(Qt::CustomContextMenu);
  header()->setSectionsClickable(false);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  setDragEnabled(finder);
  setAcceptDrops(!finder);
  setDropIndicatorShown(false);
  setDragDropMode(finder ? QAbstractItemView::DragOnly : QAbstractItemView::DropOnly);
  if (finder) {
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit scrollBurst(); });
  }
}

std::vector<int> ProgramTreeView::SelectedRows() const {
  std::vector<int> rows;
  if (!selectionModel()) return rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  return rows;
}

std::vector<std::string> ProgramTreeView::SelectedPaths() const {
  std::vector<std::string> paths;
  for (int row : SelectedRows()) paths.push_back(Model()->Record(row).rLongExePath);
  return paths;
}

int ProgramTreeView::FirstVisibleRow() const {
  const QModelIndex index = indexAt(QPoint(1, 1));
  return index.isValid() ? index.row() : -1;
}

void ProgramTreeView::keyPressEvent(QKeyEvent* event) {
  static const int kScrollKeys[] = {Qt::Key_Home, Qt::Key_End,    Qt::Key_Up,
                                    Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown};
  if (finder_ && std::find(std::begin(kScrollKeys), std::end(kScrollKeys), event->key()) !=
                     std::end(kScrollKeys)) {
    emit scrollBurst();
  }
  QTreeView::keyPressEvent(event);
}

void ProgramTreeView::keyReleaseEvent(QKeyEvent* event) {
  QTreeView::keyReleaseEvent(event);
  if (!finder_ && event->key() == Qt::Key_Delete && !event->isAutoRepeat()) emit deleteReleased();
}

void ProgramTreeView::wheelEvent(QWheelEvent* event) {
  if (finder_) emit scrollBurst();
  QTreeView::wheelEvent(event);
}

// A right press on an unselected entry selects only that entry; on empty
// space or a selected entry the selection stays.
void ProgramTreeView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && !selectionModel()->isRowSelected(index.row(), {})) {
      selectionModel()->select(index,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    emit pressed();
    return;
  }
  emit pressed();
  QTreeView::mousePressEvent(event);
}

// Only a single selected entry is dragged.
void ProgramTreeView::startDrag(Qt::DropActions actions) {
  if (SelectedRows().size() != 1) return;
  QTreeView::startDrag(actions);
}

bool ProgramTreeView::AcceptsDrop(const QDropEvent* event) const {
  if (finder_ || !event->mimeData()->hasFormat(kProgramEntryMime)) return false;
  auto* source = qobject_cast<ProgramTreeView*>(event->source());
  return source && source->finder_;
}

void ProgramTreeView::dragEnterEvent(QDragEnterEvent* event) {
  if (AcceptsDrop(event)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void ProgramTreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (AcceptsDrop(event)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void ProgramTreeView::dropEvent(QDropEvent* event) {
  if (!AcceptsDrop(event)) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  emit droppedFromFinder(qobject_cast<ProgramTreeView*>(event->source()));
}

}  // namespace brenvik
