// The four filters of the uptime report (source, time, event type, user) as
// one settings struct, the row predicate built from it, and the enabling
// rules of the filter controls. The window keeps one UptimeFilterSettings as
// the state of its filter tabs, reads its controls into it and shows
// UptimeFilterControls back; saved filters store and restore it.
//
// The predicate is a filter expression text over the uptime history table
// (datastore/filter_expression.h): terms in the order event, time, source,
// user, joined by " and ". Paths and names are written as quoted literals,
// compared exactly and case-sensitively.
#pragma once

#include <string>
#include <vector>

#include "records/date_time.h"
#include "reports/uptime/pick_list.h"

namespace brenvik {

struct UptimeFilterSettings {
  // Source filter.
  bool sourceEnabled = false;  // FilterCheckBoxSource
  bool sourceWindows = true;   // rbHistComputer, else rbHistProgram
  PickList programs;           // lvUptimeSource with CheckBoxUptimeSource

  // Time filter.
  bool timeEnabled = false;                 // FilterCheckBoxTime
  bool timePredefined = false;              // rbFilterPredefinedPeriod, else "Date range:"
  int periodIndex = 3;                      // cmbbPeriod
  bool afterTicked = false;                 // chkbHistEventAfter
  DateTime afterDate = NullDate;            // dateTimePickHistoryAfter (date part used)
  DateTime afterTime = 0.0;                 // tmEdAfter (time of day used)
  bool beforeTicked = false;                // chkbHistEventBefore
  DateTime beforeDate = NullDate;           // dateTimePickHistoryBefore
  DateTime beforeTime = 86399.0 / 86400.0;  // tmEdBefore

  // Event type filter.
  bool eventEnabled = false;  // FilterCheckBoxEvent
  bool eventClosedOk = true;  // rbHistEventTerminatedOk, else "Crashed"

  // User filter.
  bool userEnabled = false;  // FilterCheckBoxUser
  PickList users;            // lvUptimeUsers with CheckBoxUptimeUser
};

// A text literal of the filter language: in single quotes, quotes doubled.
std::string QuoteFilterLiteral(const std::string& text);

// The predicate of the settings. timeTerm is the time term of the period or
// date range (empty when there is none); it is used only while the time
// filter is enabled. An empty result lets every row pass.
std::string BuildUptimePredicate(const UptimeFilterSettings& settings, const std::string& timeTerm);

// "Date range:" without either bound switches the time filter off before a
// browse; true when it did.
bool DropEmptyDateRange(UptimeFilterSettings& settings);

// Which filter controls are enabled, and the captions that follow the
// settings.
struct UptimeFilterControls {
  bool sourceRadios = false;   // rbHistComputer, rbHistProgram
  bool sourceList = false;     // CheckBoxUptimeSource, lvUptimeSource
  bool timeRadios = false;     // rbFilterPredefinedPeriod, rbFilterDateRange
  bool periodCombo = false;    // cmbbPeriod
  bool rangeControls = false;  // After/Before boxes and their four pickers
  bool eventRadios = false;    // rbHistEventTerminatedOk/Crash
  bool userList = false;       // CheckBoxUptimeUser, lvUptimeUsers
  std::string sourceCaption;   // each box: "Filter enabled" / "Filter disabled"
  std::string timeCaption;
  std::string eventCaption;
  std::string userCaption;
  std::vector<std::string> tabCaptions;  // the six notebook tabs
};
UptimeFilterControls GetUptimeFilterControls(const UptimeFilterSettings& settings);

std::string FilterBoxCaption(bool enabled);

}  // namespace brenvik
