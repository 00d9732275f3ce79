#include "base/ini_file.h"

#include <gtest/gtest.h>

#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

TEST(IniFile, KeepsSectionAndKeyOrderAndFindsNamesInAnyCase) {
  IniFile ini;
  ini.Write("Zeta", "b", "2");
  ini.Write("Alpha", "a", "1");
  ini.Write("zeta", "A", "3");
  ini.Write("ZETA", "B", "4");  // replaces b, keeps its place and spelling
  EXPECT_EQ(ini.ToText(), "[Zeta]\r\nb=4\r\nA=3\r\n[Alpha]\r\na=1\r\n");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Zeta", "Alpha"}));
  EXPECT_EQ(ini.Read("alpha", "A"), "1");
  EXPECT_EQ(ini.SectionName("ALPHA"), "Alpha");
}

TEST(IniFile, ReadsHandEditedFilesLeniently) {
  const IniFile ini = IniFile::Parse(
      "\xEF\xBB\xBF"
      "orphan=1\n"
      "[One]\r\n"
      "  key = value with blanks  \r\n"
      "garbage line\r\n"
      "; a comment\n"
      "=no key\n"
      "[broken\n"
      "lost=1\n"
      "[Two]\n"
      "n=12x\n"
      "[one]\n"
      "key=second\n"
      "extra=from the duplicate\n"
      "[a]b]\n"
      "k=v");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"One", "Two", "a]b"}));
  EXPECT_EQ(ini.Entries("One"), (std::vector<IniFile::Entry>{{"key", "value with blanks"},
                                                             {"extra", "from the duplicate"}}));
  EXPECT_EQ(ini.ReadInteger("Two", "n", 7), 7);  // not a whole number
  EXPECT_TRUE(ini.ReadBool("Two", "n", true));
  EXPECT_EQ(ini.Read("a]b", "k"), "v");
  EXPECT_FALSE(ini.Read("One", "lost"));
}

TEST(IniFile, NumbersAndFlags) {
  IniFile ini;
  ini.WriteInteger("S", "big", 3'786'825'600LL);
  ini.WriteBool("S", "on", true);
  ini.WriteBool("S", "off", false);
  ini.Write("S", "neg", "-5");
  EXPECT_EQ(ini.ReadInteger("S", "big", 0), 3'786'825'600LL);
  EXPECT_TRUE(ini.ReadBool("S", "on", false));
  EXPECT_FALSE(ini.ReadBool("S", "off", true));
  EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -5);
  EXPECT_TRUE(ini.ReadBool("S", "missing", true));
  EXPECT_FALSE(ParseWholeNumber("1.5"));
  EXPECT_FALSE(ParseWholeNumber("99999999999999999999"));
}

TEST(IniFile, SavesAndLoadsUtf8TextsAndMakesLineBreaksBlanks) {
  test::TempDir dir;
  IniFile ini;
  ini.Write("Jürgen's filter", "U1", "Jürgen [PC1]");
  ini.Write("Jürgen's filter", "P1", "C:\\a\r\nb.exe");
  ini.Save(test::NativeFiles(), dir.File("f.ini"));
  const IniFile back = IniFile::Load(dir.File("f.ini"));
  EXPECT_EQ(back.Read("jürgen's filter", "u1"), "Jürgen [PC1]");
  EXPECT_EQ(back.Read("Jürgen's filter", "P1"), "C:\\a  b.exe");
  EXPECT_EQ(IniFile::Load(dir.File("missing.ini")).SectionCount(), 0u);
}

TEST(IniFile, EraseAndAddSections) {
  IniFile ini = IniFile::Parse("[a]\nx=1\n[b]\n[c]\ny=2\n");
  ini.EraseSection("B");
  ini.AddSection("d");
  ini.AddSection("A");  // exists already
  EXPECT_EQ(ini.ToText(), "[a]\r\nx=1\r\n[c]\r\ny=2\r\n[d]\r\n");
  EXPECT_TRUE(ini.Entries("missing").empty());
}

}  // namespace
}  // namespace brenvik
