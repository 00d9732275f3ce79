#include "service_state.h"

#include <gtest/gtest.h>

#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik::service {
namespace {

TEST(ServiceState, ComesBackAsItWasSaved) {
  test::TempDir dir;
  ServiceState state;
  state.logId = "2049:77";
  state.handedOver = 10240;
  state.pending = true;
  state.bootId = "5f1c-aa";
  state.runOpen = true;
  state.programs.push_back({4242, 987654, "/opt/odd\tname%41/tool", "ann", "PC1"});
  LoginState login;
  login.user = "ann";
  login.active = true;
  login.reported = true;
  login.idleSinceUnix = 1700000000;
  login.lastIdleReportUnix = 1700000060;
  state.logins.push_back(login);
  state.logins.push_back({"bob", false, true, true, std::nullopt, 0});
  SaveServiceState(test::NativeFiles(), dir.File("state"), state);

  const ServiceState back = LoadServiceState(dir.File("state"));
  EXPECT_EQ(FormatServiceState(back), FormatServiceState(state));
  ASSERT_EQ(back.programs.size(), 1u);
  EXPECT_EQ(back.programs[0].path, "/opt/odd\tname%41/tool");
  ASSERT_EQ(back.logins.size(), 2u);
  EXPECT_FALSE(back.logins[1].idleSinceUnix);
  EXPECT_TRUE(back.logins[1].locked);
}

TEST(ServiceState, DamagedLinesAreSkippedAndAMissingFileIsFresh) {
  const ServiceState state =
      ParseServiceState("handed-over=12x\nprogram=1\t2\nrun-open=1\nwhatever\nhanded-over=7\n");
  EXPECT_EQ(state.handedOver, 7u);
  EXPECT_TRUE(state.runOpen);
  EXPECT_TRUE(state.programs.empty());
  test::TempDir dir;
  EXPECT_EQ(LoadServiceState(dir.File("none")).handedOver, 0u);
}

}  // namespace
}  // namespace brenvik::service
