#include "datastore/service_link/log_line_writer.h"

#include <gtest/gtest.h>

#include "records/date_time.h"

namespace brenvik {
namespace {

TEST(FormatLogLine, WritesTheSixFieldsAsTheLineReaderExpectsThem) {
  LogLine line{
      EncodeDateTime(2013, 4, 30, 17, 5, 9, 640), 7200, "PC1", "ann", 3, "C:\\Apps\\x.exe", 4242};
  EXPECT_EQ(FormatLogLine(line), "2013-04-30 17:05:09;7200;PC1|ann;3;C:\\Apps\\x.exe;4242");
}

TEST(FormatLogLine, LeavesAnEmptyHandleEmptyAndKeepsNegativeNumbers) {
  LogLine line{EncodeDateTime(2024, 1, 2, 3, 4, 5), -18000, "", "bob", 8, "", std::nullopt};
  EXPECT_EQ(FormatLogLine(line), "2024-01-02 03:04:05;-18000;|bob;8;;");
  line.handle = -1;
  EXPECT_EQ(FormatLogLine(line), "2024-01-02 03:04:05;-18000;|bob;8;;-1");
}

TEST(FormatLogLine, NoFieldCanSplitTheLine) {
  LogLine line{EncodeDateTime(2024, 1, 2, 3, 4, 5), 0, "host|x", "a;b", 3, "/opt/odd;name\r\nx", 7};
  EXPECT_EQ(FormatLogLine(line), "2024-01-02 03:04:05;0;host_x|a_b;3;/opt/odd_name__x;7");
}

TEST(FormatLogDateTime, DropsMillisecondsWithoutRoundingUp) {
  EXPECT_EQ(FormatLogDateTime(EncodeDateTime(1999, 12, 31, 23, 59, 59, 999)),
            "1999-12-31 23:59:59");
}

}  // namespace
}  // namespace brenvik
