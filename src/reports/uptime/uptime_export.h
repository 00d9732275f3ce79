// The two exports of the uptime report: a tab-separated file of the rows as
// the grid shows them (its visible columns in grid order, plus the end time,
// the three second counts and the closed flag, which every export carries),
// and an HTML document with the summary, the filters and a table of the rows,
// written to a fresh temporary file and opened with the user's browser. Both
// walk the report cursor in its current order and leave it on the row that
// was current before.
#pragma once

#include <string>
#include <vector>

#include "datastore/tables/table.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/shell.h"
#include "platform/system_info.h"

namespace brenvik {

// One column of the report grid: the field it shows, its title, its width in
// pixels (-1: the toolkit's default) and whether it is shown.
struct GridColumn {
  std::string field;
  std::string title;
  int width = -1;
  bool visible = true;
  bool operator==(const GridColumn&) const = default;
};

// The layout used when no stored layout is available.
std::vector<GridColumn> DefaultHistoryColumns();

// The layout with the columns every export carries made visible:
// cdsHistoryDateTimeEnd, cdsHistoryUptimeSeconds, cdsHistoryIdleSeconds,
// cdsHistoryActiveSeconds and cdsHistoryClosedOk.
std::vector<GridColumn> WithExportColumns(std::vector<GridColumn> layout);

// The CSV text: the titles of the visible columns joined by tabs, then one
// line per row with each value followed by a tab (quoted, quotes doubled; a
// null value or a column without a field writes nothing). Lines end with
// CR LF. Date-times in the locale's default form, Booleans True / False.
std::string UptimeCsvText(Cursor& report, const std::vector<GridColumn>& columns,
                          const LocaleInfo& locale);
// Writes the CSV of the layout with the export columns, replacing the file
// (UTF-8 without a byte-order mark).
void ExportUptimeCsv(FileSystem& files, Cursor& report, const std::vector<GridColumn>& layout,
                     const LocaleInfo& locale, const std::string& fileName);

// The HTML document: the report's fixed head and styles, the summary
// (summaryHtml of the report's state),
// the chart (an inline SVG element, or nothing) right above the table, and a
// table of every row. The current time is read for each row, as the
// durations are spans ending now.
std::string UptimeHtmlDocument(Cursor& report, const std::string& summaryHtml, Clock& clock,
                               const LocaleInfo& locale, const std::string& chartSvg = {});
// Writes the document with the report's chart (UTF-8 with a byte-order
// mark) to fileName, replacing the file, as the rows are read.
void WriteUptimeHtmlFile(FileSystem& files, Cursor& report, const std::string& summaryHtml,
                         Clock& clock, const LocaleInfo& locale, const std::string& fileName);
// Writes the document with the report's chart (UTF-8 with a byte-order
// mark) to the first free Brenvik<n>~.html of the temporary folder and opens
// it. Returns the file name, empty when no free name was found (nothing is
// written then).
std::string ExportUptimeHtml(FileSystem& files, Cursor& report, const std::string& summaryHtml,
                             Clock& clock, const LocaleInfo& locale, SystemInfo& systemInfo,
                             Shell& shell);
// The chart of the export: the report's bars (weeks start on the locale's
// first day) with the timeline of the last bucket, as SVG.
std::string UptimeChartSvg(Cursor& report, const LocaleInfo& locale, DateTime now);

}  // namespace brenvik
