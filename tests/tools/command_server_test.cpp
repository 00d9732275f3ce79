#include "command_server.h"

#include <gtest/gtest.h>

#include "base/utf8.h"
#include "datastore/service_link/service_channel.h"

namespace brenvik::service {
namespace {

TEST(ParseCommandMessage, ReadsTheWindowsOwnMessages) {
  const auto two = ParseCommandMessage(ServiceCommandMessage(kCommandHandOverLines, ""));
  ASSERT_TRUE(two);
  EXPECT_EQ(two->code, 2);
  EXPECT_EQ(two->param, "");
  const auto withParam = ParseCommandMessage(ServiceCommandMessage(12, "C:\\\xC3\xA4;x"));
  ASSERT_TRUE(withParam);
  EXPECT_EQ(withParam->code, 12);
  EXPECT_EQ(withParam->param, "C:\\\xC3\xA4;x");
}

TEST(ParseCommandMessage, RefusesWhatIsNotACommand) {
  EXPECT_FALSE(ParseCommandMessage(""));
  EXPECT_FALSE(ParseCommandMessage(std::string("2\0;", 3)));  // odd byte count
  EXPECT_FALSE(ParseCommandMessage("2;"));                    // 8-bit text
  EXPECT_FALSE(ParseCommandMessage(Utf8ToUtf16LeBytes(";")));
  EXPECT_FALSE(ParseCommandMessage(Utf8ToUtf16LeBytes("x;")));
  EXPECT_FALSE(ParseCommandMessage(Utf8ToUtf16LeBytes("2")));
}

}  // namespace
}  // namespace brenvik::service
