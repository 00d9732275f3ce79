// The "Options" page: the group "Uptime history import" with its explanation
// (rendered with its bold and line-break tags) and btImport, and the group
// "Preferences" with chMinimizetoSystemTray and, below it, chStartWithSession
// (the start with the desktop session). The window connects the button and
// the check boxes to its handlers.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace brenvik {

inline constexpr const char* kImportExplanation =
    "To see Windows uptime statistics for period before <b>Brenvik</b> was installed on this "
    "computer, <br>click on button <b>Import uptime history</b>.\r\n<br><b>Windows system event "
    "log</b> will be used to import uptime statistics.";

class OptionsPage : public QWidget {
  Q_OBJECT

 public:
  explicit OptionsPage(QWidget* parent = nullptr);
  QPushButton* btImport() const { return import_; }
  QCheckBox* chMinimizetoSystemTray() const { return tray_; }
  QCheckBox* chStartWithSession() const { return session_; }

 private:
  QPushButton* import_ = nullptr;
  QCheckBox* tray_ = nullptr;
  QCheckBox* session_ = nullptr;
  QLabel* explanation_ = nullptr;
};

}  // namespace brenvik
