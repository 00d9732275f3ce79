// Saved and last-used uptime filters. Every browse stores the settings it
// used as a last-used filter in filters1.ini (a section named by the moment
// of storing, at most ten sections); the user may move one to filters2.ini
// under a name of his own; the settings in force at exit are stored in
// filters1.ini under a pseudo filter name and restored at the next start.
// Both files live in the settings folder. The description of a stored filter
// ("Filters used in report") comes as plain text and as an HTML fragment.
//
// Damaged or hand-edited files never block the reports: a value that cannot
// be read is taken as missing (TimeFilterAdded as 0, a period index outside
// the period list as the first period).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "platform/clock.h"
#include "platform/locale.h"
#include "reports/uptime/program_directory.h"
#include "reports/uptime/uptime_filter.h"

namespace brenvik {

inline constexpr const char* kPseudoFilterName = "Viltus_filtrs_kas_glaba_settingus";
// The two files of stored filters, valued by the number in their names.
enum class FilterFile { LastUsed = 1, Saved = 2 };  // filters1.ini, filters2.ini
// How SaveFilter stores the settings: as a new last-used filter, or as the
// pseudo filter that carries the settings in force to the next start.
enum class SaveFilterAs { NewLastUsed, SettingsAtExit };
inline constexpr std::size_t kMaxLastUsedSections = 10;

struct FilterDescription {
  std::string plain;  // lines ended by CR LF
  std::string html;   // report form only
};

// The entries of the two list boxes and which entry each selects (-1: none).
struct FilterLists {
  std::vector<std::string> lastUsed;
  std::vector<std::string> saved;
  int lastUsedSelected = -1;
  int savedSelected = -1;
};

enum class MoveFilterResult { Moved, NameInUse, EmptyName, NoSuchFilter };

class FilterStore {
 public:
  // folder ends with the path separator; the filter files are written
  // through files; periodItems are the texts of the period list, indexed by
  // the stored period index.
  FilterStore(FileSystem& files, std::string folder, Clock& clock, LocaleInfo locale,
              ProgramDirectory& programs, std::vector<std::string> periodItems);

  std::string FileName(FilterFile file) const;
  IniFile Load(FilterFile file) const { return IniFile::Load(FileName(file)); }

  // Stores the settings in filters1.ini. Returns the section name, empty when
  // no free name was found for a new last-used filter (nothing is written
  // then).
  std::string SaveFilter(SaveFilterAs as, const UptimeFilterSettings& settings);

  // Loads a stored filter into the settings (the pick lists must be built).
  // Nothing changes when the section does not exist.
  void ApplyFilterSettings(const std::string& name, FilterFile file,
                           UptimeFilterSettings& settings) const;

  // The description of a stored filter: the simple form heads it with
  // "Filter: name"; the report form with the report heading, and also
  // builds the HTML fragment.
  FilterDescription SelectFilter(const std::string& name, FilterFile file, bool simpleForm) const;

  // The list box contents after a reload, with the selection rule applied to
  // the former selections.
  FilterLists RefreshFilters(int formerLastUsed, int formerSaved) const;

  // Moves a last-used filter to the saved ones under newName.
  MoveFilterResult MoveToSaved(const std::string& oldName, const std::string& newName);
  // Erases a saved filter; false when there was none of that name.
  bool DeleteSaved(const std::string& name);

 private:
  void ApplyLimit(IniFile& ini) const;
  std::string FreeSectionName(const IniFile& ini);
  void WriteKeys(IniFile& ini, const std::string& section,
                 const UptimeFilterSettings& settings) const;
  std::string ProgramTitle(const std::string& path) const;
  std::string Bound(const IniFile& ini, const std::string& name, const char* dateKey,
                    const char* timeKey) const;
  void LoadBound(const IniFile& ini, const std::string& name, bool after, DateTime& date,
                 DateTime& time) const;

  FileSystem& files_;
  std::string folder_;
  Clock& clock_;
  LocaleInfo locale_;
  ProgramDirectory& programs_;
  std::vector<std::string> periodItems_;
};

// The selection rule of a reloaded list: the greater of the former index and
// the last index, or none when that lies beyond the end.
int ReloadedSelection(int formerIndex, std::size_t count);

// Which stored filter the apply buttons load: the saved one when selected,
// else the last-used one; none (no file) without a selection.
struct FilterChoice {
  std::optional<FilterFile> file;
  std::string name;
};
FilterChoice ChooseFilterToApply(const FilterLists& lists, int lastUsedSelected, int savedSelected);

// The save button's dialog round: askName shows the name dialog with the
// text given (the old name first, then what the user left in it) and returns
// the entered name, or nothing when the dialog was cancelled; a name used by
// another saved filter (letter case ignored) is reported through showMessage
// and the dialog comes back. An empty name also brings the dialog back.
// True when the filter was moved.
bool RenameLastUsedFilter(
    FilterStore& store, const std::string& oldName,
    const std::function<std::optional<std::string>(const std::string&)>& askName,
    const std::function<void(const std::string&)>& showMessage);

std::string NameInUseMessage(const std::string& name);
std::string DeleteFilterQuestion(const std::string& name);

}  // namespace brenvik
