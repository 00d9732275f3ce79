// filters1.ini and filters2.ini over any contents: every stored filter the
// lists show can be described in both forms and loaded, and the settings it
// loads give a predicate that the filter language reads.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "base/errors.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/filter_expression.h"
#include "fuzz_support.h"
#include "records/date_time.h"
#include "reports/report_browse.h"
#include "reports/uptime/saved_filters.h"
#include "support/programs_fixture.h"

using namespace brenvik;

namespace {

const std::vector<std::string> kPeriods = {"A)  Today",
                                           "B)  Yesterday",
                                           "C)  Last 7 Days",
                                           "D)  This Week(Mon-Sun)",
                                           "E)  Previous Week(Mon-Sun)",
                                           "F)  This Month",
                                           "G)  Previous Month",
                                           "H)  This Year",
                                           "I)  Previous Year"};

UptimeFilterSettings PickListsBuilt() {
  UptimeFilterSettings s;
  s.programs.Append({"C:\\a.exe", "a", "", 0, true});
  s.programs.Append({"C:\\it's.exe", "b", "", 0, false});
  s.users.Append({"ann [PC1]", "", "", -1, true});
  s.users.Append({"O'Neil [PC2]", "", "", -1, false});
  return s;
}

void LoadAndCheck(const FilterStore& store, const std::string& name, FilterFile file,
                  Clock& clock) {
  store.SelectFilter(name, file, true);
  store.SelectFilter(name, file, false);
  UptimeFilterSettings settings = PickListsBuilt();
  store.ApplyFilterSettings(name, file, settings);
  DropEmptyDateRange(settings);
  const std::string predicate =
      BuildUptimePredicate(settings, UptimeTimeTerm(settings, kPeriods, clock.LocalNow(), 1));
  static const TableStore schema("DataSetHistory", HistorySchema());
  try {
    FilterExpression::Parse(predicate, schema);
  } catch (const TableError& e) {
    std::fprintf(stderr, "%s\n%s\n", predicate.c_str(), e.what());
    fuzz::Check(false, "a stored filter gives a predicate the filter language refuses");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = fuzz::SplitInput(fuzz::AsText(data, size), 2);
  test::ProgramsFixture programs;
  test::FakeClock& clock = *programs.fake.clock;
  clock.local = EncodeDateTime(2013, 4, 30, 12, 0, 0);
  FilterStore store(*programs.fake.files, fuzz::ScratchFolder(), clock, LocaleInfo{},
                    programs.directory, kPeriods);
  fuzz::WriteScratchFile("filters1.ini", parts[0]);
  fuzz::WriteScratchFile("filters2.ini", parts.size() > 1 ? parts[1] : std::string_view());

  const FilterLists lists = store.RefreshFilters(-1, -1);
  for (const std::string& name : lists.lastUsed)
    LoadAndCheck(store, name, FilterFile::LastUsed, clock);
  for (const std::string& name : lists.saved) LoadAndCheck(store, name, FilterFile::Saved, clock);
  return 0;
}
