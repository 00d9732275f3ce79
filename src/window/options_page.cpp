#include "window/options_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brenvik {

OptionsPage::OptionsPage(QWidget* parent) : QWidget(parent) {
  setObjectName("Options");
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(16, 16, 16, 16);
  page->setSpacing(16);

  auto* importGroup = new QGroupBox("Uptime history import", this);
  importGroup->setObjectName("GroupBoxImport");
  auto* importLayout = new QVBoxLayout(importGroup);
  explanation_ = new QLabel(QString::fromUtf8(kImportExplanation), importGroup);
  explanation_->setObjectName("lImportExplanation");
  explanation_->setTextFormat(Qt::RichText);
  explanation_->setWordWrap(true);
  importLayout->addWidget(explanation_);
  import_ = new QPushButton("Import uptime history", importGroup);
  import_->setObjectName("btImport");
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(import_);
  buttonRow->addStretch();
  importLayout->addLayout(buttonRow);
  page->addWidget(importGroup);

  auto* preferences = new QGroupBox("Preferences", this);
  preferences->setObjectName("GroupBoxPreferences");
  auto* preferencesLayout = new QVBoxLayout(preferences);
  tray_ = new QCheckBox("Show in System tray (shows uptime when cursor moved over)", preferences);
  tray_->setObjectName("chMinimizetoSystemTray");
  preferencesLayout->addWidget(tray_);
  session_ = new QCheckBox("Start with the desktop session", preferences);
  session_->setObjectName("chStartWithSession");
  preferencesLayout->addWidget(session_);
  page->addWidget(preferences);
  page->addStretch();
}

}  // namespace brenvik
