// The "Uptime" page: a background we draw ourselves with the row headings
// (Current: Uptime, Idle time; Total: Uptime, Idle time, Downtime; Record:
// Uptime), the unit headings of every row, the headings of the three counts
// and the date captions' titles; over it the 36 figure labels (lwuYears ...
// lwmuSec), the counts Label7, Label6, Label8 and the date captions Label2,
// label5, label37. The page only shows texts and reports clicks; what the
// texts say comes from the statistics.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <string>

namespace brenvik {

class ClickLabel;

class UptimePage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRows = 6;
  static constexpr int kUnits = 6;
  // Rows in the order of the figure table.
  enum Row { CurrentUptime, CurrentIdle, TotalUptime, TotalIdle, TotalDowntime, RecordUptime };
  using RowTexts = std::array<std::string, kUnits>;

  explicit UptimePage(QWidget* parent = nullptr);

  // The object name of a figure label, e.g. "lwtuHr".
  static QString FigureName(int row, int unit);
  ClickLabel* Figure(int row, int unit) const { return figures_[row][unit]; }
  void SetFigureRow(int row, const RowTexts& texts);

  ClickLabel* Label7() const { return turnedOn_; }
  ClickLabel* Label6() const { return turnedOff_; }
  ClickLabel* Label8() const { return crashed_; }
  ClickLabel* Label2() const { return turnedOnAt_; }
  ClickLabel* label5() const { return turnedOffAt_; }
  ClickLabel* label37() const { return trackingSince_; }

  // The hint of every label that copies the report (figures, counts, Label2,
  // label37).
  void SetReportHint(const QString& hint);
  // label5 looks like a link (blue, hand cursor) or like the other captions.
  void SetLabel5LinkLook(bool link);

  static const QColor kCaptionColor;  // RGB 0,84,168
  static const QColor kLinkColor;     // RGB 0,0,255

 signals:
  // A click on a label that copies the uptime report.
  void reportClicked();
  void label5Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ClickLabel* MakeLabel(const QString& name, const QRect& geometry, int pointSize);
  void CreateFigures();
  void CreateBottom();

  std::array<std::array<ClickLabel*, kUnits>, kRows> figures_{};
  ClickLabel* turnedOn_ = nullptr;
  ClickLabel* turnedOff_ = nullptr;
  ClickLabel* crashed_ = nullptr;
  ClickLabel* turnedOnAt_ = nullptr;
  ClickLabel* turnedOffAt_ = nullptr;
  ClickLabel* trackingSince_ = nullptr;
};

}  // namespace brenvik
