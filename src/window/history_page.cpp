#include "window/history_page.h"

namespace brenvik {

HistoryPage::HistoryPage(QWidget* parent) : QWidget(parent) { setObjectName("History"); }

}  // namespace brenvik
