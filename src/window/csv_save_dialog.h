// The save dialog of both CSV exports: "Save your CSV file", the text and
// CSV file types with CSV chosen, the default extension "csv", opened in the
// folder given (the process's current folder when it is empty).
#pragma once

#include <string>

class QWidget;

namespace brenvik {

// The chosen file name, empty when the dialog was cancelled.
std::string AskCsvFileName(QWidget* owner, const std::string& folder);

// The folder of a chosen file, as the export remembers it for next time.
std::string FolderOfFile(const std::string& fileName);

}  // namespace brenvik
