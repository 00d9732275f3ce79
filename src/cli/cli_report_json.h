// The members of the JSON documents of uptime-report, history and logins
// (cli_json.h gives the common members and the forms of moments and
// durations). Each reads what the text of its command is made from.
#pragma once

#include "cli/cli_json.h"
#include "reports/logins/login_tree.h"
#include "statistics/win_statistics.h"

namespace brenvik {
class Cursor;
}

namespace brenvik::cli {

// The figures of the uptime report at now.
Json UptimeReportJson(const WinStatistics& stats, DateTime now, Clock& clock);

// The report cursor's rows in view order ("rows", an empty array without
// rows) and their summary ("summary"). The cursor ends on its last row.
Json HistoryJson(Cursor& report, DateTime now, Clock& clock);

// The runs of the login tree with their logins ("runs") and the sums of the
// logins listed ("summary").
Json LoginsJson(const LoginTree& tree, DateTime now, Clock& clock);

}  // namespace brenvik::cli
