#include "base/utf8.h"

#include <gtest/gtest.h>

namespace brenvik {
namespace {

TEST(Utf8, CutsNeverSplitACharacter) {
  const std::string text = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a ä € 😀 z
  EXPECT_EQ(CharCount(text), 5u);
  EXPECT_EQ(CutToChars(text, 2), "a\xC3\xA4");
  EXPECT_EQ(CutToChars(text, 4), "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(CutToChars(text, 99), text);
  EXPECT_EQ(LastChars(text, 2), "\xF0\x9F\x98\x80z");
}

TEST(Utf8, InvalidBytesCountAsOneCharacterEach) {
  EXPECT_EQ(CharCount("\xFF\xC3"), 2u);
  EXPECT_EQ(CutToChars("\xC3x", 1), "\xC3");
}

TEST(Utf8, RoundTripsThroughUtf16) {
  const std::string text = "J\xC3\xBCrgen \xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_EQ(Utf8ToUtf16(text).size(), 9u);  // the emoji takes a surrogate pair
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("\xFF")), "\xEF\xBF\xBD");
}

TEST(Utf8, MalformedBytesAreFoundAndReplaced) {
  EXPECT_TRUE(IsValidUtf8("J\xC3\xBCrgen \xF0\x9F\x98\x80 \xEF\xBF\xBD"));
  EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
  const char* malformed[] = {
      "\xFF", "a\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80x"};
  for (const char* text : malformed) {
    EXPECT_FALSE(IsValidUtf8(text)) << text;
    EXPECT_TRUE(IsValidUtf8(ToValidUtf8(text))) << text;
  }
  EXPECT_EQ(ToValidUtf8("a\xFF\xC3\xBC"), "a\xEF\xBF\xBD\xC3\xBC");
  EXPECT_EQ(ToValidUtf8("\xED\xA0\x80z"), "\xEF\xBF\xBDz");
}

// Decoding keeps every byte of a malformed sequence, so a text rebuilt from
// its characters is the text it came from.
TEST(Utf8, DecodedCharactersKeepMalformedBytes) {
  const std::string text = "J\xC3\xBC \xE0\x80\xAF\xF0\x9F\x98\x80\xC3";
  const std::vector<Utf8Char> chars = DecodeUtf8Chars(text);
  ASSERT_EQ(chars.size(), 8u);
  EXPECT_EQ(chars[1].value, U'\u00FC');
  EXPECT_TRUE(chars[1].valid);
  for (int i : {3, 4, 5, 7}) EXPECT_FALSE(chars[i].valid) << i;
  EXPECT_EQ(chars[3].value, 0xE0u);  // an overlong form byte by byte
  EXPECT_EQ(chars[6].value, U'\U0001F600');
  std::string rebuilt;
  for (const Utf8Char& ch : chars) {
    if (ch.valid) {
      AppendUtf8(rebuilt, ch.value);
    } else {
      rebuilt += static_cast<char>(ch.value);
    }
  }
  EXPECT_EQ(rebuilt, text);
}

// The check runs eight bytes at a time over ASCII: a bad byte is found at
// any place of a block and after it.
TEST(Utf8, BadBytesAreFoundAtEveryPlaceOfALongText) {
  const std::string ascii(40, 'a');
  EXPECT_TRUE(IsValidUtf8(ascii));
  for (std::size_t at = 0; at < ascii.size(); ++at) {
    std::string text = ascii;
    text[at] = '\xC3';  // a lead byte with no continuation
    EXPECT_FALSE(IsValidUtf8(text)) << at;
    text = ascii;
    text.replace(at, 1, "\xC3\xA9");
    EXPECT_TRUE(IsValidUtf8(text)) << at;
  }
}

TEST(Utf8, LittleEndianBytesOfACommand) {
  EXPECT_EQ(Utf8ToUtf16LeBytes("2;"), std::string("2\0;\0", 4));
  EXPECT_EQ(Utf8ToUtf16LeBytes("\xC3\xA4"), std::string("\xE4\0", 2));
}

TEST(Utf8, CaseInsensitiveNamesFoldAsciiOnly) {
  EXPECT_TRUE(EqualsIgnoreCase("cdsHistoryExePath", "CDSHISTORYEXEPATH"));
  EXPECT_FALSE(EqualsIgnoreCase("a", "ab"));
}

}  // namespace
}  // namespace brenvik
