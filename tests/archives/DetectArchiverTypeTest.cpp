// Type detection: by the name's extension (no file, no library) and by asking
// every format's probe, in order, with the later yes winning.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "archives/DetectArchiverType.h"
#include "drivers/ARJ32.h"
#include "drivers/CAB32.h"
#include "drivers/DriverTable.h"
#include "drivers/LHA32.h"
#include "drivers/RAR32.h"
#include "drivers/TAR32.h"
#include "drivers/ZIP32.h"
#include "platform/rtl/Ansi.h"
#include "platform/winapi/Library.h"
#include "tests/support/FakeLibraries.h"

namespace {
// The six probed libraries, in the order detection asks them.
struct ProbedFakes {
  FakeLibrary tar{"tar", "tar32.dll"};
  FakeLibrary rar{"rar", "UNRAR32.DLL"};
  FakeLibrary arj{"arj", "UNARJ32J.DLL"};
  FakeLibrary cab{"cab", "CAB32.DLL"};
  FakeLibrary zip{"unzip32", "UNZIP32.DLL"};
  FakeLibrary lha{"lha", "UNLHA32.DLL"};
  std::vector<FakeLibrary*> All() { return {&tar, &rar, &arj, &cab, &zip, &lha}; }
};

class DetectArchiverTypeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllDriverUnits();
    for (FakeLibrary* fake : fakes_.All()) fake->Clear();
    UseFakeLibraries({"tar", "rar", "arj", "cab", "unzip32", "lha"});
  }
  void TearDown() override {
    ReleaseAllDriverUnits();
    UseNoLibraries();
  }

  ProbedFakes fakes_;
};

// Every library is present and would accept anything: the extension alone
// decides, no library is loaded and none is asked.
TEST_F(DetectArchiverTypeTest, ByExtensionUsesTheTableOnly) {
  const struct {
    const char* name;
    TArchiverType expected;
    // clang-format off
  } rows[] = {
      {"/d/x.z", atTgz},         {"/d/x.Z", atTgz},         {"/d/x.gz", atTgz},        {"/d/x.tgz", atTgz},
      {"/d/x.TAZ", atTgz},       {"/d/x.tar", atTar},       {"/d/x.bz2", atBZ2},       {"/d/x.rar", atRar},
      {"/d/x.arj", atArj},       {"/d/x.ZiP", atZip},       {"/d/x.cab", atCab},       {"/d/DATA.LZH", atLha},
      {"/d/data.lzh", atLha},    {"x.tar.gz", atTgz},       {"x.tar.bz2", atBZ2},      {"/d/.zip", atZip},
      {"/d/x.tbz", atNone},      {"/d/x.zipx", atNone},     {"/d/x.zi", atNone},       {"/d/x.lzh.txt", atNone},
      {"/d/x.", atNone},         {"/dir.zip/file", atNone}, {"/d/noextension", atNone}, {"", atNone},
      {"/d/x.gz ", atNone},      {"/d/xlzh", atNone},
  };
  // clang-format on
  const int loadsBefore = LoadLibraryCallCount();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DetectArchiverType(row.name, true), row.expected);
  }
  EXPECT_EQ(LoadLibraryCallCount(), loadsBefore);
  for (FakeLibrary* fake : fakes_.All()) EXPECT_TRUE(fake->Calls().empty()) << fake->Path();
}

TEST_F(DetectArchiverTypeTest, XzZstdAndTbz2ByExtensionAndByContent) {
  const struct {
    const char* name;
    TArchiverType expected;
    // clang-format off
  } rows[] = {
      {"/d/x.tar.xz", atTxz}, {"/d/x.TXZ", atTxz},   {"/d/x.xz", atTxz},  {"/d/x.tar.zst", atTzst},
      {"/d/x.tzst", atTzst},  {"/d/x.Zst", atTzst},  {"/d/x.tbz2", atBZ2}, {"/d/x.zstd", atNone},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DetectArchiverType(row.name, true), row.expected);
  }
  // By content the tar library's new kinds come through its probe.
  for (const auto& [kind, expected] : {std::pair{10, atTxz}, std::pair{13, atTzst}}) {
    ReleaseAllDriverUnits();
    for (FakeLibrary* fake : fakes_.All()) {
      fake->Clear();
      fake->Config().acceptOpen = false;
    }
    fakes_.tar.Config().archiveType = kind;
    EXPECT_EQ(DetectArchiverType("/d/setup.exe", false), expected) << kind;
  }
}

// Double-byte characters count as one: a lead byte never joins a following
// "." or "/" (neither is a trail byte), and a 0x5C trail byte is just a byte.
TEST_F(DetectArchiverTypeTest, ByExtensionScansShiftJisByCharacters) {
  struct CodePageGuard {
    CodePageGuard() { SetAnsiCodePage(TCodePage::ShiftJis); }
    ~CodePageGuard() { SetAnsiCodePage(TCodePage::Utf8); }
  } guard;
  const std::string hyo = "\x95\x5C";  // a character whose trail byte is 0x5C
  const struct {
    std::string name;
    std::string extension;
    TArchiverType expected;
  } rows[] = {
      {"/d/" + hyo + ".lzh", ".lzh", atLha}, {"/d" + hyo + "/x.zip", ".zip", atZip}, {"/d/x." + hyo, "." + hyo, atNone},
      {"/d.zip/" + hyo, "", atNone},         {"/d/x\x81.cab", ".cab", atCab},  // a lead byte before "." stands alone
      {"/d.tar/x\x95/y", "", atNone},                                          // and before "/" too
      {"/d/x.lzh\x95", ".lzh\x95", atNone},                                    // a stray lead byte at the end
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.name));
    EXPECT_EQ(ExtractFileExt(row.name), row.extension);
    EXPECT_EQ(DetectArchiverType(row.name, true), row.expected);
  }
}

// Rows: which probes say yes (tar by its kind) → the result. All six always
// run; precedence LHA, ZIP, CAB, ARJ, RAR, then the tar kind.
TEST_F(DetectArchiverTypeTest, ByContentRunsEveryProbeAndTheLaterYesWins) {
  const struct {
    int tarKind;
    std::vector<std::string> accepting;
    TArchiverType expected;
    // clang-format off
  } rows[] = {
      {0, {}, atNone},
      {1, {}, atTar},
      {3, {}, atTgz},
      {6, {}, atBZ2},
      {1, {"cab"}, atCab},
      {0, {"rar"}, atRar},
      {5, {"rar", "arj"}, atArj},
      {0, {"arj", "cab"}, atCab},
      {0, {"cab", "zip"}, atZip},
      {0, {"zip", "lha"}, atLha},
      {7, {"rar", "arj", "cab", "zip", "lha"}, atLha},
  };
  // clang-format on
  const std::string path = "/d/setup.exe";
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.accepting) + " tar kind " + std::to_string(row.tarKind));
    ReleaseAllDriverUnits();
    const std::pair<const char*, FakeLibrary*> probed[] = {
        {"rar", &fakes_.rar}, {"arj", &fakes_.arj}, {"cab", &fakes_.cab}, {"zip", &fakes_.zip}, {"lha", &fakes_.lha}};
    for (FakeLibrary* fake : fakes_.All()) fake->Clear();
    fakes_.tar.Config().archiveType = row.tarKind;
    std::vector<std::string> accepting;
    for (const auto& [name, fake] : probed) {
      const bool accepts = std::find(row.accepting.begin(), row.accepting.end(), name) != row.accepting.end();
      fake->Config().acceptOpen = accepts;
    }

    EXPECT_EQ(DetectArchiverType(path, false), row.expected);

    EXPECT_EQ(fakes_.tar.Calls(), std::vector<std::string>{"GetArchiveType(" + path + ")"});
    const std::string open = "OpenArchive(window=0, path=" + path + ", mode=0x800002)";
    for (const auto& [name, fake] : probed) {
      SCOPED_TRACE(name);
      const bool accepts = std::find(row.accepting.begin(), row.accepting.end(), name) != row.accepting.end();
      std::vector<std::string> expected{open};
      // ZIP's probe closes only a handle it got.
      if (accepts)
        expected.push_back("CloseArchive(17185)");
      else if (std::string(name) != "zip")
        expected.push_back("CloseArchive(0)");
      EXPECT_EQ(fake->Calls(), expected);
    }
  }
}

// 7z: by its extension, and by content only when no format known before it
// says yes (its probe is asked every time).
TEST_F(DetectArchiverTypeTest, SevenZipByExtensionAndAsTheWeakestProbe) {
  FakeLibrary sevenZip{"sevenzip", "7-ZIP32.DLL"};
  UseFakeLibraries({"sevenzip", "tar", "rar", "arj", "cab", "unzip32", "lha"});
  for (const char* name : {"/d/x.7z", "/d/X.7Z"}) EXPECT_EQ(DetectArchiverType(name, true), atSevenZip) << name;
  EXPECT_EQ(DetectArchiverType("/d/x.7zip", true), atNone);
  const struct {
    bool sevenZipAccepts;
    int tarKind;
    const char* otherAccepting;
    TArchiverType expected;
    // clang-format off
  } rows[] = {
      {true, 0, nullptr, atSevenZip}, {false, 0, nullptr, atNone}, {true, 1, nullptr, atTar},
      {true, 0, "rar", atRar},        {true, 0, "lha", atLha},     {true, 0, "zip", atZip},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.otherAccepting ? row.otherAccepting : "-") + " tar kind " +
                 std::to_string(row.tarKind));
    ReleaseAllDriverUnits();
    sevenZip.Clear();
    sevenZip.Config().acceptOpen = row.sevenZipAccepts;
    const std::pair<const char*, FakeLibrary*> others[] = {
        {"rar", &fakes_.rar}, {"arj", &fakes_.arj}, {"cab", &fakes_.cab}, {"zip", &fakes_.zip}, {"lha", &fakes_.lha}};
    for (const auto& [name, fake] : others) {
      fake->Clear();
      fake->Config().acceptOpen = row.otherAccepting != nullptr && std::string(row.otherAccepting) == name;
    }
    fakes_.tar.Clear();
    fakes_.tar.Config().archiveType = row.tarKind;
    EXPECT_EQ(DetectArchiverType("/d/setup.exe", false), row.expected);
    EXPECT_EQ(sevenZip.Calls().front(), "OpenArchive(window=0, path=/d/setup.exe, mode=0x800002)");
  }
}

// An ".exe" name is typed by content even in extension mode, whatever its case.
TEST_F(DetectArchiverTypeTest, ExeNamesAreTypedByContent) {
  for (FakeLibrary* fake : {&fakes_.rar, &fakes_.arj, &fakes_.cab, &fakes_.zip}) fake->Config().acceptOpen = false;
  fakes_.tar.Config().archiveType = 0;
  EXPECT_EQ(DetectArchiverType("/d/SETUP.EXE", true), atLha);
  fakes_.lha.Config().acceptOpen = false;
  EXPECT_EQ(DetectArchiverType("/d/setup.exe", true), atNone);
  EXPECT_EQ(fakes_.lha.Calls().size(), 4u);
}

TEST_F(DetectArchiverTypeTest, ByContentWithNoLibraryAnswersNone) {
  UseNoLibraries();
  EXPECT_EQ(DetectArchiverType("/d/setup.exe", false), atNone);
  EXPECT_EQ(DetectArchiverType("/d/setup.exe", true), atNone);
}
}  // namespace
