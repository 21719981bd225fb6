// Our own ARJ reader, on archives built byte by byte: DOS and UNIX hosts,
// record fields, and every way a header can be broken.
#include <gtest/gtest.h>

#include <ostream>

#include <functional>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ArjBuilder.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

class ArjTest : public ::testing::Test {
 protected:
  ArchiverLibrary library_{LibraryFor("UNARJ32J.DLL")};
  TempDir dir_;

  std::string Write(const std::string& bytes) {
    const std::string path = dir_ / "test.arj";
    WriteFile(path, bytes);
    return path;
  }
};

ArjEntry DosFile(const std::string& name, const std::string& data, std::uint32_t stamp) {
  ArjEntry entry;
  entry.name = name;
  entry.data = data;
  entry.stamp = stamp;
  return entry;
}

TEST_F(ArjTest, DosHostEntriesCarryLocalDosTimesSizesCrcAndAttributes) {
  ArjEntry folder = DosFile("docs", "", DosStamp(1999, 12, 31, 23, 59, 58));
  folder.type = 3;
  folder.access = 0x10;
  ArjEntry readOnly = DosFile("docs/readme.txt", "read me\n", DosStamp(2004, 2, 29, 12, 0, 0));
  readOnly.access = 0x01;
  const std::string archive = Write(ArjMainHeader() + ArjFile(folder) + ArjFile(readOnly) +
                                    ArjFile(DosFile("empty", "", DosStamp(2010, 1, 2, 3, 4, 6))) + ArjEnd());
  const Listing listing = ListArchive(library_.api(), archive);
  ASSERT_TRUE(listing.opened);
  EXPECT_EQ(listing.lines, (std::vector<std::string>{"name=docs date=1999-12-31 time=23:59:58",
                                                     "name=docs/readme.txt date=2004-02-29 time=12:00:00",
                                                     "name=empty date=2010-01-02 time=03:04:06"}));
  ASSERT_EQ(listing.records.size(), 3u);
  const ENTRYINFO& file = listing.records[1];
  EXPECT_EQ(Copy(file.dwOriginalSize), 8u);
  EXPECT_EQ(Copy(file.dwCompressedSize), 8u);
  EXPECT_EQ(Copy(file.dwCRC), TestCrc32("read me\n"));
  EXPECT_EQ(Copy(file.wRatio), 1000);
  EXPECT_STREQ(file.szMode, "stored");
  EXPECT_STREQ(file.szAttribute, "-r--");
  EXPECT_STREQ(listing.records[0].szAttribute, "drwx");
  EXPECT_STREQ(listing.records[2].szAttribute, "-rw-");
  EXPECT_EQ(Copy(listing.records[2].wRatio), 0) << "no ratio for an empty file";
  EXPECT_EQ(library_.api().check(archive.c_str(), 0), TRUE);
}

TEST_F(ArjTest, UnixHostStampsAreUtcSecondsShownInLocalTime) {
  ArjEntry entry = DosFile("a.txt", "alpha\n", 981140706);  // 2001-02-02 19:05:06 UTC
  entry.host = 2;
  entry.access = 0100640;
  const Listing listing = ListArchive(library_.api(), Write(ArjMainHeader() + ArjFile(entry) + ArjEnd()));
  EXPECT_EQ(listing.lines, (std::vector<std::string>{"name=a.txt date=2001-02-03 time=04:05:06"}));
  ASSERT_EQ(listing.records.size(), 1u);
  EXPECT_STREQ(listing.records[0].szAttribute, "-rw-");
}

TEST_F(ArjTest, AnArchiveOfNoEntriesOpensEmptyAndChecksClean) {
  const std::string archive = Write(ArjMainHeader() + ArjEnd());
  const Listing listing = ListArchive(library_.api(), archive);
  EXPECT_TRUE(listing.opened);
  EXPECT_TRUE(listing.lines.empty());
  EXPECT_EQ(library_.api().check(archive.c_str(), 0), TRUE);
}

// Three good entries; each case breaks the archive one way.
struct Damage {
  std::string name;
  std::function<std::string()> build;
  bool opens;
  std::size_t entries;  // listed before the end
  bool checks;
  friend std::ostream& operator<<(std::ostream& out, const Damage& value) { return out << value.name; }
};

ArjEntry Numbered(int n) {
  return DosFile("file" + std::to_string(n), std::string(100 * n, static_cast<char>('a' + n)),
                 DosStamp(2020, 1, n, 10, 0, 0));
}

std::string Whole(std::size_t upTo = 3) {
  std::string bytes = ArjMainHeader();
  for (std::size_t n = 1; n <= upTo; ++n) bytes += ArjFile(Numbered(static_cast<int>(n)));
  return bytes;
}

std::vector<Damage> Damages() {
  // clang-format off
  return {
      {"Intact", [] { return Whole() + ArjEnd(); }, true, 3, true},
      {"ThirdHeaderCrcWrong",
       [] {
         std::string third = ArjFile(Numbered(3));
         third[10] ^= 0x01;  // inside the basic header
         return Whole(2) + third + ArjEnd();
       },
       true, 2, false},
      {"SecondIdBytesWrong",
       [] {
         std::string second = ArjFile(Numbered(2));
         second[1] = 'X';
         return Whole(1) + second + ArjFile(Numbered(3)) + ArjEnd();
       },
       true, 1, false},
      {"CutInsideThirdHeader", [] { return Whole(2) + ArjFile(Numbered(3)).substr(0, 20); }, true, 2, false},
      {"CutBeforeEndMarker", [] { return Whole(); }, true, 3, false},
      {"SecondClaimsDataPastTheEnd",
       [] {
         ArjEntry second = Numbered(2);
         second.packedSizeOverride = 0x7FFFFFFF;
         return Whole(1) + ArjFile(second) + ArjFile(Numbered(3)) + ArjEnd();
       },
       true, 2, false},
      {"SecondHeaderSizeOverLimit",
       [] {
         std::string second = ArjFile(Numbered(2));
         second[2] = '\x30';
         second[3] = '\x0A';  // 2608 bytes
         return Whole(1) + second + ArjEnd();
       },
       true, 1, false},
      {"ExtendedHeaderIsSteppedOver",
       [] {
         ArjEntry second = Numbered(2);
         second.extended = "EXTRA-DATA";
         return Whole(1) + ArjFile(second) + ArjFile(Numbered(3)) + ArjEnd();
       },
       true, 3, true},
      {"MainHeaderCrcWrong",
       [] {
         std::string bytes = Whole() + ArjEnd();
         bytes[8] ^= 0x40;
         return bytes;
       },
       false, 0, false},
      // Not an executable: an archive that does not start the file is not
      // looked for.
      {"ArchiveAfterJunkInAPlainFile", [] { return std::string(500, 'j') + Whole() + ArjEnd(); }, false, 0, false},
      {"ArchivePastTheSearchWindowOfAnExecutable",
       [] { return "MZ" + std::string((1 << 20) + 10, '\0') + Whole() + ArjEnd(); }, false, 0, false},
  };
  // clang-format on
}

class ArjDamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(ArjDamageTest, ListsTheGoodEntriesThenEnds) {
  const ArchiverLibrary library(LibraryFor("UNARJ32J.DLL"));
  TempDir dir;
  const std::string path = dir / "damaged.arj";
  WriteFile(path, GetParam().build());
  const Listing listing = ListArchive(library.api(), path);
  EXPECT_EQ(listing.opened, GetParam().opens);
  std::vector<std::string> expected;
  for (std::size_t n = 1; n <= GetParam().entries; ++n)
    expected.push_back("name=file" + std::to_string(n) + " date=2020-01-0" + std::to_string(n) + " time=10:00:00");
  EXPECT_EQ(listing.lines, expected);
  EXPECT_EQ(library.api().check(path.c_str(), 0), GetParam().checks ? TRUE : FALSE);
}

INSTANTIATE_TEST_SUITE_P(Arj, ArjDamageTest, ::testing::ValuesIn(Damages()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
