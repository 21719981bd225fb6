// The ZIP unit over its three libraries: which library serves each entry for
// every mix of present libraries, the guards, the lower-case z of LMZIP32.DLL,
// caching across late loads, the probe and the owner-window operations.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drivers/ZIP32.h"
#include "drivers/base/Archiver.h"
#include "platform/winapi/Library.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/Raised.h"

namespace {
const HWND kWindow = reinterpret_cast<HWND>(0x1234);
void* const kProcedure = reinterpret_cast<void*>(0x5678);
const char* const kNoLibrary = "UNZIP32.DLL is needed to extract ZIP archives, and ZIP32J.DLL to create them.";
const char* const kNoCreating = "ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。";
const char* const kNoExtracting = "ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。";

std::string Absolute(const std::string& relative) { return (std::filesystem::current_path() / relative).string(); }
// The look-up error for an owner-window entry asked of a library not loaded.
std::string NotInProgram(const std::string& entry) {
  return std::filesystem::read_symlink("/proc/self/exe").string() + " に " + entry + " のエントリが見つかりません。";
}

class ZipResolutionTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    ZipUnit().Release();
    UseNoLibraries();
  }

  void Reset() {
    ZipUnit().Release();
    ClearAll();
  }
  void ClearAll() {
    for (FakeLibrary* fake : {&unzip_, &zip32j_, &lmzip_}) fake->Clear();
  }
  // Which fake recorded the call ("unzip32", "zip32j", "lmzip32"), or the
  // message the call raised.
  std::string ServedBy(const std::function<void()>& call) {
    ClearAll();
    const std::string raised = RaisedMessage(call);
    if (raised != "(nothing raised)") return raised;
    std::string served;
    const std::pair<const char*, FakeLibrary*> fakes[] = {
        {"unzip32", &unzip_}, {"zip32j", &zip32j_}, {"lmzip32", &lmzip_}};
    for (const auto& [name, fake] : fakes)
      if (!fake->Calls().empty()) served += std::string(served.empty() ? "" : "+") + name;
    return served.empty() ? "(no library called)" : served;
  }

  FakeLibrary unzip_{"unzip32", "UNZIP32.DLL"};
  FakeLibrary zip32j_{"zip32j", "ZIP32J.DLL"};
  FakeLibrary lmzip_{"lmzip32", "LMZIP32.DLL"};
};

// One row per mix of present libraries; columns: Zip, UnZip, OpenArchive,
// CloseArchive, FindFirst, FindNext, CheckArchive, SetOwnerWindowEx,
// KillOwnerWindowEx. LMZIP32.DLL exports only the lower-case z names, so
// "lmzip32" in a listing column shows that it was asked with them.
TEST_F(ZipResolutionTest, EachEntryAsksItsLibrariesInItsOwnOrder) {
  const std::string setOwner = NotInProgram("UnZipSetOwnerWindowEx");
  const std::string killOwner = NotInProgram("UnZipKillOwnerWindowEx");
  const struct {
    std::vector<std::string> present;
    std::vector<std::string> servedBy;
    // clang-format off
  } rows[] = {
      {{"unzip32", "zip32j", "lmzip32"},
       {"zip32j", "unzip32", "lmzip32", "lmzip32", "lmzip32", "lmzip32", "unzip32", "unzip32", "unzip32"}},
      {{"unzip32", "lmzip32"},
       {"lmzip32", "unzip32", "lmzip32", "lmzip32", "lmzip32", "lmzip32", "unzip32", "unzip32", "unzip32"}},
      {{"unzip32", "zip32j"},
       {"zip32j", "unzip32", "zip32j", "zip32j", "zip32j", "zip32j", "unzip32", "unzip32", "unzip32"}},
      {{"zip32j", "lmzip32"},
       {"zip32j", "lmzip32", "lmzip32", "lmzip32", "lmzip32", "lmzip32", "lmzip32", setOwner, killOwner}},
      {{"unzip32"},
       {kNoCreating, "unzip32", "unzip32", "unzip32", "unzip32", "unzip32", "unzip32", "unzip32", "unzip32"}},
      {{"zip32j"}, {"zip32j", kNoExtracting, "zip32j", "zip32j", "zip32j", "zip32j", "zip32j", setOwner, killOwner}},
      {{"lmzip32"},
       {"lmzip32", "lmzip32", "lmzip32", "lmzip32", "lmzip32", "lmzip32", "lmzip32", setOwner, killOwner}},
  };
  // clang-format on
  ENTRYINFO entry{};
  std::string output;
  TZipUnit& unit = ZipUnit();
  const std::function<void()> calls[] = {
      [&] { unit.Command(TEntry::Command, nullptr, "-a", output); },
      [&] { unit.Command(TEntry::SecondCommand, nullptr, "-x", output); },
      [&] { unit.OpenArchive(nullptr, "/a.zip", 0); },
      [&] { unit.CloseArchive(17185); },
      [&] { unit.FindFirst(17185, "*.*", &entry); },
      [&] { unit.FindNext(17185, &entry); },
      [&] { unit.CheckArchive("/a.zip", 0); },
      [&] { unit.SetOwnerWindowEx(kWindow, nullptr); },
      [&] { unit.KillOwnerWindowEx(kWindow); },
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.present));
    Reset();
    UseFakeLibraries(row.present);
    unit.Load();
    std::vector<std::string> servedBy;
    for (const auto& call : calls) servedBy.push_back(ServedBy(call));
    EXPECT_EQ(servedBy, row.servedBy);
  }
}

TEST_F(ZipResolutionTest, ResolveZipEntryLowersTheZOnlyForLmzip32) {
  UseFakeLibraries({"zip32j", "lmzip32"});
  TZipUnit& unit = ZipUnit();
  unit.Load();
  const HMODULE lmzip = unit.Handle(TZipLibrary::Lmzip32);
  const HMODULE zip32j = unit.Handle(TZipLibrary::Zip32j);
  ASSERT_NE(lmzip, nullptr);
  using L = TZipLibrary;
  const auto address = [](HMODULE module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
  };

  EXPECT_EQ(unit.ResolveZipEntry("UnZipOpenArchive", {L::Lmzip32}), address(lmzip, "UnzipOpenArchive"));
  EXPECT_EQ(unit.ResolveZipEntry("UnZip", {L::Lmzip32}), address(lmzip, "Unzip"));
  EXPECT_EQ(unit.ResolveZipEntry("Zip", {L::Lmzip32}), address(lmzip, "Zip"));
  EXPECT_EQ(unit.ResolveZipEntry("UnZipOpenArchive", {L::Zip32j, L::Lmzip32}), address(zip32j, "UnZipOpenArchive"))
      << "the first library that has it wins";
  EXPECT_EQ(unit.ResolveZipEntry("UnZipFindFirst", {L::Unzip32, L::Lmzip32}), address(lmzip, "UnzipFindFirst"))
      << "a library not loaded is skipped";
  EXPECT_EQ(RaisedMessage([&] {
              unit.ResolveZipEntry("UnZipNothing", {L::Lmzip32, L::Zip32j});
            }),
            "UnZipNothing のエントリが見つかりません。")
      << "the message names the entry as asked by the caller";
}

TEST_F(ZipResolutionTest, Zip32jWithoutFindNextFailsEveryFindNext) {
  UseFakeLibraries({"zip32j_no_findnext"});
  FakeLibrary fake("zip32j_no_findnext", "ZIP32J.DLL");
  fake.Clear();
  fake.Config().entries = {{"a", 0x3C21, 0}, {"b", 0x3C21, 0}};
  std::unique_ptr<TArchiver> driver = TArchiver::Create<TZip32>();
  const HARC archive = driver->OpenArchive(nullptr, "/a.zip", 0);
  ENTRYINFO entry{};
  EXPECT_EQ(driver->FindFirst(archive, &entry, "*.*"), 0);
  for (int attempt = 0; attempt < 2; ++attempt)
    EXPECT_EQ(RaisedMessage([&] { driver->FindNext(archive, &entry); }), "UnZipFindNext のエントリが見つかりません。");
  EXPECT_FALSE(ZipUnit().IsCached(TEntry::FindNext));
  driver->CloseArchive(archive);
  EXPECT_EQ(fake.Calls(), (std::vector<std::string>{"OpenArchive(window=0, path=/a.zip, mode=0x0)",
                                                    "FindFirst(17185, *.*)", "CloseArchive(17185)"}));
}

// Loading tries every library still missing; a resolved entry keeps its
// library even when one earlier in its order turns up later.
TEST_F(ZipResolutionTest, LateLibrariesLoadButCachedEntriesStayBound) {
  UseFakeLibraries({"unzip32"});
  int before = LoadLibraryCallCount();
  std::unique_ptr<TArchiver> driver = TArchiver::Create<TZip32>();
  EXPECT_EQ(LoadLibraryCallCount() - before, 3);
  EXPECT_EQ(ServedBy([&] { driver->OpenArchive(nullptr, "/a.zip", 0); }), "unzip32");

  UseFakeLibraries({"unzip32", "lmzip32"});
  before = LoadLibraryCallCount();
  EXPECT_EQ(ServedBy([&] { driver->OpenArchive(nullptr, "/a.zip", 0); }), "unzip32");
  EXPECT_EQ(LoadLibraryCallCount() - before, 2) << "ZIP32J.DLL and LMZIP32.DLL are tried again";
  EXPECT_NE(ZipUnit().Handle(TZipLibrary::Lmzip32), nullptr);
  ENTRYINFO entry{};
  EXPECT_EQ(ServedBy([&] { driver->FindNext(17185, &entry); }), "lmzip32") << "not resolved before: first in order";

  before = LoadLibraryCallCount();
  TArchiver::Create<TZip32>();
  for (int k = 0; k < 5; ++k) driver->FindNext(17185, &entry);
  EXPECT_EQ(LoadLibraryCallCount() - before, 1) << "only the missing ZIP32J.DLL is tried; FindNext loads nothing";

  driver->FreeDLL();
  for (TZipLibrary library : {TZipLibrary::Unzip32, TZipLibrary::Zip32j, TZipLibrary::Lmzip32})
    EXPECT_EQ(ZipUnit().Handle(library), nullptr);
  EXPECT_FALSE(ZipUnit().IsCached(TEntry::OpenArchive));
  EXPECT_EQ(ServedBy([&] { driver->OpenArchive(nullptr, "/a.zip", 0); }), "lmzip32");
}

TEST_F(ZipResolutionTest, OnlyLmzip32ListsThroughItsLowerCaseNames) {
  UseFakeLibraries({"lmzip32"});
  lmzip_.Config().entries = {{"a.txt", 0x3C21, 0x6000}, {"b.txt", 0x3C22, 0x6001}};
  std::unique_ptr<TArchiver> driver = TArchiver::Create<TZip32>();
  const HARC archive = driver->OpenArchive(kWindow, "rel/a.zip", 0);
  ENTRYINFO entry{};
  std::vector<std::string> names;
  for (int found = driver->FindFirst(archive, &entry, "*.*"); found == 0; found = driver->FindNext(archive, &entry))
    names.push_back(entry.szFileName);
  driver->CloseArchive(archive);
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(lmzip_.Calls(), (std::vector<std::string>{
                                "OpenArchive(window=0x1234, path=" + Absolute("rel/a.zip") + ", mode=0x0)",
                                "FindFirst(17185, *.*)", "FindNext(17185)", "FindNext(17185)", "CloseArchive(17185)"}));
}

TEST_F(ZipResolutionTest, NoLibraryFailsCreationLoadingWrappersAndTheProbe) {
  UseNoLibraries();
  EXPECT_EQ(RaisedMessage([] { TArchiver::Create<TZip32>(); }), kNoLibrary);
  EXPECT_EQ(RaisedMessage([] { ZipUnit().OpenArchive(nullptr, "/a.zip", 0); }), kNoLibrary);
  std::string output;
  EXPECT_EQ(RaisedMessage([&] { ZipUnit().Command(TEntry::Command, nullptr, "-a", output); }), kNoLibrary);
  EXPECT_FALSE(IsZipArchive("/a.zip"));
}

// The probe closes only a handle that is not 0.
TEST_F(ZipResolutionTest, ProbeClosesOnlyAnOpenedHandle) {
  const std::string open = "OpenArchive(window=0, path=" + Absolute("rel/setup.exe") + ", mode=0x800002)";
  const struct {
    std::vector<std::string> present;
    bool accept;
    bool expected;
    std::vector<std::string> lmzipCalls;
    std::vector<std::string> unzipCalls;
    // clang-format off
  } rows[] = {
      {{"unzip32", "zip32j", "lmzip32"}, true, true, {open, "CloseArchive(17185)"}, {}},
      {{"unzip32", "zip32j", "lmzip32"}, false, false, {open}, {}},
      {{"unzip32"}, true, true, {}, {open, "CloseArchive(17185)"}},
      {{"unzip32"}, false, false, {}, {open}},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.present) + (row.accept ? " accept" : " reject"));
    Reset();
    UseFakeLibraries(row.present);
    for (FakeLibrary* fake : {&unzip_, &zip32j_, &lmzip_}) fake->Config().acceptOpen = row.accept;
    EXPECT_EQ(IsZipArchive("rel/setup.exe"), row.expected);
    EXPECT_EQ(lmzip_.Calls(), row.lmzipCalls);
    EXPECT_EQ(unzip_.Calls(), row.unzipCalls);
    EXPECT_TRUE(zip32j_.Calls().empty());
  }
}

// Owner-window calls go to UNZIP32.DLL alone and report true whatever it
// answers; without it they raise and leave the stored window alone.
TEST_F(ZipResolutionTest, OwnerWindowOnlyThroughUnzip32AndAlwaysTrue) {
  UseFakeLibraries({"unzip32", "lmzip32"});
  unzip_.Config().ownerResult = 0;
  std::unique_ptr<TArchiver> driver = TArchiver::Create<TZip32>();
  EXPECT_TRUE(driver->SetOwnerWindow(kWindow, kProcedure));
  EXPECT_EQ(driver->OwnerWindow, kWindow);
  EXPECT_TRUE(driver->KillOwnerWindow(kWindow));
  EXPECT_EQ(driver->OwnerWindow, nullptr);
  EXPECT_EQ(unzip_.Calls(),
            (std::vector<std::string>{"SetOwnerWindowEx(0x1234, 0x5678)", "KillOwnerWindowEx(0x1234)"}));
  EXPECT_TRUE(lmzip_.Calls().empty());

  Reset();
  UseFakeLibraries({"lmzip32"});
  driver = TArchiver::Create<TZip32>();
  const HWND kept = reinterpret_cast<HWND>(0x99);
  driver->OwnerWindow = kept;
  EXPECT_EQ(RaisedMessage([&] { driver->SetOwnerWindow(kWindow, kProcedure); }), NotInProgram("UnZipSetOwnerWindowEx"));
  EXPECT_EQ(RaisedMessage([&] { driver->KillOwnerWindow(kWindow); }), NotInProgram("UnZipKillOwnerWindowEx"));
  EXPECT_EQ(driver->OwnerWindow, kept);
  EXPECT_TRUE(lmzip_.Calls().empty());
}

TEST_F(ZipResolutionTest, CheckArchivePassesTheFirstModePartAndTheNameUnexpanded) {
  UseFakeLibraries({"unzip32"});
  std::unique_ptr<TArchiver> driver = TArchiver::Create<TZip32>();
  EXPECT_EQ(driver->CheckArchive("rel/a.zip", 2, 3), 1);
  EXPECT_EQ(unzip_.Calls(), std::vector<std::string>{"CheckArchive(rel/a.zip, 2)"});
}
}  // namespace
