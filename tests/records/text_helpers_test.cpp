#include "records/text_helpers.h"

#include <gtest/gtest.h>

#include "records/records.h"

namespace brenvik {
namespace {

using Parts = std::vector<std::string>;

TEST(TakeWhileIn, ScansARunAndStopsOnTheFirstOther) {
  const CharSet digits = CharSet::Of("0123456789");
  int pos = 1;
  EXPECT_EQ(TakeWhileIn("2013-04", digits, pos), "2013");
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(TakeWhileIn("2013-04", digits, pos), "");
  EXPECT_EQ(pos, 5);
  pos = 6;
  EXPECT_EQ(TakeWhileIn("2013-04", digits, pos), "04");
  EXPECT_EQ(pos, 8);
  EXPECT_EQ(TakeWhileIn("2013-04", digits, pos), "");
  EXPECT_EQ(pos, 8);
}

TEST(TakeUntilIn, StopsOnALineBreak) {
  int pos = 1;
  const std::string text = "line one\r\nline two";
  EXPECT_EQ(TakeUntilIn(text, CharSet::LineBreaks(), pos), "line one");
  EXPECT_EQ(pos, 9);
  pos = 0;  // treated as 1
  EXPECT_EQ(TakeUntilIn("abc", CharSet::Of(";"), pos), "abc");
  EXPECT_EQ(pos, 4);
}

TEST(TakeBackUntilIn, ReturnsTheTailAfterTheStop) {
  int pos = 14;
  EXPECT_EQ(TakeBackUntilIn("C:\\Apps\\x.exe\\", CharSet::Of("\\"), pos), "");
  pos = 13;
  EXPECT_EQ(TakeBackUntilIn("C:\\Apps\\x.exe", CharSet::Of("\\"), pos), "x.exe");
  EXPECT_EQ(pos, 8);
  pos = 3;
  EXPECT_EQ(TakeBackUntilIn("abc", CharSet::Of("\\"), pos), "abc");
  EXPECT_EQ(pos, 0);
}

TEST(CharSet, NeverHoldsBytesOfMultiByteCharacters) {
  const CharSet set = CharSet::Of("\xC3\xA9;");
  EXPECT_TRUE(set.Contains(';'));
  EXPECT_FALSE(set.Contains('\xC3'));
  // A scan through a non-ASCII name stops only on the separator.
  int pos = 1;
  EXPECT_EQ(TakeUntilIn("J\xC3\xBCrgen;x", CharSet::Of(";"), pos), "J\xC3\xBCrgen");
}

TEST(CharAt, GivesZeroOutsideTheText) {
  EXPECT_EQ(CharAt("abc", 1), 'a');
  EXPECT_EQ(CharAt("abc", 3), 'c');
  EXPECT_EQ(CharAt("abc", 0), '\0');
  EXPECT_EQ(CharAt("abc", 4), '\0');
}

TEST(PadInt, KeepsTheLastWidthCharacters) {
  EXPECT_EQ(PadInt(7, 2, '0'), "07");
  EXPECT_EQ(PadInt(5, 2, '0'), "05");
  EXPECT_EQ(PadInt(123, 2, '0'), "23");
  EXPECT_EQ(PadInt(-5, 3, '0'), "0-5");
  EXPECT_EQ(PadInt(-123, 2, '0'), "23");
  EXPECT_EQ(PadInt(9, 0, '0'), "");
  EXPECT_EQ(PadText("ab", 4, ' '), "  ab");
  EXPECT_EQ(PadText("\xC3\xA4\xC3\xB6", 1, ' '), "\xC3\xB6");  // never half a character
}

TEST(SplitByChar, DropsOnlyATrailingEmptyPiece) {
  EXPECT_EQ(SplitByChar("a;b;", ';'), (Parts{"a", "b"}));
  EXPECT_EQ(SplitByChar("a;;b", ';'), (Parts{"a", "", "b"}));
  EXPECT_EQ(SplitByChar(";a", ';'), (Parts{"", "a"}));
  EXPECT_EQ(SplitByChar("", ';'), Parts{});
  EXPECT_EQ(SplitByChar(";", ';'), Parts{""});
}

TEST(SortIntegers, SortsTheGivenRangeOnly) {
  std::vector<std::int32_t> a{9, 5, 3, 8, 1, 7, 0};
  SortIntegers(a, 1, 5);
  EXPECT_EQ(a, (std::vector<std::int32_t>{9, 1, 3, 5, 7, 8, 0}));
  std::vector<std::int32_t> many;
  for (int i = 0; i < 100000; ++i) many.push_back((i * 7919) % 1000);
  SortIntegers(many, 0, static_cast<int>(many.size()) - 1);
  EXPECT_TRUE(std::is_sorted(many.begin(), many.end()));
}

TEST(UserDisplayName, IsTheOneStoredFormOfAUser) {
  EXPECT_EQ(UserDisplayName("", ""), "");
  EXPECT_EQ(UserDisplayName("N/A", "PC1"), "N/A");
  EXPECT_EQ(UserDisplayName("ann", ""), "ann []");
  EXPECT_EQ(UserDisplayName("ann", "PC1"), "ann [PC1]");
  EXPECT_EQ(UserDisplayName("J\xC3\xBCrgen", "B\xC3\xBCro"), "J\xC3\xBCrgen [B\xC3\xBCro]");
}

TEST(Records, StartWithTheValuesTheProcessingReliesOn) {
  TRecUptimeEntry uptime;
  EXPECT_EQ(uptime.rType, TProgrameType::ptWindows);
  EXPECT_TRUE(uptime.rClosedOk);
  EXPECT_TRUE(uptime.rRecordIncomplete);
  TRecLoginEntry login;
  EXPECT_TRUE(login.rConsoleDisconnected);
  EXPECT_FALSE(login.rIsActive);
  TRecProgramme programme;
  programme.rStatus = 3;
  programme.rProgrammeName = "x";
  Reset(programme);
  EXPECT_EQ(programme.rStatus, 3);
  EXPECT_EQ(programme.rType, -1);
  EXPECT_EQ(programme.rIcon, -1);
  EXPECT_TRUE(programme.rProgrammeName.empty());
}

TEST(Records, RunNodesOwnTheirLogins) {
  TArrRecComputerRun runs;
  runs.push_back(std::make_unique<TRecComputerRun>());
  runs[0]->rArrOfLogins.push_back(std::make_unique<TRecComputerRun>());
  runs[0]->rArrOfLogins[0]->Level = 1;
  EXPECT_EQ(runs[0]->rArrOfLogins[0]->Level, 1);
  runs.clear();  // frees the logins with their run (checked by the sanitizer builds)
  EXPECT_TRUE(runs.empty());
}

}  // namespace
}  // namespace brenvik
