#include "reports/logins/login_export.h"

#include "base/text_file.h"
#include "datastore/startup/startup.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"
#include "reports/chart/chart_svg.h"
#include "reports/chart/login_timeline.h"
#include "reports/html_text.h"

namespace brenvik {

namespace {

std::string LoginLine(const TRecComputerRun& run, const TRecComputerRun& login,
                      const LocaleInfo& locale) {
  const std::vector<std::string> fields = {std::to_string(run.rRunID),
                                           DateTimeToString(run.rStartDateTime, locale),
                                           DateTimeToString(run.rEndDateTime, locale),
                                           login.rClosedOk ? "False" : "True",
                                           login.rUserName,
                                           login.rDomain,
                                           DateTimeToString(login.rStartDateTime, locale),
                                           DateTimeToString(login.rEndDateTime, locale),
                                           std::to_string(login.rUptimeSeconds),
                                           std::to_string(login.rActiveSeconds),
                                           std::to_string(login.rIdleSeconds),
                                           std::to_string(login.rLockedSeconds)};
  std::string line;
  for (const std::string& field : fields) line += "\"" + field + "\"\t";
  return line;
}

std::string HtmlRow(const TRecComputerRun& record, const LocaleInfo& locale, DateTime now) {
  std::string row = "<tr>";
  for (int column = 0; column < kLoginTreeColumns; ++column) {
    const std::string text = HtmlEscape(LoginCellText(record, column, false, locale, now));
    const std::string extra = HtmlEscape(LoginCellText(record, column, true, locale, now));
    const bool bold = LoginCellFont(record, column, false).bold;
    row += "<td>" + (bold ? "<b>" + text + "</b>" : text);
    if (!extra.empty()) row += " <font color=\"#0000FF\">" + extra + "</font>";
    row += "</td>";
  }
  return row + "</tr>";
}

}  // namespace

std::string LoginCsvText(const LoginTree& tree, const LocaleInfo& locale) {
  std::string text = kLoginCsvHeader;
  for (const LoginTreeRun& run : tree.Runs())
    for (const TRecComputerRun* login : run.logins)
      text += "\r\n" + LoginLine(*run.run, *login, locale);
  return text;
}

void ExportLoginCsv(FileSystem& files, const LoginTree& tree, const LocaleInfo& locale,
                    const std::string& fileName) {
  WriteTextFileWithBom(files, fileName, LoginCsvText(tree, locale));
}

std::string LoginHtmlDocument(const LoginTree& tree, const std::string& summaryHtml,
                              const LocaleInfo& locale, DateTime now, const std::string& chartSvg) {
  std::string html =
      "<!DOCTYPE HTML><html><head><title>Brenvik Login History Report</title></head><body>";
  html += summaryHtml;
  html += chartSvg;
  html +=
      "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\"><caption>Brenvik Login "
      "History Report</caption><tr>";
  for (const std::string& caption : LoginTreeCaptions()) html += "<th>" + caption + "</th>";
  html += "</tr>";
  for (const LoginTreeRun& run : tree.Runs()) {
    html += HtmlRow(*run.run, locale, now);
    for (const TRecComputerRun* login : run.logins) html += HtmlRow(*login, locale, now);
  }
  return html + "</table></body></html>";
}

std::string ExportLoginHtml(FileSystem& files, const LoginTree& tree,
                            const std::string& summaryHtml, const LocaleInfo& locale, Clock& clock,
                            SystemInfo& systemInfo, Shell& shell) {
  const DateTime now = NowWholeSeconds(clock);
  const std::string document =
      LoginHtmlDocument(tree, summaryHtml, locale, now, LoginChartSvg(tree, locale, now));
  std::string fileName = MakeTempFileName(systemInfo, "Brenvik", "html");
  if (fileName.empty()) return fileName;
  WriteTextFileWithBom(files, fileName, document);
  shell.OpenDocument(fileName);
  return fileName;
}

std::string LoginChartSvg(const LoginTree& tree, const LocaleInfo& locale, DateTime now) {
  return ChartSvg(LayOutTimeline(LoginsOverviewTimeline(tree, locale, now), kExportChartWidth));
}

}  // namespace brenvik
