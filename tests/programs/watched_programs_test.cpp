#include "programs/watched_programs.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/service_link/service_channel.h"
#include "support/fake_icons.h"
#include "support/fakes.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

// A store that refuses every key, as a registry without rights does.
class RefusingRegistry : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot, const std::string&, bool) override {
    return nullptr;
  }
  bool KeyExists(RegistryRoot, const std::string&) override { return false; }
  bool DeleteKey(RegistryRoot, const std::string&) override { return false; }
};

class WatchedList : public ::testing::Test {
 protected:
  void SetUp() override {
    test::NativeFiles().CreateFolders(dir.File("Settings"));
    a = dir.Write("A.exe", test::PeWithVersionBlock(test::BuildVersionInfo(
                               test::SimpleVersionInfo("Program A", 1, 0, 0, 5))));
    b = dir.Write("B.exe", "x");
    c = dir.Write("C.exe", "x");
    hooks.added = [this](const TRecProgramme& e) { events.push_back("added " + e.rLongExePath); };
    hooks.removed = [this](const std::string& p) { events.push_back("removed " + p); };
    hooks.loadProgramToListValues = [this](const std::string& p, bool watched) {
      events.push_back(std::string(watched ? "tracked " : "history ") + p);
    };
    hooks.removeProgramFromListValues = [this](const std::string& p) {
      events.push_back("untracked " + p);
    };
  }
  WatchedPrograms Make(Registry& registry) {
    WatchedPrograms list({registry, *fake.servicePipe, *fake.shell, pe, *fake.files, &icons,
                          dir.File("Settings/"), dir.path()});
    list.SetHooks(hooks);
    return list;
  }
  WatchedPrograms Make() { return Make(*fake.registry); }
  std::map<std::string, std::string> RegistryValues() {
    std::map<std::string, std::string> values;
    auto key = fake.registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, false);
    if (!key) return values;
    for (const std::string& name : key->ValueNames())
      values[name] = key->ReadString(name).value_or("<not a text>");
    return values;
  }
  std::string HandOverFile() { return ReadFileBytes(dir.File("Settings/ProgrammsToWatch.ini")); }
  std::vector<std::string> ProgramPaths(const WatchedPrograms& list) {
    std::vector<std::string> paths;
    for (const TRecProgramme& p : list.Programs()) paths.push_back(p.rLongExePath);
    return paths;
  }

  test::TempDir dir;
  test::FakePlatform fake = test::MakeFakePlatform();
  test::PeFileVersionResources pe;
  test::FakeIconProvider icons;
  WatchedListHooks hooks;
  std::vector<std::string> events;
  std::string a, b, c;
};

TEST_F(WatchedList, AddingDescribesStoresAndReports) {
  WatchedPrograms list = Make();
  ASSERT_TRUE(list.AddFileToProgramsWatched(a, false));
  const TRecProgramme& entry = list.Programs().at(0);
  EXPECT_EQ(entry.rProgrammeName, "Program A");
  EXPECT_EQ(entry.rProgrammeVersion, "1.0.0.5");
  EXPECT_EQ(entry.rIcon, 1);
  EXPECT_EQ(entry.rType, 0);
  EXPECT_EQ(RegistryValues(), (std::map<std::string, std::string>{{"watched0", a}}));
  EXPECT_EQ(events, (std::vector<std::string>{"added " + a, "tracked " + a}));
  EXPECT_EQ(list.IsWatchedProgramm(a), 0);
  EXPECT_TRUE(fake.servicePipe->messages.empty());  // adding alone does not notify
}

TEST_F(WatchedList, APathInOtherLetterCaseIsWatchedAlready) {
  WatchedPrograms list = Make();
  ASSERT_TRUE(list.AddFileToProgramsWatched(a, false));
  std::string upper = a;
  upper.replace(upper.size() - 5, 5, "a.EXE");
  EXPECT_FALSE(list.AddFileToProgramsWatched(upper, false));
  EXPECT_EQ(list.IsWatchedProgramm(upper), 0);
  EXPECT_EQ(list.Programs().size(), 1u);
  EXPECT_EQ(RegistryValues().size(), 1u);
}

TEST_F(WatchedList, StartTrackingReportsProgramsWatchedAlready) {
  WatchedPrograms list = Make();
  list.AddFileToProgramsWatched(b, false);
  events.clear();
  const StartTrackingResult result = list.StartTracking({a, b, c});
  EXPECT_EQ(result.message, "Following programs already are watched:\r\n(1) " + b);
  EXPECT_FALSE(result.notified);
  EXPECT_TRUE(fake.servicePipe->messages.empty());
  EXPECT_FALSE(FileExists(dir.File("Settings/ProgrammsToWatch.ini")));
  EXPECT_EQ(ProgramPaths(list), (std::vector<std::string>{b, a, c}));
  EXPECT_EQ(RegistryValues(), (std::map<std::string, std::string>{
                                  {"watched0", b}, {"watched1", a}, {"watched2", c}}));
  EXPECT_EQ(events,
            (std::vector<std::string>{"added " + a, "tracked " + a, "added " + c, "tracked " + c}));
  // Both are handed on with the next notification.
  list.StartTracking({dir.Write("D.exe", "x")});
  EXPECT_EQ(fake.servicePipe->messages.size(), 1u);
}

TEST_F(WatchedList, StartTrackingOfNewProgramsNotifiesOnce) {
  WatchedPrograms list = Make();
  EXPECT_FALSE(list.StartTracking({}).notified);  // nothing selected: nothing happens
  EXPECT_TRUE(fake.servicePipe->messages.empty());
  const StartTrackingResult result = list.StartTracking({a, "", b});
  EXPECT_TRUE(result.notified);
  EXPECT_EQ(result.message, "");
  ASSERT_EQ(fake.servicePipe->messages.size(), 1u);
  EXPECT_EQ(fake.servicePipe->messages[0], ServiceCommandMessage(3, ""));
  EXPECT_EQ(HandOverFile(), "\xEF\xBB\xBF" + a + "\r\n" + b);
}

TEST_F(WatchedList, StopTrackingMovesTheLastIntoTheGap) {
  WatchedPrograms list = Make();
  list.StartTracking({a, b, c});
  events.clear();
  list.StopTracking({a});
  EXPECT_EQ(ProgramPaths(list), (std::vector<std::string>{c, b}));
  EXPECT_EQ(RegistryValues(),
            (std::map<std::string, std::string>{{"watched0", c}, {"watched1", b}}));
  EXPECT_EQ(HandOverFile(), "\xEF\xBB\xBF" + c + "\r\n" + b);
  EXPECT_EQ(list.IsWatchedProgramm(a), -1);
  EXPECT_EQ(list.IsWatchedProgramm(b), 1);
  EXPECT_EQ(list.WatchedPaths(), (std::vector<std::string>{b, c}));
  EXPECT_EQ(events, (std::vector<std::string>{"untracked " + a, "removed " + a}));
  list.StopTracking({c, b});
  EXPECT_TRUE(list.Programs().empty());
  EXPECT_EQ(HandOverFile(), "\xEF\xBB\xBF");
  EXPECT_TRUE(RegistryValues().empty());
}

TEST_F(WatchedList, StopTrackingWithNothingSelectedStillNotifies) {
  WatchedPrograms list = Make();
  list.StopTracking({});
  EXPECT_EQ(HandOverFile(), "\xEF\xBB\xBF");
  EXPECT_EQ(fake.servicePipe->messages.size(), 1u);
}

TEST_F(WatchedList, HandOverFileBytes) {
  EXPECT_EQ(ProgramsToWatchFileBytes({}), "\xEF\xBB\xBF");
  TRecProgramme x, y;
  x.rLongExePath = "C:\\Program Files\\Brenvik\\Brenvik.exe";
  y.rLongExePath = "C:\\Tools\\Über.exe";
  EXPECT_EQ(ProgramsToWatchFileBytes({x, y}),
            "\xEF\xBB\xBF"
            "C:\\Program Files\\Brenvik\\Brenvik.exe\r\nC:\\Tools\\\xC3\x9C"
            "ber.exe");
}

TEST_F(WatchedList, LoadingAddsEveryValueWithoutStoringOrNotifying) {
  auto key = fake.registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true);
  key->WriteString("Watched0", a);
  key->WriteString("Watched7", dir.File("Removed Tool.exe"));
  key->WriteString("Something", b);
  key->WriteString("Empty", "");
  key->WriteInteger("Number", 3);
  WatchedPrograms list = Make();
  EXPECT_TRUE(list.LoadFromRegistry().empty());
  ASSERT_EQ(list.Programs().size(), 3u);
  EXPECT_EQ(RegistryValues().size(), 5u);  // nothing written; the integer is no program
  EXPECT_TRUE(fake.servicePipe->messages.empty());
  const TRecProgramme& gone = list.Programs()[list.IsWatchedProgramm(dir.File("Removed Tool.exe"))];
  EXPECT_EQ(gone.rProgrammeName, "Removed Tool.exe");
  EXPECT_EQ(gone.rProgrammeVersion, "");
  EXPECT_EQ(gone.rIcon, 0);
  EXPECT_EQ(icons.appended.size(), 2u);  // none for the missing file
}

TEST_F(WatchedList, NewValuesNeverOverwriteOthers) {
  auto key = fake.registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true);
  key->WriteString("Watched0", a);
  key->WriteString("Watched2", b);  // a gap, as an outside edit leaves it
  WatchedPrograms list = Make();
  list.LoadFromRegistry();
  list.AddFileToProgramsWatched(c, false);
  EXPECT_EQ(RegistryValues(), (std::map<std::string, std::string>{
                                  {"watched0", a}, {"watched2", b}, {"watched3", c}}));
}

TEST_F(WatchedList, DamagedVersionResources) {
  test::VersionInfoSpec spec = test::SimpleVersionInfo("x", 1, 0, 0, 0);
  spec.fixedInfoSize = 40;
  const std::string bad =
      dir.Write("Bad.exe", test::PeWithVersionBlock(test::BuildVersionInfo(spec)));
  WatchedPrograms list = Make();
  // Added by the user: the error is shown and nothing is kept.
  EXPECT_THROW(list.StartTracking({bad}), FileError);
  EXPECT_TRUE(list.Programs().empty());
  EXPECT_TRUE(RegistryValues().empty());
  EXPECT_EQ(list.IsWatchedProgramm(bad), -1);
  // Loaded at start-up: kept with its file name, and the problem reported.
  fake.registry->OpenKey(RegistryRoot::CurrentUser, kWatchedProgramsKey, true)
      ->WriteString("Watched0", bad);
  const std::vector<std::string> problems = list.LoadFromRegistry();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0], bad + ": Fixed file information record wrong size");
  ASSERT_EQ(list.Programs().size(), 1u);
  EXPECT_EQ(list.Programs()[0].rProgrammeName, "Bad.exe");
}

TEST_F(WatchedList, DroppedFiles) {
  const std::string doc = dir.Write("notes.txt", "x");
  const std::string upper = dir.Write("LOUD.EXE", "x");
  const std::string toDoc = dir.Write("notes.lnk", "x");
  const std::string toProgram = dir.Write("c.lnk", "x");
  fake.shell->shortcuts[toDoc] = ShortcutTarget{doc, "", "", ""};
  fake.shell->shortcuts[toProgram] = ShortcutTarget{c, "", "Program C", ""};
  WatchedPrograms list = Make();
  EXPECT_FALSE(list.ProcessDragDrop({doc, toDoc}));
  EXPECT_TRUE(fake.servicePipe->messages.empty());
  EXPECT_TRUE(list.ProcessDragDrop({doc, upper, toDoc, toProgram}));
  EXPECT_EQ(ProgramPaths(list), (std::vector<std::string>{upper, c}));
  EXPECT_EQ(fake.servicePipe->messages.size(), 1u);
  // Programs watched already are ignored without a message, yet the service
  // is told again.
  EXPECT_TRUE(list.ProcessDragDrop({upper}));
  EXPECT_EQ(list.Programs().size(), 2u);
  EXPECT_EQ(fake.servicePipe->messages.size(), 2u);
}

TEST_F(WatchedList, StoreAndServiceFailures) {
  RefusingRegistry refusing;
  WatchedPrograms list = Make(refusing);
  fake.servicePipe->running = false;
  // The key cannot be opened and the service is not running: the program is
  // still watched in this run and the file is written.
  EXPECT_TRUE(list.StartTracking({a}).notified);
  EXPECT_EQ(list.Programs().size(), 1u);
  EXPECT_EQ(HandOverFile(), "\xEF\xBB\xBF" + a);
  list.StopTracking({a});
  EXPECT_TRUE(list.Programs().empty());
  // A settings folder that cannot be written to: the error of the file layer,
  // and no command.
  fake.servicePipe->running = true;
  WatchedPrograms orphan({*fake.registry, *fake.servicePipe, *fake.shell, pe, *fake.files, nullptr,
                          dir.File("no such folder/"), dir.path()});
  EXPECT_THROW(orphan.StartTracking({b}), FileError);
  EXPECT_TRUE(fake.servicePipe->messages.empty());
  EXPECT_EQ(orphan.Programs().size(), 1u);
  EXPECT_EQ(orphan.Programs()[0].rIcon, 0);  // no icon provider
}

}  // namespace
}  // namespace brenvik
