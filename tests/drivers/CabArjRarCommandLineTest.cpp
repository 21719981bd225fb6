// The command operations of the CAB, ARJ and RAR drivers: their lines, which
// library and window each reaches, how each chooses the response file, and
// the operations they leave to the base class.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drivers/ARJ32.h"
#include "drivers/CAB32.h"
#include "drivers/DriverTable.h"
#include "drivers/RAR32.h"
#include "platform/winapi/Window.h"
#include "tests/drivers/CommandTestSupport.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/TempDir.h"

namespace {
using Op = TCommandOperation;

const char* const kNoPack = "この形式では書庫ファイルの作成をサポートしておりません。";
const char* const kNoRemove = "この形式の書庫ではファイルの削除をサポートしておりません。";
const char* const kNoUpdate = "この形式の書庫では書庫の更新をサポートしておりません。";
const char* const kNoSelfExtracting = "この形式では自己解凍書庫の作成をサポートしておりません。";

class CabArjRarFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllDriverUnits();
    UseFakeLibraries({"cab", "arj", "rar", "lha"});
    cab_ = std::make_unique<FakeLibrary>("cab", "CAB32.DLL");
    arj_ = std::make_unique<FakeLibrary>("arj", "UNARJ32J.DLL");
    rar_ = std::make_unique<FakeLibrary>("rar", "UNRAR32.DLL");
    lha_ = std::make_unique<FakeLibrary>("lha", "UNLHA32.DLL");
    for (FakeLibrary* fake : {cab_.get(), arj_.get(), rar_.get(), lha_.get()}) fake->Clear();
  }
  void TearDown() override {
    ReleaseAllDriverUnits();
    cab_.reset();
    arj_.reset();
    rar_.reset();
    lha_.reset();
  }

  std::unique_ptr<FakeLibrary> cab_, arj_, rar_, lha_;
  TArchiverOptions options_;
  std::string output_;
  TStringList files_ = ListOf({"x.txt"});
  TempDir temp_;
};

struct CabRarLineCase {
  const char* name;
  bool rar = false;
  Op operation = Op::Unpack;
  void (*setUp)(TArchiverOptions&) = [](TArchiverOptions&) {};
  std::string archive = "/a.arc";
  std::string expected;
};

// clang-format off
const CabRarLineCase kCabRarLines[] = {
    {.name = "CabUnpackWithDefaults", .expected = R"(-x  "/a.arc" "/out/" "x.txt" )"},
    {.name = "CabC1GivesO", .setUp = [](TArchiverOptions& o) { o.c = 1; },
     .expected = R"(-x -o  "/a.arc" "/out/" "x.txt" )"},
    {.name = "CabC2GivesNothing", .setUp = [](TArchiverOptions& o) { o.c = 2; },
     .expected = R"(-x  "/a.arc" "/out/" "x.txt" )"},
    {.name = "CabN1GivesI", .setUp = [](TArchiverOptions& o) { o.n = 1; },
     .expected = R"(-x -i  "/a.arc" "/out/" "x.txt" )"},
    {.name = "CabX0GivesJ", .setUp = [](TArchiverOptions& o) { o.x = 0; },
     .expected = R"(-x -j  "/a.arc" "/out/" "x.txt" )"},
    {.name = "CabEverySwitchInOrder",
     .setUp = [](TArchiverOptions& o) { o.c = 1, o.n = 1, o.r = 1, o.x = 0, o.ji = 1, o.UserOptions = "-v"; },
     .expected = R"(-x -o -i -r -j -q -v "/a.arc" "/out/" "x.txt" )"},
    {.name = "CabPackKeepsTheArchiveNameAsGiven", .operation = Op::Pack, .archive = "rel.cab",
     .expected = R"(-a  "rel.cab" "/out/" "x.txt" )"},
    {.name = "CabMakeSFXCarriesNoFileNames", .operation = Op::MakeSFX, .archive = "rel.cab",
     .expected = R"(-f  "rel.cab" "/out/" )"},
    {.name = "RarUnpackWithDefaults", .rar = true, .expected = R"(-x -u  "/a.arc" "/out/" "x.txt" )"},
    {.name = "RarC0KeepsU", .rar = true, .setUp = [](TArchiverOptions& o) { o.c = 0; },
     .expected = R"(-x -u  "/a.arc" "/out/" "x.txt" )"},
    {.name = "RarC1DropsU", .rar = true, .setUp = [](TArchiverOptions& o) { o.c = 1; },
     .expected = R"(-x  "/a.arc" "/out/" "x.txt" )"},
    {.name = "RarX0ExtractsWithoutFolders", .rar = true, .setUp = [](TArchiverOptions& o) { o.x = 0; },
     .expected = R"(-e -u  "/a.arc" "/out/" "x.txt" )"},
    {.name = "RarEverySwitchInOrder", .rar = true,
     .setUp = [](TArchiverOptions& o) { o.c = 1, o.m = 1, o.p = 1, o.x = 1, o.UserFileList = "-ap"; },
     .expected = R"(-x -y -s  "/a.arc" "/out/" "x.txt" -ap)"},
    {.name = "RarKeepsTheArchiveNameAsGiven", .rar = true, .archive = "rel.rar",
     .expected = R"(-x -u  "rel.rar" "/out/" "x.txt" )"},
};
// clang-format on

std::unique_ptr<TArchiver> CabOrRar(bool rar) {
  if (rar) return TArchiver::Create<TRar32>();
  return TArchiver::Create<TCab32>();
}

class CabRarLineTest : public CabArjRarFixture, public ::testing::WithParamInterface<CabRarLineCase> {};

TEST_P(CabRarLineTest, BuildsAndSendsTheLine) {
  const CabRarLineCase& row = GetParam();
  row.setUp(options_);
  const std::unique_ptr<TArchiver> driver = CabOrRar(row.rar);
  Operate(*driver, row.operation, nullptr, row.archive, options_, "/out", &files_, false, output_);
  EXPECT_EQ(driver->CommandLine, row.expected);
  EXPECT_EQ((row.rar ? rar_ : cab_)->Calls(),
            std::vector<std::string>{CommandCall(row.rar ? "Unrar" : "Cab", nullptr, row.expected)});
}

INSTANTIATE_TEST_SUITE_P(CabRar, CabRarLineTest, ::testing::ValuesIn(kCabRarLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CabArjRarFixture, CabUnpackExpandsTheArchiveName) {
  ScopedCurrentFolder inTemp(temp_.path());
  const auto cab = TArchiver::Create<TCab32>();
  cab->Unpack(nullptr, "a.cab", options_, "", nullptr, false, output_);
  EXPECT_EQ(cab->CommandLine, "-x  \"" + (std::filesystem::current_path() / "a.cab").string() + "\" ");
}

// An owner window adds CAB's -i; RAR's line does not change for it.
TEST_F(CabArjRarFixture, OwnerWindowGivesCabIAndLeavesRarAsItIs) {
  struct Row {
    const char* owner;
    bool rar;
    Op operation;
    const char* archive;
    const char* expected;
  };
  for (const Row& row : {Row{"CabTestOwner", false, Op::Pack, "/a.cab", R"(-a -i  "/a.cab" )"},
                         Row{"RarTestOwner", true, Op::Unpack, "/a.rar", R"(-x -u  "/a.rar" )"}}) {
    SCOPED_TRACE(row.owner);
    HWND__ owner(row.owner);
    const std::unique_ptr<TArchiver> driver = CabOrRar(row.rar);
    driver->SetOwnerWindow(&owner, nullptr);
    Operate(*driver, row.operation, nullptr, row.archive, options_, "", nullptr, false, output_);
    EXPECT_EQ(driver->CommandLine, row.expected);
  }
}

TEST_F(CabArjRarFixture, CabAndRarPassTheOperationsWindowAndReturnTheResult) {
  HWND__ caller("CabRarTestCaller");
  cab_->Config().commandResult = 4;
  rar_->Config().commandResult = 5;
  output_.assign(8, '\0');
  EXPECT_EQ(TArchiver::Create<TCab32>()->MakeSFX(&caller, "/a.cab", options_, "", output_), 4);
  EXPECT_EQ(cab_->Calls(), std::vector<std::string>{CommandCall("Cab", &caller, R"(-f  "/a.cab" )", output_)});
  EXPECT_EQ(TArchiver::Create<TRar32>()->Unpack(&caller, "/a.rar", options_, "", nullptr, false, output_), 5);
  EXPECT_EQ(rar_->Calls(), std::vector<std::string>{CommandCall("Unrar", &caller, R"(-x -u  "/a.rar" )", output_)});
}

// CAB and RAR follow ResFileUsage and ignore the flag argument.
TEST_F(CabArjRarFixture, CabAndRarChooseTheResponseFileByResFileUsage) {
  options_.ResFileName = temp_ / "list.txt";
  const std::string reference = "\"@" + options_.ResFileName + "\" ";
  const auto cab = TArchiver::Create<TCab32>();
  const auto rar = TArchiver::Create<TRar32>();

  options_.ResFileUsage = TResFileUsage{ruOnUnpack};
  cab->Unpack(nullptr, "/a.cab", options_, "", &files_, false, output_);
  EXPECT_EQ(cab->CommandLine, "-x  \"/a.cab\" " + reference);
  rar->Unpack(nullptr, "/a.rar", options_, "", &files_, false, output_);
  EXPECT_EQ(rar->CommandLine, "-x -u  \"/a.rar\" " + reference);
  EXPECT_EQ(ReadFile(options_.ResFileName), "\"x.txt\"\r\n");
  cab->Pack(nullptr, "/a.cab", options_, "", &files_, true, output_);
  EXPECT_EQ(cab->CommandLine, R"(-a  "/a.cab" "x.txt" )");

  options_.ResFileUsage = TResFileUsage{ruOnPack};
  cab->Pack(nullptr, "/a.cab", options_, "", &files_, false, output_);
  EXPECT_EQ(cab->CommandLine, "-a  \"/a.cab\" " + reference);
  rar->Unpack(nullptr, "/a.rar", options_, "", &files_, true, output_);
  EXPECT_EQ(rar->CommandLine, R"(-x -u  "/a.rar" "x.txt" )");
}

TEST_F(CabArjRarFixture, UnsupportedOperationsRaiseTheBaseMessages) {
  const auto cab = TArchiver::Create<TCab32>();
  const auto rar = TArchiver::Create<TRar32>();
  const struct {
    TArchiver* driver;
    Op operation;
    const char* message;
    // clang-format off
  } cases[] = {
      {cab.get(), Op::RemoveItem, kNoRemove}, {cab.get(), Op::Update, kNoUpdate},
      {rar.get(), Op::Pack, kNoPack},         {rar.get(), Op::RemoveItem, kNoRemove},
      {rar.get(), Op::Update, kNoUpdate},     {rar.get(), Op::MakeSFX, kNoSelfExtracting},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(RaisedMessage(
                  [&] { Operate(*c.driver, c.operation, nullptr, "/a", options_, "/out", &files_, false, output_); }),
              c.message)
        << (c.driver == cab.get() ? "CAB " : "RAR ") << OperationName(c.operation);
  }
  EXPECT_TRUE(cab_->Calls().empty());
  EXPECT_TRUE(rar_->Calls().empty());
}

// Unarj never gets a window, yet a registered owner window still sets -n1.
TEST_F(CabArjRarFixture, ArjUnpackSendsNoWindowToUnarj) {
  HWND__ owner("ArjTestOwner");
  HWND__ caller("ArjTestCaller");
  const auto arj = TArchiver::Create<TArj32>();
  arj_->Config().commandResult = 6;
  EXPECT_EQ(arj->Unpack(&caller, "/a.arj", options_, "/out", &files_, false, output_), 6);
  arj->SetOwnerWindow(&owner, nullptr);
  arj->Unpack(&caller, "/a.arj", options_, "/out", &files_, false, output_);
  const std::vector<std::string> calls = arj_->Calls();
  ASSERT_EQ(calls.size(), 3u);  // Unarj, SetOwnerWindowEx, Unarj
  EXPECT_EQ(calls[0], CommandCall("Unarj", nullptr, R"(x -+  "/a.arj" "/out/" "x.txt" )"));
  EXPECT_EQ(calls[2], CommandCall("Unarj", nullptr, R"(x -+ -n1  "/a.arj" "/out/" "x.txt" )"));
  EXPECT_TRUE(lha_->Calls().empty());
}

// ARJ's extraction follows the flag argument, not ResFileUsage.
TEST_F(CabArjRarFixture, ArjUnpackChoosesTheResponseFileByTheFlag) {
  const auto arj = TArchiver::Create<TArj32>();
  options_.ResFileName = temp_ / "list.txt";
  options_.ResFileUsage = TResFileUsage{};
  arj->Unpack(nullptr, "/a.arj", options_, "", &files_, true, output_);
  EXPECT_EQ(arj->CommandLine, "x -+  \"/a.arj\" \"@" + options_.ResFileName + "\" ");
  options_.ResFileUsage = TResFileUsage{ruOnPack, ruOnUnpack, ruOnRemoveItem, ruOnUpdate};
  arj->Unpack(nullptr, "/a.arj", options_, "", &files_, false, output_);
  EXPECT_EQ(arj->CommandLine, R"(x -+  "/a.arj" "x.txt" )");
}

// What ARJ inherits from the LHA driver is carried out by UNLHA32.DLL.
TEST_F(CabArjRarFixture, ArjCreatingOperationsRunThroughUnlha) {
  const auto arj = TArchiver::Create<TArj32>();
  const struct {
    Op operation;
    const char* line;
  } cases[] = {
      {Op::Pack, R"(u -+  "/a.arj" "/out/" "x.txt" )"},
      {Op::RemoveItem, R"(d -+  "/a.arj" "x.txt" )"},
      {Op::Update, R"(f -+  "/a.arj" "/out/" "x.txt" )"},
      {Op::MakeSFX, R"(s -+  "/a.arj" "/out/" )"},
  };
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    Operate(*arj, c.operation, nullptr, "/a.arj", options_, "/out", &files_, false, output_);
    expected.push_back(CommandCall("Unlha", nullptr, c.line));
  }
  EXPECT_EQ(lha_->Calls(), expected);
  EXPECT_TRUE(arj_->Calls().empty());
}

TEST_F(CabArjRarFixture, ArjCreatingOperationsNeedUnlha32) {
  ReleaseAllDriverUnits();
  UseFakeLibraries({"arj"});
  const auto arj = TArchiver::Create<TArj32>();
  EXPECT_EQ(RaisedMessage([&] { arj->Pack(nullptr, "/a.arj", options_, "", &files_, false, output_); }),
            "UNLHA32.DLL is needed to handle LHA archives.");
  EXPECT_TRUE(arj_->Calls().empty());
}
}  // namespace
