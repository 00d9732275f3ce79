// A check-box list over a PickList (lvUptimeSource, lvUptimeUsers,
// lvLoginUsers) with its select-all box. The view shows the rows; clicks on
// a row, on its check box and on the select-all box go through the
// PickList's rules, and the rows are drawn bold by its drawing rule. The
// space key toggles the current row by the same rule as a click on it.
#pragma once

#include <QTreeWidget>
#include <functional>

#include "reports/uptime/pick_list.h"
#include "window/program_icons.h"

class QCheckBox;

namespace brenvik {

class PickListView : public QTreeWidget {
  Q_OBJECT

 public:
  // programColumns: the four columns of the program list, else the two of a
  // user list. The list and the box must outlive the view.
  PickListView(PickList& list, QCheckBox* selectAll, bool programColumns,
               QWidget* parent = nullptr);

  // Whether "Program" is chosen in the source filter (bold drawing).
  void SetBoldRule(std::function<bool()> programSelected) { bold_ = std::move(programSelected); }
  // The images of the program rows: the watched list (null: the style's
  // pictures). Shown at the next Refill.
  void SetImages(const FileIconImages* images) { images_ = images; }
  // Shows the list's rows and ticks again.
  void Refill();
  // The texts and fonts follow the ticks.
  void RefreshTicks();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void RowClicked(QTreeWidgetItem* item);
  void SelectAllClicked(bool ticked);

  PickList& list_;
  QCheckBox* selectAll_;
  bool programColumns_;
  const FileIconImages* images_ = nullptr;
  bool filling_ = false;
  std::function<bool()> bold_;
};

}  // namespace brenvik
