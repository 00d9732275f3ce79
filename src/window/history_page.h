// The "History" page: the uptime history report with its filter tabs.
// Its controls are added by the page's own work; until then it is an empty
// page of the stack with its object name.
#pragma once

#include <QWidget>

namespace brenvik {

class HistoryPage : public QWidget {
  Q_OBJECT

 public:
  explicit HistoryPage(QWidget* parent = nullptr);
};

}  // namespace brenvik
