#include "window/tray.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include "window/artwork.h"

namespace brenvik {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent),
      icon_(new QSystemTrayIcon(BrenvikIcon(), this)),
      menu_(new QMenu),
      showUptime_(menu_->addAction("Show Uptime")),
      showHide_(menu_->addAction("Show / Hide")) {
  icon_->setObjectName("JvTrayIcon");
  menu_->setObjectName("popTrayIcon");
  showUptime_->setObjectName("ShowUptime1");
  showHide_->setObjectName("mnuShowHide");
  icon_->setContextMenu(menu_);
  connect(showUptime_, &QAction::triggered, this, &TrayIcon::showUptimeClicked);
  connect(showHide_, &QAction::triggered, this, &TrayIcon::showHideClicked);
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::DoubleClick) emit doubleClicked();
  });
}

// The menu has no parent widget (a tray menu must not belong to the window).
TrayIcon::~TrayIcon() { delete menu_; }

void TrayIcon::SetActive(bool active) {
  active_ = active;
  if (QSystemTrayIcon::isSystemTrayAvailable()) icon_->setVisible(active);
}

void TrayIcon::SetHint(const QString& hint) { icon_->setToolTip(hint); }

QString TrayIcon::Hint() const { return icon_->toolTip(); }

void TrayIcon::ShowBalloon(const QString& title, const QString& text) {
  balloonTitle_ = title;
  balloonText_ = text;
  icon_->showMessage(title, text, QSystemTrayIcon::Information, kBalloonMilliseconds);
  emit balloonShown();
}

}  // namespace brenvik
