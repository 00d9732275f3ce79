// Login processing inside the pass: which login is the active one on the
// console, when its user is idle, how long it was active, and when it ends.
// Logins are kept in PassState::openLogins under UserDisplayName (user,
// domain); idle and active periods, when they end, are handed on to the open
// Windows entry and to the same user's open program entries. One row per
// login goes into DataSetLogins.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "datastore/pass/pass_state.h"

namespace brenvik {

// The number an event 5, 6 or 9 carries in its parameter: a decimal integer
// (leading spaces and one sign allowed); anything else counts as 0.
std::int32_t EventNumber(std::string_view parameter);

// Step 3 of the pass: lists the users of new rows, deletes the incomplete
// rows (writing the table when it did), attaches stored logins to the tree
// and sets loginsMark.
void LoginsPreScan(PassState& state);

// Event 5 before it is stored: the very first login recorded starts when
// Windows started (changes state.currentTime).
void LoginPreStep(PassState& state);

// Event 9: an idle report of n seconds for the line's login (0: active again).
void IdleReport(PassState& state, const TransactionLine& line);

// Event 5: the line's login becomes the active one.
void LoginActivated(PassState& state, const TransactionLine& line);

// Event 6: the line's login stops being the active one; 0 ends it, 1 marks
// an inactive login as disconnected from the console.
void LoginDeactivated(PassState& state, const TransactionLine& line);

// Ends the idle period of the login under key (empty: the first open login,
// when it is idle) at the moment at (ZeroDateTime: the last reported length
// counts, ending now) and hands it on to the open entries.
void EndIdle(PassState& state, std::string key, DateTime at);

// Hands the active period from..to of the login under key on to the open
// Windows entry and the user's open program entries.
void DistributeActive(PassState& state, const std::string& key, DateTime from, DateTime to);

// Closes one open login as CloseAllEntries asks (end time end, unused for
// KeepEnds) and writes its row. The caller empties the list afterwards.
void CloseLogin(PassState& state, const std::string& key, TRecLoginEntry& login, CloseMode mode,
                DateTime end);

// Writes the login's row (shifting it to local time) and extends the tree.
void WriteLoginRow(PassState& state, TRecLoginEntry& login);

}  // namespace brenvik
