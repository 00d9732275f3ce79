// The processing pass: the one way new activity enters the tables. It
// fetches the pending activity-log lines from the service, replays the stored
// transactions of the current Windows run followed by the new lines, keeps
// one open entry per running thing (Windows, each tracked program, each
// login), and writes one DataSetHistory row per interval and one
// DataSetLogins row per login. Everything derived from the run still going
// on is provisional: written with cdsHistoryRecIncomplete true, deleted by
// the next pass and produced again by the replay; a Windows start or stop
// marks the rows of the run it ends complete.
//
// Callers: the statistics refresh and the uptime report (no tree, a scratch
// runs array) and the login report (tree into its runs array).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "datastore/pass/pass_state.h"
#include "datastore/service_link/hand_over.h"
#include "datastore/tables/change_log.h"
#include "datastore/tables/table.h"
#include "platform/accounts.h"
#include "platform/event_log.h"
#include "records/records.h"
#include "records/sorted_text_list.h"

namespace brenvik {

class DiagnosticLog;
struct DataTables;

// What the pass needs from outside the tables: the link to the service (pipe,
// clock, DataFolder), the event logs (the Application log for the hang
// check), the account lookup, the row counters kept between passes, and the
// diagnostic log that bad lines are reported to.
struct PassEnvironment {
  ServiceLink link;
  EventLog& eventLog;
  Accounts& accounts;
  ListedRows& listedRows;
  DiagnosticLog& diagnostics;
};

// The four tables of a pass as the monitor keeps them.
PassTables PassTablesOf(DataTables& tables);

// One pass over the tables, filling the lists. failureCount: handed to the
// hand-over (down by one when the service does not answer). startDateTime:
// in, the computed local start of the current run; out, the local start of
// the latest Windows row written, when one was. dateOfCalc: the caller's
// local now, milliseconds dropped; the end of everything still running.
//
// Errors from the hand-over and the two pre-scans end the pass at once, and
// CopyForMonitor.dat stays for the next hand-over. From the transaction loop
// on, an error first runs the finishing steps: the tables are written as far
// as they got, and CopyForMonitor.dat keeps only the lines no table holds.
void ProcessTransactions(const PassEnvironment& env, const PassTables& tables,
                         const PassLists& lists, std::int32_t& failureCount,
                         DateTime& startDateTime, DateTime dateOfCalc);

// Of every run of consecutive heartbeat rows (event 8) keeps only the last,
// in one sweep over the rows in append order.
void ReduceHeartbeats(Table& transactions);

}  // namespace brenvik
