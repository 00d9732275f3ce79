// The fixed parts of the window around the pages: the banner across the top
// (lVersion, lVisitHomePage) and the navigation column on the left with the
// five page buttons, the loading panel PanelLoadData and btExit.
#pragma once

#include <QFrame>
#include <QPushButton>
#include <array>

#include "base/version.h"

class QLabel;

namespace brenvik {

class BannerPicture;
class ClickLabel;

inline constexpr const char* kHomePageAddress = "https://brenvik.example.org/";
inline constexpr const char* kVersionText = "Version " BRENVIK_VERSION;

inline constexpr int kBannerHeight = 80;
inline constexpr int kNavigationWidth = 153;

class Banner : public QWidget {
 public:
  explicit Banner(QWidget* parent = nullptr);
  QLabel* lVersion() const { return version_; }
  ClickLabel* lVisitHomePage() const { return homePage_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  BannerPicture* picture_;
  QLabel* version_;
  ClickLabel* homePage_;
};

// The loading panel: an animation above the caption Label14.
class LoadingPanel : public QFrame {
 public:
  explicit LoadingPanel(QWidget* parent = nullptr);
  QLabel* Label14() const { return caption_; }

 private:
  QLabel* caption_;
};

class NavigationColumn : public QWidget {
 public:
  // The page buttons in page order: btUptime, btPrograms, btUptimeHist,
  // btLoginHist, btOptionsHist.
  static constexpr int kPageButtons = 5;

  explicit NavigationColumn(QWidget* parent = nullptr);
  QPushButton* PageButton(int page) const { return buttons_[page]; }
  QPushButton* btExit() const { return exit_; }
  LoadingPanel* PanelLoadData() const { return loading_; }

 private:
  std::array<QPushButton*, kPageButtons> buttons_{};
  QPushButton* exit_;
  LoadingPanel* loading_;
};

}  // namespace brenvik
