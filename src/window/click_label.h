// A label that reports a click of the left mouse button, for the figures,
// counts, date captions and links of the window.
#pragma once

#include <QLabel>

namespace brenvik {

class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ClickLabel(QWidget* parent = nullptr) : QLabel(parent) {}

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace brenvik
