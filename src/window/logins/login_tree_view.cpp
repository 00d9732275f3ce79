#include "window/logins/login_tree_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace brenvik {
namespace {

// internalId of a run's row; a login's row carries its run's index + 1.
constexpr quintptr kRunRow = 0;

}  // namespace

LoginTreeModel::LoginTreeModel(LoginTree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {}

void LoginTreeModel::SetFormat(LocaleInfo locale, DateTime now) {
  locale_ = std::move(locale);
  now_ = now;
}

void LoginTreeModel::Reload() {
  beginResetModel();
  endResetModel();
}

const TRecComputerRun* LoginTreeModel::Record(const QModelIndex& index) const {
  if (!index.isValid()) return nullptr;
  const auto& runs = tree_.Runs();
  const quintptr id = index.internalId();
  const std::size_t row = static_cast<std::size_t>(index.row());
  if (id == kRunRow) return row < runs.size() ? runs[row].run : nullptr;
  const std::size_t run = static_cast<std::size_t>(id - 1);
  if (run >= runs.size() || row >= runs[run].logins.size()) return nullptr;
  return runs[run].logins[row];
}

QModelIndex LoginTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= kLoginTreeColumns || row >= rowCount(parent)) return {};
  if (!parent.isValid()) return createIndex(row, column, kRunRow);
  return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex LoginTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == kRunRow) return {};
  return createIndex(static_cast<int>(child.internalId() - 1), 0, kRunRow);
}

int LoginTreeModel::rowCount(const QModelIndex& parent) const {
  const auto& runs = tree_.Runs();
  if (!parent.isValid()) return static_cast<int>(runs.size());
  if (parent.internalId() != kRunRow || parent.column() != 0) return 0;
  const std::size_t run = static_cast<std::size_t>(parent.row());
  return run < runs.size() ? static_cast<int>(runs[run].logins.size()) : 0;
}

int LoginTreeModel::columnCount(const QModelIndex&) const { return kLoginTreeColumns; }

QVariant LoginTreeModel::data(const QModelIndex& index, int role) const {
  const TRecComputerRun* record = Record(index);
  if (!record) return {};
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(LoginCellText(*record, column, false, locale_, now_));
    case StaticTextRole:
      return QString::fromStdString(LoginCellText(*record, column, true, locale_, now_));
    case Qt::ToolTipRole: {
      const std::string hint = LoginCellHint(*record, column);
      return hint.empty() ? QVariant() : QVariant(QString::fromStdString(hint));
    }
    case Qt::FontRole: {
      if (!LoginCellFont(*record, column, false).bold) return {};
      QFont font = QApplication::font();
      font.setBold(true);
      return font;
    }
    default:
      return {};
  }
}

QVariant LoginTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kLoginTreeColumns) {
    return {};
  }
  return QString::fromStdString(LoginTreeCaptions()[static_cast<std::size_t>(section)]);
}

void LoginCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QString text = opt.text;
  const QString extra = index.data(LoginTreeModel::StaticTextRole).toString();
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  // Background, selection and focus without the text; the texts follow.
  opt.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
  area.adjust(margin, 0, -margin, 0);

  painter->save();
  const bool selected = opt.state & QStyle::State_Selected;
  painter->setFont(opt.font);
  painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  const QFontMetrics metrics(opt.font);
  painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                    metrics.elidedText(text, Qt::ElideRight, area.width()));
  if (!extra.isEmpty()) {
    const int gap = text.isEmpty() ? 0 : metrics.horizontalAdvance(' ');
    QRect rest = area;
    rest.setLeft(area.left() + metrics.horizontalAdvance(text) + gap);
    painter->setFont(option.font);  // the view's font, never bold
    painter->setPen(QColor(0, 0, 255));
    painter->drawText(rest, Qt::AlignLeft | Qt::AlignVCenter, extra);
  }
  painter->setPen(opt.palette.color(QPalette::Midlight));
  painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
  painter->restore();
}

LoginTreeView::LoginTreeView(LoginTreeModel* model, QWidget* parent)
    : QTreeView(parent), model_(model), menu_(new QMenu(this)) {
  setModel(model);
  setItemDelegate(new LoginCellDelegate(this));
  setSelectionBehavior(SelectRows);
  setSelectionMode(SingleSelection);
  setAllColumnsShowFocus(true);
  setUniformRowHeights(true);
  setEditTriggers(NoEditTriggers);
  // Runs toggle on a double click anywhere in their row (see below).
  setExpandsOnDoubleClick(false);
  QHeaderView* head = header();
  head->setSectionsClickable(true);
  head->setSortIndicatorShown(false);
  head->setSectionsMovable(false);
  head->setStretchLastSection(false);
  head->setSectionResizeMode(QHeaderView::Interactive);
  const std::vector<int>& widths = LoginTreeWidths();
  for (int c = 0; c < kLoginTreeColumns; ++c) {
    head->resizeSection(c, widths[static_cast<std::size_t>(c)]);
  }
  // The header only reports left clicks as section clicks.
  connect(head, &QHeaderView::sectionClicked, this, &LoginTreeView::headerClicked);
  connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
    if (!index.parent().isValid())
      model_->Tree().SetExpanded(static_cast<std::size_t>(index.row()), true);
  });
  connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
    if (!index.parent().isValid())
      model_->Tree().SetExpanded(static_cast<std::size_t>(index.row()), false);
  });

  menu_->setObjectName("popvstComputerLogins");
  QAction* collapse = menu_->addAction("Collapse All");
  collapse->setObjectName("popvstCLMenuItemCollapse");
  QAction* expand = menu_->addAction("Expand All");
  expand->setObjectName("popvstCLMenuItemExpand");
  connect(collapse, &QAction::triggered, this, &LoginTreeView::popvstCLMenuItemCollapseClick);
  connect(expand, &QAction::triggered, this, &LoginTreeView::popvstCLMenuItemExpandClick);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &LoginTreeView::ShowPopup);
}

void LoginTreeView::ShowTree() {
  model_->Reload();
  const auto& runs = model_->Tree().Runs();
  for (int i = 0; i < static_cast<int>(runs.size()); ++i) {
    setFirstColumnSpanned(i, QModelIndex(), true);
  }
  ShowExpandedStates();
}

void LoginTreeView::ShowExpandedStates() {
  const auto& runs = model_->Tree().Runs();
  for (int i = 0; i < static_cast<int>(runs.size()); ++i) {
    setExpanded(model_->index(i, 0), runs[static_cast<std::size_t>(i)].expanded);
  }
}

void LoginTreeView::popvstCLMenuItemCollapseClick() {
  setUpdatesEnabled(false);
  model_->Tree().CollapseAll();
  ShowExpandedStates();
  setUpdatesEnabled(true);
}

void LoginTreeView::popvstCLMenuItemExpandClick() {
  setUpdatesEnabled(false);
  model_->Tree().ExpandAll();
  ShowExpandedStates();
  setUpdatesEnabled(true);
}

// The run's caption spans its row, so the cell under the mouse may be any
// column of it; the run's expanded state belongs to its first column.
void LoginTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && at.isValid() && !at.parent().isValid()) {
    const QModelIndex run = at.siblingAtColumn(0);
    setExpanded(run, !isExpanded(run));
    return;
  }
  QTreeView::mouseDoubleClickEvent(event);
}

// A right click selects the row under the mouse before the menu opens.
void LoginTreeView::ShowPopup(const QPoint& pos) {
  const QModelIndex index = indexAt(pos);
  if (index.isValid()) setCurrentIndex(index);
  menu_->popup(viewport()->mapToGlobal(pos));
}

}  // namespace brenvik
