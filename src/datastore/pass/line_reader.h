// The pass's access to the activity-log line reader (log_line_reader.h): the
// next good line of the fetched text as transaction values, and the storing
// of a line as a DataSetTransactions row.
#pragma once

#include <string>

#include "datastore/pass/pass_state.h"

namespace brenvik {

// Reads the line at pos (1-based) and moves pos past it and its line break.
// False for a bad line (reported to state's diagnostic log) or when the text
// is used up (pos at or past its length).
bool ReadLogLine(PassState& state, const std::string& text, int& pos, TransactionLine& line);

// Appends the line as one row of DataSetTransactions.
void AppendLineToTransactions(Table& transactions, const TransactionLine& line);

}  // namespace brenvik
