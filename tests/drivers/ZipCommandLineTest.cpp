// The ZIP driver's command operations: the name filter, the three switch
// sets, the response file, and which library creates (with LMZIP32.DLL the
// old archive waits in a private temporary folder until the command has
// succeeded).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drivers/DriverTable.h"
#include "drivers/ZIP32.h"
#include "platform/rtl/Exception.h"
#include "platform/winapi/Window.h"
#include "tests/drivers/CommandTestSupport.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/TempDir.h"

namespace {
using Op = TCommandOperation;

const char* const kNoCreatingLibrary = "ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。";
const char* const kNoSelfExtractingLibrary = "ZIP 形式書庫からの自己解凍書庫作成には ZIP32J.DLL が必要です。";

TEST(EscapeZipNameTest, RewritesBackslashesAndOpeningBrackets) {
  const struct {
    const char* name;
    std::string given;
    std::string expected;
  } cases[] = {
      {"Both", "dir\\a[1].txt", "dir/a[[]1].txt"}, {"ClosingBracketStays", "a]b", "a]b"},   {"Empty", "", ""},
      {"EveryOccurrence", "[[\\\\", "[[][[]//"},   {"Utf8TextAround", "表\\[x", "表/[[]x"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeZipName(c.given), c.expected) << c.name;
}

// In Shift-JIS the second byte of a double-byte character may be 0x5C ("\")
// or 0x5B ("["): it belongs to the character and is copied as it is.
TEST(EscapeZipNameTest, CopiesDoubleByteCharactersWhole) {
  ScopedCodePage shiftJis(TCodePage::ShiftJis);
  const struct {
    const char* name;
    std::string given;
    std::string expected;
  } cases[] = {
      {"TrailByteIsBackslash", "\x95\x5C\\a", "\x95\x5C/a"},
      {"TrailByteIsBracket", "\x83\x5B[", "\x83\x5B[[]"},
      {"SingleByteAfterDoubleByte",
       "\x95\x5C"
       "a\\[",
       "\x95\x5C"
       "a/[[]"},
      {"LoneLeadByteAtTheEnd", "a\\\x95", "a/\x95"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeZipName(c.given), c.expected) << c.name;
}

class ZipCommandFixture {
 protected:
  void Start(const std::vector<std::string>& present) {
    ReleaseAllDriverUnits();
    UseFakeLibraries(present);
    for (const auto& folder : present) {
      const std::string file = folder == "unzip32" ? "UNZIP32.DLL" : folder == "zip32j" ? "ZIP32J.DLL" : "LMZIP32.DLL";
      fakes_.push_back(std::make_unique<FakeLibrary>(folder, file));
      fakes_.back()->Clear();
    }
    driver_ = TArchiver::Create<TZip32>();
  }
  void Stop() {
    driver_.reset();
    ReleaseAllDriverUnits();
    fakes_.clear();
  }
  FakeLibrary& Fake(std::size_t index) { return *fakes_.at(index); }

  std::vector<std::unique_ptr<FakeLibrary>> fakes_;
  std::unique_ptr<TArchiver> driver_;
  TArchiverOptions options_;
  std::string output_;
};

struct ZipLineCase {
  const char* name;
  Op operation = Op::Pack;
  void (*setUp)(TArchiverOptions&) = [](TArchiverOptions&) {};
  std::string archive = "/a.zip";
  std::string directory = "/src";
  std::vector<std::string> files = {"sub\\x.txt"};
  std::string expected;
};

// clang-format off
const ZipLineCase kZipLines[] = {
    {.name = "UnpackWithDefaults", .operation = Op::Unpack, .directory = "/out", .files = {"x[1].txt"},
     .expected = R"(-x  "/a.zip" "/out/" "x[[]1].txt" )"},
    {.name = "UnpackOverwritesWithC1", .operation = Op::Unpack, .setUp = [](TArchiverOptions& o) { o.c = 1; },
     .expected = R"(-x -o  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "UnpackIgnoresC2", .operation = Op::Unpack, .setUp = [](TArchiverOptions& o) { o.c = 2; },
     .expected = R"(-x  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "UnpackQuietWithN1", .operation = Op::Unpack, .setUp = [](TArchiverOptions& o) { o.n = 1; },
     .expected = R"(-x --i  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "UnpackJunksPathsWithX0", .operation = Op::Unpack, .setUp = [](TArchiverOptions& o) { o.x = 0; },
     .expected = R"(-x -j  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "UnpackKeepsPathsWithX1", .operation = Op::Unpack, .setUp = [](TArchiverOptions& o) { o.x = 1; },
     .expected = R"(-x  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "UnpackEverySwitchInOrder", .operation = Op::Unpack,
     .setUp = [](TArchiverOptions& o) { o.c = 1, o.n = 1, o.x = 0, o.a = 1, o.jm = 9; },
     .expected = R"(-x -o --i -j  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "PackWithDefaults", .expected = R"( -D  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "PackA0", .setUp = [](TArchiverOptions& o) { o.a = 0; },
     .expected = R"( -D  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "PackA1", .setUp = [](TArchiverOptions& o) { o.a = 1; },
     .expected = R"( -S -D  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "PackA2", .setUp = [](TArchiverOptions& o) { o.a = 2; },
     .expected = R"( -S  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "PackN1GivesQuietAndOverwrite", .setUp = [](TArchiverOptions& o) { o.n = 1; },
     .expected = R"( -D -q -o  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "PackLevelZero", .setUp = [](TArchiverOptions& o) { o.jm = 0; },
     .expected = R"( -D -0  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "PackEverySwitchInOrder",
     .setUp =
         [](TArchiverOptions& o) {
           o.a = 1, o.l = 1, o.n = 1, o.r = 1, o.u = 1, o.x = 0, o.jc = 1, o.ji = 1, o.jm = 9, o.gd = 1, o.c = 1;
         },
     .expected = R"( -S -D -v -q -r -o -u -j -FF -k -9 -J  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "PackUserTexts",
     .setUp = [](TArchiverOptions& o) { o.UserOptions = "-P pw", o.UserFileList = "-x *.o"; },
     .expected = R"( -D -P pw "/a.zip" "/src/" "sub/x.txt" -x *.o)"},
    {.name = "RemoveItemNeverCarriesTheBaseDirectory", .operation = Op::RemoveItem,
     .expected = R"(-d -D  "/a.zip" "sub/x.txt" )"},
    {.name = "UpdateWithDefaults", .operation = Op::Update, .expected = R"(-f -D  "/a.zip" "/src/" "sub/x.txt" )"},
    {.name = "ArchiveAndDirectoryAreNotFiltered", .operation = Op::Unpack, .archive = "/x[1]\\a.zip",
     .directory = "/d[2]", .expected = R"(-x  "/x[1]\a.zip" "/d[2]/" "sub/x.txt" )"},
};
// clang-format on

// ZIP32J.DLL creates and UNZIP32.DLL extracts.
class ZipLineTest : public ZipCommandFixture, public ::testing::TestWithParam<ZipLineCase> {
 protected:
  void SetUp() override { Start({"unzip32", "zip32j"}); }
  void TearDown() override { Stop(); }
};

TEST_P(ZipLineTest, BuildsAndSendsTheLine) {
  const ZipLineCase& row = GetParam();
  row.setUp(options_);
  const TStringList files = ListOf(row.files);
  Operate(*driver_, row.operation, nullptr, row.archive, options_, row.directory, &files, false, output_);
  EXPECT_EQ(driver_->CommandLine, row.expected);
  const bool extracting = row.operation == Op::Unpack;
  EXPECT_EQ(Fake(extracting ? 0 : 1).Calls(),
            std::vector<std::string>{CommandCall(extracting ? "UnZip" : "Zip", nullptr, row.expected)});
  EXPECT_TRUE(Fake(extracting ? 1 : 0).Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Zip, ZipLineTest, ::testing::ValuesIn(kZipLines),
                         [](const auto& info) { return std::string(info.param.name); });

class ZipCommandTest : public ZipCommandFixture, public ::testing::Test {
 protected:
  void TearDown() override { Stop(); }

  TempDir temp_;
  TStringList files_ = ListOf({"x[1].txt", "sub\\y.txt"});
};

TEST_F(ZipCommandTest, OwnerWindowQuietsExtractionOnly) {
  Start({"unzip32", "zip32j"});
  HWND__ owner("ZipTestOwner");
  ASSERT_TRUE(driver_->SetOwnerWindow(&owner, nullptr));
  driver_->Unpack(nullptr, "/a.zip", options_, "", nullptr, false, output_);
  EXPECT_EQ(driver_->CommandLine, R"(-x --i  "/a.zip" )");
  driver_->Pack(nullptr, "/a.zip", options_, "", nullptr, false, output_);
  EXPECT_EQ(driver_->CommandLine, R"( -D  "/a.zip" )");
}

TEST_F(ZipCommandTest, CallsWithTheOperationsWindowAndOutputAndReturnsTheResult) {
  Start({"unzip32", "zip32j"});
  HWND__ caller("ZipTestCaller");
  Fake(0).Config().commandResult = 11;
  Fake(1).Config().commandResult = 12;
  output_.assign(32, '\0');
  EXPECT_EQ(driver_->Unpack(&caller, "/a.zip", options_, "", nullptr, false, output_), 11);
  EXPECT_EQ(Fake(0).Calls(), std::vector<std::string>{CommandCall("UnZip", &caller, R"(-x  "/a.zip" )", output_)});
  EXPECT_EQ(driver_->Update(&caller, "/a.zip", options_, "", nullptr, false, output_), 12);
  EXPECT_EQ(Fake(1).Calls(), std::vector<std::string>{CommandCall("Zip", &caller, R"(-f -D  "/a.zip" )", output_)});
}

// The flag argument decides; ResFileUsage is not read. Names in the file
// pass through the filter as they would on the line.
TEST_F(ZipCommandTest, FlagArgumentDecidesTheResponseFile) {
  Start({"unzip32", "zip32j"});
  options_.ResFileName = temp_ / "list.txt";
  options_.ResFileUsage = TResFileUsage{};
  driver_->Unpack(nullptr, "/a.zip", options_, "", &files_, true, output_);
  EXPECT_EQ(driver_->CommandLine, "-x  \"/a.zip\" \"@" + options_.ResFileName + "\" ");
  EXPECT_EQ(ReadFile(options_.ResFileName), "\"x[[]1].txt\"\r\n\"sub/y.txt\"\r\n");

  std::filesystem::remove(options_.ResFileName);
  options_.ResFileUsage = TResFileUsage{ruOnPack, ruOnUnpack, ruOnRemoveItem, ruOnUpdate};
  driver_->Pack(nullptr, "/a.zip", options_, "", &files_, false, output_);
  EXPECT_EQ(driver_->CommandLine, R"( -D  "/a.zip" "x[[]1].txt" "sub/y.txt" )");
  EXPECT_FALSE(std::filesystem::exists(options_.ResFileName));
}

TEST_F(ZipCommandTest, BothCreatingLibrariesPresentPackUsesZip32jAndLeavesTheArchive) {
  Start({"zip32j", "lmzip32"});
  const std::string archive = temp_ / "a.zip";
  WriteFile(archive, "OLD");
  Fake(0).Config().watchPath = archive;
  driver_->Pack(nullptr, archive, options_, "/src", &files_, false, output_);
  const std::string line = " -D  \"" + archive + R"(" "/src/" "x[[]1].txt" "sub/y.txt" )";
  EXPECT_EQ(Fake(0).Calls(),
            (std::vector<std::string>{CommandCall("Zip", nullptr, line), "watch(" + archive + ")=present"}));
  EXPECT_TRUE(Fake(1).Calls().empty());
  EXPECT_EQ(ReadFile(archive), "OLD");
}

class LmZipPackTest : public ZipCommandTest {
 protected:
  void SetUp() override {
    Start({"lmzip32"});
    WriteFile(archive_, "OLD");
    Fake(0).Config().watchPath = archive_;
  }
  void TearDown() override {
    ZipCommandTest::TearDown();
    EXPECT_TRUE(FolderNames(tmp_.path()).empty()) << "the old archive's private folder stays behind";
  }
  std::string Line() const { return "-ru  \"" + archive_ + R"(" "x[1].txt" "sub\y.txt" )"; }

  std::string archive_ = temp_ / "a.zip";
  // Where the old archive waits while the library runs.
  const TempDir tmp_;
  const ScopedEnvironment tmpdir_{"TMPDIR", tmp_.path().string()};
};

// The library must not find the old archive under its name, and the names
// reach it unfiltered, without the base directory.
TEST_F(LmZipPackTest, SuccessReplacesTheOldArchive) {
  Fake(0).Config().writePath = archive_;
  Fake(0).Config().writeBytes = "NEW";
  EXPECT_EQ(driver_->Pack(nullptr, archive_, options_, "/src", &files_, false, output_), 0);
  EXPECT_EQ(driver_->CommandLine, Line());
  EXPECT_EQ(Fake(0).Calls(),
            (std::vector<std::string>{CommandCall("Zip", nullptr, Line()), "watch(" + archive_ + ")=absent"}));
  EXPECT_EQ(ReadFile(archive_), "NEW");
  EXPECT_EQ(FolderNames(temp_.path()), std::set<std::string>{"a.zip"});
}

TEST_F(LmZipPackTest, FailureBringsTheOldArchiveBack) {
  Fake(0).Config().writePath = archive_;
  Fake(0).Config().writeBytes = "PARTIAL";
  Fake(0).Config().commandResult = 3;
  EXPECT_EQ(driver_->Pack(nullptr, archive_, options_, "/src", &files_, false, output_), 3);
  EXPECT_EQ(Fake(0).Calls().back(), "watch(" + archive_ + ")=absent");
  EXPECT_EQ(ReadFile(archive_), "OLD");
  EXPECT_EQ(FolderNames(temp_.path()), std::set<std::string>{"a.zip"});
}

TEST_F(LmZipPackTest, NoOldArchiveLeavesNothingBehind) {
  std::filesystem::remove(archive_);
  EXPECT_EQ(driver_->Pack(nullptr, archive_, options_, "", &files_, false, output_), 0);
  EXPECT_EQ(Fake(0).Calls().back(), "watch(" + archive_ + ")=absent");
  EXPECT_TRUE(FolderNames(temp_.path()).empty());
}

// Nothing is moved when the line cannot be built.
TEST_F(LmZipPackTest, ArchiveStaysWhenTheLineCannotBeBuilt) {
  options_.ResFileName = temp_ / "missing-folder/list.txt";
  EXPECT_THROW(driver_->Pack(nullptr, archive_, options_, "", &files_, true, output_), EFCreateError);
  const TStringList quoted = ListOf({"a\"b"});
  EXPECT_EQ(RaisedMessage([&] { driver_->Pack(nullptr, archive_, options_, "", &quoted, false, output_); }),
            "ファイル名やオプションに使えない文字 (\") が含まれています: a\"b");
  EXPECT_TRUE(Fake(0).Calls().empty());
  EXPECT_EQ(ReadFile(archive_), "OLD");
  EXPECT_EQ(FolderNames(temp_.path()), std::set<std::string>{"a.zip"});
}

// The real LMZIP32.DLL, alone, through Pack: its names are taken from the
// current folder, which holds the archive, so "*" reaches everything there.
// The old archive waits where no name reaches it, on the archive's file
// system or another one (then it is copied), and comes back byte for byte
// when the library refuses.
struct LmZipRealCase {
  std::string name;
  bool otherFileSystem;  // TMPDIR on another file system than the archive
  std::vector<std::string> files;
  int result;
  std::set<std::string> entries;  // the new archive's, by unzip; none: the old archive stays
  friend std::ostream& operator<<(std::ostream& out, const LmZipRealCase& value) { return out << value.name; }
};

class LmZipRealPackTest : public ZipCommandFixture, public ::testing::TestWithParam<LmZipRealCase> {
 protected:
  void TearDown() override { Stop(); }
};

TEST_P(LmZipRealPackTest, TheOldArchiveNeverGetsIntoTheNewOne) {
  const LmZipRealCase& row = GetParam();
  const TempDir folder, libraries;
  const auto tmp = row.otherFileSystem ? std::make_unique<TempDir>(kOtherFileSystem) : std::make_unique<TempDir>();
  struct stat here {
  }, there{};
  ASSERT_EQ(::stat(folder.path().c_str(), &here), 0);
  ASSERT_EQ(::stat(tmp->path().c_str(), &there), 0);
  ASSERT_EQ(here.st_dev != there.st_dev, row.otherFileSystem) << kOtherFileSystem;
  const ScopedEnvironment tmpdir("TMPDIR", tmp->path().string());
  std::filesystem::create_symlink(OutputDir() / "LMZIP32.DLL", libraries / "LMZIP32.DLL");
  ReleaseAllDriverUnits();
  UseFakeLibraries({}, {libraries.path().string()});
  driver_ = TArchiver::Create<TZip32>();

  WriteFile(folder / "old/old.txt", "old entry\n");
  RunIn(folder, "cd old && zip -q ../a.zip old.txt && cd .. && rm -r old && mkfifo fifo");
  WriteFile(folder / "a.txt", "alpha\n");
  WriteFile(folder / "表示.txt", "hyouji\n");
  const std::string archive = folder / "a.zip";
  const std::string before = ReadFile(archive);
  const TStringList files = ListOf(row.files);
  int result = -1;
  {
    const ScopedCurrentFolder in(folder.path());
    result = driver_->Pack(nullptr, archive, options_, "", &files, false, output_);
  }
  EXPECT_EQ(result, row.result);
  if (row.entries.empty()) {
    EXPECT_EQ(ReadFile(archive), before);
  } else {
    RunIn(folder, "LC_ALL=C.UTF-8 unzip -Z1 a.zip > " + Quote(libraries / "names.txt"));
    const std::string names = ReadFile(libraries / "names.txt");
    std::set<std::string> listed;
    for (std::size_t at = 0, end; at < names.size(); at = end + 1) {
      end = names.find('\n', at);
      if (end == std::string::npos) end = names.size();
      listed.insert(names.substr(at, end - at));
    }
    EXPECT_EQ(listed, row.entries);
  }
  EXPECT_EQ(FolderNames(folder.path()), (std::set<std::string>{"a.txt", "a.zip", "fifo", "表示.txt"}));
  EXPECT_TRUE(FolderNames(tmp->path()).empty()) << "the old archive's private folder stays behind";
}

INSTANTIATE_TEST_SUITE_P(
    Lmzip32, LmZipRealPackTest,
    ::testing::Values(LmZipRealCase{"StarOnTheSameFileSystem", false, {"*"}, 0, {"a.txt", "表示.txt"}},
                      LmZipRealCase{"StarAcrossFileSystems", true, {"*"}, 0, {"a.txt", "表示.txt"}},
                      LmZipRealCase{"NothingToStoreOnTheSameFileSystem", false, {"fifo"}, 0x800B, {}},
                      LmZipRealCase{"NothingToStoreAcrossFileSystems", true, {"fifo"}, 0x800B, {}}),
    [](const auto& info) { return info.param.name; });

TEST_F(LmZipPackTest, ExtractsThroughItsUnzipFunction) {
  driver_->Unpack(nullptr, archive_, options_, "", nullptr, false, output_);
  EXPECT_EQ(Fake(0).Calls().front(), CommandCall("Unzip", nullptr, "-x  \"" + archive_ + "\" "));
}

TEST_F(LmZipPackTest, CannotMakeSelfExtractingArchives) {
  EXPECT_EQ(RaisedMessage([&] { driver_->MakeSFX(nullptr, archive_, options_, "", output_); }),
            kNoSelfExtractingLibrary);
  EXPECT_TRUE(Fake(0).Calls().empty());
  EXPECT_EQ(FolderNames(temp_.path()), std::set<std::string>{"a.zip"});
}

// A library that raises instead of answering still gets the archive back.
TEST_F(ZipCommandTest, LmZipPackThatRaisesBringsTheOldArchiveBack) {
  Start({"lmzip32_no_zip"});
  const std::string archive = temp_ / "a.zip";
  WriteFile(archive, "OLD");
  EXPECT_EQ(RaisedMessage([&] { driver_->Pack(nullptr, archive, options_, "", &files_, false, output_); }),
            "Zip のエントリが見つかりません。");
  EXPECT_EQ(ReadFile(archive), "OLD");
  EXPECT_EQ(FolderNames(temp_.path()), std::set<std::string>{"a.zip"});
}

TEST_F(ZipCommandTest, OnlyUnzip32CannotCreateOrChange) {
  Start({"unzip32"});
  for (Op operation : {Op::Pack, Op::RemoveItem, Op::Update}) {
    EXPECT_EQ(RaisedMessage(
                  [&] { Operate(*driver_, operation, nullptr, "/a.zip", options_, "/src", &files_, false, output_); }),
              kNoCreatingLibrary)
        << OperationName(operation);
  }
  EXPECT_EQ(RaisedMessage([&] { driver_->MakeSFX(nullptr, "/a.zip", options_, "", output_); }),
            kNoSelfExtractingLibrary);
  EXPECT_TRUE(Fake(0).Calls().empty());
}
}  // namespace
