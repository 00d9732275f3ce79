#include "datastore/service_link/service_channel.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace brenvik {
namespace {

TEST(ServiceCommandMessage, IsUtf16LittleEndianWithoutTerminator) {
  EXPECT_EQ(ServiceCommandMessage(2, ""), std::string("\x32\x00\x3B\x00", 4));
  EXPECT_EQ(ServiceCommandMessage(3, ""), std::string("3\0;\0", 4));
  EXPECT_EQ(ServiceCommandMessage(12, "\xC3\xA4"), std::string("1\0"
                                                               "2\0;\0\xE4\0",
                                                               8));
}

TEST(SendServiceCommand, DeliversTheMessageAndReportsSuccess) {
  test::FakeServicePipe pipe;
  EXPECT_TRUE(SendServiceCommand(pipe, "/data/", kCommandHandOverLines, ""));
  ASSERT_EQ(pipe.messages.size(), 1u);
  EXPECT_EQ(pipe.messages[0], ServiceCommandMessage(2, ""));
}

TEST(SendServiceCommand, AnyFailureIsFalse) {
  test::FakeServicePipe pipe;
  pipe.running = false;
  EXPECT_FALSE(SendServiceCommand(pipe, "/data/", kCommandReloadWatchedPrograms, ""));
  EXPECT_TRUE(pipe.messages.empty());
}

}  // namespace
}  // namespace brenvik
