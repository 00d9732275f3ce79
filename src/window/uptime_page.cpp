#include "window/uptime_page.h"

#include <QPainter>

#include "window/click_label.h"

namespace brenvik {
namespace {

// Geometry of the page (759 x 500): three groups of rows, then the counts at
// the bottom left and the date captions at the bottom right.
constexpr int kLeft = 12;
constexpr int kWidth = 735;
constexpr int kGroupHeader = 22;
constexpr int kRowHeight = 50;
constexpr int kRowGap = 4;
constexpr int kGroupGap = 8;
constexpr int kRowTitleX = 28;
constexpr int kFirstUnitX = 168;
constexpr int kUnitWidth = 96;
constexpr int kUnitHeadingHeight = 16;
constexpr int kBottomTop = 418;
constexpr int kBottomHeight = 76;
constexpr int kCountsWidth = 330;
constexpr int kCaptionsLeft = kLeft + kCountsWidth + 10;
constexpr int kCountX[3] = {kLeft + 10, kLeft + 115, kLeft + 220};
constexpr int kCountWidth = 100;
constexpr int kCaptionTitleX = kCaptionsLeft + 14;
constexpr int kCaptionValueX = kCaptionsLeft + 165;
constexpr int kCaptionRowHeight = 22;
constexpr int kCaptionRowY[3] = {kBottomTop + 7, kBottomTop + 29, kBottomTop + 51};

const char* const kRowPrefix[UptimePage::kRows] = {"lwu", "lwid", "lwtu", "lwidt", "lwtd", "lwmu"};
const char* const kUnitSuffix[UptimePage::kUnits] = {"Years", "Months", "Days", "Hr", "Min", "Sec"};
const char* const kUnitHeading[UptimePage::kUnits] = {"Years", "Months",  "Days",
                                                      "Hours", "Minutes", "Seconds"};
const char* const kRowHeading[UptimePage::kRows] = {"Uptime",    "Idle time", "Uptime",
                                                    "Idle time", "Downtime",  "Uptime"};
const char* const kCountHeading[3] = {"Turned on", "Turned off", "Crashed"};
const char* const kCaptionTitle[3] = {
    "Computer turned on:", "Computer turned off:", "Tracking uptime since:"};

struct Group {
  const char* title;
  int firstRow;
  int rows;
};
constexpr Group kGroups[3] = {{"Current", 0, 2}, {"Total", 2, 3}, {"Record", 5, 1}};

int GroupOf(int row) { return row < 2 ? 0 : row < 5 ? 1 : 2; }

int GroupTop(int group) {
  int y = 8;
  for (int g = 0; g < group; ++g) {
    y += kGroupHeader + kGroups[g].rows * (kRowHeight + kRowGap) + kGroupGap;
  }
  return y;
}

QRect RowRect(int row) {
  const int group = GroupOf(row);
  const int y =
      GroupTop(group) + kGroupHeader + (row - kGroups[group].firstRow) * (kRowHeight + kRowGap);
  return QRect(kLeft, y, kWidth, kRowHeight);
}

QRect UnitRect(int row, int unit) {
  const QRect r = RowRect(row);
  return QRect(kFirstUnitX + unit * kUnitWidth, r.top(), kUnitWidth, r.height());
}

const QColor kPanelFill(243, 247, 251);
const QColor kPanelBorder(205, 219, 234);
const QColor kHeadingColor(90, 98, 110);
const QColor kRowTitleColor(45, 52, 62);

void DrawPanel(QPainter& p, const QRect& r) {
  p.setPen(kPanelBorder);
  p.setBrush(kPanelFill);
  p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

void DrawText(QPainter& p, const QRect& r, int flags, const QString& text, int pointSize, bool bold,
              const QColor& color) {
  QFont font = p.font();
  font.setPointSize(pointSize);
  font.setBold(bold);
  p.setFont(font);
  p.setPen(color);
  p.drawText(r, flags, text);
}

void DrawGroupHeader(QPainter& p, int group) {
  const int y = GroupTop(group);
  const QRect titleRect(kLeft + 2, y, 200, kGroupHeader - 2);
  DrawText(p, titleRect, Qt::AlignLeft | Qt::AlignVCenter, kGroups[group].title, 11, true,
           UptimePage::kCaptionColor);
  const int textWidth = p.fontMetrics().horizontalAdvance(kGroups[group].title);
  p.setPen(kPanelBorder);
  const int lineY = y + kGroupHeader / 2;
  p.drawLine(kLeft + textWidth + 12, lineY, kLeft + kWidth, lineY);
}

void DrawRow(QPainter& p, int row) {
  const QRect r = RowRect(row);
  DrawPanel(p, r);
  DrawText(p, QRect(kRowTitleX, r.top(), kFirstUnitX - kRowTitleX, r.height()),
           Qt::AlignLeft | Qt::AlignVCenter, kRowHeading[row], 10, true, kRowTitleColor);
  for (int unit = 0; unit < UptimePage::kUnits; ++unit) {
    const QRect u = UnitRect(row, unit);
    DrawText(p, QRect(u.left(), u.top() + 3, u.width(), kUnitHeadingHeight), Qt::AlignCenter,
             kUnitHeading[unit], 8, false, kHeadingColor);
    if (unit > 0) {
      p.setPen(kPanelBorder);
      p.drawLine(u.left(), u.top() + 8, u.left(), u.bottom() - 8);
    }
  }
}

void DrawBottom(QPainter& p) {
  DrawPanel(p, QRect(kLeft, kBottomTop, kCountsWidth, kBottomHeight));
  for (int i = 0; i < 3; ++i) {
    DrawText(p, QRect(kCountX[i], kBottomTop + 8, kCountWidth, kUnitHeadingHeight), Qt::AlignCenter,
             kCountHeading[i], 9, true, kRowTitleColor);
  }
  DrawPanel(p, QRect(kCaptionsLeft, kBottomTop, kLeft + kWidth - kCaptionsLeft, kBottomHeight));
  for (int i = 0; i < 3; ++i) {
    DrawText(
        p,
        QRect(kCaptionTitleX, kCaptionRowY[i], kCaptionValueX - kCaptionTitleX, kCaptionRowHeight),
        Qt::AlignLeft | Qt::AlignVCenter, kCaptionTitle[i], 9, false, kRowTitleColor);
  }
}

}  // namespace

const QColor UptimePage::kCaptionColor(0, 84, 168);
const QColor UptimePage::kLinkColor(0, 0, 255);

UptimePage::UptimePage(QWidget* parent) : QWidget(parent) {
  setObjectName("Uptime");
  CreateFigures();
  CreateBottom();
}

QString UptimePage::FigureName(int row, int unit) {
  return QString::fromLatin1(kRowPrefix[row]) + QString::fromLatin1(kUnitSuffix[unit]);
}

ClickLabel* UptimePage::MakeLabel(const QString& name, const QRect& geometry, int pointSize) {
  auto* label = new ClickLabel(this);
  label->setObjectName(name);
  label->setGeometry(geometry);
  QFont font = label->font();
  font.setPointSize(pointSize);
  font.setBold(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, kCaptionColor);
  label->setPalette(palette);
  return label;
}

void UptimePage::CreateFigures() {
  for (int row = 0; row < kRows; ++row) {
    for (int unit = 0; unit < kUnits; ++unit) {
      const QRect u = UnitRect(row, unit);
      const QRect figure(u.left(), u.top() + kUnitHeadingHeight + 2, u.width(),
                         u.height() - kUnitHeadingHeight - 4);
      ClickLabel* label = MakeLabel(FigureName(row, unit), figure, 15);
      label->setAlignment(Qt::AlignCenter);
      connect(label, &ClickLabel::clicked, this, &UptimePage::reportClicked);
      figures_[row][unit] = label;
    }
  }
}

void UptimePage::CreateBottom() {
  const char* countNames[3] = {"Label7", "Label6", "Label8"};
  ClickLabel** counts[3] = {&turnedOn_, &turnedOff_, &crashed_};
  for (int i = 0; i < 3; ++i) {
    const QRect r(kCountX[i], kBottomTop + 8 + kUnitHeadingHeight + 4, kCountWidth, 36);
    *counts[i] = MakeLabel(countNames[i], r, 18);
    (*counts[i])->setAlignment(Qt::AlignCenter);
    connect(*counts[i], &ClickLabel::clicked, this, &UptimePage::reportClicked);
  }
  const char* captionNames[3] = {"Label2", "label5", "label37"};
  ClickLabel** captions[3] = {&turnedOnAt_, &turnedOffAt_, &trackingSince_};
  const int valueWidth = kLeft + kWidth - kCaptionValueX - 8;
  for (int i = 0; i < 3; ++i) {
    const QRect r(kCaptionValueX, kCaptionRowY[i], valueWidth, kCaptionRowHeight);
    *captions[i] = MakeLabel(captionNames[i], r, 9);
    (*captions[i])->setFont(QFont((*captions[i])->font().family(), 9));
    (*captions[i])->setTextFormat(Qt::RichText);
    (*captions[i])->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  connect(turnedOnAt_, &ClickLabel::clicked, this, &UptimePage::reportClicked);
  connect(trackingSince_, &ClickLabel::clicked, this, &UptimePage::reportClicked);
  connect(turnedOffAt_, &ClickLabel::clicked, this, &UptimePage::label5Clicked);
}

void UptimePage::SetFigureRow(int row, const RowTexts& texts) {
  for (int unit = 0; unit < kUnits; ++unit) {
    figures_[row][unit]->setText(QString::fromStdString(texts[unit]));
  }
}

void UptimePage::SetReportHint(const QString& hint) {
  for (auto& row : figures_) {
    for (ClickLabel* label : row) label->setToolTip(hint);
  }
  for (ClickLabel* label : {turnedOn_, turnedOff_, crashed_, turnedOnAt_, trackingSince_}) {
    label->setToolTip(hint);
  }
}

void UptimePage::SetLabel5LinkLook(bool link) {
  QPalette palette = turnedOffAt_->palette();
  palette.setColor(QPalette::WindowText, link ? kLinkColor : kCaptionColor);
  turnedOffAt_->setPalette(palette);
  if (link) {
    turnedOffAt_->setCursor(Qt::PointingHandCursor);
  } else {
    turnedOffAt_->unsetCursor();
  }
}

void UptimePage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), Qt::white);
  for (int g = 0; g < 3; ++g) DrawGroupHeader(p, g);
  for (int row = 0; row < kRows; ++row) DrawRow(p, row);
  DrawBottom(p);
}

}  // namespace brenvik
