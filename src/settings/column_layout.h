// The column layout of the uptime report grid and its file
// ColumnsSettings.ini in the settings folder: for each column in display
// order the field it shows, its title, its width and whether it is shown.
// The file's encoding is private to this program (docs/columns-settings.md).
// A file that cannot be read is deleted; a layout whose first column is not
// titled "Computer user" is not used. No widget toolkit here: the grid of the
// History page applies the layout.
#pragma once

#include <string>
#include <vector>

#include "reports/uptime/uptime_export.h"

namespace brenvik {

inline constexpr const char* kColumnsSettingsFile = "ColumnsSettings.ini";
inline constexpr const char* kFirstColumnTitle = "Computer user";
// A width left to the toolkit.
inline constexpr int kDefaultColumnWidth = -1;

// The columns themselves and their default layout (DefaultHistoryColumns)
// are the report's: GridColumn of reports/uptime/uptime_export.h.
using ColumnLayout = std::vector<GridColumn>;

std::string EncodeColumnLayout(const ColumnLayout& layout);
// ConversionError when the text is not a layout of this program.
ColumnLayout DecodeColumnLayout(const std::string& text);

// The layout to use at start-up: the file's when it exists, reads and starts
// with the "Computer user" column; otherwise the default. A file that exists
// but cannot be read or decoded is deleted.
ColumnLayout LoadColumnsSettings(FileSystem& files, const std::string& path);
// Replaces the file atomically; FileError when it cannot be written.
void SaveColumnsSettings(FileSystem& files, const std::string& path, const ColumnLayout& layout);

}  // namespace brenvik
