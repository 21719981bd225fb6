// 7-ZIP32.DLL's own ground: 7z archives as p7zip makes them with each
// method and header form, listed against p7zip's own listing and extracted;
// self-extractors behind stubs full of decoy signatures; encrypted headers;
// damaged data; and where the command line puts the output folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <sstream>

#include "libraries/core/util/Crc32.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/libraries/support/SampleFiles.h"
#include "tests/support/TempDir.h"

namespace {

using namespace std::string_literals;

// p7zip reads and writes names as the locale's text: UTF-8 here.
const std::string k7z = "LC_ALL=C.UTF-8 7z";
const std::string kSignature = "7z\xBC\xAF\x27\x1C\x00\x04"s;

// What the archives hold: an empty file, an empty folder, UTF-8 Japanese
// names, and files that compress and files that do not. Times are local
// (TZ=JST-9, which p7zip inherits); p7zip keeps tenths of microseconds, DOS
// time even seconds: the empty file's 09.9 lists as 08.
const Files kSource = {{"a.txt", std::string(3000, 'a')},
                       {"empty", ""},
                       {"表ソ能/日本語.txt", "nihongo\n"},
                       {"d/noise.bin", [] {
                          std::string bytes;
                          for (unsigned n = 1; bytes.size() < 5000; n = n * 1103515245 + 12345)
                            bytes += static_cast<char>(n >> 16);
                          return bytes;
                        }()}};
void MakeSource(const TempDir& dir) {
  for (const auto& [name, bytes] : kSource) WriteFile(dir / ("src/" + name), bytes);
  std::filesystem::create_directories(dir / "src/hollow");
  RunIn(dir,
        "cd src && touch -d '2001-02-03 04:05:06' a.txt && touch -d '2002-03-04 05:06:09.9' empty"
        " && touch -d '2003-04-05 06:07:10' 表ソ能/日本語.txt 表ソ能 && touch -d '2004-05-06 07:08:12' d/noise.bin d"
        " && touch -d '2005-06-07 08:09:14' hollow");
}
// kSource made into dir/x.7z by p7zip with `switches`, of `names` (all by default).
const std::string kAll = "a.txt empty 表ソ能 d hollow";
std::string MadeBy7z(const TempDir& dir, const std::string& switches, const std::string& names = kAll) {
  MakeSource(dir);
  RunIn(dir, "cd src && " + k7z + " a -bd " + switches + " ../x.7z " + names + " > /dev/null");
  return dir / "x.7z";
}
const std::vector<std::string> kSourceLines = {
    "name=a.txt size=3000 date=2001-02-03 time=04:05:06",          "name=d/ size=0 date=2004-05-06 time=07:08:12",
    "name=d/noise.bin size=5000 date=2004-05-06 time=07:08:12",    "name=empty size=0 date=2002-03-04 time=05:06:08",
    "name=hollow/ size=0 date=2005-06-07 time=08:09:14",           "name=表ソ能/ size=0 date=2003-04-05 time=06:07:10",
    "name=表ソ能/日本語.txt size=8 date=2003-04-05 time=06:07:10",
};

// RenderLine with the entry's size after its name.
std::string SizedLine(const ENTRYINFO& record) {
  std::string line = RenderLine(record);
  return line.insert(line.find(" date="), " size=" + std::to_string(Copy(record.dwOriginalSize)));
}
std::vector<std::string> SizedLines(const Listing& listing) {
  std::vector<std::string> lines;
  for (const ENTRYINFO& record : listing.records) lines.push_back(SizedLine(record));
  return lines;
}

// The entries' names in the order p7zip lists them, folders ending in '/'.
std::vector<std::string> P7zipNames(const std::string& archive) {
  const CommandOutput listed = RunAndCapture(k7z + " l -slt " + Quote(archive));
  EXPECT_EQ(listed.status, 0) << listed.text;
  std::vector<std::string> names;
  std::istringstream lines(listed.text.substr(listed.text.find("----------")));
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Path = ")) names.push_back(line.substr(7));
    if (line.starts_with("Attributes = D") && !names.empty()) names.back() += '/';
  }
  return names;
}

std::vector<std::string> Names(const Listing& listing) {
  std::vector<std::string> names;
  for (const ENTRYINFO& record : listing.records) names.push_back(record.szFileName);
  return names;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

struct MadeCase {
  std::string name;
  std::string switches;  // p7zip's, for "7z a"
  friend std::ostream& operator<<(std::ostream& out, const MadeCase& value) { return out << value.name; }
};

class SevenZipMethodTest : public ::testing::TestWithParam<MadeCase> {};

// Every entry with its name, size and time, in p7zip's order; the check
// passes; extraction gives back the files and the empty folders.
TEST_P(SevenZipMethodTest, ListsAndExtractsWhatP7zipStored) {
  TempDir dir;
  const std::string archive = MadeBy7z(dir, GetParam().switches);
  const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
  const Listing listing = ListArchive(library.api(), archive);
  ASSERT_TRUE(listing.opened);
  EXPECT_EQ(Sorted(SizedLines(listing)), kSourceLines);
  EXPECT_EQ(Names(listing), P7zipNames(archive));
  EXPECT_EQ(library.api().check(archive.c_str(), 0), TRUE);
  const CommandRun run = RunLine(library, "SevenZip", ExtractLine("7-ZIP32.DLL", archive, dir / "out"));
  EXPECT_EQ(run.code, code::kOk) << run.report;
  EXPECT_EQ(FilesUnder(dir / "out"), kSource);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "out/hollow"));
}

INSTANTIATE_TEST_SUITE_P(P7zip, SevenZipMethodTest,
                         ::testing::Values(MadeCase{"Lzma", "-m0=LZMA"}, MadeCase{"Lzma2", "-m0=LZMA2"},
                                           MadeCase{"Ppmd", "-m0=PPMd"}, MadeCase{"Bzip2", "-m0=BZip2"},
                                           MadeCase{"Deflate", "-m0=Deflate"}, MadeCase{"Copy", "-m0=Copy"},
                                           MadeCase{"SolidOn", "-ms=on"}, MadeCase{"SolidOff", "-ms=off"},
                                           MadeCase{"HeaderUncompressed", "-mhc=off"},
                                           MadeCase{"CopyUnsolidHeaderUncompressed", "-m0=Copy -ms=off -mhc=off"},
                                           MadeCase{"X86Filter", "-mf=BCJ"}, MadeCase{"DeltaFilter", "-mf=Delta:4"}),
                         [](const auto& info) { return info.param.name; });

// ---- self-extractors ----------------------------------------------------------

// A start header whose CRC holds, but whose header database lies past the
// end of anything (so its first header cannot read).
std::string SignatureWithAGoodCrc() {
  std::string tail(20, '\0');
  tail[0] = '\x40';  // next header offset 64
  tail[8] = '\x20';  // next header size 32
  tail[16] = '\x78';
  const std::uint32_t crc = dv::Crc32(tail.data(), tail.size());
  std::string head = kSignature;
  for (int shift = 0; shift < 32; shift += 8) head += static_cast<char>((crc >> shift) & 0xFF);
  return head + tail;
}
// A signature with garbage where its start header's CRC should be.
const std::string kBadCrc = kSignature + std::string(24, '\x11');

struct SfxCase {
  std::string name;
  std::string stub;  // put before the archive
  bool withArchive;  // false: the stub alone
  friend std::ostream& operator<<(std::ostream& out, const SfxCase& value) { return out << value.name; }
};

std::string Repeated(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece + std::string(10, '\x90');
  return out;
}

std::vector<SfxCase> SfxCases() {
  const std::string mz = "MZ" + std::string(4000, '\x90');
  return {
      // More decoys than the search tries places: a signature whose CRC
      // fails must not use up a try.
      {"FortyBadCrcSignatures", mz + Repeated(kBadCrc, 40), true},
      {"GoodCrcWithNothingBehindIt", mz + SignatureWithAGoodCrc() + std::string(200, '\x90'), true},
      {"ElfStubWithDecoys", ReadFile("/usr/lib/p7zip/7zCon.sfx") + kBadCrc + SignatureWithAGoodCrc(), true},
      {"DecoysAlone", mz + Repeated(kBadCrc, 3) + SignatureWithAGoodCrc() + std::string(300, '\0'), false},
  };
}

class SevenZipSfxTest : public ::testing::TestWithParam<SfxCase> {};

TEST_P(SevenZipSfxTest, ListsAndExtractsTheRealArchiveOnly) {
  const SfxCase& row = GetParam();
  TempDir dir;
  const std::string archive = MadeBy7z(dir, "");
  WriteFile(dir / "x.exe", row.stub + (row.withArchive ? ReadFile(archive) : ""));
  const std::string sfx = dir / "x.exe";
  const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
  for (const DWORD mode : {DWORD{0}, kProbeOpenMode}) {
    SCOPED_TRACE(mode);
    const Listing listing = ListArchive(library.api(), sfx, "*.*", mode);
    EXPECT_EQ(listing.opened, row.withArchive);
    if (row.withArchive) {
      EXPECT_EQ(Sorted(SizedLines(listing)), kSourceLines);
    }
  }
  EXPECT_EQ(library.api().check(sfx.c_str(), 0), row.withArchive ? TRUE : FALSE);
  const CommandRun run = RunLine(library, "SevenZip", ExtractLine("7-ZIP32.DLL", sfx, dir / "out"));
  if (row.withArchive) {
    EXPECT_EQ(run.code, code::kOk) << run.report;
    EXPECT_EQ(FilesUnder(dir / "out"), kSource);
  } else {
    EXPECT_EQ(run.code, code::kNotAnArchive) << run.report;
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
  }
}

INSTANTIATE_TEST_SUITE_P(Stubs, SevenZipSfxTest, ::testing::ValuesIn(SfxCases()),
                         [](const auto& info) { return info.param.name; });

// ---- refusals ------------------------------------------------------------------

// Encrypted headers hide every name: nothing lists, nothing is written.
TEST(SevenZipRefusals, EncryptedHeadersOpenNothing) {
  TempDir dir;
  const std::string archive = MadeBy7z(dir, "-psecret -mhe=on", "a.txt d");
  const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
  EXPECT_FALSE(ListArchive(library.api(), archive).opened);
  EXPECT_FALSE(ListArchive(library.api(), archive, "*.*", 0).opened);
  EXPECT_EQ(library.api().check(archive.c_str(), 0), FALSE);
  const CommandRun run = RunLine(library, "SevenZip", ExtractLine("7-ZIP32.DLL", archive, dir / "out"));
  EXPECT_EQ(run.code, code::kNotAnArchive) << run.report;
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

// An archive cut anywhere has lost its header database (it lies at the
// end): nothing lists and nothing is extracted.
TEST(SevenZipRefusals, CutArchivesAreRefusedWhole) {
  TempDir dir;
  const std::string whole = ReadFile(MadeBy7z(dir, "", "a.txt d"));
  const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
  for (const std::size_t keep :
       {std::size_t{6}, std::size_t{31}, std::size_t{100}, whole.size() / 2, whole.size() - 20, whole.size() - 1}) {
    SCOPED_TRACE(keep);
    const std::string cut = dir / ("cut" + std::to_string(keep) + ".7z");
    WriteFile(cut, whole.substr(0, keep));
    EXPECT_FALSE(ListArchive(library.api(), cut).opened);
    EXPECT_EQ(library.api().check(cut.c_str(), 0), FALSE);
    const CommandRun run = RunLine(library, "SevenZip", ExtractLine("7-ZIP32.DLL", cut, dir / "out"));
    EXPECT_EQ(run.code, code::kNotAnArchive) << run.report;
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
  }
}

// Data that fails its CRC (stored) or its decoding (LZMA) is no file: the
// entry is not written, not even in part, and the line fails. The headers
// still list and check.
TEST(SevenZipRefusals, DamagedDataIsNotWritten) {
  struct Row {
    const char* switches;
    std::function<void(std::string&)> spoil;
    Files written;
  };
  // clang-format off
  const std::vector<Row> rows = {
      {"-m0=Copy -ms=off", [](std::string& b) { b[b.find("nihongo")] = 'N'; },
       {{"a.txt", kSource.at("a.txt")}}},
      // The first packed byte of the one solid LZMA stream.
      {"-m0=LZMA -ms=on", [](std::string& b) { b[33] ^= 0x55; }, {}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.switches);
    TempDir dir;
    std::string bytes = ReadFile(MadeBy7z(dir, row.switches, "a.txt 表ソ能/日本語.txt"));
    row.spoil(bytes);
    const std::string archive = dir / "spoilt.7z";
    WriteFile(archive, bytes);
    const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
    EXPECT_EQ(ListArchive(library.api(), archive).lines.size(), 2u);
    EXPECT_EQ(library.api().check(archive.c_str(), 0), TRUE);
    const CommandRun run = RunLine(library, "SevenZip", ExtractLine("7-ZIP32.DLL", archive, dir / "out"));
    EXPECT_EQ(run.code, code::kBrokenArchive) << run.report;
    EXPECT_EQ(FilesUnder(dir / "out"), row.written);
  }
}

// ---- where the files go --------------------------------------------------------

// "-oFOLDER" in quotes, and "FOLDER/" after the archive name, may hold
// blanks and Japanese names; the folder is made when it is not there.
TEST(SevenZipExtract, OutputFolderWithBlanksEitherWay) {
  TempDir dir;
  const std::string archive = MadeBy7z(dir, "");
  const ArchiverLibrary library(LibraryFor("7-ZIP32.DLL"));
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"out one/表 ソ 能", "x -y \"-o@O\" \"@A\""},
      {"out two/表 ソ 能", "x -aos \"@A\" \"@O/\""},
      {"out three", "x \"-o@O/\" -bd -r \"@A\" \"a.txt\""},
  };
  for (const auto& [folder, pattern] : lines) {
    SCOPED_TRACE(pattern);
    std::string line = pattern;
    line.replace(line.find("@O"), 2, dir / folder);
    line.replace(line.find("@A"), 2, archive);
    const CommandRun run = RunLine(library, "SevenZip", line);
    EXPECT_EQ(run.code, code::kOk) << run.report;
  }
  EXPECT_EQ(FilesUnder(dir / "out one/表 ソ 能"), kSource);
  EXPECT_EQ(FilesUnder(dir / "out two/表 ソ 能"), kSource);
  EXPECT_EQ(FilesUnder(dir / "out three"), (Files{{"a.txt", kSource.at("a.txt")}}));
}

}  // namespace
