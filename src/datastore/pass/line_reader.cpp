#include "datastore/pass/line_reader.h"

#include "datastore/service_link/log_line_reader.h"

namespace brenvik {

bool ReadLogLine(PassState& state, const std::string& text, int& pos, TransactionLine& line) {
  LogLineEntry entry;
  if (!FetchNextEntry(text, pos, entry,
                      LineDiagnostics{*state.diagnostics, state.clock, &state.diagnosticQuota})) {
    return false;
  }
  line.dateTime = entry.dateTime;
  line.offset = entry.offset;
  line.domain = std::move(entry.domain);
  line.user = std::move(entry.user);
  line.event = entry.event;
  line.parameter = std::move(entry.parameter);
  line.handle = entry.handle;
  return true;
}

void AppendLineToTransactions(Table& transactions, const TransactionLine& line) {
  AppendTransaction(transactions, line.dateTime, line.offset, line.event, line.domain, line.user,
                    line.handle, line.parameter);
}

}  // namespace brenvik
