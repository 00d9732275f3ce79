#include "window/history/pick_list_view.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>

namespace brenvik {

PickListView::PickListView(PickList& list, QCheckBox* selectAll, bool programColumns,
                           QWidget* parent)
    : QTreeWidget(parent), list_(list), selectAll_(selectAll), programColumns_(programColumns) {
  setRootIsDecorated(false);
  setSelectionBehavior(SelectRows);
  setEditTriggers(NoEditTriggers);
  setCursor(Qt::PointingHandCursor);
  if (programColumns) {
    setHeaderLabels({"", "Program title", "Program filename", "Status"});
    header()->resizeSection(0, 40);
    header()->resizeSection(1, 170);
    header()->resizeSection(2, 300);
  } else {
    setHeaderLabels({"", "User name"});
    header()->resizeSection(0, 40);
  }
  connect(this, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item, int) { RowClicked(item); });
  connect(selectAll_, &QCheckBox::clicked, this, [this](bool on) { SelectAllClicked(on); });
}

void PickListView::Refill() {
  filling_ = true;
  clear();
  for (const PickRow& row : list_.Rows()) {
    auto* item = new QTreeWidgetItem(this);
    if (programColumns_) {
      item->setText(1, QString::fromStdString(row.title));
      item->setText(2, QString::fromStdString(row.key));
      item->setText(3, QString::fromStdString(row.status));
      item->setIcon(0, WatchedListImage(images_, row.icon));
      item->setIcon(2, WatchedListImage(images_, ProgramFileNameImage(row)));
    } else {
      item->setText(1, QString::fromStdString(row.key));
    }
  }
  filling_ = false;
  RefreshTicks();
}

void PickListView::RefreshTicks() {
  filling_ = true;
  const bool programSelected = bold_ && bold_();
  const auto& rows = list_.Rows();
  for (int i = 0; i < topLevelItemCount() && i < static_cast<int>(rows.size()); ++i) {
    QTreeWidgetItem* item = topLevelItem(i);
    const PickRow& row = rows[static_cast<std::size_t>(i)];
    item->setCheckState(0, row.ticked ? Qt::Checked : Qt::Unchecked);
    QFont font = this->font();
    font.setBold(PickRowDrawnBold(row, programSelected));
    for (int c = 0; c < columnCount(); ++c) item->setFont(c, font);
  }
  selectAll_->setChecked(list_.SelectAll());
  filling_ = false;
}

// The view toggles the check box itself; a click elsewhere on the row
// leaves it as it was, and the list's rule toggles the tick then.
void PickListView::RowClicked(QTreeWidgetItem* item) {
  if (filling_ || !item) return;
  const int index = indexOfTopLevelItem(item);
  if (index < 0 || static_cast<std::size_t>(index) >= list_.Size()) return;
  const std::size_t i = static_cast<std::size_t>(index);
  const bool shown = item->checkState(0) == Qt::Checked;
  if (shown != list_.Rows()[i].ticked) {
    list_.SetTicked(i, shown);
    list_.SyncSelectAll();
  } else {
    list_.ClickRow(i, false);
  }
  RefreshTicks();
}

// The view's own handling would flip the shown check box only, leaving the
// list (which the report reads) as it was.
void PickListView::keyPressEvent(QKeyEvent* event) {
  const bool toggle = event->key() == Qt::Key_Space || event->key() == Qt::Key_Select;
  if (!toggle || event->modifiers() != Qt::NoModifier || !currentItem()) {
    QTreeWidget::keyPressEvent(event);
    return;
  }
  const int index = indexOfTopLevelItem(currentItem());
  if (index >= 0 && static_cast<std::size_t>(index) < list_.Size()) {
    list_.ClickRow(static_cast<std::size_t>(index), false);
    RefreshTicks();
  }
  event->accept();
}

void PickListView::SelectAllClicked(bool ticked) {
  list_.ClickSelectAll(ticked);
  RefreshTicks();
}

}  // namespace brenvik
