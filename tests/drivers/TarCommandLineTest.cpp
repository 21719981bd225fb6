// The tar family's command operations: the line for each class and switch,
// the response file chosen by ResFileUsage, the owner window brought to the
// front after the library returns, and the operations it does not support.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drivers/DriverTable.h"
#include "drivers/TAR32.h"
#include "drivers/base/UnsetMarker.h"
#include "platform/winapi/Window.h"
#include "tests/drivers/CommandTestSupport.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/TempDir.h"

namespace {
using Op = TCommandOperation;

enum class TarClass { Tar, Tgz, BZ2, Txz, Tzst };

std::unique_ptr<TArchiver> CreateTar(TarClass kind) {
  switch (kind) {
    case TarClass::Tar: return TArchiver::Create<TTar32>();
    case TarClass::Tgz: return TArchiver::Create<TTgz32>();
    case TarClass::BZ2: return TArchiver::Create<TBZ232>();
    case TarClass::Txz: return TArchiver::Create<TTxz32>();
    case TarClass::Tzst: return TArchiver::Create<TTzst32>();
  }
  return nullptr;
}

class TarCommandFixture {
 protected:
  void Start() {
    ReleaseAllDriverUnits();
    UseFakeLibraries({"tar"});
    tar_ = std::make_unique<FakeLibrary>("tar", "tar32.dll");
    tar_->Clear();
  }
  void Stop() {
    ReleaseAllDriverUnits();
    tar_.reset();
  }

  std::unique_ptr<FakeLibrary> tar_;
  TArchiverOptions options_;
  std::string output_;
};

struct TarLineCase {
  const char* name;
  TarClass kind = TarClass::Tar;
  Op operation = Op::Unpack;
  void (*setUp)(TArchiverOptions&) = [](TArchiverOptions&) {};
  std::string archive = "/a.tar";
  std::string directory = "/out";
  std::string expected;
};

// clang-format off
const TarLineCase kTarLines[] = {
    {.name = "TarUnpackWithDefaults", .expected = R"(x  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "TarPackWithDefaults", .operation = Op::Pack, .expected = R"(c  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "TgzUnpackWithDefaults", .kind = TarClass::Tgz,
     .expected = R"(x -z  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "BZ2PackWithDefaults", .kind = TarClass::BZ2, .operation = Op::Pack,
     .expected = R"(c -B  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "TgzLevel9", .kind = TarClass::Tgz, .setUp = [](TArchiverOptions& o) { o.jm = 9; },
     .expected = R"(x -z9  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "BZ2Level5", .kind = TarClass::BZ2, .setUp = [](TArchiverOptions& o) { o.jm = 5; },
     .expected = R"(x -B5  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "TgzLevelZeroIsPlain", .kind = TarClass::Tgz, .setUp = [](TArchiverOptions& o) { o.jm = 0; },
     .expected = R"(x -z  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "TarNeverCompresses", .setUp = [](TArchiverOptions& o) { o.jm = 9; },
     .expected = R"(x  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "A0GivesI", .setUp = [](TArchiverOptions& o) { o.a = 0; },
     .expected = R"(x -I  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "A1GivesAH", .setUp = [](TArchiverOptions& o) { o.a = 1; },
     .expected = R"(x -AH  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "N1HidesTheDialog", .setUp = [](TArchiverOptions& o) { o.n = 1; },
     .expected = R"(x --display-dialog=0  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "O1GivesG", .setUp = [](TArchiverOptions& o) { o.o = 1; },
     .expected = R"(x -g  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "P0AndX2AreWritten", .setUp = [](TArchiverOptions& o) { o.p = 0, o.x = 2; },
     .expected = R"(x --check-all-path=0 --use-directory=2  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "EverySwitchInOrder", .kind = TarClass::Tgz,
     .setUp = [](TArchiverOptions& o) { o.a = 1, o.n = 1, o.o = 1, o.p = 1, o.x = 0, o.jm = 6, o.UserOptions = "-v"; },
     .expected = R"(x -AH --display-dialog=0 -g --check-all-path=1 --use-directory=0 -z6 -v -f "/a.tar" -o "/out/")"
                 R"( "sub\x.txt" )"},
    {.name = "UserFileListLast", .setUp = [](TArchiverOptions& o) { o.UserFileList = "--exclude=*.o"; },
     .expected = R"(x  -f "/a.tar" -o "/out/" "sub\x.txt" --exclude=*.o)"},
    {.name = "EmptyArchiveNameAndDirectoryLeaveNoPieces", .archive = "", .directory = "",
     .expected = R"(x  "sub\x.txt" )"},
    {.name = "UnsetArchiveNameAndDirectoryLeaveNoPieces", .archive = UnsetMarker(), .directory = UnsetMarker(),
     .expected = R"(x  "sub\x.txt" )"},
    {.name = "DirectoryKeepsItsOwnDelimiter", .archive = "rel.tar", .directory = "/out/",
     .expected = R"(x  -f "rel.tar" -o "/out/" "sub\x.txt" )"},
};
// clang-format on

class TarLineTest : public TarCommandFixture, public ::testing::TestWithParam<TarLineCase> {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { Stop(); }
};

TEST_P(TarLineTest, BuildsAndSendsTheLine) {
  const TarLineCase& row = GetParam();
  row.setUp(options_);
  const auto driver = CreateTar(row.kind);
  const TStringList files = ListOf({"sub\\x.txt"});
  Operate(*driver, row.operation, nullptr, row.archive, options_, row.directory, &files, false, output_);
  EXPECT_EQ(driver->CommandLine, row.expected);
  EXPECT_EQ(tar_->Calls(), std::vector<std::string>{CommandCall("Tar", nullptr, row.expected)});
}

INSTANTIATE_TEST_SUITE_P(Tar, TarLineTest, ::testing::ValuesIn(kTarLines),
                         [](const auto& info) { return std::string(info.param.name); });

// xz and zstd: their switch where gzip's and bzip2's go, with jm as the level.
// clang-format off
const TarLineCase kXzZstdLines[] = {
    {.name = "TxzPackWithDefaults", .kind = TarClass::Txz, .operation = Op::Pack,
     .expected = R"(c -J  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "TxzLevel9", .kind = TarClass::Txz, .operation = Op::Pack, .setUp = [](TArchiverOptions& o) { o.jm = 9; },
     .expected = R"(c -J9  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "TzstUnpackWithDefaults", .kind = TarClass::Tzst,
     .expected = R"(x --zstd  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
    {.name = "TzstLevel19", .kind = TarClass::Tzst, .operation = Op::Pack,
     .setUp = [](TArchiverOptions& o) { o.jm = 19; }, .expected = R"(c --zstd=19  -f "/a.tar" -o "/out/" "sub\x.txt" )"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(TarXzZstd, TarLineTest, ::testing::ValuesIn(kXzZstdLines),
                         [](const auto& info) { return std::string(info.param.name); });

class TarCommandTest : public TarCommandFixture, public ::testing::Test {
 protected:
  void SetUp() override {
    Start();
    driver_ = TArchiver::Create<TTar32>();
  }
  void TearDown() override {
    driver_.reset();
    Stop();
  }

  std::unique_ptr<TArchiver> driver_;
  TStringList files_ = ListOf({"a.txt", "b c.txt"});
  TempDir temp_;
};

TEST_F(TarCommandTest, OwnerWindowKeepsTheDialog) {
  HWND__ owner("TarTestOwner");
  options_.n = 1;
  ASSERT_TRUE(driver_->SetOwnerWindow(&owner, nullptr));
  driver_->Unpack(nullptr, "/a.tar", options_, "", nullptr, false, output_);
  EXPECT_EQ(driver_->CommandLine, R"(x  -f "/a.tar" )");
}

// ResFileUsage decides, whatever flag the caller passes.
TEST_F(TarCommandTest, ResFileUsageDecidesTheResponseFile) {
  options_.ResFileName = temp_ / "list.txt";
  options_.ResFileUsage = TResFileUsage{ruOnPack};
  driver_->Unpack(nullptr, "/a.tar", options_, "", &files_, true, output_);
  EXPECT_EQ(driver_->CommandLine, R"(x  -f "/a.tar" "a.txt" "b c.txt" )");
  EXPECT_FALSE(std::filesystem::exists(options_.ResFileName));

  driver_->Pack(nullptr, "/a.tar", options_, "", &files_, false, output_);
  EXPECT_EQ(driver_->CommandLine, "c  -f \"/a.tar\" \"@" + options_.ResFileName + "\" ");
  EXPECT_EQ(ReadFile(options_.ResFileName), "\"a.txt\"\r\n\"b c.txt\"\r\n");
}

TEST_F(TarCommandTest, OwnerWindowComesToTheFrontAfterTheLibraryReturns) {
  HWND__ caller("TarTestCaller");
  int raised = 0;
  std::size_t callsWhenRaised = 0;
  caller.bringToFront = [&] {
    ++raised;
    callsWhenRaised = tar_->Calls().size();
  };
  tar_->Config().commandResult = 9;
  output_.assign(16, '\0');
  EXPECT_EQ(driver_->Unpack(&caller, "/a.tar", options_, "/out", nullptr, false, output_), 9);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(callsWhenRaised, 1u);
  EXPECT_EQ(tar_->Calls(),
            std::vector<std::string>{CommandCall("Tar", &caller, R"(x  -f "/a.tar" -o "/out/" )", output_)});
  EXPECT_EQ(driver_->Pack(&caller, "/a.tar", options_, "", nullptr, false, output_), 9);
  EXPECT_EQ(raised, 2);
  driver_->Pack(nullptr, "/a.tar", options_, "", nullptr, false, output_);
  EXPECT_EQ(raised, 2);
}

TEST_F(TarCommandTest, RemovingAndUpdatingAreNotSupported) {
  for (TarClass kind : {TarClass::Tar, TarClass::Tgz, TarClass::BZ2}) {
    const auto driver = CreateTar(kind);
    EXPECT_EQ(RaisedMessage([&] { driver->RemoveItem(nullptr, "/a.tar", options_, "", &files_, false, output_); }),
              "この形式の書庫ではファイルの削除をサポートしておりません。");
    EXPECT_EQ(RaisedMessage([&] { driver->Update(nullptr, "/a.tar", options_, "", &files_, false, output_); }),
              "この形式の書庫では書庫の更新をサポートしておりません。");
  }
  EXPECT_TRUE(tar_->Calls().empty());
}
}  // namespace
