// The login report: the computer runs of gArrCompRuns and their logins,
// walked through the time-and-run filter and the user filter, put into the
// login tree, added up per user, and summarised as plain text and as an HTML
// fragment (gStrCompLogins). The window reads its filter controls into
// LoginReportSettings and shows what BuildLoginReport returns; the tree keeps
// pointers into the runs, which must outlive it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "records/records.h"
#include "reports/logins/login_tree.h"
#include "reports/uptime/pick_list.h"

namespace brenvik {

enum class LoginRunsMode { RunNumbers, Period, DateRange };

struct LoginReportSettings {
  bool runsFilterEnabled = false;  // FilterCheckBoxRuns
  LoginRunsMode mode = LoginRunsMode::DateRange;
  std::string runNumbers;         // edComputerRuns
  int periodIndex = 3;            // cmbbRunPeriod
  bool afterTicked = false;       // chComputerRunAfter
  DateTime afterDate = NullDate;  // dateTimePickCompRunAfter (date part)
  DateTime afterTime = 0.0;       // tmEdCompRunAfter (time of day)
  bool beforeTicked = false;      // chComputerRunBefore
  DateTime beforeDate = NullDate;
  DateTime beforeTime = 86399.0 / 86400.0;
  bool usersFilterEnabled = false;  // FilterCheckBoxRunUsers
  PickList users;                   // lvLoginUsers with CheckBoxLoginUser
};

// The run IDs named by a run-number text ("1,2,3", "1-3", "2;4"), counted
// back from the last run (number 1 is lastRunID), each once, sorted
// ascending. Pieces without leading digits are ignored; a range end not
// above its start adds nothing more. Numbers beyond the first run are listed
// (they select nothing); a range of more than 1,000 numbers is cut at the
// first run, so that a huge range does not list millions of numbers.
std::vector<std::int32_t> ParseRunNumbers(const std::string& text, std::int32_t lastRunID);

// The index of the run a moment selects: the run it lies in, else the next
// run, else the last run (runs in ascending order of start). 0 when empty.
int LocateRun(const TArrRecComputerRun& runs, DateTime x);

// "Date range:" without either bound switches the time filter off before a
// build; true when it did.
bool DropEmptyLoginDateRange(LoginReportSettings& settings);

// The user filter takes part only when enabled with some but not all rows ticked.
bool LoginUserFilterEffective(const LoginReportSettings& settings);

// The rows of lvLoginUsers: one unticked row per known user, in its order.
void RebuildLoginUsers(PickList& users, const std::vector<std::string>& historyUsers);

struct LoginReportContext {
  DateTime now = 0;                      // the build's whole-second now
  std::vector<std::string> periodItems;  // the texts of cmbbRunPeriod
  int firstDayOfWeek = 0;
  LocaleInfo locale;
};

struct LoginReportResult {
  std::int32_t runsShown = 0;
  std::int32_t runsCrashed = 0;
  std::int64_t loginSeconds = 0;
  std::int64_t activeSeconds = 0;
  std::int64_t idleSeconds = 0;
  std::int64_t lockedSeconds = 0;
  TArrReportEntry perUser;  // sorted by key, letter case ignored
  std::string plain;        // JvRichEditLoginHistory
  std::string html;         // gStrCompLogins
};

// Fills tree (emptied first, then sorted by its sort state) and returns the
// figures and summaries. The runs' Level fields are set as the tree takes
// them.
LoginReportResult BuildLoginReport(TArrRecComputerRun& runs, const LoginReportSettings& settings,
                                   const LoginReportContext& context, LoginTree& tree);

// Which login filter controls are enabled, and the captions that follow.
struct LoginFilterControls {
  bool runsControls = false;    // the three radios (all controls of the filter)
  bool rangeControls = false;   // After/Before boxes and their four pickers
  bool periodCombo = false;     // cmbbRunPeriod
  bool runNumbersEdit = false;  // edComputerRuns
  bool userList = false;        // CheckBoxLoginUser, lvLoginUsers
  std::string runsCaption;
  std::string usersCaption;
  std::string timeTabCaption;  // tab 1
  std::string userTabCaption;  // tab 2
};
LoginFilterControls GetLoginFilterControls(const LoginReportSettings& settings);

}  // namespace brenvik
