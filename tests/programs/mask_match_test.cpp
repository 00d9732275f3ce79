#include "programs/mask_match.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "programs/path_compare.h"

namespace brenvik {
namespace {

TEST(MaskMatch, WildcardsCoverTheWholeText) {
  EXPECT_TRUE(MatchesMask("C:\\Tools\\Monitor.exe", "*.exe"));
  EXPECT_TRUE(MatchesMask("C:\\Tools\\Monitor.exe", "c:\\*"));
  EXPECT_FALSE(MatchesMask("C:\\Tools\\Monitor.exe", "tools*"));  // must match from the start
  EXPECT_FALSE(MatchesMask("C:\\Tools\\Monitor.exe", "*.ex"));    // and to the end
  EXPECT_TRUE(MatchesMask("monitor.exe", "mon?tor.exe"));
  EXPECT_FALSE(MatchesMask("montor.exe", "mon?tor.exe"));
  EXPECT_TRUE(MatchesMask("", "*"));
  EXPECT_FALSE(MatchesMask("", "?"));
  EXPECT_TRUE(MatchesMask("a*b", "a*b"));
  EXPECT_TRUE(MatchesMask("aXbYb", "a*b"));
  EXPECT_TRUE(MatchesMask("mississippi", "*sip*i"));
  EXPECT_FALSE(MatchesMask("mississippi", "*sip*x"));
}

TEST(MaskMatch, LetterCaseIsIgnoredBeyondAscii) {
  EXPECT_TRUE(MatchesMask("MONITOR.EXE", "*monitor*"));
  EXPECT_TRUE(MatchesMask("Überwachung.exe", "über*"));
  EXPECT_TRUE(MatchesMask("ПРИБОР.exe", "прибор.*"));
  EXPECT_TRUE(MatchesMask("Ärger", "?rger"));  // one character, two bytes
}

TEST(MaskMatch, SetsRangesAndNegation) {
  EXPECT_TRUE(MatchesMask("tool7.exe", "tool[0-9].exe"));
  EXPECT_FALSE(MatchesMask("toolx.exe", "tool[0-9].exe"));
  EXPECT_TRUE(MatchesMask("toolx.exe", "tool[!0-9].exe"));
  EXPECT_FALSE(MatchesMask("tool7.exe", "tool[!0-9].exe"));
  EXPECT_TRUE(MatchesMask("B.exe", "[abc].exe"));
  EXPECT_TRUE(MatchesMask("-", "[a-]"));
  EXPECT_FALSE(MatchesMask("a", "[]"));
  EXPECT_TRUE(MatchesMask("a", "[!]"));
  EXPECT_FALSE(MatchesMask("m", "[z-a]"));
}

TEST(MaskMatch, AnOpenSetIsAnInvalidMask) {
  try {
    Mask("*[abc");
    FAIL() << "no error";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'*[abc' is an invalid mask at (2)");
  }
  EXPECT_THROW(MatchesMask("x", "ü[!"), ConversionError);
  EXPECT_THROW(MatchesMask("x", "["), ConversionError);
}

TEST(PathFolding, LettersOfCommonAlphabets) {
  EXPECT_TRUE(SamePathIgnoringCase("C:\\PROGRAMME\\ÜBER.EXE", "c:\\programme\\über.exe"));
  EXPECT_TRUE(SamePathIgnoringCase("ŁÓDŹ", "łódź"));
  EXPECT_TRUE(SamePathIgnoringCase("ΑΘΗΝΑ", "αθηνα"));
  EXPECT_TRUE(SamePathIgnoringCase("ЁЖ", "ёж"));
  EXPECT_FALSE(SamePathIgnoringCase("a.exe", "b.exe"));
  // Bytes that are not UTF-8 stay distinct from the letters they resemble.
  EXPECT_FALSE(SamePathIgnoringCase("\xC9", "É"));
  EXPECT_EQ(FoldCase("\xFF"
                     "A"),
            "\xFF"
            "a");
}

}  // namespace
}  // namespace brenvik
