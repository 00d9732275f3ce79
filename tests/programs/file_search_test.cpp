#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
#include "programs/file_finder.h"
#include "programs/program_search.h"
#include "support/fake_icons.h"
#include "support/fakes.h"
#include "support/native_path.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Paths(const ProgramList& list, bool visibleOnly = false) {
  std::vector<std::string> paths;
  for (const ProgramListEntry& e : list) {
    if (!visibleOnly || e.visible) paths.push_back(e.program.rLongExePath);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// A tree with hidden entries, names with spaces and umlauts, a link loop, a
// second link into a folder, shortcuts to programs, documents and folders.
class FileSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    root = dir.path() + "tree";
    other = dir.path() + "elsewhere";
    test::NativeFiles().CreateFolders(In("docs"));
    monitor =
        Write("tree/Monitor.exe", test::PeWithVersionBlock(test::BuildVersionInfo(
                                      test::SimpleVersionInfo("Brenvik Monitor", 3, 1, 0, 2))));
    Write("tree/readme.txt", "text");
    Write("tree/.hidden/secret.exe", "x");
    Write("tree/tools/Helper.EXE", "x");
    Write("tree/tools/deep/deep.exe", "x");
    Write("tree/with space ü/Prog ü.exe", "x");
    target = Write("elsewhere/Target.exe", "x");
    // Links need rights on Windows; without them the tree simply has none.
    std::error_code ec;
    fs::create_directory_symlink("..", ToFsPath(In("tools/loop")), ec);
    fs::create_directory_symlink(ToFsPath(root), ToFsPath(In("tools/deep/up")), ec);
    fs::create_directory_symlink(ToFsPath(In("tools")), ToFsPath(In("toolslink")), ec);
    Shortcut("tree/docs/target.lnk", target, "Starts the target");
    Shortcut("tree/docs/manual.lnk", Write("elsewhere/manual.pdf", "%PDF"), "The manual");
    Shortcut("tree/docs/folder.lnk", other, "A folder");
    Shortcut("tree/docs/gone.lnk", "C:\\Gone\\Gone.exe", "Removed long ago");
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    return test::WriteNative(dir, name, bytes);
  }
  // A path inside the tree.
  std::string In(const std::string& relative) {
    return root + PathSeparator() + test::NativePath(relative);
  }
  void Shortcut(const std::string& name, const std::string& to, const std::string& description) {
    const std::string path = Write(name, "shortcut");
    fake.shell->shortcuts[path] = ShortcutTarget{to, "", description, ""};
  }
  const TRecProgramme& Entry(const std::string& path) {
    for (const ProgramListEntry& e : list) {
      if (e.program.rLongExePath == path) return e.program;
    }
    static const TRecProgramme none;
    ADD_FAILURE() << path << " is not listed";
    return none;
  }
  bool Search(const std::string& folder, bool links, const std::string& filter = "") {
    return RunSearchTab(*fake.shell, pe, &icons, list, {folder, links, filter});
  }

  test::TempDir dir;
  test::FakePlatform fake = test::MakeFakePlatform();
  test::PeFileVersionResources pe;
  test::FakeIconProvider icons;
  ProgramList list;
  std::string root, other, monitor, target;
};

TEST_F(FileSearch, FinderVisitsEveryFolderOnceDepthFirst) {
  std::vector<std::string> found;
  TFileFinder finder;
  finder.SetFromPath(root + PathSeparator());
  EXPECT_EQ(finder.FromPath(), root);
  finder.SetOnFound([&](const std::string& folder, const FoundEntry& entry) {
    std::string relative = folder.substr(root.size()) + "/" + entry.name;
    std::replace(relative.begin(), relative.end(), PathSeparator(), '/');
    // tools is entered once, directly or through toolslink, whichever the
    // listing gives first.
    if (relative.rfind("/toolslink/", 0) == 0) relative.replace(0, 10, "/tools");
    found.push_back(relative);
  });
  finder.Find();
  std::vector<std::string> sorted = found;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{
                        "/.hidden/secret.exe", "/Monitor.exe", "/docs/folder.lnk", "/docs/gone.lnk",
                        "/docs/manual.lnk", "/docs/target.lnk", "/readme.txt", "/tools/Helper.EXE",
                        "/tools/deep/deep.exe", "/with space ü/Prog ü.exe"}));
  // Pre-order: the entries of one subtree follow each other.
  auto position = [&](const std::string& name) {
    return std::find(found.begin(), found.end(), name) - found.begin();
  };
  EXPECT_EQ(std::abs(position("/tools/deep/deep.exe") - position("/tools/Helper.EXE")), 1);
}

TEST_F(FileSearch, FinderWithoutCallbackOrFolderFindsNothing) {
  TFileFinder finder;
  finder.SetFromPath(root);
  finder.Find();  // no callback: nothing happens
  int calls = 0;
  finder.SetOnFound([&](const std::string&, const FoundEntry&) { ++calls; });
  finder.SetFromPath(dir.File("no such folder"));
  finder.Find();
  EXPECT_EQ(calls, 0);
  finder.SetFromPath(root);
  finder.SetWildCard("*.EXE");
  finder.Find();
  EXPECT_EQ(calls, 5);  // the shortcuts and the text file do not match
}

TEST_F(FileSearch, ListsProgramsAndOptionallyShortcutTargets) {
  ASSERT_TRUE(Search(root, false));
  const std::vector<std::string> direct = Paths(list);
  ASSERT_EQ(direct.size(), 5u);
  EXPECT_TRUE(std::find(direct.begin(), direct.end(), In(".hidden/secret.exe")) != direct.end());
  EXPECT_TRUE(std::find(direct.begin(), direct.end(), In("with space ü/Prog ü.exe")) !=
              direct.end());
  ASSERT_TRUE(Search(root + PathSeparator(), true));
  EXPECT_EQ(list.size(), 7u);
  EXPECT_EQ(icons.clears, 2);
  for (const ProgramListEntry& e : list) {
    EXPECT_EQ(e.program.rLocation, kSearchCommandLabel);
    EXPECT_EQ(e.program.rIcon, -1);
    EXPECT_EQ(e.program.rType, 0);
  }
  EXPECT_EQ(Entry(target).rInfoAboutLink, "Starts the target");
  EXPECT_EQ(Entry(monitor).rProgrammeName, "Brenvik Monitor");
  EXPECT_EQ(Entry(monitor).rProgrammeVersion, "3.1.0.2");
  EXPECT_EQ(Entry(monitor).rInfoAboutLink, "");
  EXPECT_EQ(Entry("C:\\Gone\\Gone.exe").rProgrammeName, "Gone.exe");
  EXPECT_EQ(Entry("C:\\Gone\\Gone.exe").rProgrammeVersion, "");
}

TEST_F(FileSearch, BlankAndMissingFolders) {
  ASSERT_TRUE(Search(root, false));
  EXPECT_FALSE(Search("   ", false));
  EXPECT_EQ(list.size(), 5u);  // the previous result stays
  EXPECT_TRUE(Search(dir.File("gone"), false));
  EXPECT_TRUE(list.empty());
}

TEST_F(FileSearch, AFolderThatVanishesMidwayEndsTheSearchQuietly) {
  TFileFinder finder;
  finder.SetFromPath(root);
  int calls = 0;
  finder.SetOnFound([&](const std::string&, const FoundEntry&) {
    std::error_code ec;  // Windows keeps folders that are being listed
    if (++calls == 1) fs::remove_all(ToFsPath(root), ec);
  });
  finder.Find();
  EXPECT_GE(calls, 1);
}

// The texts of every entry, in list order, to compare whole results.
std::vector<std::string> Rows(const ProgramList& list) {
  std::vector<std::string> rows;
  for (const ProgramListEntry& e : list) {
    rows.push_back(e.program.rLongExePath + "|" + e.program.rProgrammeName + "|" +
                   e.program.rProgrammeVersion + "|" + e.program.rInfoAboutLink + "|" +
                   (e.visible ? "shown" : "hidden"));
  }
  return rows;
}

TEST_F(FileSearch, AWatchedSearchGivesTheBlockingResultAndCountsWhatItDid) {
  ASSERT_TRUE(Search(root, true, "*.exe"));
  const std::vector<std::string> blocking = Rows(list);
  std::vector<SearchProgress> reports;
  SearchMonitor watching([&](const SearchProgress& p) {
    reports.push_back(p);
    return true;
  });
  ASSERT_TRUE(RunSearchTab(*fake.shell, pe, &icons, list, {root, true, "*.exe"}, &watching));
  EXPECT_FALSE(watching.Cancelled());
  EXPECT_EQ(Rows(list), blocking);
  // Each program is announced before it is read, in list order.
  ASSERT_EQ(reports.size(), list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(reports[i].current, list[i].program.rLongExePath);
    EXPECT_EQ(reports[i].programsRead, i);
  }
  EXPECT_EQ(watching.Progress().programsRead, list.size());
  EXPECT_GE(watching.Progress().entriesExamined, 14u);  // files and folders of the tree
}

TEST_F(FileSearch, CancellingStopsTheSearchAndKeepsWhatWasReadInOrder) {
  ASSERT_TRUE(Search(root, true));
  const std::vector<std::string> full = Rows(list);
  // Stopped before the third program: the first two stay, nothing more is read.
  int calls = 0;
  SearchMonitor stopAtThird([&](const SearchProgress&) { return ++calls < 3; });
  ASSERT_TRUE(RunSearchTab(*fake.shell, pe, &icons, list, {root, true, ""}, &stopAtThird));
  EXPECT_TRUE(stopAtThird.Cancelled());
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(Rows(list), std::vector<std::string>(full.begin(), full.begin() + 2));
  EXPECT_FALSE(stopAtThird.ReadingProgram("more.exe"));
  EXPECT_EQ(calls, 3);  // a stopped search asks no more

  // Stopped while walking a big folder: the walk ends at the first report.
  for (int i = 0; i < 300; ++i) Write("tree/many/p" + std::to_string(i) + ".exe", "x");
  SearchMonitor stopAtOnce([](const SearchProgress&) { return false; });
  EXPECT_FALSE(FindProgramsInFolder(*fake.shell, pe, {root, false, ""}, list, &stopAtOnce));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(stopAtOnce.Progress().entriesExamined, SearchMonitor::kEntriesPerReport);
}

TEST_F(FileSearch, SubstringFilterLooksAtTitleAndDescriptionOnly) {
  ASSERT_TRUE(Search(root, true));
  FilterItems(list, "monitor");
  EXPECT_EQ(Paths(list, true), std::vector<std::string>{monitor});
  FilterItems(list, "tools");  // only in paths
  EXPECT_TRUE(Paths(list, true).empty());
  FilterItems(list, "*tools*");  // a mask looks at the whole path
  EXPECT_EQ(Paths(list, true).size(), 2u);
  FilterItems(list, "starts the");
  EXPECT_EQ(Paths(list, true), std::vector<std::string>{target});
  FilterItems(list, "PROG Ü");
  EXPECT_EQ(Paths(list, true).size(), 1u);
  FilterItems(list, "");
  EXPECT_EQ(Paths(list, true).size(), list.size());
}

TEST_F(FileSearch, MaskFilterAndItsErrors) {
  ASSERT_TRUE(Search(root, true));
  FilterItems(list, "*.exe");
  EXPECT_EQ(Paths(list, true).size(), list.size());
  FilterItems(list, "c:\\g*");  // a mask must match from the first character
  EXPECT_EQ(Paths(list, true), std::vector<std::string>{"C:\\Gone\\Gone.exe"});
  FilterItems(list, "brenvik ?onitor");  // the whole title
  EXPECT_EQ(Paths(list, true), std::vector<std::string>{monitor});
  FilterItems(list, "[monitor");  // no wildcard: a plain text, never an error
  EXPECT_TRUE(Paths(list, true).empty());
  try {
    FilterItems(list, "*[a-z");
    FAIL() << "no error";
  } catch (const ConversionError& error) {
    EXPECT_STREQ(error.what(), "'*[a-z' is an invalid mask at (2)");
  }
  EXPECT_THROW(Search(root, true, "?[x"), ConversionError);
  EXPECT_EQ(list.size(), 7u);  // the entries were made before the filter failed
}

TEST(ProgramListCells, IconsAreFetchedOnceWhenFirstDrawn) {
  test::FakeIconProvider icons;
  TRecProgramme entry;
  entry.rLongExePath = "/opt/monitor";
  EXPECT_EQ(CellImageIndex(entry, 1, false, icons, ImageListId::Search), -1);
  EXPECT_EQ(CellImageIndex(entry, 0, true, icons, ImageListId::Search), -1);  // while scrolling
  EXPECT_EQ(entry.rIcon, -1);
  EXPECT_EQ(CellImageIndex(entry, 0, false, icons, ImageListId::Search), 1);
  EXPECT_EQ(CellImageIndex(entry, 0, false, icons, ImageListId::Search), 1);
  EXPECT_EQ(icons.appended.size(), 1u);
  TRecProgramme noIcon;
  noIcon.rLongExePath = "/opt/plain";
  icons.withoutIcon.insert("/opt/plain");
  EXPECT_EQ(CellImageIndex(noIcon, 0, false, icons, ImageListId::StartUp), -1);
  EXPECT_EQ(noIcon.rIcon, -2);
  EXPECT_EQ(CellImageIndex(noIcon, 0, false, icons, ImageListId::StartUp), -1);
  EXPECT_EQ(icons.appended.size(), 2u);  // asked once only
}

}  // namespace
}  // namespace brenvik
