#include "window/report_page_parts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "window/named_widget.h"

namespace brenvik {

void LayOutReportPage(QWidget* page, QTabWidget* notebook, QPushButton* browse) {
  browse->setDefault(true);
  browse->setMinimumWidth(180);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(notebook, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(browse);
  layout->addLayout(buttons);
  // Enter anywhere on the page presses the default button.
  for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* shortcut = new QShortcut(QKeySequence(key), page);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, browse, &QPushButton::click);
  }
}

RangePickers RangePickers::Create(QWidget* tab, QGridLayout* layout, int row,
                                  const RangePickerNames& names) {
  RangePickers p;
  p.afterBox = Named(new QCheckBox("After:", tab), names.afterBox);
  p.beforeBox = Named(new QCheckBox("Before:", tab), names.beforeBox);
  p.afterDate = Named(new QDateEdit(tab), names.afterDate);
  p.beforeDate = Named(new QDateEdit(tab), names.beforeDate);
  p.afterTime = Named(new QTimeEdit(tab), names.afterTime);
  p.beforeTime = Named(new QTimeEdit(tab), names.beforeTime);
  for (QDateEdit* date : {p.afterDate, p.beforeDate}) {
    date->setCalendarPopup(true);
    date->setDisplayFormat("yyyy-MM-dd");
  }
  for (QTimeEdit* time : {p.afterTime, p.beforeTime}) time->setDisplayFormat("HH:mm:ss");
  layout->addWidget(p.afterBox, row, 0, Qt::AlignRight);
  layout->addWidget(p.afterDate, row, 1);
  layout->addWidget(p.afterTime, row, 2);
  layout->addWidget(p.beforeBox, row + 1, 0, Qt::AlignRight);
  layout->addWidget(p.beforeDate, row + 1, 1);
  layout->addWidget(p.beforeTime, row + 1, 2);
  return p;
}

std::vector<QWidget*> RangePickers::Widgets() const {
  return {afterBox, afterDate, afterTime, beforeBox, beforeDate, beforeTime};
}

void RangePickers::SetEnabled(bool enabled) const {
  for (QWidget* widget : Widgets()) widget->setEnabled(enabled);
}

}  // namespace brenvik
