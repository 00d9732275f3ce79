#include "window/history/history_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

#include "records/date_format.h"

namespace brenvik {
namespace {

constexpr const char* kTitleField = "cdsHistoryRecProgramTitle";

// Crashed rows keep their colour when selected: the background is filled
// first and the cell is drawn as unselected over it, with a dotted frame
// so the selection stays visible.
class CrashAwareDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QVariant background = index.data(Qt::BackgroundRole);
    if (!background.isValid()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem plain(option);
    const bool selected = option.state & QStyle::State_Selected;
    plain.state &= ~QStyle::State_Selected;
    painter->fillRect(option.rect, background.value<QColor>());
    QStyledItemDelegate::paint(painter, plain, index);
    if (selected) {
      painter->save();
      painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine));
      painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
      painter->restore();
    }
  }

  // Cells without an image start 16 pixels in.
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(Qt::UserRole).toBool() && option->icon.isNull()) {
      option->rect.adjust(16, 0, 0, 0);
    }
  }
};

}  // namespace

void HistoryGridModel::SetServices(ProgramDirectory* programs, LocaleInfo locale,
                                   const FileIconImages* images) {
  programs_ = programs;
  images_ = images;
  locale_ = std::move(locale);
}

void HistoryGridModel::SetReport(Cursor* report) {
  beginResetModel();
  report_ = report;
  endResetModel();
}

void HistoryGridModel::SetColumns(std::vector<GridColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  endResetModel();
}

void HistoryGridModel::Reload() {
  beginResetModel();
  endResetModel();
}

int HistoryGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !report_) return 0;
  return static_cast<int>(report_->RecordCount());
}

int HistoryGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

bool HistoryGridModel::MoveTo(int row) const {
  if (!report_ || row < 0 || static_cast<std::size_t>(row) >= report_->RecordCount()) return false;
  if (report_->RecNo() != static_cast<std::size_t>(row) + 1) {
    report_->MoveToRecNo(static_cast<std::size_t>(row) + 1);
  }
  return true;
}

QString HistoryGridModel::CellText(const std::string& field) const {
  const auto id = report_->FindField(field);
  if (!id || report_->IsNull(*id)) return {};
  switch (report_->Fields()[static_cast<std::size_t>(id->index)].type) {
    case FieldType::DateTime:
      return QString::fromStdString(DateTimeToString(report_->AsDateTime(*id), locale_));
    case FieldType::Boolean:
      return report_->AsBoolean(*id) ? "True" : "False";
    case FieldType::Integer:
    case FieldType::Largeint:
      return QString::number(report_->AsLargeint(*id));
    case FieldType::Text:
    case FieldType::Calculated:
      return QString::fromStdString(report_->AsText(*id));
  }
  return {};
}

QVariant HistoryGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columnCount() || !MoveTo(index.row())) return {};
  const std::string& field = columns_[static_cast<std::size_t>(index.column())].field;
  switch (role) {
    case Qt::DisplayRole:
      return CellText(field);
    case Qt::BackgroundRole:
      if (const auto colour = RowBackground(*report_)) {
        return QColor(colour->red, colour->green, colour->blue);
      }
      return {};
    case Qt::DecorationRole:
      if (field == kTitleField && programs_) {
        return WatchedListImage(images_, ProgramTitleImageIndex(*report_, *programs_));
      }
      return {};
    case Qt::UserRole:
      return field == kTitleField;
    default:
      return {};
  }
}

QVariant HistoryGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return {};
  if (section < 0 || section >= columnCount()) return {};
  return QString::fromStdString(columns_[static_cast<std::size_t>(section)].title);
}

HistoryGridView::HistoryGridView(HistoryGridModel* model, QWidget* parent)
    : QTableView(parent), model_(model) {
  setObjectName("DBGridHistory");
  setModel(model);
  setItemDelegate(new CrashAwareDelegate(this));
  setSelectionBehavior(SelectRows);
  // Selection is ours (the Shift range rule); the view only shows it.
  setSelectionMode(MultiSelection);
  setEditTriggers(NoEditTriggers);
  setWordWrap(false);
  verticalHeader()->setDefaultSectionSize(18);
  verticalHeader()->setFixedWidth(12);
  horizontalHeader()->setSectionsMovable(true);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setSortIndicatorShown(false);
  horizontalHeader()->setHighlightSections(false);
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int logical) {
    if (logical >= 0 && logical < model_->columnCount()) {
      emit titleClicked(model_->Columns()[static_cast<std::size_t>(logical)].field);
    }
  });
  connect(model, &QAbstractItemModel::modelReset, this, [this] { ClearRowSelection(); });
}

void HistoryGridView::ApplyLayout(const std::vector<GridColumn>& layout) {
  model_->SetColumns(layout);
  QHeaderView* header = horizontalHeader();
  for (int logical = 0; logical < static_cast<int>(layout.size()); ++logical) {
    header->moveSection(header->visualIndex(logical), logical);
    const GridColumn& column = layout[static_cast<std::size_t>(logical)];
    header->setSectionHidden(logical, !column.visible);
    header->resizeSection(logical, column.width >= 0 ? column.width : header->defaultSectionSize());
  }
}

std::vector<GridColumn> HistoryGridView::CurrentLayout() const {
  std::vector<GridColumn> layout;
  const QHeaderView* header = horizontalHeader();
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    GridColumn column = model_->Columns()[static_cast<std::size_t>(logical)];
    column.visible = !header->isSectionHidden(logical);
    if (column.visible) column.width = header->sectionSize(logical);
    layout.push_back(column);
  }
  return layout;
}

void HistoryGridView::ClearRowSelection() {
  selection_.Clear();
  ShowSelection();
}

void HistoryGridView::SelectRecNos(std::set<std::size_t> recNos) {
  selection_.SelectRows(std::move(recNos));
  ShowSelection();
  if (selection_.Selected().empty()) return;
  const int row = static_cast<int>(*selection_.Selected().begin()) - 1;
  if (row >= model_->rowCount()) return;
  const QModelIndex index =
      model_->index(row, currentIndex().isValid() ? currentIndex().column() : 0);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  scrollTo(index);
}

void HistoryGridView::ClickRow(int row, Qt::KeyboardModifiers modifiers) {
  if (row < 0 || row >= model_->rowCount()) return;
  selection_.Click(static_cast<std::size_t>(row) + 1, modifiers & Qt::ShiftModifier,
                   modifiers & Qt::ControlModifier);
  ShowSelection();
  setCurrentIndex(model_->index(row, currentIndex().isValid() ? currentIndex().column() : 0));
}

void HistoryGridView::ShowSelection() {
  if (!selectionModel()) return;
  QItemSelection shown;
  for (std::size_t recNo : selection_.Selected()) {
    const int row = static_cast<int>(recNo) - 1;
    if (row >= model_->rowCount()) continue;
    shown.select(model_->index(row, 0), model_->index(row, model_->columnCount() - 1));
  }
  selectionModel()->select(shown, QItemSelectionModel::ClearAndSelect);
}

void HistoryGridView::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || !index.isValid()) return;
  ClickRow(index.row(), event->modifiers());
}

void HistoryGridView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  emit selectionSettled();
}

void HistoryGridView::keyReleaseEvent(QKeyEvent* event) {
  QTableView::keyReleaseEvent(event);
  emit selectionSettled();
}

}  // namespace brenvik
