#include "programs/version_info.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "base/errors.h"
#include "programs/program_cache.h"
#include "programs/program_info.h"
#include "support/fake_icons.h"
#include "support/fakes.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

using test::BuildVersionInfo;
using test::SimpleVersionInfo;
using test::VersionInfoSpec;

// Hands out whatever the test decides on each call.
class ScriptedVersionResources : public VersionResources {
 public:
  std::function<std::optional<std::string>(const std::string&)> next;
  std::optional<std::string> LoadVersionBlock(const std::string& path) override {
    return next(path);
  }
};

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return "no error";
}

class ProgramTitle : public ::testing::Test {
 protected:
  // A real PE file holding the block, read back by the core's PE reader.
  std::string Program(const std::string& name, const VersionInfoSpec& spec) {
    return dir.Write(name, test::PeWithVersionBlock(BuildVersionInfo(spec)));
  }
  test::TempDir dir;
  test::PeFileVersionResources pe;
};

TEST_F(ProgramTitle, ComesFromTheFileDescription) {
  const std::string path = Program("monitor.exe", SimpleVersionInfo("Brenvik Monitor", 1, 2, 3, 4));
  EXPECT_EQ(GetProgramTitle(pe, path), "Brenvik Monitor");
  const std::string umlauts =
      Program("ueber.exe", SimpleVersionInfo("Überwachung – Прибор", 1, 0, 0, 0));
  EXPECT_EQ(GetProgramTitle(pe, umlauts), "Überwachung – Прибор");
}

TEST_F(ProgramTitle, TheLastTranslationDecides) {
  VersionInfoSpec spec = SimpleVersionInfo("English title", 1, 0, 0, 0);
  spec.translations.push_back({0x0407, 0x04B0});  // German, without a string table
  EXPECT_EQ(GetProgramTitle(pe, Program("two.exe", spec)), "two.exe");
  spec.stringTables.push_back({"040704b0", {{"FileDescription", "Deutscher Titel"}}});
  EXPECT_EQ(GetProgramTitle(pe, Program("both.exe", spec)), "Deutscher Titel");
}

TEST_F(ProgramTitle, FallsBackToTheFileName) {
  VersionInfoSpec noTable = SimpleVersionInfo("unused", 1, 0, 0, 0);
  noTable.withTranslations = false;
  EXPECT_EQ(GetProgramTitle(pe, Program("plain.exe", noTable)), "plain.exe");
  EXPECT_EQ(GetProgramTitle(pe, dir.Write("script.sh", "#!/bin/sh\n")), "script.sh");
  EXPECT_EQ(GetProgramTitle(pe, "C:\\Program Files\\Old\\gone.exe"), "gone.exe");
  EXPECT_EQ(GetProgramTitle(pe, "/opt/tools/gone"), "gone");
  EXPECT_EQ(GetProgramTitle(pe, "mixed\\dir/gone.exe"), "gone.exe");
  EXPECT_EQ(GetProgramTitle(pe, "bare.exe"), "bare.exe");
}

TEST_F(ProgramTitle, ADamagedFixedBlockFailsWithItsText) {
  VersionInfoSpec missing = SimpleVersionInfo("x", 1, 0, 0, 0);
  missing.withFixedInfo = false;
  EXPECT_EQ(ErrorOf([&] { GetProgramTitle(pe, Program("nofixed.exe", missing)); }),
            kCantReadFixedFileInfo);
  VersionInfoSpec wrongSize = SimpleVersionInfo("x", 1, 0, 0, 0);
  wrongSize.fixedInfoSize = 48;
  EXPECT_EQ(ErrorOf([&] { GetProgramTitle(pe, Program("wrong.exe", wrongSize)); }),
            kFixedFileInfoWrongSize);
  // The version text of such files is empty or the fields that are there.
  EXPECT_EQ(GetFileVersionText(pe, dir.File("nofixed.exe")), "");
}

TEST_F(ProgramTitle, AResourceThatVanishesBetweenSizeAndLoadCannotBeLoaded) {
  const std::string block = BuildVersionInfo(SimpleVersionInfo("x", 1, 0, 0, 0));
  int calls = 0;
  ScriptedVersionResources flaky;
  flaky.next = [&](const std::string&) -> std::optional<std::string> {
    if (++calls % 2 == 1) return block;
    return std::nullopt;
  };
  EXPECT_EQ(ErrorOf([&] { GetProgramTitle(flaky, "/opt/x.exe"); }), kCantLoadVersionInfo);
  EXPECT_EQ(GetFileVersionText(flaky, "/opt/x.exe"), "");
}

TEST(FileVersionText, FourNumbersWithoutLeadingZeros) {
  test::TempDir dir;
  test::PeFileVersionResources pe;
  auto version = [&](std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
    const std::string block = BuildVersionInfo(SimpleVersionInfo("v", a, b, c, d));
    return GetFileVersionText(pe, dir.Write("v.exe", test::PeWithVersionBlock(block)));
  };
  EXPECT_EQ(version(10, 0, 19041, 1), "10.0.19041.1");
  EXPECT_EQ(version(6, 1, 7600, 16385), "6.1.7600.16385");
  EXPECT_EQ(version(0, 0, 0, 0), "0.0.0.0");
  EXPECT_EQ(version(65535, 65535, 65535, 65535), "65535.65535.65535.65535");
  EXPECT_EQ(GetFileVersionText(pe, dir.Write("none.exe", "MZ")), "");
  EXPECT_EQ(GetFileVersionText(pe, dir.File("missing.exe")), "");
}

TEST(VersionBlockQueries, TranslationsAndStrings) {
  VersionInfoSpec spec = SimpleVersionInfo("Monitor", 1, 0, 0, 0);
  spec.translations.push_back({0x0407, 0x04E4});
  const std::string block = BuildVersionInfo(spec);
  const TTransRecArray table = ReadTranslations(block);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(TranslationKey(table[0]), "040904B0");
  EXPECT_EQ(TranslationKey(table[1]), "040704E4");
  EXPECT_EQ(ReadStringFileInfo(block, "040904B0", "CompanyName"), "Taveron");
  EXPECT_EQ(ReadStringFileInfo(block, "040904b0", "filedescription"), "Monitor");
  EXPECT_EQ(ReadStringFileInfo(block, "040904B0", "ProductName"), "");
  EXPECT_EQ(ReadStringFileInfo(block, "040704E4", "FileDescription"), "");
  EXPECT_EQ(ReadFixedFileInfo(block).dwSignature, 0xFEEF04BDu);
}

TEST(VersionBlockQueries, APartialTranslationEntryIsIgnored) {
  VersionInfoSpec spec = SimpleVersionInfo("Monitor", 1, 0, 0, 0);
  spec.translations.push_back({0x0407, 0x04E4});
  std::string block = BuildVersionInfo(spec);
  // Shorten the Translation value's length from 8 to 6 bytes.
  const std::size_t at = block.find(std::string("T\0r\0a\0n\0s", 9));
  ASSERT_NE(at, std::string::npos);
  test::PutU16(block, at - 4, 6);
  EXPECT_EQ(ReadTranslations(block).size(), 1u);
}

TEST(VersionBlockQueries, DamagedBlocksAreNotFoundNeverOverread) {
  const std::string whole = BuildVersionInfo(SimpleVersionInfo("Monitor", 1, 2, 3, 4));
  for (std::size_t size = 0; size < whole.size(); ++size) {
    // Each cut copies into a buffer of exactly that size, so a read past it
    // is caught by AddressSanitizer.
    const std::string cut = whole.substr(0, size);
    QueryVersionValue(cut, "\\StringFileInfo\\040904B0\\FileDescription");
    ReadTranslations(cut);
    EXPECT_THROW(ReadFixedFileInfo(cut), FileError);  // the root's length overruns the cut
  }
  std::mt19937 random(6004);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = whole;
    for (int i = 0; i < 1 + static_cast<int>(random() % 6); ++i) {
      bytes[random() % bytes.size()] = static_cast<char>(random());
    }
    ReadStringFileInfo(bytes, "040904B0", "FileDescription");
    ReadTranslations(bytes);
    try {
      ReadFixedFileInfo(bytes);
    } catch (const FileError&) {
    }
  }
}

TEST(ProgramCacheEntries, OnePerPathWhateverTheCase) {
  test::TempDir dir;
  test::PeFileVersionResources pe;
  test::FakeIconProvider icons;
  ProgramCache cache(pe, &icons);
  const std::string path = dir.Write(
      "Monitor.exe",
      test::PeWithVersionBlock(BuildVersionInfo(SimpleVersionInfo("Brenvik", 2, 1, 0, 7))));
  bool existed = true;
  const int first = cache.AddHistoryProgrammToCache(path, existed);
  EXPECT_FALSE(existed);
  std::string otherCase = path;
  otherCase.replace(otherCase.size() - 11, 11, "MONITOR.EXE");
  EXPECT_EQ(cache.AddHistoryProgrammToCache(otherCase, existed), first);
  EXPECT_TRUE(existed);
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(icons.appended.size(), 1u);
  const TRecProgramme& record = cache.Record(first);
  EXPECT_EQ(record.rProgrammeName, "Brenvik");
  EXPECT_EQ(record.rProgrammeVersion, "2.1.0.7");
  EXPECT_EQ(record.rLongExePath, path);
  EXPECT_EQ(record.rIcon, 1);
  EXPECT_FALSE(record.rFileDeleted);
}

TEST(ProgramCacheEntries, MissingFilesAndFilesWithoutIcons) {
  test::TempDir dir;
  test::PeFileVersionResources pe;
  test::FakeIconProvider icons;
  ProgramCache cache(pe, &icons);
  bool existed = false;
  const TRecProgramme& gone =
      cache.Record(cache.AddHistoryProgrammToCache("C:\\Old\\Gone.exe", existed));
  EXPECT_EQ(gone.rProgrammeName, "Gone.exe");
  EXPECT_EQ(gone.rProgrammeVersion, "");
  EXPECT_TRUE(gone.rFileDeleted);
  EXPECT_EQ(gone.rIcon, 0);
  EXPECT_TRUE(icons.appended.empty());
  const std::string plain = dir.Write("plain.exe", "not a program");
  icons.withoutIcon.insert(plain);
  const TRecProgramme& noIcon = cache.Record(cache.AddHistoryProgrammToCache(plain, existed));
  EXPECT_EQ(noIcon.rIcon, 0);
  EXPECT_EQ(noIcon.rProgrammeName, "plain.exe");
  // Kept sorted by path, letter case ignored: a later path can sort first.
  const int another = cache.AddHistoryProgrammToCache("c:\\old\\Another.exe", existed);
  EXPECT_EQ(cache.IndexOf("C:\\OLD\\another.exe"), another);
  EXPECT_EQ(cache.IndexOf("c:\\old\\gone.EXE"), another + 1);
  EXPECT_EQ(cache.Record(another + 1).rProgrammeName, "Gone.exe");
  EXPECT_EQ(cache.IndexOf("C:\\Old\\Other.exe"), -1);
}

TEST(ProgramCacheEntries, ADamagedResourceMakesNoEntry) {
  test::TempDir dir;
  test::PeFileVersionResources pe;
  ProgramCache cache(pe, nullptr);
  VersionInfoSpec spec = SimpleVersionInfo("x", 1, 0, 0, 0);
  spec.withFixedInfo = false;
  const std::string path = dir.Write("bad.exe", test::PeWithVersionBlock(BuildVersionInfo(spec)));
  bool existed = true;
  EXPECT_THROW(cache.AddHistoryProgrammToCache(path, existed), FileError);
  EXPECT_EQ(cache.Count(), 0);
}

}  // namespace
}  // namespace brenvik
