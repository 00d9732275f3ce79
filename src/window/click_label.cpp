#include "window/click_label.h"

#include <QMouseEvent>

namespace brenvik {

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

}  // namespace brenvik
