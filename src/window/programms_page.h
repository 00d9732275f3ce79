// The "Programms" page: the watched programs and the programs found on the computer.
// Its controls are added by the page's own work; until then it is an empty
// page of the stack with its object name.
#pragma once

#include <QWidget>

namespace brenvik {

class ProgrammsPage : public QWidget {
  Q_OBJECT

 public:
  explicit ProgrammsPage(QWidget* parent = nullptr);
};

}  // namespace brenvik
