#include "window/csv_save_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace brenvik {

std::string AskCsvFileName(QWidget* owner, const std::string& folder) {
  QFileDialog dialog(owner, "Save your CSV file", QString::fromStdString(folder));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters({"Text file (*.txt)", "CSV file (*.csv)"});
  dialog.selectNameFilter("CSV file (*.csv)");
  dialog.setDefaultSuffix("csv");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

std::string FolderOfFile(const std::string& fileName) {
  return QDir::toNativeSeparators(QFileInfo(QString::fromStdString(fileName)).absolutePath())
      .toStdString();
}

}  // namespace brenvik
