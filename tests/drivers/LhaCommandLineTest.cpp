// The LHA driver's five command operations: the exact line for each case of
// the switch set, what reaches Unlha, the response file and the values that
// cannot be quoted.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drivers/DriverTable.h"
#include "drivers/LHA32.h"
#include "drivers/base/UnsetMarker.h"
#include "platform/rtl/Exception.h"
#include "platform/winapi/Window.h"
#include "tests/drivers/CommandTestSupport.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/TempDir.h"

namespace {
using Op = TCommandOperation;

class LhaCommandFixture {
 protected:
  void Start() {
    ReleaseAllDriverUnits();
    UseFakeLibraries({"lha"});
    lha_ = std::make_unique<FakeLibrary>("lha", "UNLHA32.DLL");
    lha_->Clear();
    driver_ = TArchiver::Create<TLha32>();
  }
  void Stop() {
    driver_.reset();
    ReleaseAllDriverUnits();
    lha_.reset();
  }

  std::unique_ptr<FakeLibrary> lha_;
  std::unique_ptr<TArchiver> driver_;
  TArchiverOptions options_;
  std::string output_;
};

struct LhaLineCase {
  const char* name;
  Op operation = Op::Unpack;
  void (*setUp)(TArchiverOptions&) = [](TArchiverOptions&) {};
  std::string archive = "/a.lzh";
  std::string directory = "/out";
  std::optional<std::vector<std::string>> files = std::vector<std::string>{"x.txt"};
  std::string expected;
};

// clang-format off
const LhaLineCase kLhaLines[] = {
    {.name = "UnpackWithDefaults", .expected = R"(x -+  "/a.lzh" "/out/" "x.txt" )"},
    {.name = "PackWithDefaults", .operation = Op::Pack, .expected = R"(u -+  "/a.lzh" "/out/" "x.txt" )"},
    {.name = "RemoveItemNeverCarriesTheBaseDirectory", .operation = Op::RemoveItem,
     .expected = R"(d -+  "/a.lzh" "x.txt" )"},
    {.name = "UpdateWithDefaults", .operation = Op::Update, .expected = R"(f -+  "/a.lzh" "/out/" "x.txt" )"},
    {.name = "MakeSFXCarriesNoFileNames", .operation = Op::MakeSFX, .expected = R"(s -+  "/a.lzh" "/out/" )"},
    {.name = "EverySwitchInTheLibrarysOrder",
     .setUp =
         [](TArchiverOptions& o) {
           o.a = 1, o.c = 2, o.e = 3, o.f = 4, o.h = 5, o.i = 6, o.l = 7, o.m = 8, o.n = 9, o.o = 10, o.p = 11;
           o.r = 12, o.s = 13, o.t = 14, o.u = 15, o.w = "/w", o.x = 16, o.y = 17, o.z = 18, o.jc = 19;
           o.jd = 20, o.je = 21, o.jf = 22, o.jh = 23, o.ji = 24, o.jm = 25, o.jn = 26, o.jo = "O", o.job = "B";
           o.jp = 27, o.jr = 28, o.jss = 29, o.jw = 30, o.jx.Add("X1"), o.jx.Add("X2"), o.jyc = 31, o.jyd = 32;
           o.jyk = 33, o.jyn = 34, o.jyo = 35, o.jz = "Z", o.ga = 36, o.gd = 37, o.ge = 38, o.gf = 39, o.gj = 40;
           o.gm = 41, o.gn = 42, o.go = 43, o.gp = 44, o.gr = "R", o.gs = 45, o.gu = 46, o.gw = 47;
         },
     .expected = R"(x -+ -a1 -c2 -e3 -f4 -h5 -i6 -l7 -m8 -n9 -o10 -p11 -r12 -s13 -t14 -u15 "-w/w/" -x16 -y17)"
                 R"( -z18 -jc19 -jd20 -je21 -jf22 -jh23 -ji24 -jm25 -jn26 "-joO" "-jobB" -jp27 -jr28 -jss29)"
                 R"( -jw30 "-jxX1" "-jxX2" -jyc31 -jyd32 -jyk33 -jyn34 -jyo35 "-jzZ" -ga36 -gd37 -ge38 -gf39)"
                 R"( -gj40 -gm41 -gn42 -go43 -gp44 "-grR" -gs45 -gu46 -gw47  "/a.lzh" "/out/" "x.txt" )"},
    {.name = "ZeroAndNegativeValuesAreWrittenMinusOneIsNot",
     .setUp = [](TArchiverOptions& o) { o.x = 0, o.jss = 0, o.gw = -2, o.a = -1; },
     .expected = R"(x -+ -x0 -jss0 -gw-2  "/a.lzh" "/out/" "x.txt" )"},
    {.name = "DirectorySwitchGainsADelimiter", .setUp = [](TArchiverOptions& o) { o.w = "/tmp"; },
     .expected = R"(x -+ "-w/tmp/"  "/a.lzh" "/out/" "x.txt" )"},
    {.name = "DirectorySwitchKeepsItsOwnDelimiter", .setUp = [](TArchiverOptions& o) { o.w = "/tmp/"; },
     .expected = R"(x -+ "-w/tmp/"  "/a.lzh" "/out/" "x.txt" )"},
    {.name = "EmptyDirectorySwitchIsLeftOutEmptyTextSwitchIsNot",
     .setUp = [](TArchiverOptions& o) { o.w = "", o.jo = ""; },
     .expected = R"(x -+ "-jo"  "/a.lzh" "/out/" "x.txt" )"},
    {.name = "ListSwitchOncePerLine",
     .setUp = [](TArchiverOptions& o) { o.jx.Add("*.bak"), o.jx.Add(""); },
     .expected = R"(x -+ "-jx*.bak" "-jx"  "/a.lzh" "/out/" "x.txt" )"},
    {.name = "UserTextsGoInAsGiven",
     .setUp = [](TArchiverOptions& o) { o.UserOptions = "-zz \"q\"", o.UserFileList = "more.txt"; },
     .expected = R"(x -+ -zz "q" "/a.lzh" "/out/" "x.txt" more.txt)"},
    {.name = "EmptyFileNameIsAPairOfQuotes", .files = std::vector<std::string>{"", "b c.txt"},
     .expected = R"(x -+  "/a.lzh" "/out/" "" "b c.txt" )"},
    {.name = "UnsetArchiveNameLeavesNoPiece", .archive = UnsetMarker(),
     .expected = R"(x -+  "/out/" "x.txt" )"},
    {.name = "EmptyArchiveNameIsAPairOfQuotes", .archive = "", .expected = R"(x -+  "" "/out/" "x.txt" )"},
    {.name = "ArchiveNameIsNotExpanded", .archive = "rel/a.lzh", .expected = R"(x -+  "rel/a.lzh" "/out/" "x.txt" )"},
    {.name = "NoBaseDirectory", .directory = "", .expected = R"(x -+  "/a.lzh" "x.txt" )"},
    {.name = "NoFileList", .files = std::nullopt, .expected = R"(x -+  "/a.lzh" "/out/" )"},
};
// clang-format on

class LhaLineTest : public LhaCommandFixture, public ::testing::TestWithParam<LhaLineCase> {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { Stop(); }
};

TEST_P(LhaLineTest, BuildsAndSendsTheLine) {
  const LhaLineCase& row = GetParam();
  row.setUp(options_);
  const std::optional<TStringList> files = row.files ? std::optional(ListOf(*row.files)) : std::nullopt;
  EXPECT_EQ(Operate(*driver_, row.operation, nullptr, row.archive, options_, row.directory, files ? &*files : nullptr,
                    false, output_),
            0);
  EXPECT_EQ(driver_->CommandLine, row.expected);
  EXPECT_EQ(lha_->Calls(), std::vector<std::string>{CommandCall("Unlha", nullptr, row.expected)});
}

INSTANTIATE_TEST_SUITE_P(Lha, LhaLineTest, ::testing::ValuesIn(kLhaLines),
                         [](const auto& info) { return std::string(info.param.name); });

class LhaCommandTest : public LhaCommandFixture, public ::testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { Stop(); }

  TStringList files_ = ListOf({"x.txt", "sub dir/y.txt"});
  TempDir temp_;
};

TEST_F(LhaCommandTest, CallsUnlhaWithTheOperationsWindowAndOutputAndReturnsItsResult) {
  HWND__ owner("LhaTestOwner");
  HWND__ caller("LhaTestCaller");
  lha_->Config().commandResult = 7;
  ASSERT_TRUE(driver_->SetOwnerWindow(&owner, nullptr));
  output_.assign(64, '\0');
  EXPECT_EQ(driver_->Pack(&caller, "/a.lzh", options_, "/src", &files_, false, output_), 7);
  const std::string line = R"(u -+ -n1  "/a.lzh" "/src/" "x.txt" "sub dir/y.txt" )";
  EXPECT_EQ(lha_->Calls().back(), CommandCall("Unlha", &caller, line, output_));
}

TEST_F(LhaCommandTest, RegisteredOwnerWindowForcesN1) {
  HWND__ owner("LhaTestOwner");
  options_.n = 2;
  driver_->Unpack(nullptr, "/a.lzh", options_, "", nullptr, false, output_);
  EXPECT_EQ(driver_->CommandLine, R"(x -+ -n2  "/a.lzh" )");
  driver_->SetOwnerWindow(&owner, nullptr);
  driver_->Unpack(nullptr, "/a.lzh", options_, "", nullptr, false, output_);
  EXPECT_EQ(driver_->CommandLine, R"(x -+ -n1  "/a.lzh" )");
  options_.n = -1;
  driver_->Unpack(nullptr, "/a.lzh", options_, "", nullptr, false, output_);
  EXPECT_EQ(driver_->CommandLine, R"(x -+ -n1  "/a.lzh" )");
  options_.n = 2;
  driver_->KillOwnerWindow(&owner);
  driver_->Unpack(nullptr, "/a.lzh", options_, "", nullptr, false, output_);
  EXPECT_EQ(driver_->CommandLine, R"(x -+ -n2  "/a.lzh" )");
}

// Each operation goes through the response file exactly when its own member
// of ResFileUsage is set; the flag argument plays no part.
TEST_F(LhaCommandTest, ResFileUsageAloneDecidesTheResponseFile) {
  const struct {
    Op operation;
    TResFileUse use;
    TResFileUsage others;
    const char* word;
    const char* directory;
    // clang-format off
  } operations[] = {
      {Op::Unpack, ruOnUnpack, {ruOnPack, ruOnRemoveItem, ruOnUpdate}, "x", R"( "/out/")"},
      {Op::Pack, ruOnPack, {ruOnUnpack, ruOnRemoveItem, ruOnUpdate}, "u", R"( "/out/")"},
      {Op::RemoveItem, ruOnRemoveItem, {ruOnPack, ruOnUnpack, ruOnUpdate}, "d", ""},
      {Op::Update, ruOnUpdate, {ruOnPack, ruOnUnpack, ruOnRemoveItem}, "f", R"( "/out/")"},
  };
  // clang-format on
  options_.ResFileName = temp_ / "list.txt";
  for (const auto& op : operations) {
    SCOPED_TRACE(OperationName(op.operation));
    std::filesystem::remove(options_.ResFileName);
    options_.ResFileUsage = TResFileUsage{op.use};
    Operate(*driver_, op.operation, nullptr, "/a.lzh", options_, "/out", &files_, false, output_);
    EXPECT_EQ(driver_->CommandLine,
              std::string(op.word) + " -+  \"/a.lzh\"" + op.directory + " \"@" + options_.ResFileName + "\" ");
    EXPECT_EQ(ReadFile(options_.ResFileName), "\"x.txt\"\r\n\"sub dir/y.txt\"\r\n");

    std::filesystem::remove(options_.ResFileName);
    options_.ResFileUsage = op.others;
    Operate(*driver_, op.operation, nullptr, "/a.lzh", options_, "/out", &files_, true, output_);
    EXPECT_EQ(driver_->CommandLine,
              std::string(op.word) + " -+  \"/a.lzh\"" + op.directory + R"( "x.txt" "sub dir/y.txt" )");
    EXPECT_FALSE(std::filesystem::exists(options_.ResFileName));
  }
}

TEST_F(LhaCommandTest, EmptyResponseFileNameKeepsTheNamesOnTheLine) {
  options_.ResFileName = "";
  driver_->Unpack(nullptr, "/a.lzh", options_, "", &files_, true, output_);
  EXPECT_EQ(driver_->CommandLine, R"(x -+  "/a.lzh" "x.txt" "sub dir/y.txt" )");
}

TEST_F(LhaCommandTest, ResponseFileThatCannotBeCreatedRunsNothing) {
  options_.ResFileName = temp_ / "missing-folder/list.txt";
  EXPECT_THROW(driver_->Unpack(nullptr, "/a.lzh", options_, "", &files_, false, output_), EFCreateError);
  EXPECT_TRUE(lha_->Calls().empty());
  EXPECT_EQ(driver_->CommandLine, "");
}

// A double quote would end the quoted value early and hand the library other
// names than the user gave: nothing is run and no response file is written.
TEST_F(LhaCommandTest, DoubleQuoteInAValueRunsNothingAndWritesNothing) {
  options_.ResFileName = temp_ / "list.txt";
  const struct {
    const char* name;
    std::string archive;
    std::string jo;
    std::vector<std::string> files;
    std::string named;
    // clang-format off
  } cases[] = {
      {"ArchiveName", "/a\"b.lzh", UnsetMarker(), {"x.txt"}, "/a\"b.lzh"},
      {"TextSwitch", "/a.lzh", "x\" -d", {"x.txt"}, "x\" -d"},
      {"NameInTheResponseFile", "/a.lzh", UnsetMarker(), {"ok.txt", "say \"hi\".txt"}, "say \"hi\".txt"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    options_.jo = c.jo;
    const TStringList files = ListOf(c.files);
    EXPECT_EQ(RaisedMessage([&] { driver_->Unpack(nullptr, c.archive, options_, "/out", &files, false, output_); }),
              "ファイル名やオプションに使えない文字 (\") が含まれています: " + c.named);
    EXPECT_TRUE(lha_->Calls().empty());
    EXPECT_EQ(driver_->CommandLine, "");
    EXPECT_FALSE(std::filesystem::exists(options_.ResFileName));
  }
}
}  // namespace
