#include "reports/uptime/uptime_export.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <string_view>

#include "base/file_io.h"
#include "base/text_file.h"
#include "base/utf8.h"
#include "datastore/startup/startup.h"
#include "datastore/startup/tables.h"
#include "records/compiled_date_format.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"
#include "reports/chart/chart_svg.h"
#include "reports/chart/history_chart.h"
#include "reports/html_text.h"
#include "statistics/uptime_hint.h"

namespace brenvik {

namespace {

// Puts the cursor back on its row when the walk ends, also on failure.
class KeepRow {
 public:
  explicit KeepRow(Cursor& cursor) : cursor_(cursor), recNo_(cursor.RecNo()) {}
  ~KeepRow() {
    if (recNo_ >= 1 && recNo_ <= cursor_.RecordCount()) cursor_.MoveToRecNo(recNo_);
  }
  KeepRow(const KeepRow&) = delete;
  KeepRow& operator=(const KeepRow&) = delete;

 private:
  Cursor& cursor_;
  std::size_t recNo_;
};

constexpr const char* kHeaderCell100 =
    "</th><th class=\"c1\" height=\"17px\" align=\"left\" width=\"100px\">";
constexpr const char* kHeaderCell126 =
    "</th><th class=\"c1\" height=\"17px\" align=\"left\" width=\"126px\">";
constexpr const char* kRowCell = "</td><td class=\"normalborder\" height=\"18px\" align=\"left\">";

std::string HtmlHead(const std::string& summaryHtml, const std::string& chartSvg) {
  std::string html =
      "<!DOCTYPE HTML><html><head><title>Brenvik Uptime History Report</title><meta "
      "http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><style type=\"text/css\">";
  html += ".default{font: 8pt \"Tahoma\";color:#000000;}";
  html += ".header{font: 8pt \"Tahoma\";color:#000000;}";
  html += ".noborder{border-style:none;padding-left:4px;padding-right:4px;}";
  html +=
      ".normalborder {border-top:none; border-left:none; vertical-align:top;border-right:1 "
      "dotted;border-bottom:none;padding-left:4px;padding-right:4px;}";
  html +=
      "table.c4 {background-color: #FFFFFF} td.c3{font: bold 8pt}tr.c2 "
      "{padding-left:4px;padding-right:4px;}th.c1 {background-color: #ECE9D8}";
  html += "</style></head><body>";
  html += summaryHtml;
  html += chartSvg;
  html += "</br><table class=\"default c4\" caption=\"";
  html += "Brenvik";
  html += " Uptime History Report";
  html += "\" border=\"1\" frame=\"box\" cellspacing=\"0\" cellpadding=\"4\">";
  html +=
      "<tr class=\"header c2\"><th class=\"c1\" height=\"17px\" align=\"left\" width=\"100px\">";
  html += "Computer user";
  for (const char* title : {"Programm title", "Start date and time", "Total uptime", "Active"})
    html += std::string(kHeaderCell100) + title;
  for (const char* title : {"Idle", "Crashed"}) html += std::string(kHeaderCell126) + title;
  html += "</th></tr>";
  return html;
}

std::string HtmlRow(const Cursor& row, DateTime now, const LocaleInfo& locale) {
  const auto duration = [&](FieldId id) {
    return SecondsToUptimeHint(row.AsLargeint(id), now, true);
  };
  const std::vector<std::string> cells = {
      HtmlEscape(row.AsText(history::kComputerUser)),
      HtmlEscape(row.AsText(history::kRecProgramTitle)),
      DateTimeToString(DropMilliseconds(row.AsDateTime(history::kDateTimeStart)), locale),
      duration(history::kUptimeSeconds),
      duration(history::kActiveSeconds),
      duration(history::kIdleSeconds),
      row.AsBoolean(history::kClosedOk) ? "No" : "Yes"};
  std::string html =
      "<tr class=\"default\"><td class=\"normalborder\" height=\"18px\" align=\"left\">";
  for (std::size_t i = 0; i < cells.size(); ++i) html += (i == 0 ? "" : kRowCell) + cells[i];
  return html + "</td></tr>";
}

}  // namespace

std::vector<GridColumn> DefaultHistoryColumns() {
  return {{"cdsHistoryComputerUser", "Computer user", 140, true},
          {"cdsHistoryExePath", "Program filename", 200, false},
          {"cdsHistoryRecProgramTitle", "Program title", 140, true},
          {"cdsHistoryDateTimeStart", "Start date and time", 155, true},
          {"cdsHistoryDateTimeEnd", "Closing date and time", -1, false},
          {"cdsHistoryRecUptime", "Total uptime", 85, true},
          {"cdsHistoryRecActTime", "Active", 85, true},
          {"cdsHistoryRecIdleTime", "Idle", 85, true},
          {"cdsHistoryUptimeSeconds", "Total uptime(sec)", -1, false},
          {"cdsHistoryIdleSeconds", "Idle(sec)", -1, false},
          {"cdsHistoryActiveSeconds", "Active(sec)", -1, false},
          {"cdsHistoryIsWindows", "Is Windows", -1, false},
          {"cdsHistoryClosedOk", "Closed normally", -1, false},
          {"cdsHistoryRecIncomplete", "Running...", -1, false},
          {"cdsHistoryIsImported", "Imported", -1, false}};
}

std::vector<GridColumn> WithExportColumns(std::vector<GridColumn> layout) {
  static const std::vector<std::string> forced = {
      "cdsHistoryDateTimeEnd", "cdsHistoryUptimeSeconds", "cdsHistoryIdleSeconds",
      "cdsHistoryActiveSeconds", "cdsHistoryClosedOk"};
  for (GridColumn& column : layout) {
    for (const std::string& field : forced)
      if (EqualsIgnoreCase(column.field, field)) column.visible = true;
  }
  return layout;
}

namespace {

// Appends text in quotes, its quotes doubled.
void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t start = 0;;) {
    const std::size_t quote = text.find('"', start);
    if (quote == std::string_view::npos) {
      out.append(text.substr(start));
      break;
    }
    out.append(text.substr(start, quote - start + 1));
    out += '"';
    start = quote + 1;
  }
  out += '"';
}

// Writes the cells of the CSV's rows into one buffer: the fields are looked
// up once, date-times go through the locale's default form read once, and
// numbers are written without temporary strings.
class CsvRowWriter {
 public:
  CsvRowWriter(const Cursor& report, const std::vector<const GridColumn*>& visible,
               const LocaleInfo& locale)
      : dates_("c", locale) {
    for (const GridColumn* column : visible) {
      const std::optional<FieldId> id = report.FindField(column->field);
      columns_.push_back(
          {id, id ? report.Fields()[static_cast<std::size_t>(id->index)].type : FieldType::Text});
    }
  }

  // A null value or a column without a field writes nothing; every value is
  // followed by a tab, the line by CR LF.
  void AppendRow(std::string& out, const Cursor& row) {
    for (const Column& column : columns_) {
      if (column.id && !row.IsNull(*column.id)) AppendValue(out, row, *column.id, column.type);
      out += '\t';
    }
    out += "\r\n";
  }

 private:
  struct Column {
    std::optional<FieldId> id;
    FieldType type;
  };

  void AppendValue(std::string& out, const Cursor& row, FieldId id, FieldType type) {
    switch (type) {
      case FieldType::DateTime:
        cell_.clear();
        dates_.AppendTo(cell_, row.AsDateTime(id));
        AppendQuoted(out, cell_);  // a locale's names or literals may hold quotes
        return;
      case FieldType::Boolean:
        out += row.AsBoolean(id) ? "\"True\"" : "\"False\"";
        return;
      case FieldType::Integer:
      case FieldType::Largeint: {
        char digits[24];
        const char* end = std::to_chars(digits, digits + sizeof digits, row.AsLargeint(id)).ptr;
        out += '"';
        out.append(digits, static_cast<std::size_t>(end - digits));
        out += '"';
        return;
      }
      case FieldType::Text:
      case FieldType::Calculated:
        AppendQuoted(out, row.AsText(id));
        return;
    }
  }

  CompiledDateFormat dates_;
  std::vector<Column> columns_;
  std::string cell_;
};

// The CSV in pieces of about a quarter megabyte, handed to put as they fill.
void WriteUptimeCsv(Cursor& report, const std::vector<GridColumn>& columns,
                    const LocaleInfo& locale, const std::function<void(std::string_view)>& put) {
  constexpr std::size_t kPiece = 256 * 1024;
  std::vector<const GridColumn*> visible;
  for (const GridColumn& column : columns)
    if (column.visible) visible.push_back(&column);
  CsvRowWriter writer(report, visible, locale);
  std::string text;
  text.reserve(kPiece + 4096);
  for (std::size_t i = 0; i < visible.size(); ++i) text += (i == 0 ? "" : "\t") + visible[i]->title;
  text += "\r\n";
  KeepRow keep(report);
  for (report.First(); !report.Eof(); report.Next()) {
    writer.AppendRow(text, report);
    if (text.size() >= kPiece) {
      put(text);
      text.clear();
    }
  }
  put(text);
}

}  // namespace

std::string UptimeCsvText(Cursor& report, const std::vector<GridColumn>& columns,
                          const LocaleInfo& locale) {
  std::string text;
  WriteUptimeCsv(report, columns, locale, [&](std::string_view piece) { text += piece; });
  return text;
}

void ExportUptimeCsv(FileSystem& files, Cursor& report, const std::vector<GridColumn>& layout,
                     const LocaleInfo& locale, const std::string& fileName) {
  // Written to a temporary file as the rows are read and then put in place,
  // which keeps the old file should the export fail.
  AtomicFileWriter file(files, fileName);
  WriteUptimeCsv(report, WithExportColumns(layout), locale,
                 [&](std::string_view piece) { file.Write(piece); });
  file.Commit();
}

namespace {

// The HTML document in pieces, as the CSV.
void WriteUptimeHtml(Cursor& report, const std::string& summaryHtml, Clock& clock,
                     const LocaleInfo& locale, const std::string& chartSvg,
                     const std::function<void(std::string_view)>& put) {
  constexpr std::size_t kPiece = 256 * 1024;
  std::string html = HtmlHead(summaryHtml, chartSvg);
  KeepRow keep(report);
  for (report.First(); !report.Eof(); report.Next()) {
    html += HtmlRow(report, NowWholeSeconds(clock), locale);
    if (html.size() >= kPiece) {
      put(html);
      html.clear();
    }
  }
  html += "</table></body></html>";
  put(html);
}

}  // namespace

std::string UptimeHtmlDocument(Cursor& report, const std::string& summaryHtml, Clock& clock,
                               const LocaleInfo& locale, const std::string& chartSvg) {
  std::string html;
  WriteUptimeHtml(report, summaryHtml, clock, locale, chartSvg,
                  [&](std::string_view piece) { html += piece; });
  return html;
}

std::string UptimeChartSvg(Cursor& report, const LocaleInfo& locale, DateTime now) {
  const HistoryChartData data = BuildHistoryChartData(report, locale.firstDayOfWeek);
  return ChartSvg(HistoryChartPicture(report, data, DefaultSelectedBucket(data), kExportChartWidth,
                                      locale, now));
}

void WriteUptimeHtmlFile(FileSystem& files, Cursor& report, const std::string& summaryHtml,
                         Clock& clock, const LocaleInfo& locale, const std::string& fileName) {
  const std::string chartSvg = UptimeChartSvg(report, locale, NowWholeSeconds(clock));
  AtomicFileWriter file(files, fileName);
  file.Write(kUtf8Bom);
  WriteUptimeHtml(report, summaryHtml, clock, locale, chartSvg,
                  [&](std::string_view piece) { file.Write(piece); });
  file.Commit();
}

std::string ExportUptimeHtml(FileSystem& files, Cursor& report, const std::string& summaryHtml,
                             Clock& clock, const LocaleInfo& locale, SystemInfo& systemInfo,
                             Shell& shell) {
  std::string fileName = MakeTempFileName(systemInfo, "Brenvik", "html");
  if (fileName.empty()) return fileName;
  WriteUptimeHtmlFile(files, report, summaryHtml, clock, locale, fileName);
  shell.OpenDocument(fileName);
  return fileName;
}

}  // namespace brenvik
