#include "datastore/tables/table.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "datastore/startup/tables.h"
#include "records/date_time.h"

namespace brenvik {
namespace {

std::vector<FieldDef> SmallSchema() {
  return {{"Name", FieldType::Text, 5},     {"Seconds", FieldType::Largeint, 0},
          {"Flag", FieldType::Boolean, 0},  {"Label", FieldType::Calculated, 8},
          {"Count", FieldType::Integer, 0}, {"At", FieldType::DateTime, 0}};
}

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.CreateEmpty();
    for (int i = 1; i <= 5; ++i) {
      table.Append({"r" + std::to_string(i), std::int64_t{i * 10}, i % 2 == 0, FieldValue{}, i,
                    EncodeDate(2013, 4, i)});
    }
  }
  std::vector<std::string> Scan(Cursor& c) {
    std::vector<std::string> out;
    for (c.First(); !c.Eof(); c.Next()) out.push_back(c.AsText("Name"));
    return out;
  }
  Table table{"Small", SmallSchema()};
};

using Names = std::vector<std::string>;

TEST_F(TableTest, RowsStayInAppendOrderAndReadByNameWithoutRegardToCase) {
  EXPECT_EQ(Scan(table), (Names{"r1", "r2", "r3", "r4", "r5"}));
  table.MoveToRecNo(3);
  EXPECT_EQ(table.RecNo(), 3u);
  EXPECT_EQ(table.AsLargeint("SECONDS"), 30);
  EXPECT_EQ(table.AsInteger("seconds"), 30);  // Largeint read as Integer
  EXPECT_EQ(table.AsText("count"), "3");
  EXPECT_EQ(table.AsText("flag"), "False");
  EXPECT_EQ(table.AsDateTime("at"), EncodeDate(2013, 4, 3));
  EXPECT_EQ(table.AsText("at"), "2013-04-03 00:00:00");
  EXPECT_THROW(table.AsText("Nope"), TableError);
  EXPECT_THROW(table.AsBoolean("Name"), TableError);
  EXPECT_THROW(table.MoveToRecNo(6), TableError);
  table.Last();
  EXPECT_EQ(table.RecNo(), 5u);
  table.Next();
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(table.RecNo(), 0u);
  EXPECT_THROW(table.AsText("Name"), TableError);  // no current row at the end
}

TEST_F(TableTest, TextsAreCutToTheirSizeInCharactersAndNullsReadAsDefaults) {
  table.Append({"\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xE2\x82\xAC\xE2\x82\xAC"});  // 6 characters
  EXPECT_EQ(table.AsText("Name"), "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xE2\x82\xAC");
  EXPECT_TRUE(table.IsNull("Seconds"));
  EXPECT_EQ(table.AsLargeint("Seconds"), 0);
  EXPECT_FALSE(table.AsBoolean("Flag"));
  EXPECT_EQ(table.AsText("At"), "");
}

TEST_F(TableTest, ValuesThatDoNotFitTheirFieldAreRefusedAndLeaveTheTableUnchanged) {
  EXPECT_THROW(table.Append({"x", "not a number"}), TableError);
  EXPECT_THROW(table.Append({"x", std::int64_t{1}, true, "calculated values are not stored"}),
               TableError);
  EXPECT_THROW(table.Append({"x", std::int64_t{1}, true, FieldValue{}, std::int64_t{1} << 40}),
               TableError);
  EXPECT_THROW(table.Append({1, 2, 3, 4, 5, 6, 7}), TableError);
  EXPECT_EQ(table.RecordCount(), 5u);
}

TEST_F(TableTest, DeleteMovesToTheFollowingRowAndKeepsOtherCursorsOnTheirRows) {
  Cursor onDeleted(table), later(table), earlier(table);
  table.MoveToRecNo(3);
  onDeleted.MoveToRecNo(3);
  later.MoveToRecNo(5);
  earlier.MoveToRecNo(1);
  table.Delete();
  EXPECT_EQ(table.AsText("Name"), "r4");
  EXPECT_EQ(onDeleted.AsText("Name"), "r4");
  EXPECT_EQ(later.AsText("Name"), "r5");
  EXPECT_EQ(later.RecNo(), 4u);
  EXPECT_EQ(earlier.AsText("Name"), "r1");
  table.Last();
  table.Delete();
  EXPECT_TRUE(table.Eof());
  EXPECT_TRUE(later.Eof());  // stood on the deleted last row
  EXPECT_EQ(Scan(table), (Names{"r1", "r2", "r4"}));
}

TEST_F(TableTest, DeletingManyRowsAtOnceMovesEachCursorAsDeletingThemOneByOneWould) {
  for (int i = 6; i <= 9; ++i) table.Append({"r" + std::to_string(i), std::int64_t{i * 10}});
  Cursor onDeleted(table), onRun(table), kept(table), editing(table), sorted(table);
  onDeleted.MoveToRecNo(2);  // r2, deleted: to r4
  onRun.MoveToRecNo(6);      // r6 of the run r6..r8: to r9
  kept.MoveToRecNo(5);       // r5 stays, renumbered
  editing.MoveToRecNo(9);
  editing.Edit();
  editing.Set("Count", 99);  // the edit of a row that stays survives
  sorted.AddIndex("down", {"Seconds"}, true);
  sorted.SetIndexName("down");
  sorted.First();
  sorted.Next();
  sorted.Next();  // r7 of r9, r8, r7, r6, r5...: to r5, the next of its view left
  table.Last();   // r9: its own pending edit would be cancelled

  table.DeleteRows({1, 2, 5, 6, 7});  // r2, r3, r6, r7, r8
  EXPECT_EQ(Scan(kept), (Names{"r1", "r4", "r5", "r9"}));
  EXPECT_EQ(onDeleted.AsText("Name"), "r4");
  EXPECT_EQ(onRun.AsText("Name"), "r9");
  EXPECT_EQ(sorted.AsText("Name"), "r5");
  EXPECT_EQ(editing.AsText("Name"), "r9");
  editing.Post();
  EXPECT_EQ(table.AsInteger("Count"), 99);
  EXPECT_THROW(table.DeleteRows({2, 1}), TableError);
  EXPECT_THROW(table.DeleteRows({4}), TableError);
  EXPECT_EQ(table.RecordCount(), 4u);
}

TEST_F(TableTest, EditsArePostedOnlyThroughEditAndPost) {
  table.MoveToRecNo(2);
  EXPECT_THROW(table.Set("Count", 99), TableError);
  table.Edit();
  table.Set("Count", 99);
  table.Set("Name", "changed-long");
  EXPECT_EQ(table.AsInteger("Count"), 99);  // the edit copy is what the cursor shows
  Cursor other(table);
  other.MoveToRecNo(2);
  EXPECT_EQ(other.AsInteger("Count"), 2);
  table.Post();
  EXPECT_EQ(other.AsInteger("Count"), 99);
  EXPECT_EQ(other.AsText("Name"), "chang");

  table.Edit();
  table.Set("Count", 5);
  table.Cancel();
  EXPECT_EQ(table.AsInteger("Count"), 99);

  table.Edit();
  table.Set("Flag", false);
  table.Next();  // moving posts
  table.Prior();
  EXPECT_FALSE(table.AsBoolean("Flag"));
  EXPECT_THROW(table.Set("Label", "x"), TableError);
}

TEST_F(TableTest, AppendPutsTheCursorOnTheNewRowAndEmptyTableEndsEveryCursor) {
  Cursor clone(table);
  table.First();
  table.Append({"new"});
  EXPECT_EQ(table.RecNo(), 6u);
  EXPECT_EQ(clone.AsText("Name"), "r1");
  table.EmptyTable();
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_TRUE(clone.Eof());
}

TEST_F(TableTest, CloneFilterAndIndexLeaveTheMainCursorAlone) {
  Cursor clone(table);
  clone.SetFilter("Flag = true");
  clone.SetFiltered(true);
  EXPECT_EQ(Scan(clone), (Names{"r2", "r4"}));
  EXPECT_EQ(clone.RecordCount(), 2u);
  EXPECT_EQ(table.RecordCount(), 5u);

  clone.AddIndex("bySecondsDown", {"Seconds"}, true);
  clone.SetIndexName("bySecondsDown");
  EXPECT_EQ(Scan(clone), (Names{"r4", "r2"}));
  table.Append({"r6", std::int64_t{60}, true});
  EXPECT_EQ(Scan(clone), (Names{"r6", "r4", "r2"}));  // the view follows the rows
  clone.SetFiltered(false);
  EXPECT_EQ(Scan(clone), (Names{"r6", "r5", "r4", "r3", "r2", "r1"}));
  EXPECT_EQ(Scan(table), (Names{"r1", "r2", "r3", "r4", "r5", "r6"}));
  EXPECT_THROW(clone.SetIndexName("missing"), TableError);
  EXPECT_THROW(clone.SetFilter("Flag = "), TableError);
  EXPECT_EQ(clone.FilterText(), "Flag = true");  // a bad filter changes nothing
}

TEST_F(TableTest, DeleteThroughAFilteredSortedCloneStandsOnTheNextRowOfItsView) {
  Cursor clone(table);
  clone.AddIndex("down", {"Seconds"}, true);
  clone.SetIndexName("down");
  clone.SetFilter("Count <> 4");
  clone.SetFiltered(true);
  clone.First();  // r5, r3, r2, r1
  clone.Next();
  clone.Delete();  // r3
  EXPECT_EQ(clone.AsText("Name"), "r2");
  EXPECT_EQ(Scan(table), (Names{"r1", "r2", "r4", "r5"}));
}

TEST_F(TableTest, CalculatedFieldsAreComputedPerCursorForTheRowItStandsOn) {
  Cursor clone(table);
  int calls = 0;
  clone.SetCalcHandler([&](const Cursor& row, CalculatedValues& out) {
    ++calls;
    out.Set("Label", "label of " + row.AsText("Name"));  // cut to 8 characters
  });
  clone.MoveToRecNo(2);
  EXPECT_EQ(clone.AsText("Label"), "label of");
  EXPECT_EQ(clone.AsText("LABEL"), "label of");
  EXPECT_EQ(calls, 1);
  table.MoveToRecNo(2);
  EXPECT_EQ(table.AsText("Label"), "");  // the main cursor has no handler
  table.Edit();
  table.Set("Name", "zz");
  table.Post();
  clone.SetCalcHandler(
      [](const Cursor& row, CalculatedValues& out) { out.Set("Label", row.AsText("Name")); });
  EXPECT_EQ(clone.AsText("Label"), "zz");
}

TEST(TableLifeTest, ClosedTablesAndOrphanedClonesRefuseWork) {
  auto table = std::make_unique<Table>("T", std::vector<FieldDef>{{"A", FieldType::Integer, 0}});
  EXPECT_THROW(table->First(), TableError);
  table->CreateEmpty();
  table->Append({1});
  Cursor clone(*table);
  EXPECT_EQ(clone.AsInteger("A"), 1);
  table->Close();  // no file name: nothing to write
  EXPECT_THROW(clone.First(), TableError);
  table.reset();
  EXPECT_THROW(clone.First(), TableError);
}

TEST(ToggleSortTest, AlternatesAscendingAndDescendingAndReusesItsIndexes) {
  Table history("DataSetHistory", HistorySchema());
  history.CreateEmpty();
  for (const char* path : {"C:\\b.exe", "C:\\a.exe", "C:\\c.exe"}) {
    history.Append({std::int64_t{1}, "", path});
  }
  Cursor clone(history);
  const auto paths = [&] {
    std::vector<std::string> out;
    for (clone.First(); !clone.Eof(); clone.Next()) out.push_back(clone.AsText(history::kExePath));
    return out;
  };
  ASSERT_TRUE(ToggleSortByField(clone, "cdsHistoryExePath", {}));
  EXPECT_EQ(clone.IndexName(), "cdsHistoryExePath__IdxA");
  EXPECT_EQ(paths(), (Names{"C:\\a.exe", "C:\\b.exe", "C:\\c.exe"}));
  ASSERT_TRUE(ToggleSortByField(clone, "cdsHistoryExePath", {}));
  EXPECT_EQ(clone.IndexName(), "cdsHistoryExePath__IdxD");
  EXPECT_EQ(paths(), (Names{"C:\\c.exe", "C:\\b.exe", "C:\\a.exe"}));
  history.Append({std::int64_t{1}, "", "C:\\0.exe"});  // a reused index is sorted anew
  ASSERT_TRUE(ToggleSortByField(clone, "cdsHistoryExePath", {}));
  EXPECT_EQ(clone.IndexName(), "cdsHistoryExePath__IdxA");
  EXPECT_EQ(paths(), (Names{"C:\\0.exe", "C:\\a.exe", "C:\\b.exe", "C:\\c.exe"}));
}

TEST(ToggleSortTest, SortsACalculatedColumnByItsKeyFieldAndRefusesWhatCannotBeSorted) {
  Table history("DataSetHistory", HistorySchema());
  history.CreateEmpty();
  for (std::int64_t seconds : {50, 7, 300}) {
    history.Append({std::int64_t{1}, "", "x", FieldValue{}, 0.0, 0.0, FieldValue{}, FieldValue{},
                    FieldValue{}, seconds});
  }
  Cursor clone(history);
  ASSERT_TRUE(ToggleSortByField(clone, "cdsHistoryRecUptime", {"cdsHistoryUptimeSeconds"}));
  EXPECT_EQ(clone.IndexName(), "cdsHistoryRecUptime__IdxA");
  clone.First();
  EXPECT_EQ(clone.AsLargeint(history::kUptimeSeconds), 7);
  EXPECT_FALSE(ToggleSortByField(clone, "cdsHistoryRecUptime", {"noSuchField"}));
  EXPECT_FALSE(ToggleSortByField(clone, "cdsHistoryRecIdleTime", {}));
  EXPECT_FALSE(ToggleSortByField(clone, "noSuchField", {}));
  EXPECT_EQ(clone.IndexName(), "cdsHistoryRecUptime__IdxA");
}

TEST(SchemaTest, FieldConstantsNameTheFieldsOfEachTable) {
  const TableStore t("DataSetTransactions", TransactionsSchema());
  EXPECT_EQ(t.Fields().size(), 9u);
  EXPECT_EQ(t.Field("cdsTransactDateTime"), transact::kDateTime);
  EXPECT_EQ(t.Field("cdsTransactGTMOffset"), transact::kGmtOffset);
  EXPECT_EQ(t.Field("cdsTansactEventType"), transact::kEventType);
  EXPECT_EQ(t.Field("cdsTransactUserDomain"), transact::kUserDomain);
  EXPECT_EQ(t.Field("cdsTransactUserName"), transact::kUserName);
  EXPECT_EQ(t.Field("cdsTransactHandle"), transact::kHandle);
  EXPECT_EQ(t.Field("cdsTransactExePath"), transact::kExePath);
  EXPECT_EQ(t.Field("cdsTransactParam1"), transact::kParam1);
  EXPECT_EQ(t.Field("cdsTransactParam2"), transact::kParam2);

  const TableStore h("DataSetHistory", HistorySchema());
  EXPECT_EQ(h.Fields().size(), 16u);
  EXPECT_EQ(h.Field("cdsHistoryRunID"), history::kRunId);
  EXPECT_EQ(h.Field("cdsHistoryComputerUser"), history::kComputerUser);
  EXPECT_EQ(h.Field("cdsHistoryExePath"), history::kExePath);
  EXPECT_EQ(h.Field("cdsHistoryRecProgramTitle"), history::kRecProgramTitle);
  EXPECT_EQ(h.Field("cdsHistoryDateTimeStart"), history::kDateTimeStart);
  EXPECT_EQ(h.Field("cdsHistoryDateTimeEnd"), history::kDateTimeEnd);
  EXPECT_EQ(h.Field("cdsHistoryRecUptime"), history::kRecUptime);
  EXPECT_EQ(h.Field("cdsHistoryRecActTime"), history::kRecActTime);
  EXPECT_EQ(h.Field("cdsHistoryRecIdleTime"), history::kRecIdleTime);
  EXPECT_EQ(h.Field("cdsHistoryUptimeSeconds"), history::kUptimeSeconds);
  EXPECT_EQ(h.Field("cdsHistoryIdleSeconds"), history::kIdleSeconds);
  EXPECT_EQ(h.Field("cdsHistoryActiveSeconds"), history::kActiveSeconds);
  EXPECT_EQ(h.Field("cdsHistoryIsWindows"), history::kIsWindows);
  EXPECT_EQ(h.Field("cdsHistoryClosedOK"), history::kClosedOk);
  EXPECT_EQ(h.Field("cdsHistoryRecIncomplete"), history::kRecIncomplete);
  EXPECT_EQ(h.Field("cdsHistoryIsImported"), history::kIsImported);

  const TableStore l("DataSetLogins", LoginsSchema());
  EXPECT_EQ(l.Fields().size(), 11u);
  EXPECT_EQ(l.Field("cdsHistoryRunID"), logins::kRunId);
  EXPECT_EQ(l.Field("cdsHistoryUser"), logins::kUser);
  EXPECT_EQ(l.Field("cdsHistoryDomain"), logins::kDomain);
  EXPECT_EQ(l.Field("cdsHistoryDateTimeStart"), logins::kDateTimeStart);
  EXPECT_EQ(l.Field("cdsHistoryDateTimeEnd"), logins::kDateTimeEnd);
  EXPECT_EQ(l.Field("cdsHistoryUptimeSeconds"), logins::kUptimeSeconds);
  EXPECT_EQ(l.Field("cdsHistoryIdleSeconds"), logins::kIdleSeconds);
  EXPECT_EQ(l.Field("cdsHistoryActiveSecs"), logins::kActiveSecs);
  EXPECT_EQ(l.Field("cdsHistoryClosedOk"), logins::kClosedOk);
  EXPECT_EQ(l.Field("cdsHistoryRecIncomplete"), logins::kRecIncomplete);
  EXPECT_EQ(l.Field("cdsHistoryLoginActive"), logins::kLoginActive);
  EXPECT_EQ(l.Def(logins::kDomain).size, 20u);
}

}  // namespace
}  // namespace brenvik
