// The CSV export against the cell-by-cell form it replaces: every visible
// value read through the cursor as text, quoted with its quotes doubled,
// followed by a tab; the lines end with CR LF.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "records/date_format.h"
#include "reports/uptime/uptime_export.h"
#include "reports/uptime/uptime_report.h"
#include "support/history_rows.h"
#include "support/programs_fixture.h"

namespace brenvik {
namespace {

using test::AppendHistoryRow;

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string CellByCell(Cursor& report, const std::vector<GridColumn>& columns,
                       const LocaleInfo& locale) {
  std::string text;
  for (const GridColumn& column : columns) {
    if (!column.visible) continue;
    text += (text.empty() ? "" : "\t") + column.title;
  }
  text += "\r\n";
  for (report.First(); !report.Eof(); report.Next()) {
    for (const GridColumn& column : columns) {
      if (!column.visible) continue;
      const std::optional<FieldId> id = report.FindField(column.field);
      if (id && !report.IsNull(*id)) {
        const FieldType type = report.Fields()[static_cast<std::size_t>(id->index)].type;
        if (type == FieldType::DateTime)
          text += Quoted(DateTimeToString(report.AsDateTime(*id), locale));
        else
          text += Quoted(report.AsText(*id));
      }
      text += "\t";
    }
    text += "\r\n";
  }
  return text;
}

class UptimeCsv : public ::testing::Test {
 protected:
  UptimeCsv() : table_(test::MakeHistoryTable()) {}

  // Rows of every kind: names with quotes and text that is not ASCII, null
  // times, null spans, runs over the nights when clocks change (local wall
  // times), midnights (written without a time), crashes, long paths.
  void AddVariedRows() {
    const std::vector<std::string> users = {
        "",     "ann \"the admin\" [PC1]", "Jürgen Öztürk [Büro]",
        "\"\"", "李小龙 [电脑]",           "tab\there"};
    const std::vector<std::string> paths = {
        "Windows", "C:\\Apps\\edit.exe", "C:\\Programme\\Größe\\\"quoted\".exe", "/usr/bin/<tool>",
        "C:\\" + std::string(300, 'x') + ".exe"};
    const std::vector<DateTime> starts = {EncodeDateTime(2024, 3, 31, 1, 30, 0),
                                          EncodeDateTime(2024, 10, 27, 2, 30, 0),
                                          EncodeDateTime(2024, 3, 10, 1, 59, 59),
                                          EncodeDateTime(2024, 11, 3, 1, 0, 0),
                                          EncodeDate(2013, 5, 1),
                                          EncodeDateTime(1999, 12, 31, 23, 59, 59)};
    std::mt19937 random(7);
    for (int i = 0; i < 600; ++i) {
      test::HistoryRow row;
      row.user = users[i % users.size()];
      row.exePath = paths[i % paths.size()];
      row.start = i < 6 ? starts[static_cast<std::size_t>(i)]
                        : EncodeDate(2000, 1, 1) +
                              std::uniform_int_distribution<int>(0, 9000 * 86400)(random) / 86400.0;
      row.end = row.start + std::uniform_int_distribution<int>(0, 3 * 86400)(random) / 86400.0;
      row.idleSeconds = i % 7 * 1000;
      row.activeSeconds = i % 11 * 123456;
      row.closedOk = i % 3 != 0;
      row.incomplete = i % 13 == 0;
      row.nullTimes = i % 17 == 5;
      row.nullEnd = i % 19 == 4;
      row.nullSpans = i % 23 == 3;
      AppendHistoryRow(*table_, row);
    }
  }

  Cursor& Report() {
    report_ = std::make_unique<Cursor>(*table_);
    report_->SetCalcHandler(MakeHistoryCalcHandler(programs_.directory));
    return *report_;
  }

  test::ProgramsFixture programs_;
  std::unique_ptr<Table> table_;
  std::unique_ptr<Cursor> report_;
};

LocaleInfo American() {
  LocaleInfo locale;
  locale.shortDateFormat = "m/d/yyyy";
  locale.dateSeparator = "/";
  locale.longTimeFormat = "h:nn:ss ampm";
  return locale;
}

// A locale whose date form writes quotes and text that is not ASCII.
LocaleInfo Quoting() {
  LocaleInfo locale;
  locale.shortDateFormat = "'\"'d. mmmm yyyy'\"' (ddd)";
  locale.longMonthNames[2] = "März";
  locale.shortDayNames[0] = "So\"";
  locale.longTimeFormat = "hh.nn.ss";
  return locale;
}

TEST_F(UptimeCsv, IsTheCellByCellTextForEveryLayoutAndLocale) {
  AddVariedRows();
  std::vector<GridColumn> everything = DefaultHistoryColumns();
  for (GridColumn& column : everything) column.visible = true;
  std::vector<GridColumn> moved = WithExportColumns(DefaultHistoryColumns());
  std::swap(moved[0], moved[4]);
  moved.push_back({"cdsNoSuchField", "Nothing", -1, true});  // a column without a field
  for (const LocaleInfo& locale : {LocaleInfo{}, American(), Quoting()}) {
    for (const auto& layout : {WithExportColumns(DefaultHistoryColumns()), everything, moved}) {
      Cursor& report = Report();
      EXPECT_EQ(UptimeCsvText(report, layout, locale), CellByCell(report, layout, locale))
          << "short date " << locale.shortDateFormat;
    }
  }
}

TEST_F(UptimeCsv, KeepsTheFilterOrderAndTheCurrentRow) {
  AddVariedRows();
  Cursor& report = Report();
  report.SetFilter("cdsHistoryClosedOk = False");
  report.SetFiltered(true);
  report.MoveToRecNo(17);
  const std::vector<GridColumn> layout = WithExportColumns(DefaultHistoryColumns());
  const std::string text = UptimeCsvText(report, layout, LocaleInfo{});
  EXPECT_EQ(report.RecNo(), 17u);
  EXPECT_EQ(text, CellByCell(report, layout, LocaleInfo{}));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 201);  // 200 crashed rows and the titles
}

}  // namespace
}  // namespace brenvik
