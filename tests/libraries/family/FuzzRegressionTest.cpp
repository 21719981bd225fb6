// What the fuzzers found, replayed through the fuzzers' own entry code
// (fuzz/FuzzEntries.h): every input kept in tests/data/fuzz/<target>/ must
// give exactly the outcome its expected.tsv line names, with every promise
// the fuzzers check holding. Beside them, the inputs too large to keep that
// the findings led to, made here.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

#include "fuzz/Bzip2Entry.h"
#include "fuzz/FuzzEntries.h"
#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/ArjBuilder.h"
#include "tests/support/TempDir.h"

namespace {

const auto* Bytes(const std::string& text) { return reinterpret_cast<const std::uint8_t*>(text.data()); }

// Every kept target's folder: its inputs and expected.tsv, whose lines read
// "input<TAB>outcome" ('#' starts a comment line).
struct Target {
  std::string name;
  dvfuzz::Outcome (*replay)(const std::string& input, const std::string& scratch);
  friend std::ostream& operator<<(std::ostream& out, const Target& value) { return out << value.name; }
};

dvfuzz::Outcome ReplayArj(const std::string& input, const std::string& scratch) {
  return dvfuzz::ArjOutcome(scratch, Bytes(input), input.size());
}

dvfuzz::Outcome ReplaySevenZipHeader(const std::string& input, const std::string& scratch) {
  return dvfuzz::SevenZipHeaderOutcome(scratch, Bytes(input), input.size());
}

// As the listing fuzzer: the first byte picks the library, the rest is the file.
dvfuzz::Outcome ReplayListing(const std::string& input, const std::string& scratch) {
  if (input.empty()) return {"", "an empty input picks no library"};
  const ArchiverLibrary library(LibraryFor(dvfuzz::kListingLibraries[dvfuzz::PickedLibrary(Bytes(input))].file));
  return dvfuzz::ListingOutcome(library.Listing(), scratch, Bytes(input) + 1, input.size() - 1);
}

dvfuzz::Outcome ReplayBzip2(const std::string& input, const std::string& scratch) {
  return dvfuzz::Bzip2Outcome(scratch, Bytes(input), input.size());
}

dvfuzz::Outcome ReplayCommandLine(const std::string& input, const std::string&) {
  return dvfuzz::CommandLineOutcome(Bytes(input), input.size());
}

// The folder the extraction and creation targets lay their files out in.
std::string WorkBeside(const std::string& scratch) {
  return (std::filesystem::path(scratch).parent_path() / "work").string();
}

// As the extraction fuzzer: the first byte picks the library, the rest is the archive.
dvfuzz::Outcome ReplayExtract(const std::string& input, const std::string& scratch) {
  if (input.empty()) return {"", "an empty input picks no library"};
  const dvfuzz::ExtractLibrary& picked = dvfuzz::kExtractLibraries[dvfuzz::PickedExtractLibrary(Bytes(input))];
  const ArchiverLibrary library(LibraryFor(picked.file));
  return dvfuzz::ExtractOutcome(reinterpret_cast<ArcCommandFn>(library.Require(picked.function)), picked,
                                WorkBeside(scratch), Bytes(input) + 1, input.size() - 1);
}

// As the creation fuzzer: the first byte picks the library, the rest describes the tree and the line.
dvfuzz::Outcome ReplayCreate(const std::string& input, const std::string& scratch) {
  if (input.empty()) return {"", "an empty input picks no library"};
  const dvfuzz::CreateLibrary& picked = dvfuzz::kCreateLibraries[dvfuzz::PickedCreateLibrary(Bytes(input))];
  const ArchiverLibrary library(LibraryFor(picked.file));
  dvfuzz::CreateFunctions functions;
  functions.command = reinterpret_cast<ArcCommandFn>(library.Require(picked.function));
  functions.listing = library.Listing();
  return dvfuzz::CreateOutcome(functions, picked, WorkBeside(scratch), Bytes(input) + 1, input.size() - 1);
}

std::map<std::string, std::string> ExpectedOutcomes(const std::filesystem::path& file) {
  std::map<std::string, std::string> expected;
  std::istringstream lines(ReadFile(file));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab = line.find('\t');
    EXPECT_NE(tab, std::string::npos) << "no tab in: " << line;
    if (tab != std::string::npos) expected[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return expected;
}

class FuzzRegressionTest : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzRegressionTest, EveryKeptInputGivesItsExpectedOutcome) {
  const std::filesystem::path folder = std::filesystem::path(DOVANEL_FUZZ_DATA_DIR) / GetParam().name;
  const auto expected = ExpectedOutcomes(folder / "expected.tsv");
  ASSERT_FALSE(expected.empty()) << "no expectations in " << folder;
  std::set<std::string> inputs;
  for (const auto& item : std::filesystem::directory_iterator(folder))
    if (item.path().filename() != "expected.tsv") inputs.insert(item.path().filename().string());
  std::set<std::string> named;
  for (const auto& [input, outcome] : expected) named.insert(input);
  EXPECT_EQ(inputs, named) << "every input needs one expected outcome, every outcome its input";

  const TempDir dir;
  for (const auto& [input, outcome] : expected) {
    SCOPED_TRACE(input);
    const dvfuzz::Outcome replayed = GetParam().replay(ReadFile(folder / input), dir / "input");
    EXPECT_EQ(replayed.faults, "");
    EXPECT_EQ(replayed.summary, outcome);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressionTest,
                         ::testing::Values(Target{"arj", &ReplayArj}, Target{"sevenzip", &ReplaySevenZipHeader},
                                           Target{"listing", &ReplayListing}, Target{"commandline", &ReplayCommandLine},
                                           Target{"extract", &ReplayExtract}, Target{"create", &ReplayCreate},
                                           Target{"bzip2", &ReplayBzip2}),
                         [](const auto& info) { return info.param.name; });

// A stub full of look-alike ARJ headers: ids with a size in range whose CRC
// fails. Each costs a full header read and CRC, so only so many are tried
// (32, as for the other formats); a megabyte of them used to take seconds.
std::string StubWithLookAlikes(int count) {
  std::string stub = "MZ";
  for (int i = 0; i < count; ++i) stub += std::string("\x60\xEA\x1E\x00", 4) + std::string(34, '\0');
  return stub;
}

TEST(ArjLookAlikeHeaders, OnlyTheFirst32PlausibleCandidatesAreTried) {
  const TempDir dir;
  ArjEntry entry;
  entry.name = "a.txt";
  entry.data = "one";
  entry.stamp = DosStamp(2001, 2, 3, 4, 5, 6);
  const std::string archive = ArjMainHeader() + ArjFile(entry) + ArjFile(entry) + ArjEnd();
  struct Case {
    int lookAlikes;
    std::string outcome;
  };
  // The real main header is one more candidate.
  for (const Case& row : {Case{0, "entries=2 end data=DD"}, Case{31, "entries=2 end data=DD"}, Case{32, "refused"},
                          Case{20000, "refused"}}) {
    SCOPED_TRACE(row.lookAlikes);
    const std::string file = StubWithLookAlikes(row.lookAlikes) + archive;
    const dvfuzz::Outcome outcome = dvfuzz::ArjOutcome(dir / "input", Bytes(file), file.size());
    EXPECT_EQ(outcome.faults, "");
    EXPECT_EQ(outcome.summary, row.outcome);
  }
}

// A tar header as the tar32 probe and libarchive's reader must both judge
// it: a one-entry tar whose header has one field changed (its checksum made
// right again). The fuzzer found a header with a device number that is not
// octal, which the probe called a tar and the reader refused.
struct TarField {
  const char* name;
  std::size_t at;
  std::string bytes;
  bool tar;
  friend std::ostream& operator<<(std::ostream& out, const TarField& value) { return out << value.name; }
};

std::string OneEntryTar(const TarField& change) {
  std::string header(512, '\0');
  const auto put = [&header](std::size_t at, const std::string& text) { header.replace(at, text.size(), text); };
  put(0, "a.txt");
  put(100, "0000644");
  put(108, "0001750");
  put(116, "0001750");
  put(124, "00000000004");
  put(136, "07236701562");
  put(156, "0");
  // clang-format off
  put(257, std::string("ustar\0" "00", 8));
  // clang-format on
  put(329, "0000000");
  put(337, "0000000");
  put(change.at, change.bytes);
  header.replace(148, 8, 8, ' ');
  unsigned sum = 0;
  for (unsigned char c : header) sum += c;
  char field[8];
  std::snprintf(field, sizeof field, "%06o", sum);
  header.replace(148, 7, std::string(field, 6) + '\0');
  return header + "one\n" + std::string(508, '\0') + std::string(1024, '\0');
}

class TarHeaderFieldTest : public ::testing::TestWithParam<TarField> {};

TEST_P(TarHeaderFieldTest, ProbeAndListingAgree) {
  const TempDir dir;
  const ArchiverLibrary tar(LibraryFor("tar32.dll"));
  const std::string file = OneEntryTar(GetParam());
  const dvfuzz::Outcome outcome = dvfuzz::ListingOutcome(tar.Listing(), dir / "input", Bytes(file), file.size());
  EXPECT_EQ(outcome.faults, "");
  EXPECT_EQ(outcome.summary, GetParam().tar ? "entries=1 check=1 type=1" : "refused check=0 type=0");
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TarHeaderFieldTest,
    ::testing::Values(TarField{"Unchanged", 0, "a.txt", true}, TarField{"ModeNotOctal", 100, "000064x", false},
                      TarField{"UidNotOctal", 108, "9", false}, TarField{"GidNotOctal", 116, "000175-", false},
                      TarField{"SizeNotOctal", 124, "0000000000z", false},
                      TarField{"SizeInBase256", 124, std::string("\x80\0\0\0\0\0\0\0\0\0\0\x04", 12), true},
                      TarField{"MtimeNotOctal", 136, "0723670156!", false},
                      TarField{"MtimeLedBySpaces", 136, "  723670156", true},
                      TarField{"DeviceMajorNotOctal", 329, "t", false},
                      TarField{"DeviceMinorNotOctal", 337, "0000008", false},
                      TarField{"TypeNul", 156, std::string(1, '\0'), true}, TarField{"TypeBlank", 156, " ", false},
                      TarField{"TypeNotALetter", 156, "%", false}),
    [](const auto& info) { return std::string(info.param.name); });

// Every compressed kind tar32 names, as the listing fuzzer meets it in a
// valid file: each must keep every promise the fuzzer checks (xz and zstd
// once made it abort on every valid input, for a type code it did not know).
struct PackedKind {
  const char* name;
  std::string command;  // makes "x" in a folder holding メモ.txt (a UTF-8 name)
  int type;
  friend std::ostream& operator<<(std::ostream& out, const PackedKind& value) { return out << value.name; }
};

class PackedTarKindTest : public ::testing::TestWithParam<PackedKind> {};

TEST_P(PackedTarKindTest, ListsWithEveryPromiseKept) {
  const TempDir dir;
  const ArchiverLibrary tar(LibraryFor("tar32.dll"));
  WriteFile(dir / "メモ.txt", "notes\n");
  RunIn(dir, GetParam().command);
  const std::string file = ReadFile(dir / "x");
  const dvfuzz::Outcome outcome = dvfuzz::ListingOutcome(tar.Listing(), dir / "input", Bytes(file), file.size());
  EXPECT_EQ(outcome.faults, "");
  EXPECT_EQ(outcome.summary, "entries=1 check=1 type=" + std::to_string(GetParam().type));
}

INSTANTIATE_TEST_SUITE_P(Kinds, PackedTarKindTest,
                         ::testing::Values(PackedKind{"TarGzip", "tar czf x メモ.txt", 2},
                                           PackedKind{"TarCompress", "bsdtar cZf x メモ.txt", 3},
                                           PackedKind{"GzipOnly", "gzip -c メモ.txt > x", 4},
                                           PackedKind{"CompressOnly", "bsdtar -c --format raw -Z -f x メモ.txt", 5},
                                           PackedKind{"TarBzip2", "tar cjf x メモ.txt", 6},
                                           PackedKind{"Bzip2Only", "bzip2 -c メモ.txt > x", 7},
                                           PackedKind{"TarXz", "tar cJf x メモ.txt", 10},
                                           PackedKind{"XzOnly", "xz -c メモ.txt > x", 11},
                                           PackedKind{"TarZstd", "tar --zstd -cf x メモ.txt", 12},
                                           PackedKind{"ZstdOnly", "zstd -q -c メモ.txt > x", 13}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
