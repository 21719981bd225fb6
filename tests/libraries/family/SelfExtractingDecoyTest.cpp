// A self-extractor's stub may hold the signatures of any format. The search
// for the archive inside must pass over every candidate whose first header
// does not read and go on to the real archive; no library may take a stub's
// decoy for an archive of its format.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ArjBuilder.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

using namespace std::string_literals;

// "MZ", 4000 bytes of NOP, then the signatures the brief case names.
const std::string kStub = "MZ"s + std::string(4000, '\x90') + "PK\x03\x04"s + "-lh5-" + "Rar!";
// Every family's signature, an LHA method with a header level after it,
// and a RAR and a cabinet marker whose headers are garbage.
const std::string kAllDecoys = "MZ"s + std::string(4000, '\x90') + "PK\x03\x04"s + "xx-lh5-" + std::string(14, '\x01') +
                               "\x02" + "Rar!\x1a\x07\x00"s + "MSCF\0\0\0\0"s + std::string(30, '\x7F') + "\x60\xEA" +
                               "\x60\xEA\x30\x00"s + std::string(60, 'J');

struct Decoy {
  std::string name;
  std::string format;  // the real archive's: "lha", "zip", "cab", "arj", "rar"
  std::string tool;    // makes real.<ext> from a.txt and b.txt
  std::string stub;
  friend std::ostream& operator<<(std::ostream& out, const Decoy& value) { return out << value.name; }
};

std::vector<Decoy> Decoys() {
  const auto rar = [](int version) {
    return FixturePython("import rar\nrar.write('real', rar.from_files(['a.txt', 'b.txt']), " +
                         std::to_string(version) + ")");
  };
  return {
      {"ZipAfterTheStubOfTheReport", "zip", "zip -q -X real a.txt b.txt && mv real.zip real", kStub},
      {"LhaAfterEveryDecoy", "lha", "jlha a real.lzh a.txt b.txt > /dev/null && mv real.lzh real", kAllDecoys},
      {"ZipAfterEveryDecoy", "zip", "zip -q -X real a.txt b.txt && mv real.zip real", kAllDecoys},
      {"CabAfterEveryDecoy", "cab", "gcab -c real a.txt b.txt", kAllDecoys},
      {"ArjAfterEveryDecoy", "arj", "arj a -m0 real.arj a.txt b.txt > /dev/null && mv real.arj real", kAllDecoys},
      {"Rar4AfterEveryDecoy", "rar", rar(4), kAllDecoys},
      {"Rar5AfterEveryDecoy", "rar", rar(5), kAllDecoys},
      // A 7z signature with garbage where its start header's CRC should be.
      {"SevenZipAfterEveryDecoy", "7z", "7z a -bd real.7z a.txt b.txt > /dev/null && mv real.7z real",
       kAllDecoys + "7z\xBC\xAF\x27\x1C\x00\x04"s + std::string(40, '\x55')},
  };
}

class SelfExtractingDecoyTest : public ::testing::TestWithParam<Decoy> {};

TEST_P(SelfExtractingDecoyTest, OnlyTheRealFormatOpensAndListsTheRealArchive) {
  const Decoy& row = GetParam();
  TempDir dir;
  WriteFile(dir / "a.txt", "alpha\n");
  WriteFile(dir / "b.txt", "bravo\n");
  RunIn(dir, row.tool);
  WriteConcatenation(dir / "sfx.exe", row.stub, dir / "real");
  for (const LibraryEntry& info : AllLibraries()) {
    SCOPED_TRACE(info.file);
    const ArchiverLibrary library(info);
    for (const DWORD mode : {DWORD{0}, kProbeOpenMode}) {
      SCOPED_TRACE(mode);
      const Listing listing = ListArchive(library.api(), dir / "sfx.exe", "*.*", mode);
      if (info.format != row.format) {
        EXPECT_FALSE(listing.opened) << "took a decoy for an archive";
        continue;
      }
      ASSERT_TRUE(listing.opened);
      EXPECT_EQ(listing.lines, ListArchive(library.api(), dir / "real").lines);
      EXPECT_FALSE(listing.lines.empty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Stubs, SelfExtractingDecoyTest, ::testing::ValuesIn(Decoys()),
                         [](const auto& info) { return info.param.name; });

// What extraction gets out of the self-extractor is the real archive's.
TEST(SelfExtractingDecoy, ExtractsTheRealArchive) {
  TempDir dir;
  WriteFile(dir / "a.txt", "alpha\n");
  WriteFile(dir / "b.txt", "bravo\n");
  RunIn(dir, "jlha a real.lzh a.txt b.txt > /dev/null");
  WriteConcatenation(dir / "sfx.exe", kAllDecoys, dir / "real.lzh");
  const ArchiverLibrary lha(LibraryFor("UNLHA32.DLL"));
  const CommandRun run = RunLine(lha, "Unlha", "x -+ \"" + (dir / "sfx.exe") + "\" \"" + (dir / "out") + "/\"");
  EXPECT_EQ(run.code, code::kOk) << run.report;
  EXPECT_EQ(FilesUnder(dir / "out"), (std::map<std::string, std::string>{{"a.txt", "alpha\n"}, {"b.txt", "bravo\n"}}));
}

// An archive with no entries behind a stub still opens where its format
// checks more than a signature: a ZIP's end record, an ARJ main header with
// its CRC.
TEST(SelfExtractingDecoy, ValidlyEmptyArchivesOpenEmpty) {
  TempDir dir;
  const std::string emptyZip = "PK\x05\x06"s + std::string(18, '\0');
  WriteFile(dir / "zip.exe", kStub + emptyZip);
  WriteFile(dir / "arj.exe", kStub + ArjMainHeader() + ArjEnd());
  for (const auto& [file, format] : {std::pair<std::string, std::string>{"zip.exe", "zip"}, {"arj.exe", "arj"}}) {
    for (const LibraryEntry& info : AllLibraries()) {
      SCOPED_TRACE(file + " in " + info.file);
      const ArchiverLibrary library(info);
      const Listing listing = ListArchive(library.api(), dir / file);
      EXPECT_EQ(listing.opened, info.format == format);
      EXPECT_TRUE(listing.lines.empty());
    }
  }
}

}  // namespace
