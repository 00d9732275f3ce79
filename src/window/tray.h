// The notification-area icon JvTrayIcon with the window's icon, the hint,
// the balloon and the popup menu popTrayIcon ("Show Uptime", "Show / Hide").
// The icon is active exactly while the tray option is on; where the desktop
// has no notification area the icon is simply never seen, and the option,
// the hint and the menu still work as values.
#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace brenvik {

inline constexpr int kBalloonMilliseconds = 9000;

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent);
  ~TrayIcon() override;

  void SetActive(bool active);
  bool IsActive() const { return active_; }
  void SetHint(const QString& hint);
  QString Hint() const;
  // Shows an information balloon, replacing one still on screen.
  void ShowBalloon(const QString& title, const QString& text);
  QString LastBalloonTitle() const { return balloonTitle_; }
  QString LastBalloonText() const { return balloonText_; }

  QSystemTrayIcon* JvTrayIcon() const { return icon_; }
  QMenu* popTrayIcon() const { return menu_; }
  QAction* ShowUptime1() const { return showUptime_; }
  QAction* mnuShowHide() const { return showHide_; }

 signals:
  void showUptimeClicked();
  void showHideClicked();
  void doubleClicked();
  void balloonShown();

 private:
  QSystemTrayIcon* icon_;
  QMenu* menu_;
  QAction* showUptime_;
  QAction* showHide_;
  bool active_ = false;
  QString balloonTitle_;
  QString balloonText_;
};

}  // namespace brenvik
