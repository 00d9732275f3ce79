// The Windows locale: the translation of Windows date and time pictures, and
// the user's locale formatting dates exactly as Windows formats them, also
// after the user changed the pictures.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_locale.h"
#include "records/date_format.h"

namespace brenvik {
namespace {

const DateTime kEvening = EncodeDateTime(2013, 4, 30, 17, 5, 9);
const DateTime kMorning = EncodeDateTime(2013, 4, 7, 8, 5, 9);  // a Sunday

TEST(WindowsPictureToPattern, TranslatesTheFieldsOfDateAndTimePictures) {
  EXPECT_EQ(WindowsPictureToPattern("dd.MM.yyyy"), "dd.mm.yyyy");
  EXPECT_EQ(WindowsPictureToPattern("M/d/yyyy"), "m/d/yyyy");
  EXPECT_EQ(WindowsPictureToPattern("HH:mm:ss"), "hh:nn:ss");
  EXPECT_EQ(WindowsPictureToPattern("h:mm:ss tt"), "h:nn:ss ampm");
  EXPECT_EQ(WindowsPictureToPattern("dddd, MMMM d, yyyy"), "dddd, mmmm d, yyyy");
  EXPECT_EQ(WindowsPictureToPattern("yy-M-d"), "yy-m-d");
  EXPECT_EQ(WindowsPictureToPattern("gg yyyy/MM/dd"), " yyyy/mm/dd");
}

TEST(WindowsPictureToPattern, KeepsQuotedAndUnknownTextLiteral) {
  LocaleInfo names;
  EXPECT_EQ(FormatDateTime(WindowsPictureToPattern("d 'de' MMMM 'de' yyyy"), kEvening, names),
            "30 de April de 2013");
  EXPECT_EQ(FormatDateTime(WindowsPictureToPattern("'Uhr' HH 'o''clock'"), kEvening, names),
            "Uhr 17 o'clock");
  EXPECT_EQ(FormatDateTime(WindowsPictureToPattern("HH'h'mm"), kEvening, names), "17h05");
  EXPECT_EQ(FormatDateTime(WindowsPictureToPattern("\"yyyy\" xM"), kEvening, names), "\"2013\" x4");
  EXPECT_EQ(FormatDateTime(WindowsPictureToPattern("h:mm:ss tt"), kEvening, names), "5:05:09 PM");
}

std::string WindowsDate(DWORD flags, DateTime value, const wchar_t* picture = nullptr) {
  const DateParts d = DecodeDate(value);
  SYSTEMTIME st{static_cast<WORD>(d.year),
                static_cast<WORD>(d.month),
                0,
                static_cast<WORD>(d.day),
                0,
                0,
                0,
                0};
  wchar_t buffer[200] = {};
  ::GetDateFormatW(LOCALE_USER_DEFAULT, flags, &st, picture, buffer, 200);
  return WideToUtf8(buffer, 200);
}

std::string WindowsTime(DateTime value) {
  const TimeParts t = DecodeTime(value);
  SYSTEMTIME st{2013,
                4,
                0,
                30,
                static_cast<WORD>(t.hour),
                static_cast<WORD>(t.minute),
                static_cast<WORD>(t.second),
                0};
  wchar_t buffer[200] = {};
  ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, 200);
  return WideToUtf8(buffer, 200);
}

void ExpectFormatsLikeWindows(const LocaleInfo& info) {
  for (DateTime value : {kEvening, kMorning}) {
    EXPECT_EQ(FormatDateTime(info.shortDateFormat, value, info),
              WindowsDate(DATE_SHORTDATE, value));
    EXPECT_EQ(FormatDateTime(info.longDateFormat, value, info), WindowsDate(DATE_LONGDATE, value));
    EXPECT_EQ(FormatDateTime(info.longTimeFormat, value, info), WindowsTime(value));
  }
}

// Changes the user's pictures for one test and puts them back afterwards.
class UserPictures : public ::testing::Test {
 protected:
  void Set(LCTYPE type, const wchar_t* value) {
    wchar_t old[100] = {};
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, old, 100);
    saved_.emplace_back(type, old);
    ASSERT_TRUE(::SetLocaleInfoW(LOCALE_USER_DEFAULT, type, value));
  }
  ~UserPictures() override {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      ::SetLocaleInfoW(LOCALE_USER_DEFAULT, it->first, it->second.c_str());
    }
  }
  std::vector<std::pair<LCTYPE, std::wstring>> saved_;
};

TEST_F(UserPictures, TheLocaleFormatsAsWindowsDoes) {
  const LocaleInfo info = Win32Locale().Current();
  ExpectFormatsLikeWindows(info);
  // Names by weekday and month: 2013-04-07 is a Sunday.
  EXPECT_EQ(FormatDateTime("dddd ddd mmmm mmm", kMorning, info),
            WindowsDate(0, kMorning, L"dddd ddd MMMM MMM"));
}

TEST_F(UserPictures, ChangedPicturesAndFirstDayAreFollowed) {
  Set(LOCALE_SSHORTDATE, L"dd.MM.yyyy");
  Set(LOCALE_STIMEFORMAT, L"HH:mm:ss");
  Set(LOCALE_SLONGDATE, L"dddd, d. MMMM yyyy");
  Set(LOCALE_IFIRSTDAYOFWEEK, L"0");
  const LocaleInfo info = Win32Locale().Current();
  EXPECT_EQ(info.shortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(info.longTimeFormat, "hh:nn:ss");
  EXPECT_EQ(info.firstDayOfWeek, 0);
  ExpectFormatsLikeWindows(info);
  EXPECT_EQ(DateTimeToString(kEvening, info), "30.04.2013 17:05:09");

  Set(LOCALE_IFIRSTDAYOFWEEK, L"6");
  EXPECT_EQ(Win32Locale().Current().firstDayOfWeek, 6);
}

TEST(Win32Locale, TextsCompareByTheUserLocaleAndKeepLetterCase) {
  Win32Locale locale;
  EXPECT_LT(locale.CompareText("ann", "Bob"), 0);
  EXPECT_GT(locale.CompareText("carl", "Bob"), 0);
  EXPECT_NE(locale.CompareText("bob", "Bob"), 0);
  EXPECT_EQ(locale.CompareText("B\xC3\xB6"
                               "b",
                               "B\xC3\xB6"
                               "b"),
            0);
}

}  // namespace
}  // namespace brenvik
