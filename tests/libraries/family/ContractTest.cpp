// What every library of the family promises whatever it reads: its exact
// export names, the command's report buffer, the owner window, and how
// handles behave.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int kListEnd = -1;

std::set<std::string> ExpectedExports(const LibraryEntry& info) {
  std::set<std::string> names(info.commands.begin(), info.commands.end());
  for (const char* suffix : {"OpenArchive", "CloseArchive", "FindFirst", "FindNext", "CheckArchive"})
    names.insert(info.listingPrefix + suffix);
  for (const char* suffix : {"SetOwnerWindowEx", "KillOwnerWindowEx"}) names.insert(info.ownerPrefix + suffix);
  if (info.file == "tar32.dll") names.insert("TarGetArchiveType");
  return names;
}

// The numbers callers have always read, spelled out here once: the suites
// name the codes, so a changed number would otherwise pass unseen.
TEST(ResultCodes, KeepTheValuesCallersRead) {
  // clang-format off
  const std::pair<int, int> kCodes[] = {
      {code::kOk, 0},
      {code::kNotSupported, 0x8001},        {code::kBadCommand, 0x8002},   {code::kBadSwitch, 0x8003},
      {code::kBadLine, 0x8004},             {code::kCannotRead, 0x8005},   {code::kArchiveNotFound, 0x8006},
      {code::kNotAnArchive, 0x8007},        {code::kBrokenArchive, 0x8008}, {code::kMethodNotSupported, 0x8009},
      {code::kCannotCreate, 0x800A},        {code::kNoMatch, 0x800B},      {code::kUnsafeEntry, 0x800C},
      {code::kVolumeMissing, 0x800D},       {code::kEncrypted, 0x800E},    {code::kNothingWritten, 0x800F},
  };
  // clang-format on
  for (const auto& [named, value] : kCodes) EXPECT_EQ(named, value);
  EXPECT_EQ(dv::kListEnd, -1);
}

class ContractTest : public ::testing::TestWithParam<LibraryEntry> {};

TEST_P(ContractTest, ExportsExactlyItsOwnFamilyNames) {
  const ArchiverLibrary library(GetParam());
  // Every family name any library exports, in every spelling: each library
  // must have exactly its own and none of the others (case matters).
  std::set<std::string> universe;
  for (const LibraryEntry& other : AllLibraries())
    for (const std::string& name : ExpectedExports(other)) universe.insert(name);
  std::set<std::string> exported;
  for (const std::string& name : universe)
    if (library.Find(name) != nullptr) exported.insert(name);
  EXPECT_EQ(exported, ExpectedExports(GetParam()));
}

// The report of a refused line, cut to whatever room the caller gives.
TEST_P(ContractTest, CommandsReportWithinTheBufferTheyAreGiven) {
  const ArchiverLibrary library(GetParam());
  for (const std::string& name : GetParam().commands) {
    SCOPED_TRACE(name);
    const auto command = reinterpret_cast<ArcCommandFn>(library.Require(name));
    char output[16];
    std::memset(output, 'x', sizeof output);
    EXPECT_EQ(command(nullptr, nullptr, output, sizeof output), code::kBadLine);
    EXPECT_GT(std::strlen(output), 0u);
    EXPECT_LT(std::strlen(output), sizeof output);
    std::memset(output, 'x', sizeof output);
    EXPECT_EQ(command(nullptr, nullptr, output, 4), code::kBadLine);
    EXPECT_EQ(std::strlen(output), 3u);
    EXPECT_EQ(output[4], 'x') << "wrote past the size given";
    // No room: the buffer is left alone.
    std::memset(output, 'x', sizeof output);
    EXPECT_EQ(command(nullptr, nullptr, output, 0), code::kBadLine);
    EXPECT_EQ(output[0], 'x');
    EXPECT_EQ(command(nullptr, nullptr, nullptr, 100), code::kBadLine);
  }
}

TEST_P(ContractTest, OwnerWindowIsKilledOnlyByTheStoredOne) {
  const ArchiverLibrary library(GetParam());
  const ArchiverApi& live = library.api();
  const HWND first = reinterpret_cast<HWND>(0x1000), second = reinterpret_cast<HWND>(0x2000);
  EXPECT_EQ(live.killOwner(first), FALSE) << "nothing stored yet";
  EXPECT_EQ(live.setOwner(first, nullptr), TRUE);
  EXPECT_EQ(live.killOwner(second), FALSE);
  EXPECT_EQ(live.killOwner(first), TRUE);
  EXPECT_EQ(live.killOwner(first), FALSE) << "already killed";
  EXPECT_EQ(live.setOwner(second, nullptr), TRUE);
  EXPECT_EQ(live.setOwner(first, nullptr), TRUE) << "a new owner replaces the old";
  EXPECT_EQ(live.killOwner(second), FALSE);
  EXPECT_EQ(live.killOwner(first), TRUE);
}

TEST_P(ContractTest, UnknownAndClosedHandlesEndAtOnceAndCloseHarmlessly) {
  TempDir dir;
  const ArchiverLibrary library(GetParam());
  const ArchiverApi& api = library.api();
  ENTRYINFO record{};
  for (HARC bogus : {HARC{0}, HARC{0x7FFF1234}, ~HARC{0}}) {
    SCOPED_TRACE(bogus);
    EXPECT_EQ(api.findFirst(bogus, "*.*", &record), kListEnd);
    EXPECT_EQ(api.findNext(bogus, &record), kListEnd);
    EXPECT_EQ(api.close(bogus), 0);
  }
  const std::string archive = SampleArchive(GetParam().format, dir.path().string());
  const HARC handle = api.open(nullptr, archive.c_str(), kProbeOpenMode);
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(api.findFirst(handle, "*.*", &record), 0);
  EXPECT_EQ(api.close(handle), 0);
  EXPECT_EQ(api.findFirst(handle, "*.*", &record), kListEnd);
  EXPECT_EQ(api.findNext(handle, &record), kListEnd);
  EXPECT_EQ(api.close(handle), 0) << "closing twice";
  // A new handle never takes the number of a closed one.
  const HARC again = api.open(nullptr, archive.c_str(), kProbeOpenMode);
  EXPECT_NE(again, 0u);
  EXPECT_NE(again, handle);
  EXPECT_EQ(api.close(again), 0);
}

TEST_P(ContractTest, TwoHandlesOnOneArchiveWalkIndependently) {
  TempDir dir;
  const ArchiverLibrary library(GetParam());
  const ArchiverApi& api = library.api();
  const std::string archive = SampleArchive(GetParam().format, dir.path().string());
  const std::vector<std::string> alone = ListArchive(api, archive).lines;
  ASSERT_GE(alone.size(), 2u);
  const HARC a = api.open(nullptr, archive.c_str(), kProbeOpenMode);
  const HARC b = api.open(nullptr, archive.c_str(), 0);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  ASSERT_NE(a, b);
  ENTRYINFO record{};
  std::vector<std::string> fromA, fromB;
  ASSERT_EQ(api.findFirst(a, "*.*", &record), 0);
  fromA.push_back(RenderLine(record));
  ASSERT_EQ(api.findFirst(b, "*.*", &record), 0);
  fromB.push_back(RenderLine(record));
  while (api.findNext(a, &record) == 0) fromA.push_back(RenderLine(record));
  while (api.findNext(b, &record) == 0) fromB.push_back(RenderLine(record));
  EXPECT_EQ(fromA, alone);
  EXPECT_EQ(fromB, alone);
  api.close(a);
  api.close(b);
}

INSTANTIATE_TEST_SUITE_P(Family, ContractTest, ::testing::ValuesIn(AllLibraries()),
                         [](const auto& info) { return TestNameOf(info.param); });

}  // namespace
