// The driver family over one library each (LHA, CAB, ARJ, the tar family,
// RAR, 7z): loading and caching, the missing-library messages, missing exports,
// the listing slots, the probes and the tar probe's type mapping.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "drivers/ARJ32.h"
#include "drivers/CAB32.h"
#include "drivers/DriverTable.h"
#include "drivers/LHA32.h"
#include "drivers/RAR32.h"
#include "drivers/SEVENZIP32.h"
#include "drivers/TAR32.h"
#include "drivers/ZIP32.h"
#include "drivers/base/Archiver.h"
#include "platform/winapi/Library.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/Raised.h"

namespace {
// The handle every fake returns from a successful open (0x4321).
const std::string kOpen = "17185";
const HWND kWindow = reinterpret_cast<HWND>(0x1234);
void* const kProcedure = reinterpret_cast<void*>(0x5678);

std::string Absolute(const std::string& relative) { return (std::filesystem::current_path() / relative).string(); }
std::string ExecutablePath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

struct Member {
  const char* name;
  const char* folder;
  std::unique_ptr<TArchiver> (*create)();
  TSingleLibraryUnit& (*unit)();
  const char* missingLibraryMessage;
};

template <class Driver>
std::unique_ptr<TArchiver> Make() {
  return TArchiver::Create<Driver>();
}

const char* const kTarMessage = "tar32.dll is needed to handle tar/tgz/taz/bz2 archives.";
const Member kMembers[] = {
    {"TLha32", "lha", Make<TLha32>, LhaUnit, "UNLHA32.DLL is needed to handle LHA archives."},
    {"TCab32", "cab", Make<TCab32>, CabUnit, "CAB32.DLL is needed to handle CAB archives."},
    {"TArj32", "arj", Make<TArj32>, ArjUnit, "UNARJ32J.DLL is needed to handle ARJ archives."},
    {"TTar32", "tar", Make<TTar32>, TarUnit, kTarMessage},
    {"TTgz32", "tar", Make<TTgz32>, TarUnit, kTarMessage},
    {"TBZ232", "tar", Make<TBZ232>, TarUnit, kTarMessage},
    {"TRar32", "rar", Make<TRar32>, RarUnit, "UNRAR32.DLL is needed to use this function."},
    {"TSevenZip32", "sevenzip", Make<TSevenZip32>, SevenZipUnit, "7-ZIP32.DLL is needed to handle 7z archives."},
};

// Every fake of the family, opened by the test to read what it recorded.
struct AllFakes {
  FakeLibrary lha{"lha", "UNLHA32.DLL"};
  FakeLibrary cab{"cab", "CAB32.DLL"};
  FakeLibrary arj{"arj", "UNARJ32J.DLL"};
  FakeLibrary tar{"tar", "tar32.dll"};
  FakeLibrary rar{"rar", "UNRAR32.DLL"};
  FakeLibrary unzip{"unzip32", "UNZIP32.DLL"};
  FakeLibrary zip32j{"zip32j", "ZIP32J.DLL"};
  FakeLibrary lmzip{"lmzip32", "LMZIP32.DLL"};
  FakeLibrary sevenZip{"sevenzip", "7-ZIP32.DLL"};

  std::vector<FakeLibrary*> All() { return {&lha, &cab, &arj, &tar, &rar, &unzip, &zip32j, &lmzip, &sevenZip}; }
  FakeLibrary& Of(const std::string& folder) {
    for (FakeLibrary* fake : All())
      // The fake's own folder: the checkout's path may hold "/arj/" too.
      if (fake->Path().find("/fakes/" + folder + "/") != std::string::npos) return *fake;
    throw std::runtime_error("no fake " + folder);
  }
  void ClearAll() {
    for (FakeLibrary* fake : All()) fake->Clear();
  }
};

// The entries of a unit that are in its cache, by suffix, in cache order.
std::string CachedEntries(const TDriverUnit& unit) {
  const TEntry entries[] = {TEntry::Command,          TEntry::OpenArchive,       TEntry::CloseArchive,
                            TEntry::FindFirst,        TEntry::FindNext,          TEntry::CheckArchive,
                            TEntry::SetOwnerWindowEx, TEntry::KillOwnerWindowEx, TEntry::GetArchiveType};
  std::string cached;
  for (TEntry entry : entries) {
    if (!unit.IsCached(entry)) continue;
    const std::string name = *EntrySuffix(entry) != '\0' ? EntrySuffix(entry) : "Command";
    cached += (cached.empty() ? "" : " ") + name;
  }
  return cached;
}

// Walks a listing through a driver: one "name date time" line per entry.
std::vector<std::string> ListThrough(TArchiver& driver, const std::string& archiveName) {
  std::vector<std::string> lines;
  const HARC archive = driver.OpenArchive(kWindow, archiveName, 0);
  ENTRYINFO entry{};
  for (int found = driver.FindFirst(archive, &entry, "*.*"); found == 0; found = driver.FindNext(archive, &entry)) {
    char words[16];
    std::snprintf(words, sizeof words, " %04x %04x", entry.wDate, entry.wTime);
    lines.push_back(entry.szFileName + std::string(words));
  }
  driver.CloseArchive(archive);
  return lines;
}

class DriverFamilyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllDriverUnits();
    fakes_.ClearAll();
  }
  void TearDown() override {
    ReleaseAllDriverUnits();
    UseNoLibraries();
  }

  AllFakes fakes_;
};

TEST_F(DriverFamilyTest, MissingLibraryFailsCreationLoadingWrappersAndProbes) {
  UseNoLibraries();
  for (const Member& member : kMembers) {
    SCOPED_TRACE(member.name);
    EXPECT_EQ(RaisedMessage([&] { member.create(); }), member.missingLibraryMessage);
    EXPECT_EQ(RaisedMessage([&] { member.unit().OpenArchive(nullptr, "/x", 0); }), member.missingLibraryMessage);
    std::string output;
    EXPECT_EQ(RaisedMessage([&] { member.unit().Command(TEntry::Command, nullptr, "x", output); }),
              member.missingLibraryMessage);
    EXPECT_EQ(member.unit().Handle(), nullptr);
  }
  EXPECT_EQ(RaisedMessage([] { TArchiver::Create<TZip32>(); }),
            "UNZIP32.DLL is needed to extract ZIP archives, and ZIP32J.DLL to create them.");
  for (const auto& probe : {IsLhaArchive, IsCabArchive, IsArjArchive, IsRarArchive, IsZipArchive, IsSevenZipArchive})
    EXPECT_FALSE(probe("/x.exe"));
  EXPECT_EQ(TarArchiveType("/x.exe"), atNone);
}

// Each driver lists through its own library alone (ARJ needs no UNLHA32.DLL),
// with the name expanded, the wildcard passed and no other library touched.
TEST_F(DriverFamilyTest, EachDriverListsThroughItsOwnLibrary) {
  for (const Member& member : kMembers) {
    SCOPED_TRACE(member.name);
    ReleaseAllDriverUnits();
    fakes_.ClearAll();
    UseFakeLibraries({member.folder});
    FakeLibrary& own = fakes_.Of(member.folder);
    own.Config().entries = {{"a.txt", 0x3C21, 0x6000}, {"sub/b.txt", 0x3C22, 0x6001}};

    std::unique_ptr<TArchiver> driver = member.create();
    EXPECT_EQ(ListThrough(*driver, "rel/arc.x"), (std::vector<std::string>{"a.txt 3c21 6000", "sub/b.txt 3c22 6001"}));
    EXPECT_EQ(own.Calls(),
              (std::vector<std::string>{"OpenArchive(window=0x1234, path=" + Absolute("rel/arc.x") + ", mode=0x0)",
                                        "FindFirst(" + kOpen + ", *.*)", "FindNext(" + kOpen + ")",
                                        "FindNext(" + kOpen + ")", "CloseArchive(" + kOpen + ")"}));
    for (FakeLibrary* other : fakes_.All()) {
      if (other != &own) {
        EXPECT_TRUE(other->Calls().empty()) << other->Path();
      }
    }
  }
}

TEST_F(DriverFamilyTest, LibraryLoadsOnceAndEachEntryIsLookedUpAtFirstUse) {
  UseFakeLibraries({"lha"});
  fakes_.lha.Config().entries = {
      {"1", 0x3C21, 0}, {"2", 0x3C21, 0}, {"3", 0x3C21, 0}, {"4", 0x3C21, 0}, {"5", 0x3C21, 0}};
  const int before = LoadLibraryCallCount();

  std::unique_ptr<TArchiver> first = TArchiver::Create<TLha32>();
  EXPECT_EQ(LoadLibraryCallCount(), before + 1);
  EXPECT_EQ(CachedEntries(LhaUnit()), "") << "nothing is looked up while loading";

  std::unique_ptr<TArchiver> second = TArchiver::Create<TLha32>();
  first.reset();
  EXPECT_NE(LhaUnit().Handle(), nullptr) << "freeing a driver leaves the library loaded";

  const HARC archive = second->OpenArchive(nullptr, "/a.lzh", 0);
  EXPECT_EQ(CachedEntries(LhaUnit()), "OpenArchive");
  ENTRYINFO entry{};
  int entries = 0;
  for (int found = second->FindFirst(archive, &entry, "*.*"); found == 0; found = second->FindNext(archive, &entry))
    ++entries;
  second->CloseArchive(archive);
  EXPECT_EQ(entries, 5);
  EXPECT_EQ(CachedEntries(LhaUnit()), "OpenArchive CloseArchive FindFirst FindNext");

  EXPECT_TRUE(IsLhaArchive("/b.lzh"));
  TArchiver::Create<TLha32>();
  EXPECT_EQ(LoadLibraryCallCount(), before + 1) << "listing, probing and creating again load nothing";
}

// FindNext and the owner-window wrappers do not load: on a unit that is not
// loaded they look up in handle 0, which names the program's own file.
TEST_F(DriverFamilyTest, WhichWrappersLoadBeforeLookingUp) {
  UseFakeLibraries({"lha", "tar"});
  ENTRYINFO entry{};
  std::string output;
  struct Row {
    const char* entry;
    TSingleLibraryUnit& (*unit)();
    std::function<void(TSingleLibraryUnit&)> call;
    bool loads;
  };
  // clang-format off
  const Row rows[] = {
      {"Unlha", LhaUnit, [&](TSingleLibraryUnit& u) { u.Command(TEntry::Command, nullptr, "l", output); }, true},
      {"UnlhaOpenArchive", LhaUnit, [&](TSingleLibraryUnit& u) { u.OpenArchive(nullptr, "/a", 0); }, true},
      {"UnlhaCloseArchive", LhaUnit, [&](TSingleLibraryUnit& u) { u.CloseArchive(0); }, true},
      {"UnlhaFindFirst", LhaUnit, [&](TSingleLibraryUnit& u) { u.FindFirst(0, "*.*", &entry); }, true},
      {"UnlhaCheckArchive", LhaUnit, [&](TSingleLibraryUnit& u) { u.CheckArchive("/a", 0); }, true},
      {"TarGetArchiveType", TarUnit, [&](TSingleLibraryUnit& u) { u.GetArchiveType("/a"); }, true},
      {"UnlhaFindNext", LhaUnit, [&](TSingleLibraryUnit& u) { u.FindNext(0, &entry); }, false},
      {"UnlhaSetOwnerWindowEx", LhaUnit, [&](TSingleLibraryUnit& u) { u.SetOwnerWindowEx(kWindow, nullptr); }, false},
      {"UnlhaKillOwnerWindowEx", LhaUnit, [&](TSingleLibraryUnit& u) { u.KillOwnerWindowEx(kWindow); }, false},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.entry);
    ReleaseAllDriverUnits();
    const int before = LoadLibraryCallCount();
    const std::string raised = RaisedMessage([&] { row.call(row.unit()); });
    EXPECT_EQ(LoadLibraryCallCount() - before, row.loads ? 1 : 0);
    EXPECT_EQ(row.unit().Handle() != nullptr, row.loads);
    EXPECT_EQ(raised,
              row.loads ? "(nothing raised)" : ExecutablePath() + " に " + row.entry + " のエントリが見つかりません。");
  }
}

// A missing export fails only the operation that needs it, at every try, and
// is never cached; the rest of the library keeps working.
TEST_F(DriverFamilyTest, MissingExportFailsEachTimeAndOnlyItsOperation) {
  struct Row {
    const char* folder;
    const char* entry;
    std::function<void(TArchiver&)> call;
  };
  ENTRYINFO record{};
  // clang-format off
  const Row rows[] = {
      {"lha_no_findnext", "UnlhaFindNext", [&](TArchiver& d) { d.FindNext(17185, &record); }},
      {"lha_no_owner", "UnlhaSetOwnerWindowEx", [](TArchiver& d) { d.SetOwnerWindow(kWindow, kProcedure); }},
      {"lha_no_owner", "UnlhaKillOwnerWindowEx", [](TArchiver& d) { d.KillOwnerWindow(kWindow); }},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.entry);
    ReleaseAllDriverUnits();
    UseFakeLibraries({row.folder});
    FakeLibrary fake(row.folder, "UNLHA32.DLL");
    fake.Clear();
    fake.Config().entries = {{"a", 0x3C21, 0}};
    std::unique_ptr<TArchiver> driver = TArchiver::Create<TLha32>();
    const HWND owner = reinterpret_cast<HWND>(0x99);
    driver->OwnerWindow = owner;

    const std::string expected = fake.Path() + " に " + row.entry + " のエントリが見つかりません。";
    EXPECT_EQ(RaisedMessage([&] { row.call(*driver); }), expected);
    EXPECT_EQ(RaisedMessage([&] { row.call(*driver); }), expected) << "the failed look-up is not cached";
    EXPECT_EQ(driver->OwnerWindow, owner) << "a failed owner-window call leaves the window";

    const HARC archive = driver->OpenArchive(nullptr, "/a.lzh", 0);
    EXPECT_EQ(archive, 17185u);
    EXPECT_EQ(driver->FindFirst(archive, &record, "*.*"), 0);
    EXPECT_EQ(driver->CheckArchive("/a.lzh", 1, 0), 1);
    EXPECT_EQ(driver->CloseArchive(archive), 0);
    EXPECT_EQ(CachedEntries(LhaUnit()), "OpenArchive CloseArchive FindFirst CheckArchive");
  }
}

TEST_F(DriverFamilyTest, FreeDllForgetsEntriesAndTheNextUseLoadsAgain) {
  UseFakeLibraries({"lha"});
  std::unique_ptr<TArchiver> driver = TArchiver::Create<TLha32>();
  driver->CloseArchive(driver->OpenArchive(nullptr, "/a.lzh", 0));
  ASSERT_EQ(CachedEntries(LhaUnit()), "OpenArchive CloseArchive");

  driver->FreeDLL();
  EXPECT_EQ(LhaUnit().Handle(), nullptr);
  EXPECT_EQ(CachedEntries(LhaUnit()), "");

  const int before = LoadLibraryCallCount();
  EXPECT_EQ(driver->OpenArchive(nullptr, "/a.lzh", 0), 17185u);
  EXPECT_EQ(LoadLibraryCallCount(), before + 1);
  EXPECT_EQ(CachedEntries(LhaUnit()), "OpenArchive");
}

// Check passes both mode parts added and the name unexpanded; the owner window
// is stored whatever the library answers, and the answer is reported.
TEST_F(DriverFamilyTest, CheckAndOwnerWindowSlots) {
  for (const Member& member : kMembers) {
    for (const int answer : {0, 1}) {
      SCOPED_TRACE(std::string(member.name) + " owner answer " + std::to_string(answer));
      ReleaseAllDriverUnits();
      UseFakeLibraries({member.folder});
      FakeLibrary& own = fakes_.Of(member.folder);
      own.Clear();
      own.Config().ownerResult = answer;
      std::unique_ptr<TArchiver> driver = member.create();

      EXPECT_EQ(driver->CheckArchive("rel/a.x", 2, 3), 1);
      EXPECT_EQ(driver->SetOwnerWindow(kWindow, kProcedure), answer == 1);
      EXPECT_EQ(driver->OwnerWindow, kWindow);
      EXPECT_EQ(driver->KillOwnerWindow(kWindow), answer == 1);
      EXPECT_EQ(driver->OwnerWindow, nullptr);
      EXPECT_EQ(own.Calls(), (std::vector<std::string>{"CheckArchive(rel/a.x, 5)", "SetOwnerWindowEx(0x1234, 0x5678)",
                                                       "KillOwnerWindowEx(0x1234)"}));
    }
  }
}

// The command wrapper hands a null buffer for an empty output text.
TEST_F(DriverFamilyTest, CommandWrapperPassesNoBufferForAnEmptyOutput) {
  UseFakeLibraries({"lha"});
  fakes_.lha.Config().commandResult = 7;
  std::string empty;
  std::string sized(10, '\0');
  EXPECT_EQ(LhaUnit().Command(TEntry::Command, kWindow, "l a.lzh", empty), 7);
  EXPECT_EQ(LhaUnit().Command(TEntry::Command, nullptr, "l b.lzh", sized), 7);
  EXPECT_EQ(fakes_.lha.Calls(), (std::vector<std::string>{"Unlha(window=0x1234, line=[l a.lzh], buffer=null, size=0)",
                                                          "Unlha(window=0, line=[l b.lzh], buffer=set, size=10)"}));
}

// A probe opens in probe mode with no window and closes whatever handle it got.
TEST_F(DriverFamilyTest, ProbesOpenInProbeModeAndCloseEveryHandle) {
  struct Probe {
    const char* folder;
    bool (*probe)(const std::string&);
  };
  const Probe probes[] = {{"lha", IsLhaArchive},
                          {"cab", IsCabArchive},
                          {"arj", IsArjArchive},
                          {"rar", IsRarArchive},
                          {"sevenzip", IsSevenZipArchive}};
  UseFakeLibraries({"lha", "cab", "arj", "rar", "sevenzip"});
  for (const Probe& probe : probes) {
    for (bool accept : {true, false}) {
      SCOPED_TRACE(std::string(probe.folder) + (accept ? " accepts" : " rejects"));
      fakes_.ClearAll();
      FakeLibrary& own = fakes_.Of(probe.folder);
      own.Config().acceptOpen = accept;
      EXPECT_EQ(probe.probe("rel/setup.exe"), accept);
      EXPECT_EQ(own.Calls(), (std::vector<std::string>{
                                 "OpenArchive(window=0, path=" + Absolute("rel/setup.exe") + ", mode=0x800002)",
                                 std::string("CloseArchive(") + (accept ? kOpen : "0") + ")"}));
    }
  }
}

TEST_F(DriverFamilyTest, TarArchiveTypeMapsTheXzAndZstdKinds) {
  UseFakeLibraries({"tar"});
  const struct {
    int kind;
    TArchiverType expected;
  } rows[] = {{10, atTxz}, {11, atTxz}, {12, atTzst}, {13, atTzst}, {9, atNone}, {14, atNone}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.kind);
    fakes_.tar.Clear();
    fakes_.tar.Config().archiveType = row.kind;
    EXPECT_EQ(TarArchiveType("rel/x.exe"), row.expected);
  }
}

TEST_F(DriverFamilyTest, TarArchiveTypeMapsTheLibrarysKinds) {
  UseFakeLibraries({"tar"});
  const struct {
    int kind;
    TArchiverType expected;
  } rows[] = {{1, atTar}, {2, atTgz},  {3, atTgz},  {5, atTgz},  {6, atBZ2},
              {7, atBZ2}, {0, atNone}, {8, atNone}, {-1, atNone}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.kind);
    fakes_.tar.Clear();
    fakes_.tar.Config().archiveType = row.kind;
    EXPECT_EQ(TarArchiveType("rel/x.exe"), row.expected);
    EXPECT_EQ(fakes_.tar.Calls(), std::vector<std::string>{"GetArchiveType(rel/x.exe)"}) << "name passed unexpanded";
  }
}
}  // namespace
