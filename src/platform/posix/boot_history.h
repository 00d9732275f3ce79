// The boots of a Linux machine as the import walks them: the records of the
// accounting files and the boots of the journal merged into one list in
// time order, a boot known to both counted once.
//
// The walk ends a run that no shutdown closed in the larger of the two gaps
// before the next boot, as Windows needs; on Linux every record inside a run
// (a login, a logout, a run-level change, the journal's last entry) proves
// the machine was up then. So the last record of such a run is repeated: the
// gap before the repeat is zero, and the run ends at that record.
#pragma once

#include <vector>

#include "platform/event_log.h"

namespace brenvik {

// Journal boots whose start lies this close to a boot record of the
// accounting files are the same boot.
inline constexpr std::int64_t kSameBootSeconds = 300;

std::vector<EventLogRecord> MergeBootHistory(std::vector<EventLogRecord> accounting,
                                             const std::vector<EventLogRecord>& journal);

}  // namespace brenvik
