#include "reports/uptime/pick_list.h"

#include <gtest/gtest.h>

#include "support/programs_fixture.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

std::vector<std::string> Describe(const PickList& list) {
  std::vector<std::string> rows;
  for (const PickRow& row : list.Rows())
    rows.push_back(row.title + "|" + row.status + (row.ticked ? "|x" : "|"));
  return rows;
}

class ProgramPickList : public ::testing::Test {
 protected:
  ProgramPickList() {
    editor_ = dir_.Write("editor.exe", "MZ");
    viewer_ = dir_.Write("viewer.exe", "MZ");
    player_ = dir_.Write("player.exe", "MZ");
    gone_ = dir_.File("gone.exe");
  }
  test::TempDir dir_;
  test::ProgramsFixture programs_;
  std::string editor_, viewer_, player_, gone_;
};

TEST_F(ProgramPickList, WatchedFirstThenHistoryThenTheMissingFiles) {
  programs_.Watch(viewer_);
  PickList list;
  list.RebuildPrograms(programs_.directory, {editor_, gone_, player_, viewer_});
  EXPECT_EQ(Describe(list),
            (std::vector<std::string>{"viewer.exe|Tracked...|", "editor.exe|History|",
                                      "player.exe|History|", "gone.exe|History|"}));
  EXPECT_EQ(list.Rows()[3].key, gone_);
}

TEST_F(ProgramPickList, TicksSurviveARebuildByTitle) {
  PickList list;
  list.RebuildPrograms(programs_.directory, {editor_});
  list.ClickRow(0, false);
  programs_.Watch(player_);
  list.RebuildPrograms(programs_.directory, {editor_, viewer_});
  EXPECT_EQ(Describe(list),
            (std::vector<std::string>{"player.exe|Tracked...|", "editor.exe|History|x",
                                      "viewer.exe|History|"}));
}

TEST_F(ProgramPickList, UpkeepMovesATrackedProgramToTheTopAndBack) {
  PickList list;
  list.RebuildPrograms(programs_.directory, {editor_, viewer_});
  programs_.Watch(viewer_);
  LoadProgramToListValues(list, programs_.directory, viewer_, true);
  EXPECT_EQ(Describe(list),
            (std::vector<std::string>{"viewer.exe|Tracked...|", "editor.exe|History|"}));
  RemoveProgramFromListValues(list, programs_.directory, viewer_, {editor_, viewer_});
  EXPECT_EQ(Describe(list),
            (std::vector<std::string>{"editor.exe|History|", "viewer.exe|History|"}));
  RemoveProgramFromListValues(list, programs_.directory, player_, {editor_, viewer_});
  EXPECT_EQ(list.Size(), 2u);
  RemoveProgramFromListValues(list, programs_.directory, editor_, {});
  EXPECT_EQ(Describe(list), std::vector<std::string>{"viewer.exe|History|"});
}

TEST(UserPickList, RebuildCarriesTicksOverWithoutRegardToCase) {
  PickList users;
  users.RebuildUsers({"ann [PC1]", "bob [PC1]"});
  users.SetTicked(1, true);
  users.RebuildUsers({"ann [PC1]", "BOB [PC1]", "carl [PC1]"});
  EXPECT_EQ(users.TickedKeys(), std::vector<std::string>{"BOB [PC1]"});
}

TEST(PickListClicks, SelectAllBoxFollowsTheRows) {
  PickList list;
  list.RebuildUsers({"a", "b", "c"});
  list.ClickRow(0, false);
  list.ClickRow(1, false);
  EXPECT_FALSE(list.SelectAll());
  list.SetTicked(2, true);  // the widget toggled the check box itself
  list.ClickRow(2, true);
  EXPECT_TRUE(list.SelectAll());
  list.ClickRow(1, false);
  EXPECT_TRUE(list.SelectAll());  // some ticked: left as it was
  list.ClickRow(0, false);
  list.ClickRow(2, false);
  EXPECT_FALSE(list.SelectAll());
  list.ClickSelectAll(true);
  EXPECT_EQ(list.TickedCount(), 3u);
  EXPECT_TRUE(PickRowDrawnBold(list.Rows()[0], true));
  EXPECT_FALSE(PickRowDrawnBold(list.Rows()[0], false));  // "Windows (My Computer)" selected
}

TEST(PickListRules, RebuildsDueAndTheFileNameImage) {
  PickList list;
  list.RebuildUsers({"a"});
  EXPECT_TRUE(UserListRebuildDue(list, 2));
  EXPECT_FALSE(UserListRebuildDue(list, 1));
  EXPECT_TRUE(ProgramListRebuildDue(list, 1, 3));
  EXPECT_FALSE(ProgramListRebuildDue(list, 1, 0));
  EXPECT_FALSE(ProgramListRebuildDue(list, 0, 3));
  EXPECT_EQ(ProgramFileNameImage(PickRow{"p", "t", "", 0, false}), 2);
  EXPECT_EQ(ProgramFileNameImage(PickRow{"p", "t", "", 4, false}), -1);
}

}  // namespace
}  // namespace brenvik
