// Self-extracting programs of the ZIP and tar drivers: the stub found on the
// search path followed by the archive, the executable's name, and the cases
// where nothing may be written (no stub, BZ2, the executable being the
// archive) or a partial executable must not stay.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drivers/DriverTable.h"
#include "drivers/PathJoin.h"
#include "drivers/SelfExtracting.h"
#include "drivers/TAR32.h"
#include "drivers/ZIP32.h"
#include "platform/rtl/FileStream.h"
#include "platform/winapi/Window.h"
#include "tests/drivers/CommandTestSupport.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/TempDir.h"

namespace {
namespace fs = std::filesystem;

const char* const kSameFile = "自己解凍書庫の出力先が元のファイルと同じです: ";

TEST(PathJoinTest, JoinsWithExactlyOneDelimiter) {
  const struct {
    const char* name;
    std::string directory;
    std::string expected;
  } cases[] = {
      {"NoDirectory", "", "a.EXE"},
      {"DirectoryWithoutDelimiter", "/out", "/out/a.EXE"},
      {"DirectoryWithDelimiter", "/out/", "/out/a.EXE"},
      {"Utf8Directory", "/出力", "/出力/a.EXE"},
      {"BackslashIsNoDelimiterHere", "/out\\", "/out\\/a.EXE"},
  };
  for (const auto& c : cases) EXPECT_EQ(PathJoin(c.directory, "a.EXE"), c.expected) << c.name;
}

// A Shift-JIS character whose second byte is 0x5C ends the directory: the
// delimiter is still added.
TEST(PathJoinTest, DoubleByteLastCharacterIsNoDelimiter) {
  ScopedCodePage shiftJis(TCodePage::ShiftJis);
  EXPECT_EQ(PathJoin("/\x95\x5C", "a.EXE"), "/\x95\x5C/a.EXE");
  EXPECT_EQ(PathJoin("/\x95\x5C/", "a.EXE"), "/\x95\x5C/a.EXE");
}

TEST(SelfExtractingNameTest, ReplacesTheLastExtensionAndMovesIntoTheOutputDirectory) {
  const struct {
    const char* name;
    std::string archive;
    std::string directory;
    std::string expected;
  } cases[] = {
      {"BesideTheArchive", "/arc/a.zip", "", "/arc/a.EXE"},
      {"OnlyTheLastExtension", "/arc/a.tar.gz", "", "/arc/a.tar.EXE"},
      {"NoExtensionGetsOne", "/arc.d/archive", "", "/arc.d/archive.EXE"},
      {"RelativeName", "a.zip", "", "a.EXE"},
      {"IntoOutputDirectory", "/arc/a.zip", "/out", "/out/a.EXE"},
      {"IntoOutputDirectoryWithDelimiter", "/arc/a.zip", "/out/", "/out/a.EXE"},
  };
  for (const auto& c : cases) EXPECT_EQ(SelfExtractingName(c.archive, c.directory), c.expected) << c.name;
}

// Stubs are found through PATH; the current folder is an empty one, so that
// nothing else can be found.
class SelfExtractingFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(stubs_);
    fs::create_directories(emptyFolder_);
    fs::create_directories(arc_);
    WriteFile(stubs_ / "sfx16.dat", "DOS-STUB:");
    WriteFile(stubs_ / "sfx32gui.dat", "WIN32-STUB:");
    WriteFile(stubs_ / "kmtarsef.exe", "TAR-STUB:");
    path_ = std::make_unique<ScopedEnvironment>("PATH", stubs_.string());
    cwd_ = std::make_unique<ScopedCurrentFolder>(emptyFolder_);
    ReleaseAllDriverUnits();
  }
  void TearDown() override {
    ReleaseAllDriverUnits();
    cwd_.reset();
    path_.reset();
  }
  // The first guard goes first: made before it went, the second would keep
  // the stubs' PATH as the one to put back, and leave it for later tests.
  void HideStubs() {
    path_.reset();
    path_ = std::make_unique<ScopedEnvironment>("PATH", emptyFolder_.string());
  }
  std::string Archive(const std::string& name, const std::string& bytes = "ARCHIVE") {
    WriteFile(arc_ / name, bytes);
    return (arc_ / name).string();
  }

  TempDir temp_;
  fs::path stubs_ = temp_.path() / "stubs";
  fs::path emptyFolder_ = temp_.path() / "empty";
  fs::path arc_ = temp_.path() / "arc";
  std::unique_ptr<ScopedEnvironment> path_;
  std::unique_ptr<ScopedCurrentFolder> cwd_;
  TArchiverOptions options_;
  std::string output_;
};

class ZipSelfExtractingTest : public SelfExtractingFixture {
 protected:
  void SetUp() override {
    SelfExtractingFixture::SetUp();
    UseFakeLibraries({"zip32j"});
    zip_ = std::make_unique<FakeLibrary>("zip32j", "ZIP32J.DLL");
    zip_->Clear();
    driver_ = TArchiver::Create<TZip32>();
  }
  void TearDown() override {
    driver_.reset();
    SelfExtractingFixture::TearDown();
    zip_.reset();
  }

  std::unique_ptr<FakeLibrary> zip_;
  std::unique_ptr<TArchiver> driver_;
};

TEST_F(ZipSelfExtractingTest, DosStubBesideTheArchiveThenAddedByZip) {
  const std::string archive = Archive("a.zip");
  const std::string executable = (arc_ / "a.EXE").string();
  HWND__ caller("SfxTestCaller");
  zip_->Config().commandResult = 2;
  output_.assign(10, '\0');
  EXPECT_EQ(driver_->MakeSFX(&caller, archive, options_, "", output_), 2);
  EXPECT_EQ(ReadFile(executable), "DOS-STUB:ARCHIVE");
  EXPECT_EQ(driver_->CommandLine, "-A " + executable);
  EXPECT_EQ(zip_->Calls(), std::vector<std::string>{CommandCall("Zip", &caller, "-A " + executable, output_)});
  EXPECT_EQ(ReadFile(archive), "ARCHIVE");
}

TEST_F(ZipSelfExtractingTest, Win32StubIntoTheOutputDirectory) {
  const std::string archive = Archive("a.zip");
  options_.gw = 1;
  for (const std::string& directory : {(temp_ / "out"), (temp_ / "out") + "/"}) {
    fs::remove_all(temp_ / "out");
    fs::create_directory(temp_ / "out");
    driver_->MakeSFX(nullptr, archive, options_, directory, output_);
    EXPECT_EQ(ReadFile(temp_ / "out/a.EXE"), "WIN32-STUB:ARCHIVE") << directory;
    EXPECT_EQ(driver_->CommandLine, "-A " + (temp_ / "out/a.EXE")) << directory;
  }
}

TEST_F(ZipSelfExtractingTest, ExistingExecutableIsReplaced) {
  const std::string archive = Archive("a.zip", "Z");
  WriteFile(arc_ / "a.EXE", std::string(100, 'x'));
  driver_->MakeSFX(nullptr, archive, options_, "", output_);
  EXPECT_EQ(ReadFile(arc_ / "a.EXE"), "DOS-STUB:Z");
}

TEST_F(ZipSelfExtractingTest, MissingStubWritesNothing) {
  const std::string archive = Archive("a.zip");
  HideStubs();
  EXPECT_EQ(RaisedMessage([&] { driver_->MakeSFX(nullptr, archive, options_, "", output_); }),
            "zip 書庫からのDOS自己解凍書庫の作成には sfx16.dat が必要です。");
  options_.gw = 1;
  EXPECT_EQ(RaisedMessage([&] { driver_->MakeSFX(nullptr, archive, options_, "", output_); }),
            "zip 書庫からのWin32自己解凍書庫の作成には sfx32gui.dat が必要です。");
  EXPECT_EQ(FolderNames(arc_), std::set<std::string>{"a.zip"});
  EXPECT_TRUE(zip_->Calls().empty());
  EXPECT_EQ(driver_->CommandLine, "");
}

// Creating the executable would empty the archive it is made from: whatever
// the spelling or the link, nothing is opened and the archive stays whole.
TEST_F(ZipSelfExtractingTest, ExecutableThatIsTheArchiveIsRefused) {
  const std::string archive = Archive("a.EXE");
  const std::string other = Archive("b.zip");
  fs::create_directory(temp_ / "out");
  fs::create_hard_link(other, temp_ / "out/b.EXE");
  fs::create_directory(temp_ / "links");
  fs::create_symlink(other, temp_ / "links/b.EXE");
  const struct {
    const char* name;
    std::string archive;
    std::string directory;
    std::string executable;
  } cases[] = {
      {"SameName", archive, "", archive},
      {"OtherSpelling", archive, (arc_ / "../arc/.").string(), (arc_ / "../arc/./a.EXE").string()},
      {"HardLink", other, temp_ / "out", temp_ / "out/b.EXE"},
      {"SymbolicLink", other, temp_ / "links", temp_ / "links/b.EXE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RaisedMessage([&] { driver_->MakeSFX(nullptr, c.archive, options_, c.directory, output_); }),
              kSameFile + c.executable);
    EXPECT_EQ(ReadFile(c.archive), "ARCHIVE");
  }
  {
    ScopedCurrentFolder inArc(arc_);
    EXPECT_EQ(RaisedMessage([&] { driver_->MakeSFX(nullptr, "a.EXE", options_, arc_.string(), output_); }),
              kSameFile + (arc_ / "a.EXE").string());
  }
  EXPECT_EQ(ReadFile(archive), "ARCHIVE");
  EXPECT_TRUE(zip_->Calls().empty());
  EXPECT_EQ(driver_->CommandLine, "");
}

// A file-size limit makes the write fail half-way (SIGXFSZ ignored, so the
// write reports the error instead of ending the process).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

TEST_F(ZipSelfExtractingTest, ExecutableThatCannotBeWrittenWholeIsRemoved) {
  WriteFile(stubs_ / "sfx16.dat", std::string(64 * 1024, 's'));
  const std::string archive = Archive("a.zip", std::string(64 * 1024, 'a'));
  {
    FileSizeLimit limit(4096);
    EXPECT_THROW(driver_->MakeSFX(nullptr, archive, options_, "", output_), EWriteError);
  }
  EXPECT_EQ(FolderNames(arc_), std::set<std::string>{"a.zip"});
  EXPECT_EQ(ReadFile(archive), std::string(64 * 1024, 'a'));
  EXPECT_TRUE(zip_->Calls().empty());
  EXPECT_EQ(driver_->CommandLine, "");
}

TEST_F(ZipSelfExtractingTest, UnreadableArchiveLeavesNoExecutable) {
  EXPECT_THROW(driver_->MakeSFX(nullptr, (arc_ / "missing.zip").string(), options_, "", output_), EFOpenError);
  EXPECT_TRUE(FolderNames(arc_).empty());
  EXPECT_TRUE(zip_->Calls().empty());
}

class TarSelfExtractingTest : public SelfExtractingFixture {
 protected:
  void SetUp() override {
    SelfExtractingFixture::SetUp();
    UseFakeLibraries({"tar"});
    tar_ = std::make_unique<FakeLibrary>("tar", "tar32.dll");
    tar_->Clear();
  }
  void TearDown() override {
    SelfExtractingFixture::TearDown();
    tar_.reset();
  }
  // A driver whose unit is released again, to see that MakeSFX loads nothing.
  template <class Driver>
  std::unique_ptr<TArchiver> Released() {
    std::unique_ptr<TArchiver> driver = TArchiver::Create<Driver>();
    TarUnit().Release();
    driver->CommandLine = "earlier line";
    return driver;
  }

  std::unique_ptr<FakeLibrary> tar_;
};

TEST_F(TarSelfExtractingTest, TgzIntoTheOutputDirectoryWithoutTheLibrary) {
  const std::string archive = Archive("a.tgz");
  fs::create_directory(temp_ / "out");
  const auto driver = Released<TTgz32>();
  EXPECT_EQ(driver->MakeSFX(nullptr, archive, options_, temp_ / "out", output_), 0);
  EXPECT_EQ(ReadFile(temp_ / "out/a.EXE"), "TAR-STUB:ARCHIVE");
  EXPECT_EQ(driver->CommandLine, "earlier line");
  EXPECT_EQ(TarUnit().Handle(), nullptr);
  EXPECT_TRUE(tar_->Calls().empty());
}

TEST_F(TarSelfExtractingTest, TarBesideTheArchiveReplacesOnlyTheLastExtension) {
  const std::string archive = Archive("a.tar.gz");
  const auto driver = Released<TTar32>();
  EXPECT_EQ(driver->MakeSFX(nullptr, archive, options_, "", output_), 0);
  EXPECT_EQ(ReadFile(arc_ / "a.tar.EXE"), "TAR-STUB:ARCHIVE");
}

TEST_F(TarSelfExtractingTest, BZ2RefusesBeforeLooking) {
  const std::string archive = Archive("a.tbz");
  const auto driver = Released<TBZ232>();
  EXPECT_EQ(RaisedMessage([&] { driver->MakeSFX(nullptr, archive, options_, "", output_); }),
            "BZ2 形式書庫は自己解凍形式にできません。");
  EXPECT_EQ(FolderNames(arc_), std::set<std::string>{"a.tbz"});
}

TEST_F(TarSelfExtractingTest, XzAndZstdRefuseBeforeLooking) {
  const std::string xz = Archive("a.txz");
  const std::string zstd = Archive("a.tzst");
  EXPECT_EQ(RaisedMessage([&] { Released<TTxz32>()->MakeSFX(nullptr, xz, options_, "", output_); }),
            "XZ 形式書庫は自己解凍形式にできません。");
  EXPECT_EQ(RaisedMessage([&] { Released<TTzst32>()->MakeSFX(nullptr, zstd, options_, "", output_); }),
            "ZSTD 形式書庫は自己解凍形式にできません。");
  EXPECT_EQ(FolderNames(arc_), (std::set<std::string>{"a.txz", "a.tzst"}));
  EXPECT_TRUE(tar_->Calls().empty());
}

TEST_F(TarSelfExtractingTest, MissingStubWritesNothing) {
  const std::string archive = Archive("a.tar");
  HideStubs();
  const auto driver = Released<TTar32>();
  EXPECT_EQ(RaisedMessage([&] { driver->MakeSFX(nullptr, archive, options_, "", output_); }),
            "tar/tgz 書庫からの自己解凍書庫の作成には kmtarsef.exe が必要です。");
  EXPECT_EQ(FolderNames(arc_), std::set<std::string>{"a.tar"});
}

TEST_F(TarSelfExtractingTest, ExecutableThatIsTheArchiveIsRefused) {
  const std::string archive = Archive("a.EXE");
  const auto driver = Released<TTgz32>();
  EXPECT_EQ(RaisedMessage([&] { driver->MakeSFX(nullptr, archive, options_, "", output_); }), kSameFile + archive);
  EXPECT_EQ(ReadFile(archive), "ARCHIVE");
}
}  // namespace
