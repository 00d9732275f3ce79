// Step 2 of the processing pass: the walk over DataSetHistory before the
// transactions are replayed. It removes the provisional rows of the run that
// is still going on (remembering the hang decisions of their programs), lists
// the programs of rows new to the caller's list, lets the computer-runs tree
// take the complete rows, and finds the run number the replay starts with.
#pragma once

#include "datastore/pass/pass_state.h"

namespace brenvik {

void HistoryPreScan(PassState& state);

}  // namespace brenvik
