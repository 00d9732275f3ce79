#include "window/artwork.h"

#include <QDateTime>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace brenvik {
namespace {

QPixmap IconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF disc(size * 0.04, size * 0.04, size * 0.92, size * 0.92);
  QLinearGradient fill(disc.topLeft(), disc.bottomRight());
  fill.setColorAt(0, QColor(40, 130, 220));
  fill.setColorAt(1, QColor(0, 70, 150));
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawEllipse(disc);
  p.setBrush(Qt::white);
  p.drawEllipse(disc.adjusted(size * 0.14, size * 0.14, -size * 0.14, -size * 0.14));
  const QPointF centre = disc.center();
  QPen hand(QColor(0, 70, 150), qMax(1.5, size * 0.08), Qt::SolidLine, Qt::RoundCap);
  p.setPen(hand);
  p.drawLine(centre, centre + QPointF(0, -size * 0.28));
  p.drawLine(centre, centre + QPointF(size * 0.2, size * 0.06));
  return pixmap;
}

}  // namespace

QIcon BrenvikIcon() {
  QIcon icon;
  for (int size : {16, 22, 32, 48, 64, 128}) icon.addPixmap(IconPixmap(size));
  return icon;
}

void BannerPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, width(), height());
  sky.setColorAt(0, QColor(0, 84, 168));
  sky.setColorAt(1, QColor(64, 150, 230));
  p.fillRect(rect(), sky);
  p.drawPixmap(18, (height() - 52) / 2, IconPixmap(52));
  QFont title = font();
  title.setPointSize(22);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRect(84, 8, 400, 40), Qt::AlignLeft | Qt::AlignVCenter, "Brenvik");
  QFont subtitle = font();
  subtitle.setPointSize(10);
  p.setFont(subtitle);
  p.setPen(QColor(220, 235, 250));
  p.drawText(QRect(86, 44, 500, 24), Qt::AlignLeft | Qt::AlignVCenter,
             "How long your computer and your programs have been running");
}

LoadingAnimation::LoadingAnimation(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
  timer_->setInterval(80);
  connect(timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void LoadingAnimation::showEvent(QShowEvent*) { timer_->start(); }
void LoadingAnimation::hideEvent(QHideEvent*) { timer_->stop(); }

void LoadingAnimation::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int side = qMin(width(), height()) - 6;
  const QRectF ring((width() - side) / 2.0, (height() - side) / 2.0, side, side);
  p.setPen(QPen(QColor(205, 219, 234), 4));
  p.drawEllipse(ring);
  const int angle = static_cast<int>((QDateTime::currentMSecsSinceEpoch() / 3) % 360);
  p.setPen(QPen(QColor(0, 84, 168), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(ring, -angle * 16, 100 * 16);
}

}  // namespace brenvik
