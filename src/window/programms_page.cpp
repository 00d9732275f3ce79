#include "window/programms_page.h"

namespace brenvik {

ProgrammsPage::ProgrammsPage(QWidget* parent) : QWidget(parent) { setObjectName("Programms"); }

}  // namespace brenvik
