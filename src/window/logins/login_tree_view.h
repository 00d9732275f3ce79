// vstComputerLogins: the login tree as a Qt model over the core's LoginTree
// and a tree view that shows it. The model owns nothing: every cell's text,
// static text ("(Crashed)", "(Running...)", "(Logged on)"), hint and font
// come on demand from the records of gArrCompRuns through the tree's rules
// in reports/logins/login_tree.h. The view spans a run's caption over the
// empty cells, draws the static texts in blue after the normal text, keeps
// the expanded states in the tree, turns header clicks into the tree's sort
// states (no sort marks), and offers "Collapse All" / "Expand All".
#pragma once

#include <QAbstractItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>

#include "platform/locale.h"
#include "reports/logins/login_tree.h"

class QMenu;

namespace brenvik {

class LoginTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  // The cell's static text, drawn after the normal one.
  static constexpr int StaticTextRole = Qt::UserRole + 1;

  // tree must outlive the model.
  LoginTreeModel(LoginTree& tree, QObject* parent = nullptr);

  // The date format and the moment the durations are counted to.
  void SetFormat(LocaleInfo locale, DateTime now);
  // The tree was rebuilt, cleared or reordered underneath.
  void Reload();
  LoginTree& Tree() const { return tree_; }
  // The record of a row, or null.
  const TRecComputerRun* Record(const QModelIndex& index) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  LoginTree& tree_;
  LocaleInfo locale_;
  DateTime now_ = 0;
};

// Draws a cell's normal text, then its static text in pure blue, and the
// vertical grid line at the cell's right edge.
class LoginCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

class LoginTreeView : public QTreeView {
  Q_OBJECT

 public:
  LoginTreeView(LoginTreeModel* model, QWidget* parent = nullptr);

  LoginTreeModel* Model() const { return model_; }
  // Shows the tree as it is now: runs with their captions spanned and their
  // expanded states.
  void ShowTree();
  // Within one update of the view, every run collapsed or expanded.
  void popvstCLMenuItemCollapseClick();
  void popvstCLMenuItemExpandClick();
  QMenu* PopupMenu() const { return menu_; }

 signals:
  // A left click on a column header.
  void headerClicked(int column);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void ShowExpandedStates();
  void ShowPopup(const QPoint& pos);

  LoginTreeModel* model_;
  QMenu* menu_;
};

}  // namespace brenvik
