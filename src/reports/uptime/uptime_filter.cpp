#include "reports/uptime/uptime_filter.h"

namespace brenvik {

namespace {

// Each element carries its joining word in front; the first four characters
// (" and" or " or ") of the finished list are cut off.
std::string JoinedList(const std::vector<std::string>& values, const std::string& element) {
  std::string list;
  for (const std::string& value : values) list += element + QuoteFilterLiteral(value);
  return list.size() >= 4 ? list.substr(4) : list;
}

struct ListCounts {
  std::size_t rows = 0;
  std::size_t ticked = 0;
  std::size_t unticked = 0;
  // No list, all ticked or none ticked: the list does not restrict.
  bool Unrestricted() const { return rows == 0 || ticked == rows || unticked == rows; }
  bool Exclusion() const { return ticked >= unticked; }
};

ListCounts Count(const PickList& list) {
  ListCounts counts;
  counts.rows = list.Size();
  counts.ticked = list.TickedCount();
  counts.unticked = counts.rows - counts.ticked;
  return counts;
}

// The group over a pick list: the exclusion form with " and <>" per unticked
// key, the inclusion form with " or =" per ticked key; empty when the list
// does not restrict.
std::string ListGroup(const PickList& list, const std::string& field) {
  const ListCounts counts = Count(list);
  if (counts.Unrestricted()) return {};
  if (counts.Exclusion())
    return "(" + JoinedList(list.UntickedKeys(), " and " + field + " <>") + ")";
  return "(" + JoinedList(list.TickedKeys(), " or " + field + " =") + ")";
}

void AddTerm(std::vector<std::string>& terms, std::string term) {
  if (!term.empty()) terms.push_back(std::move(term));
}

// The source term, and whether it requires program rows.
std::string SourceTerm(const UptimeFilterSettings& s, bool& requiresPrograms) {
  requiresPrograms = false;
  if (s.sourceWindows) return s.userEnabled ? std::string() : "cdsHistoryIsWindows = true";
  const ListCounts counts = Count(s.programs);
  if (counts.Unrestricted() || counts.Exclusion()) {
    requiresPrograms = true;
    const std::string group = ListGroup(s.programs, "cdsHistoryExePath");
    return group.empty() ? "cdsHistoryIsWindows = false"
                         : "cdsHistoryIsWindows = false and " + group;
  }
  return ListGroup(s.programs, "cdsHistoryExePath");
}

}  // namespace

std::string QuoteFilterLiteral(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

std::string BuildUptimePredicate(const UptimeFilterSettings& s, const std::string& timeTerm) {
  std::vector<std::string> terms;
  if (s.eventEnabled)
    terms.push_back(s.eventClosedOk ? " cdsHistoryClosedOk = true" : " cdsHistoryClosedOk = false");
  if (s.timeEnabled) AddTerm(terms, timeTerm);
  bool requiresPrograms = false;
  if (s.sourceEnabled) AddTerm(terms, SourceTerm(s, requiresPrograms));
  if (s.userEnabled) {
    if (!requiresPrograms) terms.push_back("cdsHistoryIsWindows = false");
    AddTerm(terms, ListGroup(s.users, "cdsHistoryComputerUser"));
  }
  std::string predicate;
  for (const std::string& term : terms) predicate += (predicate.empty() ? "" : " and ") + term;
  return predicate;
}

bool DropEmptyDateRange(UptimeFilterSettings& settings) {
  if (!settings.timeEnabled || settings.timePredefined) return false;
  if (settings.afterTicked || settings.beforeTicked) return false;
  settings.timeEnabled = false;
  return true;
}

std::string FilterBoxCaption(bool enabled) {
  return enabled ? "Filter enabled" : "Filter disabled";
}

UptimeFilterControls GetUptimeFilterControls(const UptimeFilterSettings& s) {
  UptimeFilterControls c;
  c.sourceRadios = s.sourceEnabled;
  c.sourceList = s.sourceEnabled && !s.sourceWindows;
  c.timeRadios = s.timeEnabled;
  c.periodCombo = s.timeEnabled && s.timePredefined;
  c.rangeControls = s.timeEnabled && !s.timePredefined;
  c.eventRadios = s.eventEnabled;
  c.userList = s.userEnabled;
  c.sourceCaption = FilterBoxCaption(s.sourceEnabled);
  c.timeCaption = FilterBoxCaption(s.timeEnabled);
  c.eventCaption = FilterBoxCaption(s.eventEnabled);
  c.userCaption = FilterBoxCaption(s.userEnabled);
  const auto tab = [](const char* name, bool enabled) {
    return std::string(" ") + name + (enabled ? " *" : "");
  };
  c.tabCaptions = {"   Uptime history  ",
                   tab("Source filter", s.sourceEnabled),
                   tab("Time filter", s.timeEnabled),
                   tab("Event type filter", s.eventEnabled),
                   tab("User filter", s.userEnabled),
                   "  [Saved and used filters] "};
  return c;
}

}  // namespace brenvik
