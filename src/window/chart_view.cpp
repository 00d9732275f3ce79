#include "window/chart_view.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace brenvik {
namespace {

QColor Colour(ChartInk ink) {
  const ChartRgb rgb = ChartColour(ink);
  return QColor(rgb.red, rgb.green, rgb.blue);
}

QRectF Rect(const ChartRect& rect) { return QRectF(rect.x, rect.y, rect.width, rect.height); }

void PaintBoxes(QPainter& painter, const ChartPicture& picture, bool background) {
  for (const ChartBox& box : picture.boxes) {
    if (IsBackground(box.ink) != background) continue;
    const QColor colour = Colour(box.ink);
    painter.setPen(box.outlined ? QPen(colour.darker(166), 0.5) : QPen(Qt::NoPen));
    painter.setBrush(colour);
    painter.drawRect(Rect(box.rect));
  }
}

void PaintLines(QPainter& painter, const ChartPicture& picture, bool background) {
  for (const ChartLine& line : picture.lines) {
    if (IsBackground(line.ink) != background) continue;
    painter.setPen(QPen(Colour(line.ink), 1));
    painter.drawLine(QPointF(line.x1, line.y1), QPointF(line.x2, line.y2));
  }
}

void PaintLabel(QPainter& painter, const ChartLabel& label) {
  const QString text = QString::fromStdString(label.text);
  QFont font = painter.font();
  font.setBold(label.bold);
  painter.setFont(font);
  const double width = painter.fontMetrics().horizontalAdvance(text);
  double x = label.x;
  if (label.anchor == TextAnchor::Middle) x -= width / 2;
  if (label.anchor == TextAnchor::End) x -= width;
  painter.drawText(QPointF(x, label.y), text);
}

}  // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartView::SetLayout(Layout layout) {
  layout_ = std::move(layout);
  Relayout();
}

void ChartView::Relayout() {
  laidOutWidth_ = width();
  picture_ = layout_ ? layout_(laidOutWidth_) : ChartPicture{};
  setMinimumHeight(static_cast<int>(picture_.height));
  update();
}

QString ChartView::HoverTextAt(const QPoint& point) const {
  const ChartHit* hit = HitAt(picture_, point.x(), point.y());
  return hit ? QString::fromStdString(hit->hover) : QString();
}

void ChartView::Paint(QPainter& painter, const ChartPicture& picture) {
  painter.fillRect(QRectF(0, 0, picture.width, picture.height), Qt::white);
  QFont font = painter.font();
  font.setPixelSize(static_cast<int>(kChartFontPixels));
  painter.setFont(font);
  for (const bool background : {true, false}) {
    PaintBoxes(painter, picture, background);
    PaintLines(painter, picture, background);
  }
  painter.setPen(Colour(ChartInk::Text));
  for (const ChartLabel& label : picture.labels) PaintLabel(painter, label);
  if (!picture.message.empty()) {
    painter.drawText(QRectF(0, 0, picture.width, picture.height), Qt::AlignCenter,
                     QString::fromStdString(picture.message));
  }
}

void ChartView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  Paint(painter, picture_);
}

void ChartView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (width() != laidOutWidth_) Relayout();
}

void ChartView::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  if (const ChartHit* hit = HitAt(picture_, at.x(), at.y())) emit hitClicked(hit->kind, hit->item);
  QWidget::mousePressEvent(event);
}

bool ChartView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = HoverTextAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

}  // namespace brenvik
