// The 7z driver's command operations: the line for each operation and
// option, sent to the fake; then the same lines carried out by the built
// 7-ZIP32.DLL on real files, checked by 7-Zip itself.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drivers/DriverTable.h"
#include "drivers/SEVENZIP32.h"
#include "tests/drivers/CommandTestSupport.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/TempDir.h"

namespace {
namespace fs = std::filesystem;
using Op = TCommandOperation;

struct SevenZipLineCase {
  const char* name;
  Op operation = Op::Unpack;
  void (*setUp)(TArchiverOptions&) = [](TArchiverOptions&) {};
  std::string expected;
};

// clang-format off
const SevenZipLineCase kSevenZipLines[] = {
    {.name = "UnpackKeepsExistingFilesByDefault", .expected = R"(x -aos -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "UnpackC1Overwrites", .setUp = [](TArchiverOptions& o) { o.c = 1; },
     .expected = R"(x -aoa -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "UnpackX0DropsFolders", .setUp = [](TArchiverOptions& o) { o.x = 0; },
     .expected = R"(e -aos -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "UnpackIgnoresTheLevel", .setUp = [](TArchiverOptions& o) { o.jm = 5; },
     .expected = R"(x -aos -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "PackWithDefaults", .operation = Op::Pack, .expected = R"(a -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "PackLevel0Stores", .operation = Op::Pack, .setUp = [](TArchiverOptions& o) { o.jm = 0; },
     .expected = R"(a -mx=0 -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "PackLevelOutOfRangeIsLeftOut", .operation = Op::Pack, .setUp = [](TArchiverOptions& o) { o.jm = 10; },
     .expected = R"(a -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "PackIgnoresOverwrite", .operation = Op::Pack, .setUp = [](TArchiverOptions& o) { o.c = 1; },
     .expected = R"(a -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "UpdateLevel9", .operation = Op::Update, .setUp = [](TArchiverOptions& o) { o.jm = 9; },
     .expected = R"(u -mx=9 -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "RemoveItem", .operation = Op::RemoveItem, .setUp = [](TArchiverOptions& o) { o.jm = 9; },
     .expected = R"(d -y  "/a.7z" "/out/" "x.txt" )"},
    {.name = "UserOptionsBeforeTheArchive", .setUp = [](TArchiverOptions& o) { o.UserOptions = "-x!*.bak"; },
     .expected = R"(x -aos -y -x!*.bak "/a.7z" "/out/" "x.txt" )"},
};
// clang-format on

class SevenZipLineTest : public ::testing::TestWithParam<SevenZipLineCase> {
 protected:
  void SetUp() override {
    ReleaseAllDriverUnits();
    UseFakeLibraries({"sevenzip"});
    fake_.Clear();
  }
  void TearDown() override {
    ReleaseAllDriverUnits();
    UseNoLibraries();
  }

  FakeLibrary fake_{"sevenzip", "7-ZIP32.DLL"};
  TArchiverOptions options_;
  std::string output_;
  TStringList files_ = ListOf({"x.txt"});
};

TEST_P(SevenZipLineTest, BuildsAndSendsTheLine) {
  const SevenZipLineCase& row = GetParam();
  row.setUp(options_);
  const auto driver = TArchiver::Create<TSevenZip32>();
  Operate(*driver, row.operation, nullptr, "/a.7z", options_, "/out", &files_, false, output_);
  EXPECT_EQ(driver->CommandLine, row.expected);
  EXPECT_EQ(fake_.Calls(), std::vector<std::string>{CommandCall("SevenZip", nullptr, row.expected)});
}

INSTANTIATE_TEST_SUITE_P(SevenZip, SevenZipLineTest, ::testing::ValuesIn(kSevenZipLines),
                         [](const auto& info) { return std::string(info.param.name); });

// Extraction names the archive by its full path; the changes keep the name
// as given. The library's answer comes back; no self-extractors.
TEST_F(SevenZipLineTest, NamesResultsAndTheRefusedSelfExtractor) {
  TempDir temp;
  ScopedCurrentFolder inTemp(temp.path());
  const auto driver = TArchiver::Create<TSevenZip32>();
  fake_.Config().commandResult = 3;
  EXPECT_EQ(driver->Unpack(nullptr, "a.7z", options_, "", nullptr, false, output_), 3);
  EXPECT_EQ(driver->CommandLine, "x -aos -y  \"" + (fs::current_path() / "a.7z").string() + "\" ");
  EXPECT_EQ(driver->Pack(nullptr, "a.7z", options_, "", nullptr, false, output_), 3);
  EXPECT_EQ(driver->CommandLine, R"(a -y  "a.7z" )");
  EXPECT_EQ(RaisedMessage([&] { driver->MakeSFX(nullptr, "a.7z", options_, "", output_); }),
            "この形式では自己解凍書庫の作成をサポートしておりません。");
}

// The driver's lines, carried out by the built library: a new archive of a
// folder with Japanese names, read back by 7-Zip; an update; a deletion;
// extraction with and without folders, and over an existing file.
TEST(SevenZipRealLibraryTest, LinesTheDriverBuildsDoWhatTheySay) {
  ReleaseAllDriverUnits();
  UseRealLibraries();
  TempDir temp;
  const fs::path src = temp.path() / "src";
  WriteFile(src / "表/ソ.txt", "first\n");
  WriteFile(src / "a.txt", std::string(10000, 'a'));
  const std::string archive = temp / "out dir/能.7z";
  fs::create_directories(fs::path(archive).parent_path());
  TArchiverOptions options;
  std::string output;
  const auto driver = TArchiver::Create<TSevenZip32>();

  options.jm = 9;
  EXPECT_EQ(driver->Pack(nullptr, archive, options, src.string(), nullptr, false, output), 0) << driver->CommandLine;
  const CommandOutput listed = RunAndCapture("7z l -slt " + Quote(archive));
  EXPECT_EQ(listed.status, 0);
  EXPECT_NE(listed.text.find("Path = 表/ソ.txt"), std::string::npos) << listed.text;
  EXPECT_NE(listed.text.find("Path = a.txt"), std::string::npos) << listed.text;

  WriteFile(src / "表/ソ.txt", "second\n");
  SetMTime((src / "表/ソ.txt").string(), std::time(nullptr) + 60);
  const TStringList changed = ListOf({"表/ソ.txt"});
  EXPECT_EQ(driver->Update(nullptr, archive, options, src.string(), &changed, false, output), 0) << driver->CommandLine;
  const TStringList gone = ListOf({"a.txt"});
  EXPECT_EQ(driver->RemoveItem(nullptr, archive, options, src.string(), &gone, false, output), 0)
      << driver->CommandLine;
  EXPECT_EQ(RunAndCapture("7z t " + Quote(archive)).status, 0);

  const fs::path tree = temp.path() / "tree";
  EXPECT_EQ(driver->Unpack(nullptr, archive, options, tree.string(), nullptr, false, output), 0) << driver->CommandLine;
  EXPECT_EQ(ReadFile(tree / "表/ソ.txt"), "second\n");
  EXPECT_FALSE(fs::exists(tree / "a.txt"));

  const fs::path flat = temp.path() / "flat";
  WriteFile(flat / "ソ.txt", "mine\n");
  options.x = 0;
  EXPECT_EQ(driver->Unpack(nullptr, archive, options, flat.string(), nullptr, false, output), 0);
  EXPECT_EQ(ReadFile(flat / "ソ.txt"), "mine\n") << "kept by default";
  options.c = 1;
  EXPECT_EQ(driver->Unpack(nullptr, archive, options, flat.string(), nullptr, false, output), 0);
  EXPECT_EQ(ReadFile(flat / "ソ.txt"), "second\n") << "overwritten with c = 1";
  EXPECT_FALSE(fs::exists(flat / "表"));

  ReleaseAllDriverUnits();
  UseNoLibraries();
}
}  // namespace
