#include "window/shell_parts.h"

#include <QLabel>
#include <QVBoxLayout>

#include "statistics/win_statistics.h"
#include "window/artwork.h"
#include "window/click_label.h"

namespace brenvik {
namespace {

struct ButtonText {
  const char* name;
  const char* caption;
};
constexpr ButtonText kButtons[NavigationColumn::kPageButtons] = {
    {"btUptime", " &Windows uptime "},       {"btPrograms", "  &Programs uptime "},
    {"btUptimeHist", "  &Uptime history"},   {"btLoginHist", "   &Login history"},
    {"btOptionsHist", "    &Options      "},
};

// Flat buttons of the column; the pressed one is filled.
constexpr const char* kButtonStyle =
    "QPushButton { text-align: left; padding-left: 4px; border: 1px solid #cddbea;"
    " border-radius: 4px; background: #f3f7fb; color: #2d343e; font-weight: bold; }"
    "QPushButton:hover { background: #e3edf8; }"
    "QPushButton:checked { background: #0054a8; color: white; border-color: #0054a8; }";

QString Displayed(const char* text) { return QString::fromUtf8(text).replace("\r\n", "\n"); }

}  // namespace

Banner::Banner(QWidget* parent)
    : QWidget(parent),
      picture_(new BannerPicture(this)),
      version_(new QLabel(this)),
      homePage_(new ClickLabel(this)) {
  setObjectName("Banner");
  version_->setObjectName("lVersion");
  version_->setText(kVersionText);
  QPalette grey = version_->palette();
  grey.setColor(QPalette::WindowText, QColor(200, 200, 200));
  version_->setPalette(grey);
  version_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  homePage_->setObjectName("lVisitHomePage");
  homePage_->setText(kHomePageAddress);
  QFont link = homePage_->font();
  link.setUnderline(true);
  homePage_->setFont(link);
  QPalette blue = homePage_->palette();
  blue.setColor(QPalette::WindowText, QColor(170, 215, 255));
  homePage_->setPalette(blue);
  homePage_->setCursor(Qt::PointingHandCursor);
  homePage_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void Banner::resizeEvent(QResizeEvent*) {
  picture_->setGeometry(rect());
  homePage_->setGeometry(width() - 312, 8, 300, 20);
  version_->setGeometry(width() - 312, 28, 300, 18);
}

LoadingPanel::LoadingPanel(QWidget* parent) : QFrame(parent), caption_(new QLabel(this)) {
  setObjectName("PanelLoadData");
  setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 6, 4, 6);
  auto* animation = new LoadingAnimation(this);
  animation->setObjectName("ImageLoadData");
  animation->setFixedSize(36, 36);
  layout->addWidget(animation, 0, Qt::AlignHCenter);
  caption_->setObjectName("Label14");
  caption_->setText(Displayed(kLoadingPanelCaption));
  caption_->setAlignment(Qt::AlignCenter);
  caption_->setWordWrap(true);
  layout->addWidget(caption_);
  hide();
}

NavigationColumn::NavigationColumn(QWidget* parent)
    : QWidget(parent), exit_(new QPushButton(this)), loading_(new LoadingPanel(this)) {
  setObjectName("PanelNavigation");
  setStyleSheet(kButtonStyle);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 12, 8, 12);
  layout->setSpacing(6);
  for (int i = 0; i < kPageButtons; ++i) {
    buttons_[i] = new QPushButton(kButtons[i].caption, this);
    buttons_[i]->setObjectName(kButtons[i].name);
    buttons_[i]->setCheckable(true);
    buttons_[i]->setFixedHeight(38);
    buttons_[i]->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(buttons_[i]);
  }
  layout->addSpacing(12);
  layout->addWidget(loading_);
  layout->addStretch();
  exit_->setObjectName("btExit");
  exit_->setText("  &Exit     ");
  exit_->setFixedHeight(34);
  layout->addWidget(exit_);
}

}  // namespace brenvik
