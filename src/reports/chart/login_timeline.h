// Timelines of the login report: one computer run with its logins (the
// run's own lane, then a lane per user with that user's logins), and, for
// the HTML export, all runs of the report at once (the runs in one lane,
// the logins in a lane per user) over the report's whole stretch. Crashed
// runs and sessions in the crash colour, runs still going on and users still
// logged on in the running colour. The run timeline's items are the logins'
// places in the run (0, 1, ...; -1 the run itself); the overview's items are
// the runs' places in the tree.
#pragma once

#include "platform/locale.h"
#include "reports/chart/timeline_layout.h"
#include "reports/logins/login_tree.h"

namespace brenvik {

TimelineInput RunLoginsTimeline(const LoginTreeRun& run, const LocaleInfo& locale, DateTime now);

TimelineInput LoginsOverviewTimeline(const LoginTree& tree, const LocaleInfo& locale, DateTime now);

// The run the Logins page's timeline shows when none is chosen: the last one.
int DefaultTimelineRun(const LoginTree& tree);

}  // namespace brenvik
