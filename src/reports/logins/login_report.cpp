#include "reports/logins/login_report.h"

#include <algorithm>
#include <charconv>

#include "records/date_format.h"
#include "records/text_helpers.h"
#include "records/time_arithmetic.h"
#include "reports/date_ranges.h"
#include "reports/html_text.h"
#include "reports/uptime/uptime_filter.h"
#include "statistics/uptime_hint.h"

namespace brenvik {

namespace {

std::string DigitsFrom(const std::string& piece, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < piece.size() && piece[pos] >= '0' && piece[pos] <= '9') ++pos;
  return piece.substr(start, pos - start);
}

// -1 when the digits do not fit 32 bits.
std::int32_t RunNumber(const std::string& digits) {
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return ec == std::errc() && end == digits.data() + digits.size() ? value : -1;
}

// The moment of a date picker and a time picker: the date plus the whole
// seconds since midnight of the time.
DateTime PickedMoment(DateTime date, DateTime time) {
  const TimeParts t = DecodeTime(time);
  return AddSeconds(DateOnly(date), t.hour * 3600 + t.minute * 60 + t.second);
}

struct Bounds {
  bool dateMode = false;   // the time filter is on with a range or a period
  bool useAfter = false;   // a period, or a range with "After:"
  bool useBefore = false;  // a period, or a range with "Before:"
  DateTime after = 0;
  DateTime before = 0;
};

Bounds MakeBounds(const LoginReportSettings& s, const LoginReportContext& c) {
  Bounds b;
  if (!s.runsFilterEnabled || s.mode == LoginRunsMode::RunNumbers) return b;
  b.dateMode = true;
  b.after = PickedMoment(s.afterDate, s.afterTime);
  b.before = PickedMoment(s.beforeDate, s.beforeTime);
  if (s.mode == LoginRunsMode::Period) {
    const std::size_t index = s.periodIndex >= 0 ? static_cast<std::size_t>(s.periodIndex) : 0;
    DateRangeRequest request;
    request.predefinedPeriod = true;
    // A stored index outside the list counts as the first period.
    if (index < c.periodItems.size()) {
      request.periodItem = c.periodItems[index];
    } else if (!c.periodItems.empty()) {
      request.periodItem = c.periodItems.front();
    }
    const DateRange range = GetDateRangeString(request, c.now, c.firstDayOfWeek);
    b.after = range.dateAfter;
    b.before = range.dateBefore;
    b.useAfter = b.useBefore = true;
  } else {
    b.useAfter = s.afterTicked;
    b.useBefore = s.beforeTicked;
  }
  return b;
}

// Whether the logins of a run must be tested one by one against the bounds:
// not when the whole run lies on the admitted side of every bound in use.
bool TestLogins(const Bounds& b, const TRecComputerRun& run) {
  if (!b.dateMode) return false;
  if (b.useAfter && !b.useBefore) return CompareMoments(run.rStartDateTime, b.after) <= 0;
  if (b.useBefore && !b.useAfter) return CompareMoments(run.rEndDateTime, b.before) >= 0;
  if (b.useAfter && b.useBefore)
    return !(MomentInRange(run.rStartDateTime, b.after, b.before) &&
             MomentInRange(run.rEndDateTime, b.after, b.before));
  return false;
}

bool LoginTaken(const Bounds& b, const TRecComputerRun& login) {
  if (b.useAfter && b.useBefore) {
    return MomentInRange(b.after, login.rStartDateTime, login.rEndDateTime) ||
           MomentInRange(b.before, login.rStartDateTime, login.rEndDateTime) ||
           MomentInRange(login.rStartDateTime, b.after, b.before);
  }
  if (b.useAfter) return CompareMoments(login.rEndDateTime, b.after) > 0;
  if (b.useBefore) return CompareMoments(login.rStartDateTime, b.before) < 0;
  return true;
}

TReportEntry& UserEntry(TArrReportEntry& entries, const std::string& key) {
  const CaseInsensitiveLess less;
  auto at = std::lower_bound(entries.begin(), entries.end(), key,
                             [&](const std::unique_ptr<TReportEntry>& e, const std::string& k) {
                               return less(e->rString, k);
                             });
  if (at != entries.end() && !less(key, (*at)->rString)) return **at;
  auto entry = std::make_unique<TReportEntry>();
  entry->rString = key;
  return **entries.insert(at, std::move(entry));
}

struct Summary {
  std::string plain;
  std::string html;
};

void WriteCounts(Summary& out, const LoginReportResult& r, const std::string& lastKey,
                 DateTime now) {
  const std::string runs = std::to_string(r.runsShown);
  const std::string crashed = std::to_string(r.runsCrashed);
  const auto d = [now](std::int64_t s) { return SecondsToUptimeHint(s, now, true); };
  out.plain = "Computer was run: " + runs + " times\r\nComputer crashed: " + crashed + " times\r\n";
  out.html = "<p class=\"default\">Computer was run: <b>" + runs + "</b> times </br>" +
             "Computer crashed: <b>" + crashed + "</b> times </br>";
  if (r.perUser.size() > 1) {
    for (const auto& e : r.perUser) {
      const std::string tail =
          "  logged in: " + std::to_string(e->rItemCount) + " times, active: " + d(e->rActiveSec);
      out.plain += "\r\n" + e->rString + tail;
      out.html += "</br>" + HtmlEscape(e->rString) + tail;
    }
  } else if (r.perUser.size() == 1 && !lastKey.empty()) {
    const std::string count = std::to_string(r.perUser.front()->rItemCount);
    out.plain = "Report about: " + lastKey + "\r\nComputer was run: " + runs +
                " times\r\nComputer crashed: " + crashed + " times\r\nLogged in: " + count +
                " times";
    out.html = "<p class=\"default\">Report about: <b>" + HtmlEscape(lastKey) +
               "</b></br>Computer was run: <b>" + runs + "</b> times </br>" +
               "Computer crashed: <b>" + crashed + "</b> times </br>Logged in: <b>" + count +
               "</b> times";
  }
  out.plain += "\r\n\r\n_____Summary_____\r\nLogin duration:\t" + d(r.loginSeconds) +
               "\r\nActive: \t\t" + d(r.activeSeconds) + "\r\nActive, but Idle: \t" +
               d(r.idleSeconds) + "\r\nLocked: \t\t" + d(r.lockedSeconds);
  out.html += "</br></br>_____Summary_____</br>Login duration:\t" + d(r.loginSeconds) +
              "</br>Active: \t\t" + d(r.activeSeconds) + "</br>Active, but Idle: \t" +
              d(r.idleSeconds) + "</br>Locked: \t\t" + d(r.lockedSeconds);
}

void WriteFilters(Summary& out, const LoginReportSettings& s, const Bounds& b,
                  const std::vector<std::int32_t>& runIds, std::int32_t lastRunID,
                  const LoginReportContext& c) {
  const bool users = LoginUserFilterEffective(s);
  if (!s.runsFilterEnabled && !users) return;
  out.plain += "\r\n\r\n____Filters used in report____";
  out.html += "</br></br>____Filters used in report____";
  const FormatSettings app = MakeAppFormatSettings(c.locale);
  if (b.dateMode) {
    out.plain += "\r\n   *Date and Time Filter\r\n";
    out.html += "</br>   *Date and Time Filter</br>";
    if (b.useAfter) {
      out.plain += " From: " + DateTimeToString(b.after, app) + "\r\n";
      out.html += " From: " + DateTimeToString(b.after, app) + "</br>";
    }
    if (b.useBefore) {
      out.plain += " To: " + DateTimeToString(b.before, app);
      out.html += " To: " + DateTimeToString(b.before, app);
    }
  } else if (s.runsFilterEnabled) {
    std::vector<std::int64_t> numbers;
    numbers.reserve(runIds.size());
    for (std::int32_t id : runIds) numbers.push_back(std::int64_t{lastRunID} - id + 1);
    std::sort(numbers.begin(), numbers.end());
    std::string list;
    for (std::int64_t n : numbers) list += (list.empty() ? "" : ", ") + std::to_string(n);
    out.plain += "\r\n   *Last Runs: " + list;
    out.html += "</br>   *Last Runs: " + list;
  }
  if (users) {
    const std::vector<std::string> keys = s.users.TickedKeys();
    out.plain += "\r\n   *Computer User Filter";
    out.html += "</br>   *Computer User Filter";
    for (const std::string& key : keys) {
      out.plain += "\r\n      " + key;
      out.html += "</br>      " + HtmlEscape(key);
    }
  }
}

}  // namespace

// A range of up to this many numbers is listed whole, past the first run too.
constexpr std::int64_t kListedRangeNumbers = 1000;

std::vector<std::int32_t> ParseRunNumbers(const std::string& text, std::int32_t lastRunID) {
  std::string cleaned;
  for (char ch : text) {
    if (ch == ' ' || ch == '\t') continue;
    cleaned += ch == ';' ? ',' : ch;
  }
  // Numbers 1 .. lastRunID are counted in a difference array, so that a text
  // of many overlapping ranges costs the number of runs, not the sum of the
  // ranges; any other number (it names no run) is kept as it is.
  const std::int64_t runs = std::max<std::int32_t>(lastRunID, 0);
  std::vector<std::int32_t> cover(static_cast<std::size_t>(runs) + 2, 0);
  std::vector<std::int64_t> others;
  // Numbers beyond the first run, as ranges merged at the end, so that a
  // text repeating a range costs its pieces, not the pieces times the range.
  std::vector<std::pair<std::int64_t, std::int64_t>> beyond;
  const auto addRange = [&](std::int64_t from, std::int64_t to) {
    for (std::int64_t k = from; k <= std::min<std::int64_t>(to, 0); ++k) others.push_back(k);
    const std::int64_t low = std::max<std::int64_t>(from, 1);
    const std::int64_t high = std::min(to, runs);
    if (low <= high) {
      ++cover[static_cast<std::size_t>(low)];
      --cover[static_cast<std::size_t>(high) + 1];
    }
    if (std::max(from, runs + 1) <= to) beyond.emplace_back(std::max(from, runs + 1), to);
  };
  for (const std::string& piece : SplitByChar(cleaned, ',')) {
    std::size_t pos = 0;
    const std::string digits = DigitsFrom(piece, pos);
    if (digits.empty()) continue;
    const std::int32_t n = RunNumber(digits);
    std::int64_t m = n;
    if (n != -1 && pos < piece.size() && piece[pos] == '-') {
      ++pos;
      const std::string endDigits = DigitsFrom(piece, pos);
      if (!endDigits.empty()) {
        // Numbers beyond the first run select nothing but stay listed; a
        // long range is cut there, which keeps "1-999999999" from listing a
        // billion numbers.
        m = RunNumber(endDigits);
        if (m == -1) m = INT32_MAX;
        m = std::max<std::int64_t>(m, n);
        if (m - n >= kListedRangeNumbers)
          m = std::min<std::int64_t>(m, std::max<std::int64_t>(runs, n));
      }
    }
    addRange(n, m);
  }
  std::vector<std::int32_t> ids;
  const auto add = [&](std::int64_t number) {
    ids.push_back(static_cast<std::int32_t>(std::int64_t{lastRunID} - number + 1));
  };
  std::int32_t depth = 0;
  for (std::int64_t k = 1; k <= runs; ++k) {
    depth += cover[static_cast<std::size_t>(k)];
    if (depth > 0) add(k);
  }
  for (std::int64_t k : others) add(k);
  std::sort(beyond.begin(), beyond.end());
  std::int64_t listedUpTo = runs;
  for (const auto& [from, to] : beyond) {
    for (std::int64_t k = std::max(from, listedUpTo + 1); k <= to; ++k) add(k);
    listedUpTo = std::max(listedUpTo, to);
  }
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

int LocateRun(const TArrRecComputerRun& runs, DateTime x) {
  if (runs.empty()) return 0;
  int lo = 0;
  int hi = static_cast<int>(runs.size()) - 1;
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    if (CompareMoments(x, runs[static_cast<std::size_t>(mid)]->rStartDateTime) < 0) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  const TRecComputerRun& low = *runs[static_cast<std::size_t>(lo)];
  if (CompareMoments(x, low.rStartDateTime) < 0 ||
      MomentInRange(x, low.rStartDateTime, low.rEndDateTime))
    return lo;
  return hi;
}

bool DropEmptyLoginDateRange(LoginReportSettings& s) {
  if (!s.runsFilterEnabled || s.mode != LoginRunsMode::DateRange) return false;
  if (s.afterTicked || s.beforeTicked) return false;
  s.runsFilterEnabled = false;
  return true;
}

bool LoginUserFilterEffective(const LoginReportSettings& s) {
  const std::size_t ticked = s.users.TickedCount();
  return s.usersFilterEnabled && ticked > 0 && ticked < s.users.Size();
}

void RebuildLoginUsers(PickList& users, const std::vector<std::string>& historyUsers) {
  users.Clear();
  for (const std::string& name : historyUsers) users.Append(PickRow{name, "", "", -1, false});
}

LoginReportResult BuildLoginReport(TArrRecComputerRun& runs, const LoginReportSettings& s,
                                   const LoginReportContext& c, LoginTree& tree) {
  tree.Clear();
  LoginReportResult r;
  const std::int32_t lastRunID = runs.empty() ? 0 : runs.back()->rRunID;
  const bool byNumbers = s.runsFilterEnabled && s.mode == LoginRunsMode::RunNumbers;
  const std::vector<std::int32_t> runIds =
      byNumbers ? ParseRunNumbers(s.runNumbers, lastRunID) : std::vector<std::int32_t>{};
  const Bounds b = MakeBounds(s, c);
  CaseInsensitiveSet selectedUsers;
  const bool userFilter = LoginUserFilterEffective(s);
  for (const std::string& key : s.users.TickedKeys()) selectedUsers.insert(key);

  int first = 0;
  int last = static_cast<int>(runs.size()) - 1;
  if (b.dateMode && b.useAfter) first = LocateRun(runs, b.after);
  if (b.dateMode && b.useBefore) last = LocateRun(runs, b.before);
  std::string lastKey;
  for (int i = first; i <= last; ++i) {
    TRecComputerRun& run = *runs[static_cast<std::size_t>(i)];
    if (run.rArrOfLogins.empty()) continue;
    if (byNumbers && !std::binary_search(runIds.begin(), runIds.end(), run.rRunID)) continue;
    const bool test = TestLogins(b, run);
    bool runAdded = false;
    for (auto& loginPtr : run.rArrOfLogins) {
      TRecComputerRun& login = *loginPtr;
      if (test && !LoginTaken(b, login)) continue;
      const std::string key = UserDisplayName(login.rUserName, login.rDomain);
      if (userFilter && !selectedUsers.contains(key)) continue;
      if (!runAdded) {
        tree.AddRun(&run);
        runAdded = true;
        ++r.runsShown;
        if (!run.rClosedOk) ++r.runsCrashed;
      }
      tree.AddLogin(&login);
      TReportEntry& entry = UserEntry(r.perUser, key);
      entry.rItemCount += 1;
      entry.rUptimeSec += login.rUptimeSeconds;
      entry.rActiveSec += login.rActiveSeconds;
      r.loginSeconds += login.rUptimeSeconds;
      r.activeSeconds += login.rActiveSeconds;
      r.idleSeconds += login.rIdleSeconds;
      r.lockedSeconds += login.rLockedSeconds;
      lastKey = key;
    }
  }
  tree.Sort();

  Summary out;
  WriteCounts(out, r, lastKey, c.now);
  WriteFilters(out, s, b, runIds, lastRunID, c);
  const DateTime now = c.now;
  const std::string day = c.locale.longDayNames[static_cast<std::size_t>(DayOfWeek(now) - 1)];
  out.plain += "\r\n\r\nReport created: " + day + ", " + DateTimeToString(now, c.locale);
  out.html += "</br></br>Report created: " + day + ", " + DateTimeToString(now, c.locale) + "</p>";
  r.plain = std::move(out.plain);
  r.html = std::move(out.html);
  return r;
}

LoginFilterControls GetLoginFilterControls(const LoginReportSettings& s) {
  LoginFilterControls c;
  const bool on = s.runsFilterEnabled;
  c.runsControls = on;
  c.rangeControls = on && s.mode == LoginRunsMode::DateRange;
  c.periodCombo = on && s.mode == LoginRunsMode::Period;
  c.runNumbersEdit = on && s.mode == LoginRunsMode::RunNumbers;
  c.userList = s.usersFilterEnabled;
  c.runsCaption = FilterBoxCaption(s.runsFilterEnabled);
  c.usersCaption = FilterBoxCaption(s.usersFilterEnabled);
  c.timeTabCaption = std::string(" Time filter") + (s.runsFilterEnabled ? " *" : "");
  c.userTabCaption = std::string(" User filter") + (s.usersFilterEnabled ? " *" : "");
  return c;
}

}  // namespace brenvik
