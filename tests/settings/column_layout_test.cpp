// The grid layout file ColumnsSettings.ini: a layout survives it, a damaged
// or foreign file gives way to the default.
#include "settings/column_layout.h"

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

TEST(ColumnLayout, AColumnLayoutSurvivesTheFile) {
  test::TempDir dir;
  ColumnLayout layout = DefaultHistoryColumns();
  std::swap(layout[2], layout[5]);
  layout[1].visible = true;
  layout[1].width = 321;
  layout[4].title = "Tab\there 100% \r\n";
  layout[6].title = "";
  const std::string path = dir.File(kColumnsSettingsFile);
  SaveColumnsSettings(test::NativeFiles(), path, layout);
  EXPECT_TRUE(LoadColumnsSettings(test::NativeFiles(), path) == layout);
}

TEST(ColumnLayout, ADamagedLayoutFileIsDeletedAndTheDefaultUsed) {
  test::TempDir dir;
  for (const std::string& bytes :
       {std::string("\x01\x02garbage"), std::string("BrenvikColumnLayout 1\n"),
        std::string("BrenvikColumnLayout 1\nf\twide\t1\tT\t\n"),
        std::string("BrenvikColumnLayout 1\nf\t10\t1\tT%4\t\n")}) {
    const std::string path = dir.Write(kColumnsSettingsFile, bytes);
    EXPECT_TRUE(LoadColumnsSettings(test::NativeFiles(), path) == DefaultHistoryColumns());
    EXPECT_FALSE(FileExists(path));
  }
}

TEST(ColumnLayout, ALayoutNotStartingWithTheUserColumnIsNotUsed) {
  test::TempDir dir;
  ColumnLayout layout = DefaultHistoryColumns();
  std::swap(layout[0], layout[3]);
  const std::string path = dir.File(kColumnsSettingsFile);
  SaveColumnsSettings(test::NativeFiles(), path, layout);
  EXPECT_TRUE(LoadColumnsSettings(test::NativeFiles(), path) == DefaultHistoryColumns());
  EXPECT_TRUE(FileExists(path));  // readable: kept until the close overwrites it
}

}  // namespace
}  // namespace brenvik
