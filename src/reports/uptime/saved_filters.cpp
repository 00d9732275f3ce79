#include "reports/uptime/saved_filters.h"

#include "base/errors.h"
#include "base/text_file.h"
#include "base/utf8.h"
#include "records/date_format.h"
#include "records/time_arithmetic.h"
#include "reports/html_text.h"

namespace brenvik {

namespace {

constexpr int kMaxNameTries = 1000;
constexpr int kNameWaitMs = 500;
constexpr DateTime kLastSecondOfDay = 86399.0 / 86400.0;

std::optional<DateTime> ReadDateTime(const IniFile& ini, const std::string& section,
                                     const char* key) {
  const auto text = ini.Read(section, key);
  if (!text) return std::nullopt;
  try {
    return StringToDateTime(*text);
  } catch (const ConversionError&) {
    return std::nullopt;
  }
}

DateTime TimeOfDay(DateTime value) { return value - DateOnly(value); }

void Line(std::string& text, int level, const std::string& line) {
  text += std::string(static_cast<std::size_t>(level) * 2, ' ') + line + "\r\n";
}

std::vector<std::string> NumberedValues(const IniFile& ini, const std::string& section,
                                        const char* prefix) {
  std::vector<std::string> values;
  for (int i = 1;; ++i) {
    const auto value = ini.Read(section, prefix + std::to_string(i));
    if (!value) break;
    values.push_back(*value);
  }
  return values;
}

}  // namespace

FilterStore::FilterStore(FileSystem& files, std::string folder, Clock& clock, LocaleInfo locale,
                         ProgramDirectory& programs, std::vector<std::string> periodItems)
    : files_(files),
      folder_(std::move(folder)),
      clock_(clock),
      locale_(std::move(locale)),
      programs_(programs),
      periodItems_(std::move(periodItems)) {}

std::string FilterStore::FileName(FilterFile file) const {
  return folder_ + "filters" + std::to_string(static_cast<int>(file)) + ".ini";
}

// Erases the sections with the smallest TimeFilterAdded (the first of equal
// ones) until a new one fits within the limit. A value that is not a whole
// number counts as 0.
void FilterStore::ApplyLimit(IniFile& ini) const {
  while (ini.SectionCount() >= kMaxLastUsedSections) {
    const std::vector<std::string> names = ini.SectionNames();
    std::size_t oldest = 0;
    long long oldestValue = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
      const long long value = ini.ReadInteger(names[i], "TimeFilterAdded", 0);
      if (i == 0 || value < oldestValue) {
        oldest = i;
        oldestValue = value;
      }
    }
    ini.EraseSection(names[oldest]);
  }
}

std::string FilterStore::FreeSectionName(const IniFile& ini) {
  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    if (attempt > 0) clock_.Sleep(kNameWaitMs);
    std::string name = DateTimeToString(clock_.LocalNow(), locale_);
    if (!ini.HasSection(name)) return name;
  }
  return {};
}

void FilterStore::WriteKeys(IniFile& ini, const std::string& section,
                            const UptimeFilterSettings& s) const {
  ini.WriteInteger(section, "TimeFilterAdded", SecondsBetween(NullDate, clock_.LocalNow()));
  ini.WriteBool(section, "FilterCheckBoxSource", s.sourceEnabled);
  ini.WriteBool(section, "IsWind", s.sourceWindows);
  int n = 0;
  for (const std::string& path : s.programs.TickedKeys())
    ini.Write(section, "P" + std::to_string(++n), path);
  ini.WriteBool(section, "FilterCheckBoxTime", s.timeEnabled);
  ini.WriteBool(section, "rbFilterPredefinedPeriod", s.timePredefined);
  ini.WriteInteger(section, "cmbbPeriod", s.periodIndex);
  ini.WriteBool(section, "chkbHistEventAfter", s.afterTicked);
  ini.Write(section, "TimeAfterDate", FormatDateTime("yyyy-mm-dd", s.afterDate, locale_));
  ini.Write(section, "TimeAfterDateTime",
            FormatDateTime("yyyy-mm-dd hh:nn:ss", s.afterTime, locale_));
  ini.WriteBool(section, "chkbHistEventBefore", s.beforeTicked);
  ini.Write(section, "TimeBeforeDate", FormatDateTime("yyyy-mm-dd", s.beforeDate, locale_));
  ini.Write(section, "TimeBeforeDateTime",
            FormatDateTime("yyyy-mm-dd hh:nn:ss", s.beforeTime, locale_));
  ini.WriteBool(section, "FilterCheckBoxEvent", s.eventEnabled);
  ini.WriteBool(section, "rbHistEventTerminatedOk", s.eventClosedOk);
  ini.WriteBool(section, "rbHistEventTerminatedCrash", !s.eventClosedOk);
  ini.WriteBool(section, "FilterCheckBoxUser", s.userEnabled);
  n = 0;
  for (const std::string& name : s.users.TickedKeys())
    ini.Write(section, "U" + std::to_string(++n), name);
}

std::string FilterStore::SaveFilter(SaveFilterAs as, const UptimeFilterSettings& settings) {
  IniFile ini = Load(FilterFile::LastUsed);
  std::string name;
  if (as == SaveFilterAs::NewLastUsed) {
    ApplyLimit(ini);
    name = FreeSectionName(ini);
    if (name.empty()) return name;
  } else {
    name = kPseudoFilterName;
    ini.EraseSection(name);
    ini.WriteBool(name, "NotRealFilter", true);
  }
  WriteKeys(ini, name, settings);
  ini.Save(files_, FileName(FilterFile::LastUsed));
  return name;
}

// A bound of the date range: taken from the file only while its box is
// ticked and each text can be read; otherwise today and the start or end of
// the day.
void FilterStore::LoadBound(const IniFile& ini, const std::string& name, bool after, DateTime& date,
                            DateTime& time) const {
  const bool ticked =
      ini.ReadBool(name, after ? "chkbHistEventAfter" : "chkbHistEventBefore", false);
  std::optional<DateTime> storedDate;
  std::optional<DateTime> storedTime;
  if (ticked) {
    storedDate = ReadDateTime(ini, name, after ? "TimeAfterDate" : "TimeBeforeDate");
    storedTime = ReadDateTime(ini, name, after ? "TimeAfterDateTime" : "TimeBeforeDateTime");
  }
  date = storedDate ? DateOnly(*storedDate) : DropMilliseconds(clock_.LocalNow());
  time = storedTime ? *storedTime : (after ? 0.0 : kLastSecondOfDay);
}

void FilterStore::ApplyFilterSettings(const std::string& name, FilterFile file,
                                      UptimeFilterSettings& s) const {
  const IniFile ini = Load(file);
  if (!ini.HasSection(name)) return;
  s.sourceEnabled = ini.ReadBool(name, "FilterCheckBoxSource", false);
  s.sourceWindows = ini.ReadBool(name, "IsWind", true);
  s.programs.TickExactly(NumberedValues(ini, name, "P"));

  s.timeEnabled = ini.ReadBool(name, "FilterCheckBoxTime", false);
  s.timePredefined = ini.ReadBool(name, "rbFilterPredefinedPeriod", false);
  const long long period = ini.ReadInteger(name, "cmbbPeriod", 0);
  s.periodIndex = period >= 0 && period < static_cast<long long>(periodItems_.size())
                      ? static_cast<int>(period)
                      : 0;
  s.afterTicked = ini.ReadBool(name, "chkbHistEventAfter", false);
  LoadBound(ini, name, true, s.afterDate, s.afterTime);
  s.beforeTicked = ini.ReadBool(name, "chkbHistEventBefore", false);
  LoadBound(ini, name, false, s.beforeDate, s.beforeTime);

  s.eventEnabled = ini.ReadBool(name, "FilterCheckBoxEvent", false);
  s.eventClosedOk = ini.ReadBool(name, "rbHistEventTerminatedOk", false);

  s.userEnabled = ini.ReadBool(name, "FilterCheckBoxUser", s.userEnabled);
  s.users.TickExactly(NumberedValues(ini, name, "U"));
}

std::string FilterStore::ProgramTitle(const std::string& path) const {
  if (const TRecProgramme* cached = programs_.FindCached(path)) return cached->rProgrammeName;
  if (auto display = programs_.FileDisplayName(path)) return *display;
  return path;
}

std::string FilterStore::Bound(const IniFile& ini, const std::string& name, const char* dateKey,
                               const char* timeKey) const {
  const auto date = ReadDateTime(ini, name, dateKey);
  const auto time = ReadDateTime(ini, name, timeKey);
  if (!date || !time) return " error ";
  return DateTimeToString(DateOnly(*date) + TimeOfDay(*time), locale_);
}

FilterDescription FilterStore::SelectFilter(const std::string& name, FilterFile file,
                                            bool simpleForm) const {
  const IniFile ini = Load(file);
  FilterDescription d;
  if (simpleForm) {
    Line(d.plain, 0, "Filter: " + name);
  } else {
    Line(d.plain, 0, "\r\n____Filters used in report____");
    d.html = "</br><b>____Filters used in report____</b>";
  }
  if (ini.ReadBool(name, "FilterCheckBoxSource", false)) {
    Line(d.plain, 0, "");
    Line(d.plain, 1, "*Source filter");
    d.html += "</br><b>*Source filter</b></br>";
    if (ini.ReadBool(name, "IsWind", false)) {
      Line(d.plain, 2, "Windows (My Computer)");
      d.html += "Windows (My Computer)</br>";
    } else {
      Line(d.plain, 2, "Programs:");
      d.html += "<b>Programs:</b></br>";
      for (const std::string& path : NumberedValues(ini, name, "P")) {
        const std::string title = ProgramTitle(path);
        Line(d.plain, 3, title);
        d.html += HtmlEscape(title) + "</br>";
      }
    }
  }
  if (ini.ReadBool(name, "FilterCheckBoxTime", false)) {
    Line(d.plain, 0, "");
    Line(d.plain, 1, "*Time filter");
    d.html += "</br><b>*Time filter</b></br>";
    if (ini.ReadBool(name, "rbFilterPredefinedPeriod", false)) {
      const long long index = ini.ReadInteger(name, "cmbbPeriod", 0);
      const bool known = index >= 0 && index < static_cast<long long>(periodItems_.size());
      const std::string period =
          known ? periodItems_[static_cast<std::size_t>(index)]
                : (periodItems_.empty() ? std::string() : periodItems_.front());
      Line(d.plain, 2, period);
      d.html += HtmlEscape(period) + "</br>";
    } else {
      if (ini.ReadBool(name, "chkbHistEventAfter", false)) {
        const std::string bound = Bound(ini, name, "TimeAfterDate", "TimeAfterDateTime");
        Line(d.plain, 3, "After: " + bound);
        d.html += "After: " + bound + "</br>";
      }
      if (ini.ReadBool(name, "chkbHistEventBefore", false)) {
        const std::string bound = Bound(ini, name, "TimeBeforeDate", "TimeBeforeDateTime");
        Line(d.plain, 3, "Before: " + bound);
        d.html += "Before: " + bound + "</br>";
      }
    }
  }
  if (ini.ReadBool(name, "FilterCheckBoxEvent", false)) {
    Line(d.plain, 0, "");
    Line(d.plain, 1, "*Event type filter");
    d.html += "</br><b>*Event type filter</b></br>";
    if (ini.ReadBool(name, "rbHistEventTerminatedOk", false)) {
      Line(d.plain, 2, "Closed normally");
      d.html += "Closed normally</br>";
    }
    if (ini.ReadBool(name, "rbHistEventTerminatedCrash", false)) {
      Line(d.plain, 2, "Crashed");
      d.html += "Crashed</br>";
    }
  }
  if (ini.ReadBool(name, "FilterCheckBoxUser", false)) {
    Line(d.plain, 0, "");
    Line(d.plain, 1, "*User filter");
    d.html += "</br><b>*User filter</b></br>";
    for (const std::string& user : NumberedValues(ini, name, "U")) {
      Line(d.plain, 3, user);
      d.html += HtmlEscape(user) + "</br>";
    }
  }
  const DateTime now = DropMilliseconds(clock_.LocalNow());
  const std::string stamp = locale_.longDayNames[static_cast<std::size_t>(DayOfWeek(now) - 1)] +
                            ", " + DateTimeToString(now, locale_);
  Line(d.plain, 0, "\r\nReport created: " + stamp);
  if (!simpleForm)
    d.html += "</br><b>Report created:</b> " + stamp;
  else
    d.html.clear();
  return d;
}

int ReloadedSelection(int formerIndex, std::size_t count) {
  const int last = static_cast<int>(count) - 1;
  const int chosen = formerIndex > last ? formerIndex : last;
  return chosen > last ? -1 : chosen;
}

FilterLists FilterStore::RefreshFilters(int formerLastUsed, int formerSaved) const {
  FilterLists lists;
  const IniFile last = Load(FilterFile::LastUsed);
  for (const std::string& name : last.SectionNames())
    if (!last.ReadBool(name, "NotRealFilter", false)) lists.lastUsed.push_back(name);
  lists.saved = Load(FilterFile::Saved).SectionNames();
  lists.savedSelected = ReloadedSelection(formerSaved, lists.saved.size());
  // A reloaded list has lost its selection; the last-used list gets one only
  // when the saved list has none.
  if (lists.savedSelected < 0)
    lists.lastUsedSelected = ReloadedSelection(formerLastUsed, lists.lastUsed.size());
  return lists;
}

MoveFilterResult FilterStore::MoveToSaved(const std::string& oldName, const std::string& newName) {
  if (Trim(newName).empty()) return MoveFilterResult::EmptyName;
  IniFile last = Load(FilterFile::LastUsed);
  IniFile saved = Load(FilterFile::Saved);
  if (!last.HasSection(oldName)) return MoveFilterResult::NoSuchFilter;
  if (!EqualsIgnoreCase(oldName, newName) && saved.HasSection(newName))
    return MoveFilterResult::NameInUse;
  saved.EraseSection(newName);  // the copy is exact, never a merge
  saved.AddSection(newName);
  for (const auto& [key, value] : last.Entries(oldName)) saved.Write(newName, key, value);
  last.EraseSection(oldName);
  saved.Save(files_, FileName(FilterFile::Saved));
  last.Save(files_, FileName(FilterFile::LastUsed));
  return MoveFilterResult::Moved;
}

bool FilterStore::DeleteSaved(const std::string& name) {
  IniFile saved = Load(FilterFile::Saved);
  if (!saved.HasSection(name)) return false;
  saved.EraseSection(name);
  saved.Save(files_, FileName(FilterFile::Saved));
  return true;
}

FilterChoice ChooseFilterToApply(const FilterLists& lists, int lastUsedSelected,
                                 int savedSelected) {
  FilterChoice choice;
  if (savedSelected >= 0 && savedSelected < static_cast<int>(lists.saved.size())) {
    choice.file = FilterFile::Saved;
    choice.name = lists.saved[static_cast<std::size_t>(savedSelected)];
  } else if (lastUsedSelected >= 0 && lastUsedSelected < static_cast<int>(lists.lastUsed.size())) {
    choice.file = FilterFile::LastUsed;
    choice.name = lists.lastUsed[static_cast<std::size_t>(lastUsedSelected)];
  }
  return choice;
}

bool RenameLastUsedFilter(
    FilterStore& store, const std::string& oldName,
    const std::function<std::optional<std::string>(const std::string&)>& askName,
    const std::function<void(const std::string&)>& showMessage) {
  std::string text = oldName;
  for (;;) {
    const std::optional<std::string> entered = askName(text);
    if (!entered) return false;
    text = *entered;
    switch (store.MoveToSaved(oldName, text)) {
      case MoveFilterResult::Moved:
        return true;
      case MoveFilterResult::NoSuchFilter:
        return false;
      case MoveFilterResult::NameInUse:
        showMessage(NameInUseMessage(text));
        break;
      case MoveFilterResult::EmptyName:
        break;
    }
  }
}

std::string NameInUseMessage(const std::string& name) {
  return "Name '" + name + "' is already used. Please choose another name.";
}

std::string DeleteFilterQuestion(const std::string& name) {
  return "Are you sure you want to delete Filter '" + name + "' ?";
}

}  // namespace brenvik
