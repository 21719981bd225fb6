// Date-time values, their text forms, and DOS dates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "tests/support/Raised.h"
#include "tests/support/Scoped.h"
#include "tests/support/TempDir.h"

namespace {
class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = FormatSettings(); }
  void TearDown() override { FormatSettings() = saved_; }
  TFormatSettings saved_;
};

TEST_F(DateTimeTest, DaysCountFrom1899_12_30AndRoundTrip) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  for (int year : {1600, 1899, 1900, 1970, 1980, 2000, 2024, 2099, 2107, 9999}) {
    for (int month : {1, 2, 12}) {
      const int day = month == 2 && (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 29 : 28;
      int y, m, d;
      DecodeDate(EncodeDate(year, month, day), y, m, d);
      EXPECT_EQ(y * 10000 + m * 100 + d, year * 10000 + month * 100 + day);
    }
  }
  int h, n, s, ms;
  DecodeTime(EncodeTime(23, 59, 58, 0), h, n, s, ms);
  EXPECT_EQ(h * 10000 + n * 100 + s, 235958);
}

TEST_F(DateTimeTest, NoCalendarValueRaisesTheConversionMessages) {
  struct Bad {
    int a, b, c;
  };
  for (Bad d : {Bad{1980, 0, 1}, Bad{1980, 13, 1}, Bad{1980, 1, 0}, Bad{2001, 2, 29}, Bad{2000, 4, 31}}) {
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { EncodeDate(d.a, d.b, d.c); }), "日付に変換できない値が渡されました")
        << d.a << "-" << d.b << "-" << d.c;
  }
  for (Bad t : {Bad{24, 0, 0}, Bad{0, 60, 0}, Bad{0, 0, 60}, Bad{0, 0, 62}}) {
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { EncodeTime(t.a, t.b, t.c, 0); }), "時刻に変換できない値が渡されました")
        << t.a << ":" << t.b << ":" << t.c;
  }
}

TEST_F(DateTimeTest, FormatsWithTheFrameworkLetters) {
  const TDateTime moment = EncodeDate(2001, 5, 6) + EncodeTime(13, 2, 3, 0);
  FormatSettings().DateSeparator = '/';
  FormatSettings().TimeSeparator = ':';
  struct Row {
    const char* format;
    const char* text;
  };
  for (Row row : {Row{"yyyy/mm/dd", "2001/05/06"}, Row{"d/m/yy", "6/5/01"}, Row{"hh:nn:ss", "13:02:03"},
                  Row{"h:nn am/pm", "1:02 pm"}, Row{"hh:nn ampm", "01:02 PM"}, Row{"yyyy\"year\"", "2001year"}}) {
    EXPECT_EQ(FormatDateTime(row.format, moment), row.text) << row.format;
  }
  FormatSettings().DateSeparator = '-';
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", moment), "2001-05-06") << "'/' stands for the date separator";
}

TEST_F(DateTimeTest, TheShortDateFormatIsTheLocalesOwnAndTheWindowsOrderWithoutARegion) {
  // Real locales, made here (legacy character sets keep that quick). The
  // output is a path: a bare name would go into the system's locale archive.
  TempDir locales;
  struct Made {
    const char* source;
    const char* charmap;
    const char* name;
  };
  for (const Made& m : {Made{"en_US", "ISO-8859-1", "en_US.ISO-8859-1"},
                        Made{"de_DE", "ISO-8859-1", "de_DE.ISO-8859-1"}, Made{"ja_JP", "EUC-JP", "ja_JP.EUC-JP"}})
    RunOrFail(std::string("localedef -i ") + m.source + " -f " + m.charmap + " " + Quote(locales / m.name));
  struct Case {
    const char* locale;
    bool madeHere;  // found through LOCPATH, which hides the system's own locales
    const char* shortDate;
  };
  const Case cases[] = {
      // No region: its mm/dd/yy would hide the century.
      {"C", false, "yyyy/mm/dd"},
      {"POSIX", false, "yyyy/mm/dd"},
      {"C.UTF-8", false, "yyyy/mm/dd"},
      {"xx_NOWHERE.UTF-8", false, "yyyy/mm/dd"},  // not installed: the C locale stands in
      {"en_US.ISO-8859-1", true, "mm/dd/yyyy"},
      {"de_DE.ISO-8859-1", true, "dd.mm.yyyy"},
      {"ja_JP.EUC-JP", true,
       "yyyy\xC7\xAF"
       "mm\xB7\xEE"
       "dd\xC6\xFC"},  // 年 月 日 in EUC-JP
  };
  for (const Case& c : cases) {
    ScopedEnvironment path("LOCPATH", c.madeHere ? locales.path().string() : "");
    ScopedEnvironment all("LC_ALL", c.locale);
    LoadRegionalFormats();
    EXPECT_EQ(FormatSettings().ShortDateFormat, c.shortDate) << c.locale;
  }
  // Only the time category counts.
  ScopedEnvironment path("LOCPATH", locales.path().string());
  ScopedEnvironment all("LC_ALL", "");
  ScopedEnvironment everything("LANG", "de_DE.ISO-8859-1");
  ScopedEnvironment time("LC_TIME", "C");
  LoadRegionalFormats();
  EXPECT_EQ(FormatSettings().ShortDateFormat, "yyyy/mm/dd");
}

// The time of day as each region writes it, 12-hour clocks included (en_US
// asks for its %r, "%I:%M:%S %p"); texts in the locale's own character set.
TEST_F(DateTimeTest, TimesAreWrittenAsTheRegionWritesThem) {
  TempDir locales;
  struct Case {
    const char* source;
    const char* charmap;
    const char* longTime;
    const char* afternoon;  // 14:05:06
    // 2020-01-02 in the window's date format "yyyy/mm/dd": the region's
    // separator where it has one of a byte, else "/".
    const char* windowDate;
  };
  const Case cases[] = {
      {"en_US", "ISO-8859-1", "hh:nn:ss ampm", "02:05:06 PM", "2020/01/02"},
      {"en_GB", "ISO-8859-1", "hh:nn:ss", "14:05:06", "2020/01/02"},
      {"de_DE", "ISO-8859-1", "hh:nn:ss", "14:05:06", "2020.01.02"},
      {"fr_FR", "ISO-8859-1", "hh:nn:ss", "14:05:06", "2020/01/02"},
      {"ja_JP", "EUC-JP", "hh\xBB\xFEnn\xCA\xACss\xC9\xC3",
       "14\xBB\xFE"
       "05\xCA\xAC"
       "06\xC9\xC3",
       "2020/01/02"},  // 時 分 秒
      {"ja_JP", "UTF-8", "hh時nn分ss秒", "14時05分06秒", "2020/01/02"},
      {"zh_CN", "GB2312", "hh\xCA\xB1nn\xB7\xD6ss\xC3\xEB",
       "14\xCA\xB1"
       "05\xB7\xD6"
       "06\xC3\xEB",
       "2020/01/02"},  // 时 分 秒
      {"ko_KR", "EUC-KR", "hh\xBD\xC3 nn\xBA\xD0 ss\xC3\xCA", "14\xBD\xC3 05\xBA\xD0 06\xC3\xCA",
       "2020/01/02"},  // 시 분 초
  };
  for (const Case& c : cases) {
    const std::string name = std::string(c.source) + "." + c.charmap;
    RunOrFail(std::string("localedef -i ") + c.source + " -f " + c.charmap + " " + Quote(locales / name));
    ScopedEnvironment path("LOCPATH", locales.path().string());
    ScopedEnvironment all("LC_ALL", name);
    LoadRegionalFormats();
    EXPECT_EQ(FormatSettings().LongTimeFormat, c.longTime) << name;
    EXPECT_EQ(TimeToStr(EncodeTime(14, 5, 6, 0)), c.afternoon) << name;
    FormatSettings().ShortDateFormat = "yyyy/mm/dd";
    EXPECT_EQ(DateToStr(EncodeDate(2020, 1, 2)), c.windowDate) << name;
  }
  ScopedEnvironment all("LC_ALL", "C");
  LoadRegionalFormats();
  EXPECT_EQ(TimeToStr(EncodeTime(14, 5, 6, 0)), "14:05:06") << "C";
}

TEST_F(DateTimeTest, DatesParseInTheOrderOfTheShortDateFormat) {
  FormatSettings().ShortDateFormat = "yyyy/mm/dd";
  FormatSettings().DateSeparator = '/';
  EXPECT_EQ(StrToDate("1970/12/12"), EncodeDate(1970, 12, 12));
  FormatSettings().ShortDateFormat = "dd.mm.yyyy";
  FormatSettings().DateSeparator = '.';
  EXPECT_EQ(StrToDate("12.11.1970"), EncodeDate(1970, 11, 12));
  EXPECT_EQ(RaisedMessage<EConvertError>([] { StrToDate("1970/12/12"); }), "'1970/12/12' は日付ではありません")
      << "a foreign separator must not parse";
  FormatSettings().TimeSeparator = ':';
  EXPECT_EQ(StrToTime("00:00:00"), 0.0);
}

TEST_F(DateTimeTest, DosDatesConvertBothWaysWithinTheirRange) {
  // 2010-01-01 23:59:58.
  const TDosDateTime dos =
      static_cast<TDosDateTime>((((30u << 9) | (1u << 5) | 1u) << 16) | (23u << 11) | (59u << 5) | 29u);
  EXPECT_EQ(FileDateToDateTime(dos), EncodeDate(2010, 1, 1) + EncodeTime(23, 59, 58, 0));
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(2010, 1, 1) + EncodeTime(23, 59, 59, 0)), dos) << "odd seconds round down";
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(2100, 1, 1)), 0);
  EXPECT_THROW(FileDateToDateTime(0), EConvertError) << "date word 0 is month 0, day 0";
}

TEST_F(DateTimeTest, LocalTimesMatchTheZone) {
  // The test main pins TZ to nine hours east of UTC.
  EXPECT_EQ(UnixToLocalDateTime(0), EncodeDate(1970, 1, 1) + EncodeTime(9, 0, 0, 0));
  std::time_t seconds = 0;
  ASSERT_TRUE(LocalDateTimeToUnix(EncodeDate(2001, 5, 6) + EncodeTime(10, 20, 30, 0), seconds));
  EXPECT_EQ(seconds, 989112030);
}

// Puts TZ back as the test main set it, whatever a test did to it.
struct RestoreZone {
  ~RestoreZone() {
    setenv("TZ", "JST-9", 1);
    tzset();
  }
};

TEST_F(DateTimeTest, AnUnsetZoneIsPinnedToTheDefaultZoneFileAndASetOneKept) {
  RestoreZone restore;
  struct Case {
    const char* before;  // nullptr: unset
    bool pins;
    const char* after;
  };
  for (const Case& c : {Case{nullptr, true, ":/etc/localtime"}, Case{"JST-9", false, "JST-9"}, Case{"", false, ""}}) {
    if (c.before == nullptr)
      unsetenv("TZ");
    else
      setenv("TZ", c.before, 1);
    EXPECT_EQ(PinLocalTimeZone(), c.pins) << (c.before ? c.before : "unset");
    ASSERT_NE(std::getenv("TZ"), nullptr);
    EXPECT_STREQ(std::getenv("TZ"), c.after);
  }
  // The pinned zone is the default one: both give the same local time.
  unsetenv("TZ");
  ASSERT_TRUE(PinLocalTimeZone());
  const std::time_t when = 989112030;
  std::tm pinned{}, unset{};
  localtime_r(&when, &pinned);
  unsetenv("TZ");
  tzset();
  localtime_r(&when, &unset);
  EXPECT_EQ(pinned.tm_hour, unset.tm_hour);
  EXPECT_EQ(pinned.tm_gmtoff, unset.tm_gmtoff);
}
}  // namespace
