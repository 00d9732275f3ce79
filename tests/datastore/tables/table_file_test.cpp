#include "datastore/tables/table_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/table.h"
#include "records/date_time.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

std::uint64_t Bits(double d) {
  std::uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  return u;
}

void AppendHistory(TableStore& store, std::int64_t run, const std::string& user,
                   const std::string& path, DateTime start, DateTime end) {
  store.AppendRow({run, user, path, FieldValue{}, start, end, FieldValue{}, FieldValue{},
                   FieldValue{}, std::int64_t{3600}, 12, std::int64_t{-5}, path == "Windows", true,
                   false, run == 0});
}

TableStore SampleHistory() {
  TableStore store("DataSetHistory", HistorySchema());
  AppendHistory(store, 1, "", "Windows", 41394.123456789012, 41394.987654321098);
  AppendHistory(store, std::int64_t{1} << 40, std::string("nul\0byte", 8), "C:\\O'Brien\\x.exe",
                -693593.5, 2958465.99999);
  AppendHistory(store, 0, "\xFF\xFE not UTF-8", "\xE2\x82\xAC\xF0\x9F\x98\x80", 0.0, NullDate);
  store.AppendRow({std::int64_t{2}});  // everything else null
  return store;
}

TEST(TableFileTest, RowsAreReadBackExactly) {
  const TableStore original = SampleHistory();
  TableStore copy("DataSetHistory", HistorySchema());
  DecodeTable(EncodeTable(original), copy);
  ASSERT_EQ(copy.RowCount(), original.RowCount());
  for (std::size_t row = 0; row < original.RowCount(); ++row) {
    for (std::size_t f = 0; f < original.Fields().size(); ++f) {
      const FieldId id{static_cast<int>(f)};
      const FieldValue a = original.ValueAt(row, id);
      const FieldValue b = copy.ValueAt(row, id);
      SCOPED_TRACE("row " + std::to_string(row) + " field " + original.Def(id).name);
      ASSERT_EQ(a.kind(), b.kind());
      EXPECT_EQ(Bits(a.number()), Bits(b.number()));
      EXPECT_EQ(a.integer(), b.integer());
      EXPECT_EQ(a.text(), b.text());
    }
  }
}

// Null maps are spread byte by byte, skipping bytes without a null: nulls at
// the start, inside and at the end of each byte all come back, and rows
// appended after the open go on from the rows read.
TEST(TableFileTest, NullsAtEveryPlaceOfTheMapAreReadBack) {
  TableStore original("DataSetLogins", LoginsSchema());
  for (int row = 0; row < 37; ++row) {
    const bool nullUser = row % 8 == 0 || row % 8 == 7 || row == 36;
    original.AppendRow({std::int64_t{row}, nullUser ? FieldValue{} : FieldValue("ann"), "PC1",
                        row % 3 == 0 ? FieldValue{} : FieldValue(41394.0 + row)});
  }
  TableStore copy("DataSetLogins", LoginsSchema());
  DecodeTable(EncodeTable(original), copy);
  for (std::size_t row = 0; row < original.RowCount(); ++row) {
    for (const FieldId id : {logins::kUser, logins::kDateTimeStart, logins::kDateTimeEnd}) {
      EXPECT_EQ(copy.IsNull(row, id), original.IsNull(row, id)) << row << " " << id.index;
    }
  }
  copy.AppendRow({std::int64_t{99}, "bob"});
  EXPECT_EQ(copy.RowCount(), 38u);
  EXPECT_EQ(copy.TextAt(37, logins::kUser), "bob");
  EXPECT_EQ(copy.TextAt(35, logins::kUser), "ann");
  EXPECT_TRUE(copy.IsNull(36, logins::kUser));
}

// A row count larger than the columns could hold is refused before any room
// is made for the rows, even when the checksum is right.
TEST(TableFileTest, ARowCountBeyondTheColumnsIsRefused) {
  TableStore original("DataSetLogins", LoginsSchema());
  original.AppendRow({std::int64_t{1}, "ann"});
  std::string bytes = EncodeTable(original);
  const std::size_t at = bytes.find(std::string("\x01\0\0\0\0\0\0\0", 8), 8 + 4 + 8 + 4 + 13);
  ASSERT_NE(at, std::string::npos);
  const std::uint64_t claimed = 20;
  std::memcpy(bytes.data() + at, &claimed, sizeof claimed);
  bytes.resize(bytes.size() - 4);
  const std::uint32_t crc = Crc32(bytes);
  bytes.append(reinterpret_cast<const char*>(&crc), 4);
  TableStore target("DataSetLogins", LoginsSchema());
  EXPECT_THROW(DecodeTable(bytes, target), TableError);
}

TEST(TableFileTest, EveryTruncationAndEveryFlippedByteIsRefused) {
  const std::string bytes = EncodeTable(SampleHistory());
  TableStore target("DataSetHistory", HistorySchema());
  target.AppendRow({std::int64_t{7}});
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_THROW(DecodeTable(std::string_view(bytes).substr(0, n), target), TableError) << n;
    std::string damaged = bytes;
    damaged[n] = static_cast<char>(damaged[n] ^ 0x20);
    EXPECT_THROW(DecodeTable(damaged, target), TableError) << n;
  }
  EXPECT_EQ(target.RowCount(), 1u);  // a refused file leaves the rows as they were
  EXPECT_EQ(target.LargeintAt(0, history::kRunId), 7);
}

TEST(TableFileTest, RandomBytesAreRefused) {
  std::mt19937 random(20130430);
  TableStore target("DataSetHistory", HistorySchema());
  for (int i = 0; i < 200; ++i) {
    std::string bytes(random() % 400, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    if (i % 2 == 0 && bytes.size() >= 8) bytes.replace(0, 8, kTableFileMagic);
    EXPECT_THROW(DecodeTable(bytes, target), TableError);
  }
}

// A file with a valid checksum whose content was changed on purpose.
std::string Resealed(std::string bytes, std::size_t at, std::string_view patch) {
  bytes.resize(bytes.size() - 4);
  bytes.replace(at, patch.size(), patch);
  const std::uint32_t crc = Crc32(bytes);
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  return bytes;
}

TEST(TableFileTest, AnotherVersionOrAnotherTablesSchemaIsRefused) {
  const std::string bytes = EncodeTable(SampleHistory());
  TableStore history("DataSetHistory", HistorySchema());
  try {
    DecodeTable(Resealed(bytes, 8, std::string("\x63\0\0\0", 4)), history);
    FAIL() << "version 99 was accepted";
  } catch (const TableError& e) {
    EXPECT_NE(std::string(e.what()).find("format version 99"), std::string::npos);
  }
  TableStore logins("DataSetLogins", LoginsSchema());
  EXPECT_THROW(DecodeTable(bytes, logins), TableError);
  TableStore renamed("DataSetHistory", [] {
    auto schema = HistorySchema();
    schema[10].type = FieldType::Largeint;  // cdsHistoryIdleSeconds
    return schema;
  }());
  EXPECT_THROW(DecodeTable(bytes, renamed), TableError);
  // Booleans that are neither 0 nor 1 (the last bytes are cdsHistoryIsImported).
  EXPECT_THROW(DecodeTable(Resealed(bytes, bytes.size() - 20, std::string(16, '\xFF')), history),
               TableError);
}

// A calculated field holds no column: adding one to the schema, or dropping
// one, must leave the files already on disk readable, row for row. A stored
// field more or less is still another schema.
TEST(TableFileTest, OnlyTheStoredFieldsOfTheSchemaMustMatch) {
  const TableStore original = SampleHistory();
  const std::string bytes = EncodeTable(original);
  const auto withSchema = [](auto change) {
    std::vector<FieldDef> schema = HistorySchema();
    change(schema);
    return TableStore("DataSetHistory", schema);
  };
  TableStore added = withSchema([](auto& s) {
    s.push_back({"cdsRecExtra", FieldType::Calculated, 9});
  });
  TableStore dropped = withSchema([](auto& s) {
    std::erase_if(s, [](const FieldDef& f) { return f.type == FieldType::Calculated; });
  });
  for (TableStore* store : {&added, &dropped}) {
    DecodeTable(bytes, *store);
    ASSERT_EQ(store->RowCount(), original.RowCount());
    for (std::size_t row = 0; row < original.RowCount(); ++row) {
      for (const FieldDef& f : store->Fields()) {
        if (f.type == FieldType::Calculated) continue;
        SCOPED_TRACE(f.name + " row " + std::to_string(row));
        const FieldValue a = original.ValueAt(row, original.Field(f.name));
        const FieldValue b = store->ValueAt(row, store->Field(f.name));
        ASSERT_EQ(a.kind(), b.kind());
        EXPECT_EQ(Bits(a.number()), Bits(b.number()));
        EXPECT_EQ(a.integer(), b.integer());
        EXPECT_EQ(a.text(), b.text());
      }
    }
  }
  // The file written with the added field reads back under today's schema.
  TableStore today("DataSetHistory", HistorySchema());
  EXPECT_EQ(DecodeTable(EncodeTable(added, 7), today), 7u);
  EXPECT_EQ(today.RowCount(), original.RowCount());

  TableStore storedMore = withSchema([](auto& s) {
    s.push_back({"cdsExtra", FieldType::Integer, 0});
  });
  EXPECT_THROW(DecodeTable(bytes, storedMore), TableError);
  TableStore storedLess = withSchema([](auto& s) { s.pop_back(); });
  EXPECT_THROW(DecodeTable(bytes, storedLess), TableError);
  TableStore calculatedForStored =
      withSchema([](auto& s) { s.back().type = FieldType::Calculated; });
  EXPECT_THROW(DecodeTable(bytes, calculatedForStored), TableError);
}

TEST(TableFileTest, CloseWritesOnlyWhenChangedOrWhenTheFileIsMissing) {
  test::TempDir dir;
  Table table("DataSetLogins", LoginsSchema());
  table.SetFileName(test::NativeFiles(), dir.File("Logins.cds"));
  table.CreateEmpty();
  table.Append({std::int64_t{1}, "ann", "PC1"});
  table.Close();  // changed and missing: written
  ASSERT_TRUE(FileExists(dir.File("Logins.cds")));

  table.OpenFromFile();
  EXPECT_EQ(table.RecordCount(), 1u);
  EXPECT_EQ(table.AsText(logins::kUser), "ann");
  EXPECT_FALSE(table.Changed());
  const std::string marker = "left alone";
  dir.Write("Logins.cds", marker);
  table.Close();  // unchanged and present: not written
  EXPECT_EQ(ReadFileBytes(dir.File("Logins.cds")), marker);

  EXPECT_THROW(table.OpenFromFile(), TableError);
  EXPECT_FALSE(table.IsOpen());
  test::NativeFiles().RemoveFile(dir.File("Logins.cds"));
  table.CreateEmpty();
  table.Close();  // unchanged but missing: written
  table.OpenFromFile();
  EXPECT_TRUE(table.IsEmpty());
}

// A table opened from its file reads the file in place: a change after the
// open leaves the file's bytes as they were until the table is saved, a
// save while the old file is still read replaces the file whole, and rows
// read before and after the save are the same.
TEST(TableFileTest, ChangesAfterTheOpenReachTheFileOnlyWhenSaved) {
  test::TempDir dir;
  const std::string path = dir.File("Logins.cds");
  {
    Table table("DataSetLogins", LoginsSchema());
    table.SetFileName(test::NativeFiles(), path);
    table.CreateEmpty();
    for (int row = 0; row < 100; ++row) {
      table.Append({std::int64_t{row}, row % 9 == 0 ? FieldValue{} : FieldValue("ann"), "PC1",
                    41394.0 + row});
    }
    table.Close();
  }
  const std::string original = ReadFileBytes(path);
  Table table("DataSetLogins", LoginsSchema());
  table.SetFileName(test::NativeFiles(), path);
  table.OpenFromFile();
  table.MoveToRecNo(50);
  table.Edit();
  table.Set(logins::kUser, "bob");
  table.Set(logins::kDateTimeStart, FieldValue{});
  table.Post();
  table.Last();
  table.Delete();                                          // the last row
  table.Append({std::int64_t{100}, FieldValue{}, "PC2"});  // and one more
  EXPECT_EQ(ReadFileBytes(path), original);

  auto expectRows = [](Table& t) {
    ASSERT_EQ(t.RecordCount(), 100u);
    t.MoveToRecNo(50);
    EXPECT_EQ(t.AsText(logins::kUser), "bob");
    EXPECT_TRUE(t.IsNull(logins::kDateTimeStart));
    t.MoveToRecNo(10);
    EXPECT_TRUE(t.IsNull(logins::kUser));
    EXPECT_EQ(t.AsDateTime(logins::kDateTimeStart), 41394.0 + 9);
    t.Last();
    EXPECT_EQ(t.AsLargeint(logins::kRunId), 100);
    EXPECT_EQ(t.AsText(logins::kDomain), "PC2");
  };
  expectRows(table);
  table.Save();
  EXPECT_NE(ReadFileBytes(path), original);
  expectRows(table);
  table.MoveToRecNo(20);
  table.Edit();
  table.Set(logins::kDomain, "PC3");
  table.Post();
  table.Close();

  table.OpenFromFile();
  expectRows(table);
  table.MoveToRecNo(20);
  EXPECT_EQ(table.AsText(logins::kDomain), "PC3");
  table.Close();
}

}  // namespace
}  // namespace brenvik
