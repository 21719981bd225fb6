// How a listing walks and what each record holds, whatever the format:
// restarts, patterns, record fields, clamped times and sizes, and that a
// listing changes nothing on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include <cstring>
#include <map>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

class EveryLibraryTest : public ::testing::TestWithParam<LibraryEntry> {};

TEST_P(EveryLibraryTest, FindFirstRestartsTheWalk) {
  TempDir dir;
  const ArchiverLibrary library(GetParam());
  const ArchiverApi& api = library.api();
  const std::string archive = SampleArchive(GetParam().format, dir.path().string());
  const std::vector<std::string> whole = ListArchive(api, archive).lines;
  ASSERT_GE(whole.size(), 2u);
  const HARC handle = api.open(nullptr, archive.c_str(), kProbeOpenMode);
  ASSERT_NE(handle, 0u);
  ENTRYINFO record{};
  ASSERT_EQ(api.findFirst(handle, "*.*", &record), 0);
  ASSERT_EQ(api.findNext(handle, &record), 0);
  std::vector<std::string> again;
  for (int status = api.findFirst(handle, "*", &record); status == 0; status = api.findNext(handle, &record))
    again.push_back(RenderLine(record));
  EXPECT_EQ(again, whole);
  EXPECT_EQ(api.findNext(handle, &record), -1) << "the end stays the end";
  api.close(handle);
}

// A snapshot of a folder: every name with its size and modification time.
std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>> Snapshot(
    const std::filesystem::path& folder) {
  std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder))
    files[item.path().string()] = {item.is_regular_file() ? item.file_size() : 0, item.last_write_time()};
  return files;
}

TEST_P(EveryLibraryTest, ListingAndCheckingWriteNothing) {
  TempDir dir;
  const ArchiverLibrary library(GetParam());
  const std::string archive = SampleArchive(GetParam().format, dir.path().string());
  const auto before = Snapshot(dir.path());
  const std::string bytes = ReadFile(archive);
  EXPECT_FALSE(ListArchive(library.api(), archive).lines.empty());
  EXPECT_FALSE(ListArchive(library.api(), archive, "*.*", 0).lines.empty());
  EXPECT_EQ(library.api().check(archive.c_str(), 0), TRUE);
  EXPECT_EQ(Snapshot(dir.path()), before);
  EXPECT_EQ(ReadFile(archive), bytes);
}

INSTANTIATE_TEST_SUITE_P(Family, EveryLibraryTest, ::testing::ValuesIn(AllLibraries()),
                         [](const auto& info) { return TestNameOf(info.param); });

struct Pattern {
  std::string pattern;
  std::vector<std::string> names;
  friend std::ostream& operator<<(std::ostream& out, const Pattern& value) { return out << value.pattern; }
};

class WildcardTest : public ::testing::TestWithParam<Pattern> {};

TEST_P(WildcardTest, SelectsMatchingPathsIgnoringCase) {
  TempDir dir;
  WriteFile(dir / "a.txt", "a");
  WriteFile(dir / "d/b.TXT", "b");
  WriteFile(dir / "noext", "n");
  RunIn(dir, "tar cf x.tar a.txt d noext");
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  const Listing listing = ListArchive(library.api(), dir / "x.tar", GetParam().pattern.c_str());
  std::vector<std::string> names;
  for (const ENTRYINFO& record : listing.records) names.push_back(record.szFileName);
  EXPECT_EQ(names, GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(Patterns, WildcardTest,
                         ::testing::Values(Pattern{"*.*", {"a.txt", "d/", "d/b.TXT", "noext"}},
                                           Pattern{"*", {"a.txt", "d/", "d/b.TXT", "noext"}},
                                           Pattern{"", {"a.txt", "d/", "d/b.TXT", "noext"}},
                                           Pattern{"*.txt", {"a.txt", "d/b.TXT"}}, Pattern{"D/*", {"d/", "d/b.TXT"}},
                                           Pattern{"?.TXT", {"a.txt"}}, Pattern{"no*t", {"noext"}},
                                           Pattern{"*.zip", {}}));

TEST(RecordFields, AreFilledAndTheRestZeroed) {
  TempDir dir;
  WriteFile(dir / "text.txt", std::string(10000, 't'));
  WriteFile(dir / "d/empty", "");
  RunIn(dir, "chmod 0640 text.txt && chmod 0750 d && zip -X -q -r x.zip text.txt d");
  const ArchiverLibrary library(LibraryFor("UNZIP32.DLL"));
  const HARC handle = library.api().open(nullptr, (dir / "x.zip").c_str(), kProbeOpenMode);
  ASSERT_NE(handle, 0u);
  ENTRYINFO record;
  std::memset(&record, 0xAA, sizeof record);
  ASSERT_EQ(library.api().findFirst(handle, "*.*", &record), 0);
  EXPECT_STREQ(record.szFileName, "text.txt");
  EXPECT_EQ(Copy(record.dwOriginalSize), 10000u);
  EXPECT_STREQ(record.szMode, "deflate");
  EXPECT_STREQ(record.szAttribute, "-rw-");
  EXPECT_EQ(Copy(record.uFlag), 0u);
  EXPECT_EQ(Copy(record.uOSType), 0u);
  // Nothing left of the 0xAA fill past any text's terminator.
  for (std::size_t i = std::strlen(record.szFileName); i < sizeof record.szFileName; ++i)
    ASSERT_EQ(record.szFileName[i], '\0') << "at " << i;
  for (char byte : record.dummy1) EXPECT_EQ(byte, '\0');
  for (std::size_t i = std::strlen(record.szAttribute); i < sizeof record.szAttribute; ++i)
    EXPECT_EQ(record.szAttribute[i], '\0');
  std::memset(&record, 0xAA, sizeof record);
  ASSERT_EQ(library.api().findNext(handle, &record), 0);
  EXPECT_STREQ(record.szFileName, "d/");
  EXPECT_STREQ(record.szAttribute, "drwx");
  EXPECT_EQ(Copy(record.dwOriginalSize), 0u);
  EXPECT_EQ(Copy(record.wRatio), 0);
  ASSERT_EQ(library.api().findNext(handle, &record), 0);
  EXPECT_STREQ(record.szFileName, "d/empty");
  EXPECT_STREQ(record.szMode, "stored");
  EXPECT_EQ(library.api().findNext(handle, &record), -1);
  library.api().close(handle);
}

TEST(RecordFields, LongNamesAreCutTo512BytesAndTerminated) {
  TempDir dir;
  const std::string folder(200, 'f'), name(200, 'n');
  // 200 + 1 + 200 + 1 + 200 = 602 bytes of path.
  WriteFile(dir / (folder + "/" + folder + "/" + name), "x");
  RunIn(dir, "tar cf x.tar " + folder + "/" + folder + "/" + name);
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  const Listing listing = ListArchive(library.api(), dir / "x.tar");
  ASSERT_EQ(listing.records.size(), 1u);
  const std::string full = folder + "/" + folder + "/" + name;
  EXPECT_EQ(std::string(listing.records[0].szFileName), full.substr(0, 512));
}

TEST(RecordFields, SizesPastFourGigabytesAreClamped) {
  TempDir dir;
  // A sparse 5 GiB file, stored sparse: the tar stays small, its header
  // still says 5 GiB.
  RunIn(dir, "truncate -s 5G big && tar cSf x.tar big");
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  const Listing listing = ListArchive(library.api(), dir / "x.tar");
  ASSERT_EQ(listing.records.size(), 1u);
  EXPECT_EQ(Copy(listing.records[0].dwOriginalSize), 0xFFFFFFFFu);
}

// Times DOS cannot hold clamp to its ends; tar stores any of them.
TEST(RecordTimes, ClampToTheDosRange) {
  // clang-format off
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1960-06-15 12:00:00", "1980-01-01 00:00:00"}, {"1970-01-01 09:00:00", "1980-01-01 00:00:00"},
      {"1979-12-31 23:59:59", "1980-01-01 00:00:00"}, {"1980-01-01 00:00:00", "1980-01-01 00:00:00"},
      {"1980-01-01 00:00:03", "1980-01-01 00:00:02"}, {"2038-01-19 12:14:09", "2038-01-19 12:14:08"},
      {"2107-12-31 23:59:59", "2107-12-31 23:59:58"}, {"2108-01-01 00:00:00", "2107-12-31 23:59:58"},
      {"2500-07-01 00:00:00", "2107-12-31 23:59:58"}};
  TempDir dir;
  std::vector<std::string> expected;
  std::string names;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string name = "t" + std::to_string(i);
    WriteFile(dir / name, name);
    RunOrFail("touch -d '" + cases[i].first + "' " + Quote(dir / name));
    names += " " + name;
    expected.push_back("name=" + name + " date=" + cases[i].second.substr(0, 10) +
                       " time=" + cases[i].second.substr(11));
  }
  RunIn(dir, "tar --format=gnu -cf x.tar" + names);
  const ArchiverLibrary library(LibraryFor("tar32.dll"));
  EXPECT_EQ(ListArchive(library.api(), dir / "x.tar").lines, expected);
}

// An entry that stores no time gets the DOS date 0, no calendar date, which
// a caller passes over: a made-up 1980, or the archive's own date, would be
// taken for a real time (the archive's date would outrank the entries beside
// it). Entries that store one keep theirs. The sources are dated 2003 and
// the archive 2015, so each line shows which time an entry took.
struct UntimedCase {
  std::string name;
  std::string library;
  std::string command;  // makes x.arc from 日本語.txt and b.txt
  std::vector<std::string> lines;
  friend std::ostream& operator<<(std::ostream& out, const UntimedCase& value) { return out << value.name; }
};

std::vector<UntimedCase> UntimedCases() {
  const std::string noDate = " date=1980-00-00 time=00:00:00";
  const std::string sourceDate = " date=2003-04-05 time=06:07:08";
  return {
      {"SevenZipWithoutTimes", "7-ZIP32.DLL", "LC_ALL=C.UTF-8 7z a -bd -mtm=off x.arc 日本語.txt b.txt > /dev/null",
       {"name=b.txt" + noDate, "name=日本語.txt" + noDate}},
      {"SevenZipWithTimes", "7-ZIP32.DLL", "LC_ALL=C.UTF-8 7z a -bd x.arc 日本語.txt b.txt > /dev/null",
       {"name=b.txt" + sourceDate, "name=日本語.txt" + sourceDate}},
      {"Rar5OneEntryWithoutItsTime", "UNRAR32.DLL",
       FixturePython("import rar\nrar.write('x.arc', [('日本語.txt', b'n', None)] + rar.from_files(['b.txt']))"),
       {"name=日本語.txt" + noDate, "name=b.txt" + sourceDate}},
  };
  // clang-format on
}

class UntimedEntryTest : public ::testing::TestWithParam<UntimedCase> {};

TEST_P(UntimedEntryTest, HasNoDate) {
  TempDir dir;
  WriteFile(dir / "日本語.txt", "nihongo\n");
  WriteFile(dir / "b.txt", "bravo\n");
  RunIn(dir, "touch -d '2003-04-05 06:07:08' 日本語.txt b.txt");
  RunIn(dir, GetParam().command);
  RunIn(dir, "touch -d '2015-06-07 08:09:10' x.arc");
  const ArchiverLibrary library(LibraryFor(GetParam().library));
  std::vector<std::string> lines = ListArchive(library.api(), dir / "x.arc").lines;
  std::sort(lines.begin(), lines.end());
  std::vector<std::string> expected = GetParam().lines;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(Family, UntimedEntryTest, ::testing::ValuesIn(UntimedCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
