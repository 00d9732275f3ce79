// What the user writes on a disk that fails: an export and a stored filter
// keep the old file whole and say which file could not be written and why.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/startup/tables.h"
#include "reports/date_ranges.h"
#include "reports/uptime/saved_filters.h"
#include "reports/uptime/uptime_export.h"
#include "reports/uptime/uptime_report.h"
#include "support/history_rows.h"
#include "support/programs_fixture.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

using test::FileErrorOf;

const DateTime kDay = EncodeDate(2013, 5, 1);

std::size_t FilesIn(const std::string& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ToFsPath(folder))) {
    count += entry.is_regular_file() ? 1 : 0;
  }
  return count;
}

class FullDiskReports : public ::testing::Test {
 protected:
  FullDiskReports() : files(*programs.fake.files) {}

  test::TempDir dir;
  test::ProgramsFixture programs;
  test::FailingFileSystem& files;
};

// The export goes out in pieces: the disk fills up after the first, and the
// part already written is dropped with its temporary file.
TEST_F(FullDiskReports, AnExportThatFillsTheDiskKeepsTheOldFile) {
  auto table = test::MakeHistoryTable();
  for (int i = 0; i < 5000; ++i) {
    test::AppendHistoryRow(*table, {.user = "ann [PC1]",
                                    .exePath = "C:\\Apps\\edit.exe",
                                    .start = kDay + i / 1440.0,
                                    .end = kDay + (i + 1) / 1440.0});
  }
  Cursor report(*table);
  report.SetCalcHandler(MakeHistoryCalcHandler(programs.directory));
  const std::string file = dir.Write("uptime.csv", "last week's export");

  files.DiskFullFromWrite(2);
  EXPECT_EQ(FileErrorOf([&] {
              ExportUptimeCsv(files, report, DefaultHistoryColumns(), LocaleInfo{}, file);
            }),
            "Cannot write file \"" + file + "\": No space left on device");
  EXPECT_EQ(files.Calls().write, 2);
  EXPECT_EQ(ReadFileBytes(file), "last week's export");
  EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST_F(FullDiskReports, AFilterThatCannotBePutInPlaceKeepsTheStoredFilters) {
  FilterStore store(files, dir.path(), *programs.fake.clock, LocaleInfo{}, programs.directory,
                    PeriodItems(0));
  programs.fake.clock->local = EncodeDateTime(2013, 4, 30, 12, 0, 0);
  UptimeFilterSettings settings;
  settings.timeEnabled = true;
  ASSERT_EQ(store.SaveFilter(SaveFilterAs::NewLastUsed, settings), "2013-04-30 12:00:00");
  const std::string stored = ReadFileBytes(store.FileName(FilterFile::LastUsed));

  programs.fake.clock->local = EncodeDateTime(2013, 4, 30, 12, 5, 0);
  files.FailAtomicRenames();
  EXPECT_EQ(
      FileErrorOf([&] { store.SaveFilter(SaveFilterAs::NewLastUsed, settings); }),
      "Cannot replace file \"" + store.FileName(FilterFile::LastUsed) + "\": Permission denied");
  EXPECT_EQ(ReadFileBytes(store.FileName(FilterFile::LastUsed)), stored);
  EXPECT_EQ(FilesIn(dir.path()), 1u);
}

}  // namespace
}  // namespace brenvik
