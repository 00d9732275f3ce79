#include "datastore/startup/launch_options.h"

#include <gtest/gtest.h>

#include "base/version.h"

namespace brenvik {
namespace {

TEST(LaunchOptions, TheAutostartOptionIsFoundAmongTheToolkitsOwn) {
  const LaunchOptions options = ReadLaunchOptions({"-platform", "offscreen", "--minimized"});
  EXPECT_TRUE(options.minimized);
  EXPECT_FALSE(options.printVersion || options.printHelp);
  EXPECT_FALSE(ReadLaunchOptions({"-platform", "offscreen"}).minimized);
}

TEST(LaunchOptions, NothingAfterADoubleDashIsAnOption) {
  const LaunchOptions options = ReadLaunchOptions({"--", "--version", "--minimized"});
  EXPECT_FALSE(options.printVersion || options.minimized);
}

TEST(LaunchOptions, VersionAndHelpAreAnsweredWithTheProjectVersion) {
  EXPECT_TRUE(ReadLaunchOptions({"--version"}).printVersion);
  EXPECT_TRUE(ReadLaunchOptions({"-h"}).printHelp);
  EXPECT_EQ(LaunchVersionText(), "brenvik " BRENVIK_VERSION "\n");
  EXPECT_NE(LaunchHelpText().find(kMinimizedOption), std::string::npos);
}

}  // namespace
}  // namespace brenvik
