// Archives made and read back through the DLLs under Windows, with Japanese
// (or, for tar, Latin) folder and file names on disk and in the lines: what
// is collected, how the names are stored (UTF-16 for 7z, UTF-8 for ZIP and
// pax) and what is extracted must all be the same text. The suite runs as a
// UTF-8 program (its manifest says so), as dovanel.exe will.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "libraries/core/util/DiskFiles.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

extern "C" __declspec(dllimport) unsigned __stdcall GetACP();

namespace {

using Files = std::map<std::string, std::string>;

// A folder and two files in it: their names in `folder` and `first`, `second`.
struct Names {
  const char* folder;
  const char* first;
  const char* second;
};

Files FilesOf(const Names& names) {
  const std::string folder = names.folder;
  return {{"a.txt", "alpha\n"},
          {folder + "/" + names.first, std::string("so\x1a\r\nft\n")},
          {folder + "/" + names.second, "nou\n"}};
}

// Every file below `folder` as UTF-8 text -> bytes.
Files FilesBelow(const std::filesystem::path& folder) {
  Files files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder))
    if (item.is_regular_file()) {
      const std::u8string relative = item.path().lexically_relative(folder).generic_u8string();
      files[std::string(relative.begin(), relative.end())] = ReadFile(item.path());
    }
  return files;
}

const Names kJapanese{"表示", "ソフト.txt", "能.txt"};
// libarchive's pax writer on Windows wants each name in the C library's
// locale too, which holds no character past U+00FF: its names are Latin.
const Names kLatin{"Café", "naïve.txt", "Straße.txt"};

struct RoundTrip {
  const char* name;
  Names names;
  const char* maker;    // the DLL that makes the archive
  const char* command;  // its command function
  const char* line;     // "@A" the archive, "@S" the source folder, "@F" the folder
  const char* reader;   // the DLL that lists and extracts it
  const char* archiveName;
};

std::ostream& operator<<(std::ostream& out, const RoundTrip& trip) { return out << trip.name; }

class RoundTripWin32Test : public ::testing::TestWithParam<RoundTrip> {};

TEST(Utf8Program, TheSuiteRunsInTheUtf8CodePage) { EXPECT_EQ(GetACP(), 65001u); }

TEST_P(RoundTripWin32Test, NamesComeBackAsTheyWent) {
  const RoundTrip& trip = GetParam();
  TempDir dir;
  const std::string folder = dv::TextOf(dir.path());
  const std::string source = folder + "/ソース";
  const Files files = FilesOf(trip.names);
  for (const auto& [name, bytes] : files) WriteFile(dv::PathOf(source) / dv::PathOf(name), bytes);
  const std::string archive = folder + "/" + trip.archiveName;
  std::string line = trip.line;
  for (const auto& [mark, value] :
       {std::pair<std::string, std::string>{"@A", archive}, {"@S", source}, {"@F", trip.names.folder}})
    for (std::size_t at; (at = line.find(mark)) != std::string::npos;) line.replace(at, 2, value);
  const ArchiverLibrary maker(LibraryFor(trip.maker));
  const CommandRun made = RunLine(maker, trip.command, line);
  ASSERT_EQ(made.code, code::kOk) << made.report;

  const ArchiverLibrary reader(LibraryFor(trip.reader));
  const Listing listing = ListArchive(reader.api(), archive);
  ASSERT_TRUE(listing.opened);
  std::vector<std::string> names;
  for (const ENTRYINFO& record : listing.records)
    if (std::string name = record.szFileName; !name.empty() && name.back() != '/') names.push_back(name);
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected;
  for (const auto& file : files) expected.push_back(file.first);
  EXPECT_EQ(names, expected);

  const std::string out = folder + "/出力";
  const CommandRun extracted = RunLine(reader, reader.entry().commands.front(), ExtractLine(trip.reader, archive, out));
  ASSERT_EQ(extracted.code, code::kOk) << extracted.report;
  EXPECT_EQ(FilesBelow(dv::PathOf(out)), files);
}

INSTANTIATE_TEST_SUITE_P(Makers, RoundTripWin32Test,
                         ::testing::Values(RoundTrip{"Zip", kJapanese, "ZIP32J.DLL", "Zip",
                                                     R"( -r -9 "@A" "@S/" "a.txt" "@F")", "UNZIP32.DLL", "書庫.zip"},
                                           RoundTrip{"Tar", kLatin, "tar32.dll", "Tar",
                                                     R"(c -f "@A" -o "@S/" "a.txt" "@F")", "tar32.dll", "書庫.tar"},
                                           RoundTrip{"SevenZip", kJapanese, "7-ZIP32.DLL", "SevenZip",
                                                     R"(a -y "@A" "@S/" "a.txt" "@F")", "7-ZIP32.DLL", "書庫.7z"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
