// The archive file component: binding names and types to drivers, what a
// failed binding keeps, detection at open time, the listing it forwards and
// the output buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "archives/ArchiveFile.h"
#include "drivers/ARJ32.h"
#include "drivers/CAB32.h"
#include "drivers/DriverTable.h"
#include "drivers/LHA32.h"
#include "drivers/RAR32.h"
#include "drivers/TAR32.h"
#include "drivers/ZIP32.h"
#include "drivers/base/UnsetMarker.h"
#include "platform/winapi/Library.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/Raised.h"

namespace {
const HWND kWindow = reinterpret_cast<HWND>(0x1234);
const char* const kUnknownFormat = "書庫の形式を判別できません。";
const char* const kUnsupportedType = "現在のバージョンではこの形式の書庫をサポートしていません。";

class ArchiveFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseAllDriverUnits();
    for (FakeLibrary* fake : Probed()) fake->Clear();
    UseFakeLibraries({"lha", "unzip32", "cab", "arj", "tar", "rar"});
  }
  void TearDown() override {
    ReleaseAllDriverUnits();
    UseNoLibraries();
  }

  std::vector<FakeLibrary*> Probed() { return {&tar_, &rar_, &arj_, &cab_, &zip_, &lha_}; }
  // Every probe says no (tar: kind 0) except the listed fakes.
  void AcceptOnly(const std::vector<FakeLibrary*>& accepting) {
    tar_.Config().archiveType = 0;
    for (FakeLibrary* fake : {&rar_, &arj_, &cab_, &zip_, &lha_}) {
      const bool accepts = std::find(accepting.begin(), accepting.end(), fake) != accepting.end();
      fake->Config().acceptOpen = accepts;
    }
  }

  TArchiveFile file_{nullptr};
  FakeLibrary tar_{"tar", "tar32.dll"};
  FakeLibrary rar_{"rar", "UNRAR32.DLL"};
  FakeLibrary arj_{"arj", "UNARJ32J.DLL"};
  FakeLibrary cab_{"cab", "CAB32.DLL"};
  FakeLibrary zip_{"unzip32", "UNZIP32.DLL"};
  FakeLibrary lha_{"lha", "UNLHA32.DLL"};
};

TEST_F(ArchiveFileTest, FreshComponentHasNoFormatAndCannotOpen) {
  UseNoLibraries();
  TArchiveFile fresh(nullptr);
  EXPECT_EQ(fresh.ArchiverType(), atAutoDetect);
  EXPECT_EQ(fresh.OutputSize(), 0);
  EXPECT_EQ(fresh.Archiver(), nullptr);
  EXPECT_EQ(fresh.FileName(), UnsetMarker());
  EXPECT_EQ(RaisedMessage([&] { fresh.OpenArchive(kWindow, 0); }), kUnknownFormat);
  EXPECT_EQ(fresh.ArchiverType(), atAutoDetect);
  EXPECT_EQ(fresh.Archiver(), nullptr);
}

TEST_F(ArchiveFileTest, EachTypeBindsItsDriver) {
  const struct {
    TArchiverType type;
    const std::type_info& driver;
  } rows[] = {{atLha, typeid(TLha32)}, {atZip, typeid(TZip32)}, {atCab, typeid(TCab32)}, {atArj, typeid(TArj32)},
              {atTar, typeid(TTar32)}, {atTgz, typeid(TTgz32)}, {atBZ2, typeid(TBZ232)}, {atRar, typeid(TRar32)}};
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.type));
    file_.SetArchiverType(row.type);
    EXPECT_EQ(file_.ArchiverType(), row.type);
    ASSERT_NE(file_.Archiver(), nullptr);
    EXPECT_EQ(typeid(*file_.Archiver()), row.driver);
  }
}

// The run records "Skip" for this: the name, the type and the driver stay.
TEST_F(ArchiveFileTest, MissingLibraryLeavesTheComponentAsItWas) {
  const char* const tar = "tar32.dll is needed to handle tar/tgz/taz/bz2 archives.";
  const struct {
    const char* name;
    const char* message;
  } rows[] = {
      {"/d/a.lzh", "UNLHA32.DLL is needed to handle LHA archives."},
      {"/d/a.zip", "UNZIP32.DLL is needed to extract ZIP archives, and ZIP32J.DLL to create them."},
      {"/d/a.cab", "CAB32.DLL is needed to handle CAB archives."},
      {"/d/a.arj", "UNARJ32J.DLL is needed to handle ARJ archives."},
      {"/d/a.tar", tar},
      {"/d/a.tgz", tar},
      {"/d/a.bz2", tar},
      {"/d/a.rar", "UNRAR32.DLL is needed to use this function."},
  };
  UseNoLibraries();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(RaisedMessage([&] { file_.SetFileName(row.name); }), row.message);
    EXPECT_EQ(file_.FileName(), UnsetMarker());
    EXPECT_EQ(file_.ArchiverType(), atAutoDetect);
    EXPECT_EQ(file_.Archiver(), nullptr);
  }

  UseFakeLibraries({"lha"});
  file_.SetFileName("/d/a.lzh");
  TArchiver* bound = file_.Archiver();
  EXPECT_EQ(RaisedMessage([&] { file_.SetFileName("/d/b.zip"); }), rows[1].message);
  EXPECT_EQ(file_.FileName(), "/d/a.lzh");
  EXPECT_EQ(file_.ArchiverType(), atLha);
  EXPECT_EQ(file_.Archiver(), bound);
}

// Neither a name of no known format nor the type atNone touches the binding.
TEST_F(ArchiveFileTest, NoFormatKeepsTheBoundDriver) {
  file_.SetFileName("/d/a.lzh");
  TArchiver* bound = file_.Archiver();
  ASSERT_NE(bound, nullptr);
  file_.SetFileName("/d/notes.txt");
  EXPECT_EQ(file_.FileName(), "/d/notes.txt");
  file_.SetArchiverType(atNone);
  EXPECT_EQ(file_.ArchiverType(), atLha);
  EXPECT_EQ(file_.Archiver(), bound);
}

TEST_F(ArchiveFileTest, WritingTheBoundTypeAgainMakesAFreshDriver) {
  file_.SetArchiverType(atLha);
  file_.Archiver()->CommandLine = "kept?";
  file_.Archiver()->OwnerWindow = kWindow;
  const int loads = LoadLibraryCallCount();
  file_.SetArchiverType(atLha);
  EXPECT_EQ(file_.Archiver()->CommandLine, "");
  EXPECT_EQ(file_.Archiver()->OwnerWindow, nullptr);
  EXPECT_EQ(LoadLibraryCallCount(), loads);
}

TEST_F(ArchiveFileTest, TypesBeyondAutoDetectAreRefusedUnlessReading) {
  file_.SetFileName("/d/a.lzh");
  TArchiver* bound = file_.Archiver();
  for (int value : {10, 255}) {
    SCOPED_TRACE(value);
    const auto type = static_cast<TArchiverType>(value);
    EXPECT_EQ(RaisedMessage([&] { file_.SetArchiverType(type); }), kUnsupportedType);
    EXPECT_EQ(file_.ArchiverType(), atLha);
    EXPECT_EQ(file_.Archiver(), bound);
  }
  file_.SetComponentState(csReading);
  file_.SetArchiverType(static_cast<TArchiverType>(10));
  file_.ClearComponentState(csReading);
  EXPECT_EQ(file_.ArchiverType(), static_cast<TArchiverType>(10));
  EXPECT_EQ(file_.Archiver(), bound);
}

// atAutoDetect keeps the driver; the next open detects by content and binds
// what it finds, or keeps using the old driver when it finds nothing.
TEST_F(ArchiveFileTest, AutoDetectMakesTheNextOpenDetectByContent) {
  file_.SetFileName("/d/a.lzh");
  TArchiver* lha = file_.Archiver();
  file_.SetArchiverType(atAutoDetect);
  EXPECT_EQ(file_.ArchiverType(), atAutoDetect);
  EXPECT_EQ(file_.Archiver(), lha);

  AcceptOnly({});
  EXPECT_EQ(file_.OpenArchive(kWindow, 0), 0u);
  EXPECT_EQ(file_.Archiver(), lha);
  EXPECT_EQ(file_.ArchiverType(), atAutoDetect);
  EXPECT_EQ(lha_.Calls(),
            (std::vector<std::string>{"OpenArchive(window=0, path=/d/a.lzh, mode=0x800002)", "CloseArchive(0)",
                                      "OpenArchive(window=0x1234, path=/d/a.lzh, mode=0x0)"}));
  file_.CloseArchive();

  for (FakeLibrary* fake : Probed()) fake->Clear();
  AcceptOnly({&cab_});
  EXPECT_EQ(file_.OpenArchive(kWindow, 0), 17185u);
  EXPECT_EQ(file_.ArchiverType(), atCab);
  ASSERT_NE(file_.Archiver(), nullptr);
  EXPECT_EQ(typeid(*file_.Archiver()), typeid(TCab32));
  EXPECT_EQ(cab_.Calls(),
            (std::vector<std::string>{"OpenArchive(window=0, path=/d/a.lzh, mode=0x800002)", "CloseArchive(17185)",
                                      "OpenArchive(window=0x1234, path=/d/a.lzh, mode=0x0)"}));
  file_.CloseArchive();
}

TEST_F(ArchiveFileTest, ExeNamesAreTypedByContentWhenBound) {
  AcceptOnly({&lha_});
  file_.SetFileName("/d/setup.exe");
  ASSERT_NE(file_.Archiver(), nullptr);
  EXPECT_EQ(typeid(*file_.Archiver()), typeid(TLha32));

  TArchiveFile other(nullptr);
  AcceptOnly({});
  other.SetFileName("/d/plain.exe");
  EXPECT_EQ(other.FileName(), "/d/plain.exe");
  EXPECT_EQ(other.ArchiverType(), atAutoDetect);
  EXPECT_EQ(other.Archiver(), nullptr);
}

// The component keeps the handle between open and close, also 0 when the
// library refused, and forgets it on close.
TEST_F(ArchiveFileTest, ListingForwardsTheStoredHandle) {
  const struct {
    bool acceptOpen;
    std::vector<std::string> listed;
    std::vector<std::string> calls;
    // clang-format off
  } rows[] = {
      {true,
       {"a.txt", "b.txt"},
       {"OpenArchive(window=0x1234, path=/d/a.lzh, mode=0x0)", "FindFirst(17185, *.*)", "FindNext(17185)",
        "FindNext(17185)", "CloseArchive(17185)", "FindFirst(0, *.*)"}},
      {false, {}, {"OpenArchive(window=0x1234, path=/d/a.lzh, mode=0x0)", "FindFirst(0, *.*)", "CloseArchive(0)",
                      "FindFirst(0, *.*)"}},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.acceptOpen ? "accept" : "reject");
    lha_.Clear();
    lha_.Config().acceptOpen = row.acceptOpen;
    lha_.Config().entries = {{"a.txt", 0x3C21, 0x6000}, {"b.txt", 0x3C22, 0x6001}};
    TArchiveFile file(nullptr);
    file.SetFileName("/d/a.lzh");
    file.OpenArchive(kWindow, 0);
    ENTRYINFO entry{};
    std::vector<std::string> listed;
    for (int found = file.FindFirst("*.*", &entry); found == 0; found = file.FindNext(&entry))
      listed.push_back(entry.szFileName);
    file.CloseArchive();
    EXPECT_NE(file.FindFirst("*.*", &entry), 0);
    EXPECT_EQ(listed, row.listed);
    EXPECT_EQ(lha_.Calls(), row.calls);
  }
}

TEST_F(ArchiveFileTest, DestroyingWithAnOpenListingDoesNotClose) {
  {
    TArchiveFile file(nullptr);
    file.SetFileName("/d/a.lzh");
    EXPECT_EQ(file.OpenArchive(kWindow, 0), 17185u);
  }
  EXPECT_EQ(lha_.Calls(), std::vector<std::string>{"OpenArchive(window=0x1234, path=/d/a.lzh, mode=0x0)"});
}

TEST_F(ArchiveFileTest, OutputSizeSizesAFreshBuffer) {
  file_.SetOutputSize(100);
  EXPECT_EQ(file_.OutputSize(), 100);
  ASSERT_EQ(file_.Output().size(), 100u);
  EXPECT_EQ(file_.Output()[0], '\0');
  file_.SetOutputSize(0);
  EXPECT_EQ(file_.OutputSize(), 0);
  EXPECT_TRUE(file_.Output().empty());
}
}  // namespace
