// The samples other tools made: each opens in exactly the library of its
// format, lists the manifest's entry count, and dates its newest entry as
// the manifest says (in local time, TZ=JST-9, to DOS's 2 seconds).
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>

#include "tests/libraries/ArchiverLibrary.h"
#include "tests/libraries/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

struct Sample {
  std::string file, format, newestUtc;
  std::size_t entries = 0;
  friend std::ostream& operator<<(std::ostream& out, const Sample& value) { return out << value.file; }
};

std::vector<Sample> ReadManifest() {
  std::vector<Sample> samples;
  std::ifstream in(CorpusDir() / "MANIFEST.tsv");
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream row(line);
    for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
    if (cells.size() < 4) continue;
    samples.push_back({cells[0], cells[1], cells[3], std::stoul(cells[2])});
  }
  return samples;
}

// The library family a manifest format belongs to.
std::string FamilyOf(const std::string& format) {
  std::string lower = format;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const char* family : {"lha", "zip", "cab", "rar", "tar"})
    if (lower.rfind(family, 0) == 0) return family;
  if (lower.rfind("plain gzip", 0) == 0) return "tar";
  return "";
}

// The manifest's UTC time in local time, cut to DOS's 2 seconds, or the
// smallest DOS value before 1980.
std::string LocalDosText(const std::string& utc) {
  std::tm parts{};
  std::istringstream in(utc.substr(0, 19));
  in >> std::get_time(&parts, "%Y-%m-%d %H:%M:%S");
  const std::time_t when = timegm(&parts);
  std::tm local{};
  localtime_r(&when, &local);
  if (local.tm_year + 1900 < 1980) return kSmallestDosText;
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:", &local);
  return text + std::string(local.tm_sec / 2 * 2 < 10 ? "0" : "") + std::to_string(local.tm_sec / 2 * 2);
}

// Samples whose stored time is not the manifest's UTC instant. Each lists
// what its own fields say.
const std::map<std::string, std::string>& PinnedNewest() {
  static const std::map<std::string, std::string> pinned = {
      // The UNIX-time extension says 1970-01-03, before DOS time begins; the
      // manifest's 2098 is the DOS field after 1970 wrapped round it.
      {"test_read_format_lha_header0.lzh", kSmallestDosText},
      // Cabinets, RAR 4 and a ZIP with no time extra store only a DOS field:
      // the creator's wall clock with no zone. It lists as that clock time;
      // the manifest took the same clock as UTC.
      {"test_read_format_cab_1.cab", "2010-12-17 20:42:12"},
      {"test_read_format_cab_2.cab", "2010-12-17 20:42:12"},
      {"test_read_format_cab_3.cab", "1980-01-02 00:00:00"},
      {"test_read_format_cab_filename_cp932.cab", "2011-03-20 10:37:54"},
      {"test_read_format_cab_lzx_16bit.cab", kSmallestDosText},
      {"test_read_format_zip_zip64a.zip", "2013-11-24 15:10:30"},
      // RAR 4's DOS field has 2-second steps; the manifest's odd seconds
      // come from the extended-time remainder the field cannot carry.
      {"test_read_format_rar.rar", "2011-06-26 14:59:06"},
      {"test_read_format_rar_unicode.rar", "2012-03-07 16:38:58"},
      {"test_read_format_rar_windows.rar", "2011-08-18 12:14:14"},
      {"test_read_format_rar_compress_normal.rar", "2011-07-13 21:04:50"},
      {"test_read_format_rar_sfx.exe", "2011-08-18 12:14:14"},
  };
  return pinned;
}

TEST(CorpusManifest, NamesEverySampleWithAKnownFormat) {
  const std::vector<Sample> samples = ReadManifest();
  ASSERT_GE(samples.size(), 40u) << "manifest missing or short in " << CorpusDir();
  for (const Sample& sample : samples) {
    EXPECT_TRUE(std::filesystem::is_regular_file(CorpusDir() / sample.file)) << sample.file;
    EXPECT_NE(FamilyOf(sample.format), "") << sample.file << ": " << sample.format;
  }
  for (const auto& [file, newest] : PinnedNewest())
    EXPECT_TRUE(std::any_of(samples.begin(), samples.end(), [&](const Sample& s) { return s.file == file; }))
        << "pinned sample not in the manifest: " << file;
}

class CorpusTest : public ::testing::TestWithParam<Sample> {};

TEST_P(CorpusTest, OpensOnlyInItsLibraryAndListsItsNewestTime) {
  const Sample& sample = GetParam();
  const std::string path = (CorpusDir() / sample.file).string();
  const std::string family = FamilyOf(sample.format);
  const auto pinned = PinnedNewest().find(sample.file);
  const std::string newest = pinned != PinnedNewest().end() ? pinned->second : LocalDosText(sample.newestUtc);
  for (const LibraryEntry& info : AllLibraries()) {
    SCOPED_TRACE(info.file);
    const ArchiverLibrary library(info);
    const Listing listing = ListArchive(library.api(), path);
    if (info.format != family) {
      EXPECT_FALSE(listing.opened) << "a library took another format's sample";
      continue;
    }
    ASSERT_TRUE(listing.opened);
    EXPECT_EQ(listing.records.size(), sample.entries);
    EXPECT_EQ(NewestText(listing.records), newest);
    EXPECT_EQ(library.api().check(path.c_str(), 0), TRUE);
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, CorpusTest, ::testing::ValuesIn(ReadManifest()), [](const auto& info) {
  std::string name = info.param.file;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});

// Whole listings of samples whose names or times need a closer look.
struct FullListing {
  std::string file, library;
  std::vector<std::string> lines;
  friend std::ostream& operator<<(std::ostream& out, const FullListing& value) { return out << value.file; }
};

class CorpusListingTest : public ::testing::TestWithParam<FullListing> {};

TEST_P(CorpusListingTest, ListsEveryEntryAsStored) {
  const ArchiverLibrary library(LibraryFor(GetParam().library));
  EXPECT_EQ(ListArchive(library.api(), (CorpusDir() / GetParam().file).string()).lines, GetParam().lines);
}

// Header levels 0 to 2 of one content: the UNIX times (1970) list as the
// smallest DOS value at every level.
const std::vector<std::string> kLhaLevelLines = {
    "name=dir/ date=1980-01-01 time=00:00:00",           "name=dir2/ date=1980-01-01 time=00:00:00",
    "name=dir2/symlink1 date=1980-01-01 time=00:00:00", "name=dir2/symlink2 date=1980-01-01 time=00:00:00",
    "name=file1 date=1980-01-01 time=00:00:00",         "name=file2 date=1980-01-01 time=00:00:00"};

INSTANTIATE_TEST_SUITE_P(
    Samples, CorpusListingTest,
    ::testing::Values(
        FullListing{"test_read_format_lha_header0.lzh", "UNLHA32.DLL", kLhaLevelLines},
        FullListing{"test_read_format_lha_header1.lzh", "UNLHA32.DLL", kLhaLevelLines},
        FullListing{"test_read_format_lha_header2.lzh", "UNLHA32.DLL", kLhaLevelLines},
        FullListing{"test_read_format_lha_header3.lzh", "UNLHA32.DLL",
                    {"name=dir/ date=1980-01-01 time=00:00:00", "name=dir2/ date=1980-01-01 time=00:00:00",
                     "name=file1 date=1980-01-01 time=00:00:00", "name=file2 date=1980-01-01 time=00:00:00"}},
        // Shift_JIS names come out as UTF-8.
        FullListing{"test_read_format_lha_filename_cp932.lzh", "UNLHA32.DLL",
                    {"name=\xE6\xBC\xA2\xE5\xAD\x97.txt date=2011-03-19 time=03:27:52",
                     "name=\xE8\xA1\xA8.txt date=2011-03-19 time=03:28:12"}},
        FullListing{"test_read_format_zip.zip", "UNZIP32.DLL",
                    {"name=dir/ date=2007-05-20 time=04:50:48", "name=file1 date=2007-05-20 time=04:51:28",
                     "name=file2 date=2007-05-20 time=05:18:52"}},
        // Offsets not adjusted for the 1024-byte stub.
        FullListing{"test_read_format_zip_sfx", "LMZIP32.DLL",
                    {"name=file0 date=2012-11-06 time=16:07:02", "name=build.sh date=2012-11-06 time=15:29:54"}},
        FullListing{"test_read_format_rar5_win32.rar", "UNRAR32.DLL",
                    {"name=testdir date=2019-05-03 time=17:33:02", "name=test.bin date=2018-10-02 time=14:05:14",
                     "name=test1.bin date=2018-10-02 time=14:05:12", "name=test2.bin date=2018-10-02 time=14:05:14",
                     "name=test3.bin date=2018-10-02 time=14:05:14", "name=test4.bin date=2018-10-02 time=14:05:14",
                     "name=test5.bin date=2018-10-02 time=14:05:14",
                     "name=test6.bin date=2018-10-02 time=14:05:14"}},
        // A plain gzip: the file's name less ".gz", dated by the header's MTIME.
        FullListing{"test_read_format_raw.data.gz", "tar32.dll",
                    {"name=test_read_format_raw.data date=2019-04-20 time=20:06:12"}}),
    [](const auto& info) {
      std::string name = info.param.file;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

}  // namespace
