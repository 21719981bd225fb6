// DOS date and time words: only real calendar values become instants, and an
// entry's stored words reach the listing record as they are, whatever they
// say, so that the program's own check of impossible dates can see them.
#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <ostream>
#include <string>

#include "libraries/core/util/DosTime.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ArjBuilder.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/Scoped.h"
#include "tests/support/TempDir.h"

namespace {

struct Fields {
  const char* name;
  int year, month, day, hour, minute, second;
  bool real;
  friend std::ostream& operator<<(std::ostream& out, const Fields& value) { return out << value.name; }
};

std::uint32_t Pack(const Fields& f) {
  return static_cast<std::uint32_t>((f.year - 1980) << 25 | f.month << 21 | f.day << 16 | f.hour << 11 | f.minute << 5 |
                                    f.second / 2);
}

class FromDosStampTest : public ::testing::TestWithParam<Fields> {};

TEST_P(FromDosStampTest, GivesAnInstantOnlyForARealDateAndTime) {
  const Fields f = GetParam();
  const auto when = dv::FromDosStamp(Pack(f));
  if (!f.real) {
    EXPECT_FALSE(when.has_value());
    return;
  }
  ASSERT_TRUE(when.has_value());
  std::tm local{};
  ASSERT_NE(localtime_r(&*when, &local), nullptr);
  EXPECT_EQ(local.tm_year + 1900, f.year);
  EXPECT_EQ(local.tm_mon + 1, f.month);
  EXPECT_EQ(local.tm_mday, f.day);
  EXPECT_EQ(local.tm_hour, f.hour);
  EXPECT_EQ(local.tm_min, f.minute);
  EXPECT_EQ(local.tm_sec, f.second);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FromDosStampTest,
    ::testing::Values(
        Fields{"Ordinary", 2001, 5, 6, 10, 20, 30, true}, Fields{"FirstDosDay", 1980, 1, 1, 0, 0, 0, true},
        Fields{"LeapDay", 2004, 2, 29, 23, 59, 58, true}, Fields{"LastOfDecember", 2099, 12, 31, 12, 0, 0, true},
        Fields{"MonthZero", 2010, 0, 5, 6, 7, 8, false}, Fields{"MonthThirteen", 2010, 13, 5, 6, 7, 8, false},
        Fields{"DayZero", 2010, 3, 0, 6, 7, 8, false}, Fields{"ThirtyFirstOfFebruary", 2010, 2, 31, 6, 7, 8, false},
        Fields{"TwentyNinthOfFebruaryNotLeap", 2001, 2, 29, 6, 7, 8, false},
        Fields{"ThirtyFirstOfApril", 2010, 4, 31, 6, 7, 8, false},
        Fields{"HourTwentyFour", 2010, 3, 5, 24, 0, 0, false}, Fields{"HourTwentyFive", 2010, 3, 5, 25, 0, 0, false},
        Fields{"MinuteSixty", 2010, 3, 5, 6, 60, 0, false}, Fields{"SecondSixty", 2010, 3, 5, 6, 7, 60, false},
        Fields{"SecondSixtyTwo", 2010, 3, 5, 6, 7, 62, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A time zone for the scope, in force at once and put back at its end.
class ScopedZone {
 public:
  explicit ScopedZone(const std::string& zone) : variable_(std::make_unique<ScopedEnvironment>("TZ", zone)) { tzset(); }
  ~ScopedZone() {
    variable_.reset();
    tzset();
  }

 private:
  std::unique_ptr<ScopedEnvironment> variable_;
};

// ---- through the libraries: the record holds the words as stored ----

struct Stored {
  const char* name;
  std::uint16_t date, time;
};

// 2010-13-05 06:07:08, 2010-02-31 00:00:00, 2010-03-00 25:00:00: words a
// calendar conversion would have moved to another, real, moment.
const Stored kImpossible[] = {
    {"month13", static_cast<std::uint16_t>(30 << 9 | 13 << 5 | 5), static_cast<std::uint16_t>(6 << 11 | 7 << 5 | 4)},
    {"feb31", static_cast<std::uint16_t>(30 << 9 | 2 << 5 | 31), 0},
    {"day0hour25", static_cast<std::uint16_t>(30 << 9 | 3 << 5 | 0), static_cast<std::uint16_t>(25 << 11)},
};

void ExpectStoredWords(const Listing& listing) {
  ASSERT_EQ(listing.records.size(), std::size(kImpossible));
  for (std::size_t i = 0; i < std::size(kImpossible); ++i) {
    SCOPED_TRACE(kImpossible[i].name);
    EXPECT_STREQ(listing.records[i].szFileName, kImpossible[i].name);
    EXPECT_EQ(Copy(listing.records[i].wDate), kImpossible[i].date);
    EXPECT_EQ(Copy(listing.records[i].wTime), kImpossible[i].time);
  }
}

std::string ZipOfStoredWords(const TempDir& dir, const Stored* entries, std::size_t count) {
  // Python's zipfile writes the DOS words it is given and no time extra field.
  std::string script = "import zipfile\nz = zipfile.ZipFile('x.zip', 'w')\n";
  for (std::size_t i = 0; i < count; ++i) {
    const Stored& e = entries[i];
    script += "i = zipfile.ZipInfo('" + std::string(e.name) + "', (" + std::to_string((e.date >> 9) + 1980) + ", " +
              std::to_string((e.date >> 5) & 15) + ", " + std::to_string(e.date & 31) + ", " +
              std::to_string(e.time >> 11) + ", " + std::to_string((e.time >> 5) & 63) + ", " +
              std::to_string((e.time & 31) * 2) + "))\nz.writestr(i, b'x')\n";
  }
  script += "z.close()\n";
  WriteFile(dir / "make.py", script);
  RunIn(dir, "python3 make.py");
  return dir / "x.zip";
}

TEST(StoredDosWords, ZipEntriesWithImpossibleDatesKeepTheirWords) {
  TempDir dir;
  ArchiverLibrary library(LibraryFor("UNZIP32.DLL"));
  ExpectStoredWords(ListArchive(library.api(), ZipOfStoredWords(dir, kImpossible, std::size(kImpossible))));
}

TEST(StoredDosWords, ArjEntriesWithImpossibleDatesKeepTheirWords) {
  TempDir dir;
  std::string bytes = ArjMainHeader();
  for (const Stored& e : kImpossible) {
    ArjEntry entry;
    entry.name = e.name;
    entry.data = "x";
    entry.stamp = static_cast<std::uint32_t>(e.date) << 16 | e.time;
    bytes += ArjFile(entry);
  }
  WriteFile(dir / "x.arj", bytes + ArjEnd());
  ArchiverLibrary library(LibraryFor("UNARJ32J.DLL"));
  ExpectStoredWords(ListArchive(library.api(), dir / "x.arj"));
}

TEST(StoredDosWords, AWallClockTimeInsideADaylightSavingGapIsKeptAsStored) {
  // 2010-03-28 02:30:00 does not exist in central Europe: the clocks went
  // from 02:00 to 03:00. The entry still says 02:30.
  ScopedZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  const Stored gap[] = {
      {"gap", static_cast<std::uint16_t>(30 << 9 | 3 << 5 | 28), static_cast<std::uint16_t>(2 << 11 | 30 << 5)}};
  TempDir dir;
  ArchiverLibrary library(LibraryFor("UNZIP32.DLL"));
  const Listing listing = ListArchive(library.api(), ZipOfStoredWords(dir, gap, 1));
  ASSERT_EQ(listing.records.size(), 1u);
  EXPECT_EQ(DosText(listing.records[0].wDate, listing.records[0].wTime), "2010-03-28 02:30:00");
}

}  // namespace
