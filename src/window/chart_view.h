// A widget that paints a chart picture of the core (reports/chart) with
// QPainter and answers the mouse through the picture's hit zones: a tooltip
// with the zone's text while hovering, and a signal with the zone's kind and
// item on a click. The picture is laid out by the owner for the widget's
// width, through the layout function, whenever the width changes; the
// widget is as tall as the picture. It holds no rules of its own.
#pragma once

#include <QWidget>
#include <functional>

#include "reports/chart/chart_picture.h"

namespace brenvik {

class ChartView : public QWidget {
  Q_OBJECT

 public:
  using Layout = std::function<ChartPicture(double width)>;

  explicit ChartView(QWidget* parent = nullptr);

  // The function that lays the picture out for a width; the picture is
  // made at once. An empty function shows nothing.
  void SetLayout(Layout layout);
  // Lays the picture out again (the data or the selection changed).
  void Relayout();
  const ChartPicture& Picture() const { return picture_; }

  // The tooltip at a point of the widget; empty where no zone is.
  QString HoverTextAt(const QPoint& point) const;

  // Paints the picture onto any paint device (also used by the benchmark).
  static void Paint(QPainter& painter, const ChartPicture& picture);

 signals:
  void hitClicked(brenvik::HitKind kind, long long item);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  Layout layout_;
  ChartPicture picture_;
  double laidOutWidth_ = -1;
};

}  // namespace brenvik
