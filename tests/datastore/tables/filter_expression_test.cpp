#include "datastore/tables/filter_expression.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "datastore/startup/tables.h"
#include "records/date_time.h"

namespace brenvik {
namespace {

struct Row {
  const char* user;
  const char* path;  // "Windows" for Windows rows
  DateTime start;
  DateTime end;
  bool closedOk;
};

class FilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Row rows[] = {
        {"", "Windows", EncodeDateTime(2013, 4, 30, 7, 0, 0), EncodeDateTime(2013, 5, 1, 8, 0, 0),
         true},
        {"ann [PC1]", "C:\\Apps\\x.exe", EncodeDateTime(2013, 4, 30, 9, 0, 0),
         EncodeDateTime(2013, 5, 1, 7, 59, 59), true},
        {"O'Neil [PC1]", "C:\\O'Brien\\tool.exe", EncodeDateTime(2013, 5, 2, 10, 0, 0),
         EncodeDateTime(2013, 5, 2, 11, 0, 0), false},
        {"bob [PC1]", "C:\\Apps\\X.exe", EncodeDateTime(2013, 5, 3, 0, 0, 0),
         EncodeDateTime(2013, 5, 3, 1, 0, 0), true},
        {"", "Windows", EncodeDateTime(2013, 5, 3, 0, 0, 0), EncodeDateTime(2013, 5, 4, 0, 0, 0),
         false},
    };
    for (const Row& r : rows) {
      const bool windows = std::string(r.path) == "Windows";
      store.AppendRow({std::int64_t{1}, r.user, r.path, FieldValue{}, r.start, r.end, FieldValue{},
                       FieldValue{}, FieldValue{}, std::int64_t{0}, 0, std::int64_t{0}, windows,
                       r.closedOk, false, false});
    }
  }

  // 1-based numbers of the rows the expression selects.
  std::vector<int> Select(const std::string& expression) {
    const FilterExpression f = FilterExpression::Parse(expression, store);
    std::vector<int> out;
    for (std::size_t i = 0; i < store.RowCount(); ++i) {
      if (f.Matches(store, i)) out.push_back(static_cast<int>(i + 1));
    }
    return out;
  }

  std::string ErrorOf(const std::string& expression) {
    try {
      FilterExpression::Parse(expression, store);
    } catch (const TableError& e) {
      return e.what();
    }
    return "no error";
  }

  TableStore store{"DataSetHistory", HistorySchema()};
};

using Rows = std::vector<int>;

TEST_F(FilterTest, EventTypeAndSourceTerms) {
  EXPECT_EQ(Select(""), (Rows{1, 2, 3, 4, 5}));
  EXPECT_EQ(Select(" cdsHistoryClosedOk = true"), (Rows{1, 2, 4}));
  EXPECT_EQ(Select(" cdsHistoryClosedOk = false"), (Rows{3, 5}));
  EXPECT_EQ(Select("cdsHistoryIsWindows = true"), (Rows{1, 5}));
  EXPECT_EQ(Select("cdsHistoryIsWindows = false"), (Rows{2, 3, 4}));
}

TEST_F(FilterTest, ProgramListsInExclusionAndInclusionFormWithApostrophes) {
  EXPECT_EQ(Select("cdsHistoryIsWindows = false and ( cdsHistoryExePath <>'C:\\Apps\\x.exe'"
                   " and cdsHistoryExePath <>'C:\\O''Brien\\tool.exe')"),
            (Rows{4}));
  EXPECT_EQ(
      Select(
          "(cdsHistoryExePath ='C:\\O''Brien\\tool.exe' or cdsHistoryExePath ='C:\\Apps\\x.exe')"),
      (Rows{2, 3}));
  // Exact and case-sensitive: x.exe is not X.exe.
  EXPECT_EQ(Select("(cdsHistoryExePath ='C:\\Apps\\X.exe')"), (Rows{4}));
  EXPECT_EQ(Select("cdsHistoryIsWindows = false and (cdsHistoryComputerUser ='O''Neil [PC1]'"
                   " or cdsHistoryComputerUser ='bob [PC1]')"),
            (Rows{3, 4}));
  EXPECT_EQ(Select("cdsHistoryIsWindows = false and ( cdsHistoryComputerUser <>'O''Neil [PC1]')"),
            (Rows{2, 4}));
}

TEST_F(FilterTest, TimeTermsCompareDateTimeLiteralsAsMoments) {
  EXPECT_EQ(Select("(cdsHistoryDateTimeEnd >= '2013-05-01 08:00:00')"), (Rows{1, 3, 4, 5}));
  EXPECT_EQ(Select("(cdsHistoryDateTimeStart <= '2013-05-02 10:00:00')"), (Rows{1, 2, 3}));
  // Overlap with 2013-05-02: starts at or before its end, ends at or after its start.
  EXPECT_EQ(Select(" not((cdsHistoryDateTimeStart>'2013-05-02 23:59:59')or"
                   "(cdsHistoryDateTimeEnd<'2013-05-02 00:00:00'))"),
            (Rows{3}));
  EXPECT_EQ(
      Select(" cdsHistoryClosedOk = true and  not((cdsHistoryDateTimeStart>'2013-05-03 23:59:59')or"
             "(cdsHistoryDateTimeEnd<'2013-05-01 00:00:00')) and cdsHistoryIsWindows = false"),
      (Rows{2, 4}));
}

TEST_F(FilterTest, KeywordsPrecedenceAndNullValues) {
  EXPECT_EQ(
      Select("CDSHISTORYISWINDOWS = TRUE OR cdsHistoryClosedOk = false AND cdsHistoryRunID = 2"),
      (Rows{1, 5}));
  EXPECT_EQ(Select("not cdsHistoryIsWindows = true"), (Rows{2, 3, 4}));
  EXPECT_EQ(Select("1 = cdsHistoryRunID and '2013-05-03 00:00:00' < cdsHistoryDateTimeEnd"),
            (Rows{4, 5}));
  store.AppendRow({std::int64_t{1}, "ann [PC1]", "C:\\n.exe"});  // start and end null
  EXPECT_EQ(Select("cdsHistoryDateTimeStart < '2100-01-01'"), (Rows{1, 2, 3, 4, 5}));
  EXPECT_EQ(Select("not(cdsHistoryDateTimeStart >= '2100-01-01')"), (Rows{1, 2, 3, 4, 5, 6}));
}

TEST_F(FilterTest, MalformedExpressionsRaiseErrorsNamingThePosition) {
  EXPECT_EQ(ErrorOf("cdsHistoryIsWindows = "),
            "Filter expression error at position 23: a value expected, found end of text");
  EXPECT_NE(ErrorOf("cdsHistoryIsWindows = false(cdsHistoryExePath <>'a')").find("position 28"),
            std::string::npos);
  EXPECT_NE(ErrorOf("(cdsHistoryIsWindows = true").find("')' expected"), std::string::npos);
  EXPECT_NE(ErrorOf("cdsHistoryExePath = 'C:\\a.exe").find("closing quote"), std::string::npos);
  EXPECT_NE(ErrorOf("noSuchField = 1").find("unknown field noSuchField"), std::string::npos);
  EXPECT_NE(ErrorOf("cdsHistoryRecUptime = 'x'").find("cannot be filtered"), std::string::npos);
  EXPECT_NE(ErrorOf("cdsHistoryIsWindows = 'true'").find("position 23"), std::string::npos);
  EXPECT_NE(ErrorOf("cdsHistoryRunID = 1.5").find("not a value"), std::string::npos);
  EXPECT_NE(ErrorOf("cdsHistoryDateTimeStart > '2013-02-30 00:00:00'").find("not a value"),
            std::string::npos);
  EXPECT_NE(ErrorOf("cdsHistoryExePath == 'x'").find("position"), std::string::npos);
  EXPECT_NE(ErrorOf("cdsHistoryIsWindows").find("operator expected"), std::string::npos);
  EXPECT_NE(ErrorOf("cdsHistoryRunID = 1 ; drop").find("position 21"), std::string::npos);
}

}  // namespace
}  // namespace brenvik
