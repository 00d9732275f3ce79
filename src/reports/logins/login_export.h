// The two exports of the login report, read from the login tree in its
// current order: a tab-separated file with one line per login (its run
// repeated on each line), and an HTML document with the summary fragment of
// the last build and the tree as a table, written to a fresh temporary file
// and opened with the user's browser.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "reports/logins/login_tree.h"

namespace brenvik {

inline constexpr const char* kLoginCsvHeader =
    "Computer Run\tRun Start Date and Time\tRun End Date and Time\tCrashed\tComputer User "
    "Name\tComputer Name\tLogin Date and Time\tLogoff Date and Time\tLogin Duration "
    "(sec)\tActive Session (sec)\tActive Session, but Idle (sec)\tLocked Session (sec)\t";

// The header and one line per login; every field in double quotes, every
// line ending with a tab, lines joined by CR LF (none after the last).
std::string LoginCsvText(const LoginTree& tree, const LocaleInfo& locale);
// Writes the CSV text as UTF-8 with a byte-order mark, replacing the file.
void ExportLoginCsv(FileSystem& files, const LoginTree& tree, const LocaleInfo& locale,
                    const std::string& fileName);

// The document: head, summaryHtml (gStrCompLogins), the chart (an inline SVG element, or
// nothing), the tree's rows (collapsed ones included) as a table, and the
// end. Data texts are escaped.
std::string LoginHtmlDocument(const LoginTree& tree, const std::string& summaryHtml,
                              const LocaleInfo& locale, DateTime now,
                              const std::string& chartSvg = {});
// Writes the document, with the timeline of the tree's runs and logins as its
// chart, to the first free Brenvik<n>~.html of the temporary folder and opens
// it; the file name, or empty when none was free.
std::string ExportLoginHtml(FileSystem& files, const LoginTree& tree,
                            const std::string& summaryHtml, const LocaleInfo& locale, Clock& clock,
                            SystemInfo& systemInfo, Shell& shell);
// The chart of the login export: the timeline of every run and login.
std::string LoginChartSvg(const LoginTree& tree, const LocaleInfo& locale, DateTime now);

}  // namespace brenvik
