// The pictures of the window, drawn rather than shipped as files: the window
// and tray icon, the banner across the top and the loading animation.
#pragma once

#include <QIcon>
#include <QWidget>

class QTimer;

namespace brenvik {

// A clock face on a blue disc, in the usual icon sizes.
QIcon BrenvikIcon();

// The banner picture: a blue gradient with the product name.
class BannerPicture : public QWidget {
 public:
  explicit BannerPicture(QWidget* parent = nullptr) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A turning ring, advanced by its own timer while shown. Its angle follows
// the elapsed time, so a repaint during a long step shows it moved on.
class LoadingAnimation : public QWidget {
 public:
  explicit LoadingAnimation(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QTimer* timer_;
};

}  // namespace brenvik
