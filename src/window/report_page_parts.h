// What the two report pages (History and Logins) share: the page frame, a
// notebook over the page's default browse button that Enter anywhere on the
// page presses; and the After/Before date-and-time pickers of their time
// filters, read into and shown from any filter settings that name their
// values afterTicked, afterDate, afterTime, beforeTicked, beforeDate and
// beforeTime.
#pragma once

#include <QCheckBox>
#include <QDateEdit>
#include <QTimeEdit>
#include <vector>

#include "window/history/qt_dates.h"

class QGridLayout;
class QPushButton;
class QTabWidget;

namespace brenvik {

// Lays the notebook out over the browse button, which becomes the page's
// default button.
void LayOutReportPage(QWidget* page, QTabWidget* notebook, QPushButton* browse);

// The object names of the six pickers.
struct RangePickerNames {
  const char* afterBox;
  const char* afterDate;
  const char* afterTime;
  const char* beforeBox;
  const char* beforeDate;
  const char* beforeTime;
};

struct RangePickers {
  QCheckBox* afterBox = nullptr;
  QDateEdit* afterDate = nullptr;
  QTimeEdit* afterTime = nullptr;
  QCheckBox* beforeBox = nullptr;
  QDateEdit* beforeDate = nullptr;
  QTimeEdit* beforeTime = nullptr;

  // The "After:" and "Before:" boxes with their pickers, placed in two rows
  // of the layout from row on (columns 0 to 2).
  static RangePickers Create(QWidget* tab, QGridLayout* layout, int row,
                             const RangePickerNames& names);
  std::vector<QWidget*> Widgets() const;
  void SetEnabled(bool enabled) const;

  template <typename Settings>
  void Read(Settings& s) const {
    s.afterTicked = afterBox->isChecked();
    s.afterDate = FromQDate(afterDate->date());
    s.afterTime = FromQTime(afterTime->time());
    s.beforeTicked = beforeBox->isChecked();
    s.beforeDate = FromQDate(beforeDate->date());
    s.beforeTime = FromQTime(beforeTime->time());
  }
  template <typename Settings>
  void Show(const Settings& s) const {
    afterBox->setChecked(s.afterTicked);
    afterDate->setDate(ToQDate(s.afterDate));
    afterTime->setTime(ToQTime(s.afterTime));
    beforeBox->setChecked(s.beforeTicked);
    beforeDate->setDate(ToQDate(s.beforeDate));
    beforeTime->setTime(ToQTime(s.beforeTime));
  }
};

}  // namespace brenvik
