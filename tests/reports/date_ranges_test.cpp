#include "reports/date_ranges.h"

#include <gtest/gtest.h>

#include "datastore/startup/tables.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return EncodeDateTime(y, mo, d, h, mi, s);
}

constexpr int kMonday = 0;
constexpr int kSunday = 6;

void ExpectBounds(ReportPeriod period, DateTime now, DateTime first, DateTime last,
                  int firstDayOfWeek = kMonday) {
  const PeriodBounds b = GetPeriodBounds(period, now, firstDayOfWeek);
  EXPECT_EQ(FilterDateTimeText(b.first), FilterDateTimeText(first));
  EXPECT_EQ(FilterDateTimeText(b.last), FilterDateTimeText(last));
}

TEST(PeriodItems, ListsNineItemsWithTheLocaleWeekLabel) {
  const std::vector<std::string> items = PeriodItems(kMonday);
  ASSERT_EQ(items.size(), 9U);
  EXPECT_EQ(items[0], "A)  Today");
  EXPECT_EQ(items[kDefaultPeriodIndex], "D)  This Week(Mon-Sun)");
  EXPECT_EQ(items[4], "E)  Previous Week(Mon-Sun)");
  EXPECT_EQ(items[8], "I)  Previous Year");
  EXPECT_EQ(PeriodItems(kSunday)[3], "D)  This Week(Sun-Sat)");
  EXPECT_EQ(WeekDaysLabel(2), "(Wed-Tue)");
  EXPECT_EQ(WeekDaysLabel(-1), "(Mon-Sun)");
}

TEST(RecognisePeriod, FindsTheNameAnywhereInTheItem) {
  EXPECT_EQ(RecognisePeriod("B)  Yesterday"), ReportPeriod::Yesterday);
  EXPECT_EQ(RecognisePeriod("E)  Previous Week(Sun-Sat)"), ReportPeriod::PreviousWeek);
  EXPECT_EQ(RecognisePeriod("This Year"), ReportPeriod::ThisYear);
  EXPECT_FALSE(RecognisePeriod("Z)  Someday").has_value());
}

TEST(PeriodBounds, DaysAreWholeFromMidnightToTheLastSecond) {
  const DateTime now = At(2013, 1, 3, 14, 30, 0);
  ExpectBounds(ReportPeriod::Today, now, At(2013, 1, 3), At(2013, 1, 3, 23, 59, 59));
  ExpectBounds(ReportPeriod::Yesterday, now, At(2013, 1, 2), At(2013, 1, 2, 23, 59, 59));
  ExpectBounds(ReportPeriod::Last7Days, now, At(2012, 12, 28), At(2013, 1, 3, 23, 59, 59));
}

TEST(PeriodBounds, WeeksBeginOnTheLocaleFirstDay) {
  const DateTime wednesday = At(2013, 5, 15, 9, 0, 0);
  ExpectBounds(ReportPeriod::ThisWeek, wednesday, At(2013, 5, 13), At(2013, 5, 19, 23, 59, 59));
  ExpectBounds(ReportPeriod::PreviousWeek, wednesday, At(2013, 5, 6), At(2013, 5, 12, 23, 59, 59));
  const DateTime monday = At(2013, 5, 13, 0, 0, 1);
  ExpectBounds(ReportPeriod::ThisWeek, monday, At(2013, 5, 13), At(2013, 5, 19, 23, 59, 59));
  // A Sunday closes the week that began on Monday.
  const DateTime sunday = At(2013, 5, 19, 23, 0, 0);
  ExpectBounds(ReportPeriod::ThisWeek, sunday, At(2013, 5, 13), At(2013, 5, 19, 23, 59, 59));
  ExpectBounds(ReportPeriod::PreviousWeek, sunday, At(2013, 5, 6), At(2013, 5, 12, 23, 59, 59));
  // Where weeks begin on Sunday, that Sunday starts the week.
  ExpectBounds(ReportPeriod::ThisWeek, sunday, At(2013, 5, 19), At(2013, 5, 25, 23, 59, 59),
               kSunday);
  ExpectBounds(ReportPeriod::ThisWeek, wednesday, At(2013, 5, 12), At(2013, 5, 18, 23, 59, 59),
               kSunday);
}

TEST(PeriodBounds, MonthsAndYearsFollowTheCalendar) {
  ExpectBounds(ReportPeriod::PreviousMonth, At(2012, 3, 1, 0, 30, 0), At(2012, 2, 1),
               At(2012, 2, 29, 23, 59, 59));
  ExpectBounds(ReportPeriod::PreviousMonth, At(2013, 1, 15), At(2012, 12, 1),
               At(2012, 12, 31, 23, 59, 59));
  ExpectBounds(ReportPeriod::ThisMonth, At(2013, 4, 30, 23, 59, 59), At(2013, 4, 1),
               At(2013, 4, 30, 23, 59, 59));
  ExpectBounds(ReportPeriod::ThisYear, At(2013, 6, 1), At(2013, 1, 1),
               At(2013, 12, 31, 23, 59, 59));
  ExpectBounds(ReportPeriod::PreviousYear, At(2013, 1, 1, 0, 0, 1), At(2012, 1, 1),
               At(2012, 12, 31, 23, 59, 59));
}

TEST(GetDateRangeString, PredefinedPeriodGivesTheOverlapTermAndItsBounds) {
  DateRangeRequest request;
  request.predefinedPeriod = true;
  request.periodItem = "H)  This Year";
  const DateRange r = GetDateRangeString(request, At(2013, 6, 1, 10, 0, 0), kMonday);
  EXPECT_EQ(r.term,
            " not((cdsHistoryDateTimeStart>'2013-12-31 23:59:59')"
            "or(cdsHistoryDateTimeEnd<'2013-01-01 00:00:00'))");
  EXPECT_EQ(r.dateAfter, At(2013, 1, 1));
  EXPECT_EQ(FilterDateTimeText(r.dateBefore), "2013-12-31 23:59:59");

  request.periodItem = "nothing known";
  request.dateAfter = At(2000, 1, 1);
  const DateRange none = GetDateRangeString(request, At(2013, 6, 1), kMonday);
  EXPECT_EQ(none.term, "");
  EXPECT_EQ(none.dateAfter, At(2000, 1, 1));
}

TEST(GetDateRangeString, RangeCombinesDatesWithTimesOfDay) {
  DateRangeRequest request;
  request.dateAfter = At(2013, 5, 1, 17, 45, 0);  // the picker's time part is ignored
  request.timeAfter = At(1999, 9, 9, 8, 0, 0);    // and so is the time picker's date
  request.dateBefore = At(2013, 5, 7);
  request.timeBefore = At(1899, 12, 30, 0, 0, 0);
  request.afterTicked = true;
  EXPECT_EQ(GetDateRangeString(request, At(2013, 6, 1), kMonday).term,
            "(cdsHistoryDateTimeEnd >= '2013-05-01 08:00:00')");
  request.afterTicked = false;
  request.beforeTicked = true;
  EXPECT_EQ(GetDateRangeString(request, At(2013, 6, 1), kMonday).term,
            "(cdsHistoryDateTimeStart <= '2013-05-07 00:00:00')");
  request.afterTicked = true;
  const DateRange both = GetDateRangeString(request, At(2013, 6, 1), kMonday);
  EXPECT_EQ(both.term,
            " not((cdsHistoryDateTimeStart>'2013-05-07 00:00:00')"
            "or(cdsHistoryDateTimeEnd<'2013-05-01 08:00:00'))");
  EXPECT_EQ(both.dateAfter, request.dateAfter);  // left as they were
  request.afterTicked = request.beforeTicked = false;
  EXPECT_EQ(GetDateRangeString(request, At(2013, 6, 1), kMonday).term, "");
}

TEST(FilterDateTimeText, PadsEveryPartAndDropsMilliseconds) {
  EXPECT_EQ(FilterDateTimeText(EncodeDateTime(987, 3, 4, 5, 6, 7, 999)), "0987-03-04 05:06:07");
}

// The terms are read by the table engine's filter: which history rows pass.
class DateRangeFilterTest : public ::testing::Test {
 protected:
  DateRangeFilterTest() : history_("DataSetHistory", HistorySchema()) { history_.CreateEmpty(); }
  void AddRow(DateTime start, DateTime end) {
    std::vector<FieldValue> values(HistorySchema().size());
    values[history::kDateTimeStart.index] = FieldValue(start);
    values[history::kDateTimeEnd.index] = FieldValue(end);
    history_.Append(values);
  }
  std::size_t Passing(const std::string& term) {
    Cursor cursor(history_);
    cursor.SetFilter(term);
    cursor.SetFiltered(true);
    return cursor.RecordCount();
  }
  Table history_;
};

TEST_F(DateRangeFilterTest, AfterBoundAdmitsRowsEndingExactlyAtIt) {
  AddRow(At(2013, 4, 30, 22, 0, 0), At(2013, 5, 1, 8, 0, 0));
  AddRow(At(2013, 4, 30, 22, 0, 0), At(2013, 5, 1, 7, 59, 59));
  DateRangeRequest request;
  request.afterTicked = true;
  request.dateAfter = At(2013, 5, 1);
  request.timeAfter = At(1899, 12, 30, 8, 0, 0);
  EXPECT_EQ(Passing(GetDateRangeString(request, At(2013, 6, 1), kMonday).term), 1U);
}

TEST_F(DateRangeFilterTest, RowCrossingMidnightPassesBothDays) {
  AddRow(At(2013, 5, 14, 23, 0, 0), At(2013, 5, 15, 1, 0, 0));
  AddRow(At(2013, 5, 13, 10, 0, 0), At(2013, 5, 13, 11, 0, 0));
  DateRangeRequest request;
  request.predefinedPeriod = true;
  const DateTime now = At(2013, 5, 15, 12, 0, 0);
  request.periodItem = "A)  Today";
  EXPECT_EQ(Passing(GetDateRangeString(request, now, kMonday).term), 1U);
  request.periodItem = "B)  Yesterday";
  EXPECT_EQ(Passing(GetDateRangeString(request, now, kMonday).term), 1U);
  request.periodItem = "D)  This Week(Mon-Sun)";
  EXPECT_EQ(Passing(GetDateRangeString(request, now, kMonday).term), 2U);
}

}  // namespace
}  // namespace brenvik
