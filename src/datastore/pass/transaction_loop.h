// Steps 4 to 8 of the processing pass: the replay of the stored transactions
// of the current Windows run, then the lines of the fetched text, each with
// its pre-step, its storing (new lines only) and the handler of its event;
// and the end of the text, where everything still open is written as still
// running.
#pragma once

#include <string>

#include "datastore/pass/pass_state.h"
#include "platform/accounts.h"
#include "platform/clock.h"

namespace brenvik {

// How far the loop got in the text: the 1-based position after the last line
// read, the position where that line began, and whether it is stored in
// DataSetTransactions. After an error the lines from there on are the ones
// no table holds yet.
struct TextProgress {
  int pos = 1;
  int lineStart = 1;
  bool lineStored = false;
  // The 1-based position of the first line that no table holds yet.
  int UnstoredFrom() const { return lineStored ? pos : lineStart; }
};

// Runs steps 4 to 7 until the text is used up.
void RunTransactionLoop(PassState& state, const std::string& text, TextProgress& progress);

// Step 8: closes everything as still running; without a Windows start in the
// pass, writes the running Windows row from startDateTime to the time of the
// pass under the account of this program. When the last Windows line of the
// pass is a stop, no run is open: that row starts at the moment the system's
// uptime gives (clock), not before the stop, as on a first start.
// startDateTime becomes the local start of the latest Windows row written,
// when one was.
void FinishText(PassState& state, DateTime& startDateTime, Accounts& accounts, Clock& clock);

}  // namespace brenvik
