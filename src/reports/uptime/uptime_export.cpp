#include "reports/uptime/uptime_export.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string_view>

#include "base/file_io.h"
#include "base/text_file.h"
#include "base/utf8.h"
#include "datastore/startup/startup.h"
#include "datastore/startup/tables.h"
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

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string CsvValue(const Cursor& row, const std::optional<FieldId>& id,
                     const LocaleInfo& locale) {
  if (!id || row.IsNull(*id)) return {};
  switch (row.Fields()[static_cast<std::size_t>(id->index)].type) {
    case FieldType::DateTime:
      return Quoted(DateTimeToString(row.AsDateTime(*id), locale));
    case FieldType::Boolean:
      return Quoted(row.AsBoolean(*id) ? "True" : "False");
    case FieldType::Integer:
    case FieldType::Largeint:
      return Quoted(std::to_string(row.AsLargeint(*id)));
    case FieldType::Text:
    case FieldType::Calculated:
      return Quoted(row.AsText(*id));
  }
  return {};
}

constexpr const char* kHeaderCell100 =
    "</th><th class=\"c1\" height=\"17px\" align=\"left\" width=\"100px\">";
constexpr const char* kHeaderCell126 =
    "</th><th class=\"c1\" height=\"17px\" align=\"left\" width=\"126px\">";
constexpr const char* kRowCell = "</td><td class=\"normalborder\" height=\"18px\" align=\"left\">";

std::string HtmlHead(const std::string& gStrCompUptime, const std::string& chartSvg) {
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
  html += gStrCompUptime;
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

// The CSV in pieces of about a quarter megabyte, handed to put as they fill.
void WriteUptimeCsv(Cursor& report, const std::vector<GridColumn>& columns,
                    const LocaleInfo& locale, const std::function<void(std::string_view)>& put) {
  constexpr std::size_t kPiece = 256 * 1024;
  std::vector<const GridColumn*> visible;
  std::vector<std::optional<FieldId>> fields;  // looked up once, not per row
  for (const GridColumn& column : columns) {
    if (!column.visible) continue;
    visible.push_back(&column);
    fields.push_back(report.FindField(column.field));
  }
  std::string text;
  for (std::size_t i = 0; i < visible.size(); ++i) text += (i == 0 ? "" : "\t") + visible[i]->title;
  text += "\r\n";
  KeepRow keep(report);
  for (report.First(); !report.Eof(); report.Next()) {
    for (const auto& field : fields) text += CsvValue(report, field, locale) + "\t";
    text += "\r\n";
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
void WriteUptimeHtml(Cursor& report, const std::string& gStrCompUptime, Clock& clock,
                     const LocaleInfo& locale, const std::string& chartSvg,
                     const std::function<void(std::string_view)>& put) {
  constexpr std::size_t kPiece = 256 * 1024;
  std::string html = HtmlHead(gStrCompUptime, chartSvg);
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

std::string UptimeHtmlDocument(Cursor& report, const std::string& gStrCompUptime, Clock& clock,
                               const LocaleInfo& locale, const std::string& chartSvg) {
  std::string html;
  WriteUptimeHtml(report, gStrCompUptime, clock, locale, chartSvg,
                  [&](std::string_view piece) { html += piece; });
  return html;
}

std::string UptimeChartSvg(Cursor& report, const LocaleInfo& locale, DateTime now) {
  const HistoryChartData data = BuildHistoryChartData(report, locale.firstDayOfWeek);
  return ChartSvg(HistoryChartPicture(report, data, DefaultSelectedBucket(data), kExportChartWidth,
                                      locale, now));
}

void WriteUptimeHtmlFile(FileSystem& files, Cursor& report, const std::string& gStrCompUptime,
                         Clock& clock, const LocaleInfo& locale, const std::string& fileName) {
  const std::string chartSvg = UptimeChartSvg(report, locale, NowWholeSeconds(clock));
  AtomicFileWriter file(files, fileName);
  file.Write(kUtf8Bom);
  WriteUptimeHtml(report, gStrCompUptime, clock, locale, chartSvg,
                  [&](std::string_view piece) { file.Write(piece); });
  file.Commit();
}

std::string ExportUptimeHtml(FileSystem& files, Cursor& report, const std::string& gStrCompUptime,
                             Clock& clock, const LocaleInfo& locale, SystemInfo& systemInfo,
                             Shell& shell) {
  const std::string fileName = MakeTempFileName(systemInfo, "Brenvik", "html");
  if (fileName.empty()) return fileName;
  WriteUptimeHtmlFile(files, report, gStrCompUptime, clock, locale, fileName);
  shell.OpenDocument(fileName);
  return fileName;
}

}  // namespace brenvik
