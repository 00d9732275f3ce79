#include "window/logins_page.h"

namespace brenvik {

LoginsPage::LoginsPage(QWidget* parent) : QWidget(parent) { setObjectName("Logins"); }

}  // namespace brenvik
