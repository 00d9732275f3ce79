// Version resources through GetFileVersionInfoW against the portable reader,
// on a fixture program built with a version resource of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_version_resources.h"
#include "programs/pe_version_block.h"
#include "programs/program_info.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

std::string FixturePath() { return Win32Shell().ExecutableFolder() + "version_fixture.exe"; }

// What VerQueryValueW finds in a version block.
struct Queried {
  VS_FIXEDFILEINFO fixed{};
  std::vector<DWORD> translations;
  std::string Text(const std::string& translation, const std::string& name) const {
    const std::wstring query = Utf8ToWide("\\StringFileInfo\\" + translation + "\\" + name);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) {
      return "<missing>";
    }
    return WideToUtf8(text, length);
  }
  std::vector<char> block;
};

Queried Query(const std::string& bytes) {
  Queried out;
  out.block.assign(bytes.begin(), bytes.end());
  out.block.resize(bytes.size() * 3);  // the API's working room behind the block
  void* value = nullptr;
  UINT length = 0;
  if (::VerQueryValueW(out.block.data(), L"\\", &value, &length) && length == sizeof out.fixed) {
    std::memcpy(&out.fixed, value, sizeof out.fixed);
  }
  if (::VerQueryValueW(out.block.data(), L"\\VarFileInfo\\Translation", &value, &length)) {
    const auto* entries = static_cast<const DWORD*>(value);
    out.translations.assign(entries, entries + length / sizeof(DWORD));
  }
  return out;
}

TEST(Win32VersionResources, TheApiAndThePortableReaderGiveTheSameBlock) {
  const auto fromApi = Win32VersionResources().LoadVersionBlock(FixturePath());
  const auto fromFile = ReadPeVersionBlock(FixturePath());
  ASSERT_TRUE(fromApi.has_value());
  ASSERT_TRUE(fromFile.has_value());
  EXPECT_EQ(*fromApi, *fromFile);

  for (const std::string& block : {*fromApi, *fromFile}) {
    const Queried q = Query(block);
    EXPECT_EQ(q.fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(q.fixed.dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(q.fixed.dwFileVersionLS, 0x00030004u);
    EXPECT_EQ(q.translations, (std::vector<DWORD>{0x04B00409, 0x04B00407}));
    EXPECT_EQ(q.Text("040904B0", "FileDescription"), "Brenvik version fixture");
    EXPECT_EQ(q.Text("040704B0", "FileDescription"), "Brenvik Versionsprobe");
    EXPECT_EQ(q.Text("040904B0", "LegalCopyright"), "<missing>");
  }
}

// The reader the POSIX backend uses, on this system.
class PortableVersionResources : public VersionResources {
 public:
  std::optional<std::string> LoadVersionBlock(const std::string& path) override {
    return ReadPeVersionBlock(path);
  }
};

TEST(Win32VersionResources, TitleAndVersionAgreeWithThePortableReader) {
  Win32VersionResources api;
  PortableVersionResources portable;
  EXPECT_EQ(GetProgramTitle(api, FixturePath()), "Brenvik Versionsprobe");  // last translation
  EXPECT_EQ(GetProgramTitle(portable, FixturePath()), "Brenvik Versionsprobe");
  EXPECT_EQ(GetFileVersionText(api, FixturePath()), "1.2.3.4");
  EXPECT_EQ(GetFileVersionText(portable, FixturePath()), "1.2.3.4");
}

TEST(Win32VersionResources, FilesWithoutAResourceHaveNone) {
  test::TempDir dir;
  Win32VersionResources resources;
  EXPECT_FALSE(resources.LoadVersionBlock(dir.Write("notes.txt", "not a program")));
  EXPECT_FALSE(resources.LoadVersionBlock(dir.File("missing.exe")));
}

}  // namespace
}  // namespace brenvik
