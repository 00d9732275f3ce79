#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "cli/cli_commands.h"

namespace brenvik::cli {
namespace {

UptimeFilterSettings SettingsListing(const std::vector<std::string>& programs) {
  UptimeFilterSettings settings;
  for (const std::string& path : programs) settings.programs.Append(PickRow{path, "", "History"});
  return settings;
}

TEST(HistoryProgramOption, AProgramOfTheListIsPickedUnderItsOwnPathForm) {
  // Data copied from Windows names its programs with drive letters.
  UptimeFilterSettings settings = SettingsListing({"C:\\Apps\\Tool.exe", "/opt/b/viewer"});
  HistoryOptions options;
  options.programs = {"C:\\Apps\\Tool.exe"};
  ApplyHistoryOptions(options, settings);
  EXPECT_EQ(settings.programs.TickedKeys(), std::vector<std::string>{"C:\\Apps\\Tool.exe"});
}

TEST(HistoryProgramOption, ARelativePathNotListedIsTakenFromTheCurrentFolder) {
  const std::string absolute = (std::filesystem::current_path() / "tool").string();
  UptimeFilterSettings settings = SettingsListing({absolute});
  HistoryOptions options;
  options.programs = {"bin/../tool"};
  ApplyHistoryOptions(options, settings);
  EXPECT_EQ(settings.programs.TickedKeys(), std::vector<std::string>{absolute});

  options.programs = {"elsewhere"};
  EXPECT_THROW(ApplyHistoryOptions(options, settings), Error);
}

}  // namespace
}  // namespace brenvik::cli
