#include "records/sorted_text_list.h"

#include <gtest/gtest.h>

namespace brenvik {
namespace {

TEST(SortedTextList, KeepsOneSpellingOfEachTextInCaseBlindOrder) {
  SortedTextList list;
  EXPECT_TRUE(list.Add("C:\\Apps\\Tool.exe"));
  EXPECT_TRUE(list.Add("bob [PC1]"));
  EXPECT_FALSE(list.Add("c:\\apps\\TOOL.EXE"));
  EXPECT_TRUE(list.Add("Ann [PC1]"));
  EXPECT_TRUE(list.Add(""));
  EXPECT_EQ(std::vector<std::string>(list.begin(), list.end()),
            (std::vector<std::string>{"", "Ann [PC1]", "bob [PC1]", "C:\\Apps\\Tool.exe"}));
  EXPECT_TRUE(list.Contains("ANN [pc1]"));
  EXPECT_FALSE(list.Contains("Ann"));
  EXPECT_LT(CompareTextIgnoreCase("Tool4242", "windows0"), 0);
  EXPECT_EQ(CompareTextIgnoreCase("Windows0", "WINDOWS0"), 0);
}

}  // namespace
}  // namespace brenvik
