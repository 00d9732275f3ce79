// The "Logins" page: the login report with its filter tabs.
// Its controls are added by the page's own work; until then it is an empty
// page of the stack with its object name.
#pragma once

#include <QWidget>

namespace brenvik {

class LoginsPage : public QWidget {
  Q_OBJECT

 public:
  explicit LoginsPage(QWidget* parent = nullptr);
};

}  // namespace brenvik
