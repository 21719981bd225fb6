// "-A path" through ZIP32J.DLL's command function, on a stub joined to a ZIP
// as the ZIP driver's MakeSFX joins them: afterwards Info-ZIP's unzip tests
// the executable clean, our libraries list and extract it as the bare
// archive, and the bytes are those Info-ZIP's own "zip -A" writes. A file
// that needs no adjustment, or cannot be adjusted, stays byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/libraries/support/ArchiverLibrary.h"
#include "tests/libraries/support/CommandProbe.h"
#include "tests/libraries/support/ListingProbe.h"
#include "tests/libraries/support/ZipBuilder.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

enum class Expect {
  kAdjusted,   // unzip -t is clean; it lists and extracts as bare.zip
  kUnchanged,  // the same bytes as before
};

struct AdjustCase {
  std::string name;
  // Writes sfx.exe in the folder, and bare.zip, the archive without a stub,
  // when there is one.
  std::function<void(const TempDir&)> make;
  int code;
  Expect expect;
  bool infoZipAgrees = false;  // Info-ZIP's "zip -A" writes the same bytes
  friend std::ostream& operator<<(std::ostream& out, const AdjustCase& value) { return out << value.name; }
};

// Files to pack, one with a Japanese name, dated so that a listing shows
// their times.
void MakeSources(const TempDir& dir) {
  WriteFile(dir / "src/a.txt", std::string(3000, 'a'));
  WriteFile(dir / "src/d/b.txt", "bravo\n");
  WriteFile(dir / "src/d/\xE8\xA1\xA8\xE7\xA4\xBA.txt", "hyouji\n");
  RunIn(dir, "cd src && touch -d '2001-05-06 10:20:31' a.txt d/* d");
}

// bare.zip made by `zip` in src, then sfx.exe: a stub of `stubSize` bytes
// and bare.zip, as MakeSFX writes them.
std::function<void(const TempDir&)> InfoZip(const std::string& command, std::size_t stubSize) {
  return [command, stubSize](const TempDir& dir) {
    MakeSources(dir);
    RunIn(dir, "cd src && " + command);
    WriteFile(dir / "sfx.exe", Stub(stubSize) + ReadFile(dir / "bare.zip"));
  };
}

std::function<void(const TempDir&)> Built(Layout layout, std::size_t stubSize) {
  return [layout, stubSize](const TempDir& dir) {
    const std::vector<Member> members = {{"one.txt", "first entry"}, {"d/", ""}, {"d/two.txt", "second"}};
    WriteFile(dir / "bare.zip", BuildZip(members, layout));
    WriteFile(dir / "sfx.exe", Stub(stubSize) + ReadFile(dir / "bare.zip"));
  };
}

// `made` followed by a shell command run in the folder.
std::function<void(const TempDir&)> Then(std::function<void(const TempDir&)> made, const std::string& command) {
  return [made, command](const TempDir& dir) {
    made(dir);
    RunIn(dir, command);
  };
}

std::vector<AdjustCase> AdjustCases() {
  const auto plain = InfoZip("zip -q -r ../bare.zip a.txt d", 30002);
  Layout zip64;
  zip64.zip64 = true;
  Layout zip64Offsets = zip64;
  zip64Offsets.zip64Offsets = true;
  // clang-format off
  return {
      {"InfoZipBehindA30002ByteStub", plain, code::kOk, Expect::kAdjusted, true},
      {"InfoZipStreamedWithACommentBehindAnOddStub",
       InfoZip("zip -q - a.txt d/b.txt > ../bare.zip && echo note | zip -q -z ../bare.zip", 4097), code::kOk,
       Expect::kAdjusted, true},
      {"InfoZipForcedZip64BehindA30002ByteStub", InfoZip("zip -q -fz -r ../bare.zip a.txt d", 30002), code::kOk,
       Expect::kAdjusted},
      {"Zip64RecordsBehindA30002ByteStub", Built(zip64, 30002), code::kOk, Expect::kAdjusted},
      {"Zip64OffsetsInTheirFieldsBehindA30002ByteStub", Built(zip64Offsets, 30002), code::kOk, Expect::kAdjusted},
      // Nothing to adjust: left as it is.
      {"AlreadyAdjustedByInfoZip", Then(plain, "zip -q -A sfx.exe"), code::kOk, Expect::kUnchanged},
      {"ZipWithoutStub", Then(plain, "cp bare.zip sfx.exe"), code::kOk, Expect::kUnchanged},
      // Cannot be adjusted: left as it is.
      {"StubWithoutArchive", [](const TempDir& dir) { WriteFile(dir / "sfx.exe", Stub(30002)); },
       code::kNotAnArchive, Expect::kUnchanged},
      {"FirstLocalHeaderDamaged",
       Then(plain, "printf 'XXXX' | dd of=sfx.exe bs=1 seek=30002 conv=notrunc status=none"),
       code::kBrokenArchive, Expect::kUnchanged},
      {"EntryCountSaysMore", Built({false, "", "", 1}, 30002), code::kBrokenArchive, Expect::kUnchanged},
      {"ReadOnlyFile", Then(plain, "chmod a-w sfx.exe"), code::kCannotCreate, Expect::kUnchanged},
  };
  // clang-format on
}

std::vector<std::string> NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ZipSelfExtractorTest : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(ZipSelfExtractorTest, AdjustsOrLeavesTheFileAsItWas) {
  const AdjustCase& row = GetParam();
  TempDir dir;
  row.make(dir);
  const std::string sfx = dir / "sfx.exe";
  const std::string before = ReadFile(sfx);
  const std::vector<std::string> namesBefore = NamesIn(dir.path());
  const ArchiverLibrary maker(LibraryFor("ZIP32J.DLL"));
  const CommandRun run = RunLine(maker, "Zip", "-A " + sfx);
  EXPECT_EQ(run.code, row.code) << run.report;
  EXPECT_EQ(NamesIn(dir.path()), namesBefore) << "a file was left beside the executable";
  if (row.expect == Expect::kUnchanged) {
    EXPECT_TRUE(ReadFile(sfx) == before) << "the file changed";
    return;
  }
  const CommandOutput test = RunAndCapture("unzip -t " + Quote(sfx));
  EXPECT_EQ(test.status, 0) << test.text;
  EXPECT_EQ(test.text.find("extra bytes"), std::string::npos) << test.text;
  EXPECT_EQ(ReadFile(sfx).size(), before.size());

  const ArchiverLibrary reader(LibraryFor("UNZIP32.DLL"));
  const Listing listed = ListArchive(reader.api(), sfx);
  EXPECT_TRUE(listed.opened);
  EXPECT_FALSE(listed.lines.empty());
  EXPECT_EQ(listed.lines, ListArchive(reader.api(), dir / "bare.zip").lines);
  const CommandRun extracted = RunLine(reader, "UnZip", "-x \"" + sfx + "\" \"" + (dir / "ours") + "/\"");
  EXPECT_EQ(extracted.code, code::kOk) << extracted.report;
  RunIn(dir, "unzip -q bare.zip -d theirs");
  EXPECT_EQ(FilesUnder(dir / "ours"), FilesUnder(dir / "theirs"));

  if (row.infoZipAgrees) {
    WriteFile(dir / "infozip.exe", before);
    RunIn(dir, "zip -q -A infozip.exe");
    EXPECT_TRUE(ReadFile(sfx) == ReadFile(dir / "infozip.exe")) << "not the bytes zip -A writes";
  }
}

INSTANTIATE_TEST_SUITE_P(Zip32j, ZipSelfExtractorTest, ::testing::ValuesIn(AdjustCases()),
                         [](const auto& info) { return info.param.name; });

// The adjusted file keeps the old one's permissions, and a second -A finds
// nothing left to do.
TEST(ZipSelfExtractor, KeepsThePermissionsAndIsDoneOnce) {
  TempDir dir;
  InfoZip("zip -q -r ../bare.zip a.txt d", 30002)(dir);
  const std::string sfx = dir / "sfx.exe";
  fs::permissions(sfx, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  const ArchiverLibrary maker(LibraryFor("ZIP32J.DLL"));
  ASSERT_EQ(RunLine(maker, "Zip", "-A " + sfx).code, code::kOk);
  EXPECT_EQ(fs::status(sfx).permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  const std::string adjusted = ReadFile(sfx);
  EXPECT_EQ(RunLine(maker, "Zip", "-A " + sfx).code, code::kOk);
  EXPECT_TRUE(ReadFile(sfx) == adjusted);
}

}  // namespace
