// The import of the Windows runs that lie before the recorded history, from
// the System event log's boots (6005), orderly shutdowns (6006) and
// unexpected shutdowns (6008). It runs once per user: the registry flag
// WindowsImportExecuted makes every later call refuse. Imported rows are
// complete rows with run number 0 and cdsHistoryIsImported true, appended at
// the end of DataSetHistory, and never rewritten by the processing pass.
#pragma once

#include "datastore/tables/table.h"
#include "platform/clock.h"
#include "platform/event_log.h"
#include "platform/registry.h"

namespace brenvik {

inline constexpr const char* kWindowsImportExecutedValue = "WindowsImportExecuted";
inline constexpr const char* kImportDoneMessage =
    "The Import Procedure has been executed succesfully.";

inline constexpr int kImportAlreadyDone = 2;
inline constexpr int kImportExecuted = 3;

// limitDate: the local start of the earliest Windows row the service recorded
// (firstBootDate); runs from then on are not imported, and an imported run
// is cut there. Returns kImportAlreadyDone when the flag is set (nothing else
// happens), kImportExecuted after an import. An event log or registry that
// cannot be read or written raises PlatformError; the flag is then not set.
int ImportEventLogHistory(Table& history, DateTime limitDate, Registry& registry,
                          EventLog& eventLog, Clock& clock);

}  // namespace brenvik
