#include "datastore/tables/table_changes.h"

#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/table_file.h"

namespace brenvik {
namespace {

std::vector<FieldValue> LoginRow(std::int64_t n) {
  return {n,
          "user" + std::to_string(n % 3),
          n % 4 == 0 ? FieldValue{} : FieldValue("PC1"),
          41394.0 + static_cast<double>(n),
          FieldValue{},
          n * 60,
          static_cast<std::int32_t>(n),
          n * 30,
          n % 2 == 0,
          n % 5 == 0,
          false};
}

// A table as all its values, for comparing two stores.
std::string Contents(const TableStore& store) {
  std::string out = std::to_string(store.RowCount()) + "\n";
  for (std::size_t r = 0; r < store.RowCount(); ++r) {
    for (std::size_t f = 0; f < store.Fields().size(); ++f) {
      const FieldValue v = store.ValueAt(r, FieldId{static_cast<int>(f)});
      out += v.IsNull()
                 ? "-"
                 : std::to_string(v.number()) + "/" + std::to_string(v.integer()) + "/" + v.text();
      out += ";";
    }
    out += "\n";
  }
  return out;
}

// The saved rows plus the encoded changes give exactly the rows now, for
// every mix of appends, edits, erasures (one row or many at once) and
// emptying since the save.
TEST(TableChangesTest, SavedRowsPlusTheChangesAreTheRowsNow) {
  std::mt19937 random(20130430);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TableStore store("DataSetLogins", LoginsSchema());
    const int saved = static_cast<int>(random() % 12);
    for (int i = 0; i < saved; ++i) store.AppendRow(LoginRow(i));
    store.MarkSaved();
    const std::string savedFile = EncodeTable(store);

    std::int64_t next = 100;
    const int steps = static_cast<int>(random() % 15);
    for (int s = 0; s < steps; ++s) {
      const unsigned what = random() % 10;
      if (what < 4) {
        store.AppendRow(LoginRow(next++));
      } else if (what < 7 && store.RowCount() > 0) {
        store.SetRow(random() % store.RowCount(), LoginRow(next++));
      } else if (what < 8 && store.RowCount() > 0) {
        store.EraseRow(random() % store.RowCount());
      } else if (what == 8) {
        std::vector<std::size_t> rows;  // some rows in one sweep
        for (std::size_t r = 0; r < store.RowCount(); ++r) {
          if (random() % 3 == 0) rows.push_back(r);
        }
        store.EraseRows(rows);
      } else if (what == 9 && random() % 4 == 0) {
        store.Clear();
      }
    }
    std::string changes;
    EncodeTableChanges(store, changes);

    TableStore replayed("DataSetLogins", LoginsSchema());
    DecodeTable(savedFile, replayed);
    ByteReader in(changes, "changes");
    ApplyTableChanges(in, replayed);
    EXPECT_EQ(in.Left(), 0u);
    EXPECT_EQ(Contents(replayed), Contents(store));
  }
}

TEST(TableChangesTest, OnlyTheChangedRowsAreWritten) {
  TableStore store("DataSetLogins", LoginsSchema());
  for (int i = 0; i < 10000; ++i) store.AppendRow(LoginRow(i));
  store.MarkSaved();
  EXPECT_FALSE(store.HasChanges());
  store.EraseRow(9999);
  store.SetRow(5, LoginRow(5));
  store.AppendRow(LoginRow(1));
  std::string changes;
  EncodeTableChanges(store, changes);
  EXPECT_LT(changes.size(), 200u);  // a whole file would take about 500 kB
}

TEST(TableChangesTest, ChangesThatDoNotFitTheRowsAreRefused) {
  TableStore store("DataSetLogins", LoginsSchema());
  for (int i = 0; i < 3; ++i) store.AppendRow(LoginRow(i));
  store.MarkSaved();
  store.EraseRow(2);
  std::string changes;
  EncodeTableChanges(store, changes);

  TableStore shorter("DataSetLogins", LoginsSchema());
  shorter.AppendRow(LoginRow(0));
  ByteReader in(changes, "changes");
  EXPECT_THROW(ApplyTableChanges(in, shorter), TableError);
  for (std::size_t n = 0; n < changes.size(); ++n) {
    TableStore target("DataSetLogins", LoginsSchema());
    for (int i = 0; i < 3; ++i) target.AppendRow(LoginRow(i));
    ByteReader cut(std::string_view(changes).substr(0, n), "changes");
    EXPECT_THROW(ApplyTableChanges(cut, target), TableError) << n;
  }
}

}  // namespace
}  // namespace brenvik
