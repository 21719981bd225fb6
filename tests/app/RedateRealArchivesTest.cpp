// The re-dating run with our real libraries on archives made by the usual
// tools: each archive takes its newest entry's local time, to the second
// (DOS precision: two seconds), and nothing else changes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>

#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "platform/rtl/DateTime.h"
#include "tests/app/RunWaits.h"
#include "tests/app/SampleArchives.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/TempDir.h"

namespace {
namespace fs = std::filesystem;

using sample_archives::kBefore;
using sample_archives::kNewestDos;

class RedateRealArchivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_archives::PrepareRealRun();
    form_ = std::make_unique<Tdovanel>(nullptr);
    // Two entries in a folder: the newest is the second one.
    sample_archives::MakeSources(src_.path(), "dir/new.txt", "newest entry\n", std::string(5000, 'o'));
  }
  void TearDown() override {
    form_.reset();
    ReleaseAllDriverUnits();
  }

  // Makes an archive with a shell command run inside the source folder.
  std::string Make(const std::string& name, const std::string& command) {
    return sample_archives::MakeArchive(src_.path(), out_.path() / name, command, "old.txt dir/new.txt");
  }

  std::map<std::string, std::string> Run(const std::string& path) {
    TStringList files;
    files.Add(path);
    form_->FileDrop1FileDrop(nullptr, 1, files, 0, 0);
    WaitForRunEnd(*form_);
    return sample_archives::RowOutcomes(*form_);
  }

  TempDir src_;
  TempDir out_;
  std::unique_ptr<Tdovanel> form_;
};

TEST_F(RedateRealArchivesTest, EveryFormatTakesItsNewestEntrysTime) {
  struct Tool {
    const char* name;
    const char* command;  // the archive path and the two files follow
  };
  const Tool tools[] = {
      {"info.zip", "zip -q -X"},       {"extra.zip", "zip -q"},  // with the extended-time field
      {"seven.zip", "7z a -bd -tzip"}, {"plain.tar", "tar cf"}, {"gnu.tgz", "tar czf"}, {"gnu.tar.gz", "tar czf"},
      {"gnu.tar.bz2", "tar cjf"},      {"dos.arj", "arj a -y"}, {"lh5.lzh", "jlha a"},
  };
  std::vector<std::string> archives;
  for (const Tool& tool : tools) archives.push_back(Make(tool.name, tool.command));
  // A plain gzip file of one entry is dated by its header.
  sample_archives::MakeNewest(src_.path(), "single.txt", "single\n");
  RunOrFail("gzip " + src_ / "single.txt");
  std::filesystem::rename(src_ / "single.txt.gz", out_ / "single.txt.gz");
  SetMTime(out_ / "single.txt.gz", kBefore);
  archives.push_back(out_ / "single.txt.gz");

  // gcab writes UTC wall-clock times into the DOS fields, which hold local
  // time by definition: the cabinet's own fields are what we go by.
  const std::string cab = Make("ms.cab", "gcab -c");

  const auto outcome = Run(out_.path().string());
  ASSERT_EQ(outcome.size(), archives.size() + 1);
  for (const std::string& archive : archives) {
    EXPECT_EQ(outcome.at(archive), "2001/05/06 | 10:20:30") << archive;
    EXPECT_EQ(MTime(archive), kNewestDos) << archive;
  }
  EXPECT_EQ(outcome.at(cab), "2001/05/06 | 01:20:30");
  EXPECT_EQ(MTime(cab), kNewestDos - 9 * 3600);
  EXPECT_EQ(form_->Label1->Caption(), "Finish");
}

TEST_F(RedateRealArchivesTest, XzZstdAndTbz2ArchivesTakeTheirNewestEntrysTime) {
  const std::string archives[] = {
      Make("gnu.tar.xz", "tar cJf"),
      Make("gnu.txz", "tar cJf"),
      Make("threads.tar.xz", "tar -I 'xz -T2 --block-size=1KiB' -cf"),
      Make("gnu.tar.zst", "tar --zstd -cf"),
      Make("gnu.tzst", "tar --zstd -cf"),
      Make("gnu.tbz2", "tar cjf"),
  };
  const auto outcome = Run(out_.path().string());
  ASSERT_EQ(outcome.size(), std::size(archives));
  for (const std::string& archive : archives) {
    EXPECT_EQ(outcome.at(archive), "2001/05/06 | 10:20:30") << archive;
    EXPECT_EQ(MTime(archive), kNewestDos) << archive;
  }
  EXPECT_EQ(form_->Label1->Caption(), "Finish");
}

// A split ARJ whose newest entry lies in its second volume is dated by that
// entry: the listing walks every volume after the one given.
TEST_F(RedateRealArchivesTest, SplitArjTakesTheNewestEntryOfAnyVolume) {
  std::string noise;
  for (unsigned n = 7; noise.size() < 15000; n = n * 1103515245 + 12345) noise += static_cast<char>(n >> 16);
  WriteFile(src_ / "old.txt", noise);  // stored, it fills the first volume and runs on into the second
  SetMTime(src_ / "old.txt", kNewestDos - 86400);
  const std::string archive = Make("split.arj", "arj a -y -m0 -v10K > /dev/null");
  ASSERT_TRUE(fs::exists(out_ / "split.a01"));
  const auto outcome = Run(archive);
  EXPECT_EQ(outcome.at(archive), "2001/05/06 | 10:20:30");
  EXPECT_EQ(MTime(archive), kNewestDos);
}

// 7z of each method 7-Zip offers, solid or not, with compressed headers or
// not, with an empty file and an empty folder (older than the newest entry),
// and its self-extractors: p7zip's own (an ELF stub) and a DOS stub whose
// bytes hold a stray 7z signature before the real archive.
TEST_F(RedateRealArchivesTest, SevenZipOfEveryMethodAndItsSelfExtractorsTakeTheirNewestEntrysTime) {
  WriteFile(src_ / "empty.txt", "");
  fs::create_directory(src_ / "void");
  SetMTime(src_ / "empty.txt", kNewestDos - 86400);
  SetMTime(src_ / "void", kNewestDos - 86400);
  const std::string names = "old.txt dir/new.txt empty.txt void";
  const auto make = [&](const std::string& name, const std::string& command) {
    return sample_archives::MakeArchive(src_.path(), out_ / name, command, names);
  };
  const std::string archives[] = {
      make("lzma2.7z", "7z a -bd -m0=LZMA2"),      make("lzma.7z", "7z a -bd -m0=LZMA -ms=off"),
      make("ppmd.7z", "7z a -bd -m0=PPMd -ms=on"), make("bzip2.7z", "7z a -bd -m0=BZip2 -mhc=off"),
      make("copy.7z", "7z a -bd -m0=Copy"),        make("p7zip.exe", "7z a -bd -sfx/usr/lib/p7zip/7zCon.sfx"),
  };
  const std::string inner = make("dos.inner", "7z a -bd -t7z");
  const std::string dos = out_ / "dos.exe";
  WriteFile(dos, std::string("MZ") + std::string(3000, '\x90') + "7z\xBC\xAF\x27\x1C" + std::string(100, '\0') +
                     ReadFile(inner));
  fs::remove(inner);
  SetMTime(dos, kBefore);

  const auto outcome = Run(out_.path().string());
  ASSERT_EQ(outcome.size(), std::size(archives) + 1);
  for (const std::string& archive : archives) {
    EXPECT_EQ(outcome.at(archive), "2001/05/06 | 10:20:30") << archive;
    EXPECT_EQ(MTime(archive), kNewestDos) << archive;
  }
  EXPECT_EQ(outcome.at(dos), "2001/05/06 | 10:20:30");
  EXPECT_EQ(MTime(dos), kNewestDos);
  EXPECT_EQ(form_->Label1->Caption(), "Finish");
}

// A 7z whose entries store no time has nothing to be dated by: it keeps its
// own date to the second (an odd one here), not 1980 nor a rounded copy.
TEST_F(RedateRealArchivesTest, ASevenZipWithoutEntryTimesKeepsItsDate) {
  const std::string untimed =
      sample_archives::MakeArchive(src_.path(), out_ / "untimed.7z", "7z a -bd -mtm=off", "old.txt dir/new.txt");
  SetMTime(untimed, kBefore + 1);
  const auto outcome = Run(out_.path().string());
  EXPECT_EQ(outcome.at(untimed), "No Entry");
  EXPECT_EQ(MTime(untimed), kBefore + 1);
}

TEST_F(RedateRealArchivesTest, WithoutTheSevenZipLibrarySevenZipIsSkippedAndTheRestRedated) {
  TempDir partial;
  LinkRealLibraries(partial.path().string(), {"7-ZIP32.DLL"});
  UseFakeLibraries({}, {partial.path().string()});
  const std::string seven = Make("a.7z", "7z a -bd");
  const std::string txz = Make("b.tar.xz", "tar cJf");
  const auto outcome = Run(out_.path().string());
  EXPECT_EQ(outcome.at(seven), "Skip");
  EXPECT_EQ(outcome.at(txz), "2001/05/06 | 10:20:30");
  EXPECT_EQ(MTime(seven), kBefore);
  EXPECT_EQ(MTime(txz), kNewestDos);
  EXPECT_EQ(form_->Label1->Caption(), "Some archives were skipped: their library is missing");
}

TEST_F(RedateRealArchivesTest, BytesNeverChangeAndOnlyTheLastWriteTimeMoves) {
  const std::string archive = Make("keep.zip", "zip -q");
  const std::string before = ReadFile(archive);
  // An access time ahead of the change time: the kernel's relatime rule then
  // leaves it alone when the run reads the file, so a change is the program's.
  const timespec times[2] = {{std::time(nullptr) + 3600, 0}, {0, UTIME_OMIT}};
  ASSERT_EQ(::utimensat(AT_FDCWD, archive.c_str(), times, 0), 0);
  struct stat st {};
  ASSERT_EQ(::stat(archive.c_str(), &st), 0);
  Run(archive);
  struct stat after {};
  ASSERT_EQ(::stat(archive.c_str(), &after), 0);
  EXPECT_EQ(ReadFile(archive), before);
  EXPECT_EQ(after.st_mtime, kNewestDos);
  EXPECT_EQ(after.st_atime, st.st_atime);
  EXPECT_EQ(after.st_mode, st.st_mode);
}

TEST_F(RedateRealArchivesTest, WhatIsNoArchiveOrHasNoEntryKeepsItsTime) {
  WriteFile(out_ / "readme.txt", "text");
  WriteFile(out_ / "fake.zip", "this is no zip at all");
  WriteFile(out_ / "zero.lzh", "");
  RunOrFail("tar cf " + out_ / "empty.tar" + " -T /dev/null");
  const std::string readOnly = Make("locked.tgz", "tar czf");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  for (const char* name : {"readme.txt", "fake.zip", "zero.lzh", "empty.tar"}) SetMTime(out_ / name, kBefore);

  const auto outcome = Run(out_.path().string());
  EXPECT_EQ(outcome.at(out_ / "readme.txt"), "No Archive");
  EXPECT_EQ(outcome.at(out_ / "fake.zip"), "Not Read");
  EXPECT_EQ(outcome.at(out_ / "zero.lzh"), "Not Read");
  // A tar of nothing but its end blocks is no archive its library opens.
  EXPECT_EQ(outcome.at(out_ / "empty.tar"), "Not Read");
  EXPECT_EQ(outcome.at(readOnly), "Not Set (read-only)") << "a time that was not written is not shown";
  for (const char* name : {"readme.txt", "fake.zip", "zero.lzh", "empty.tar", "locked.tgz"})
    EXPECT_EQ(MTime(out_ / name), kBefore) << name;
}

TEST_F(RedateRealArchivesTest, MissingLibrarySkipsItsFormatOnly) {
  // Every real library but the three ZIP ones.
  TempDir partial;
  for (const auto& entry : fs::directory_iterator(OutputDir())) {
    const std::string name = entry.path().filename().string();
    if (name == "UNZIP32.DLL" || name == "ZIP32J.DLL" || name == "LMZIP32.DLL" || name == "dovanel") continue;
    fs::create_symlink(entry.path(), partial.path() / name);
  }
  UseFakeLibraries({}, {partial.path().string()});
  const std::string zip = Make("a.zip", "zip -q");
  const std::string tar = Make("b.tar", "tar cf");
  const auto outcome = Run(out_.path().string());
  EXPECT_EQ(outcome.at(zip), "Skip");
  EXPECT_EQ(outcome.at(tar), "2001/05/06 | 10:20:30");
  EXPECT_EQ(MTime(zip), kBefore);
  EXPECT_EQ(MTime(tar), kNewestDos);
  EXPECT_EQ(form_->Label1->Caption(), "Some archives were skipped: their library is missing");
}

TEST_F(RedateRealArchivesTest, SelfExtractingExecutablesAreTypedByContent) {
  // A stub with a few bytes that look like headers, then a real archive.
  const std::string stub = std::string("MZ") + std::string(4000, '\x90') + "PK\x03\x04" + "-lh5-" + "Rar!";
  struct Case {
    const char* name;
    const char* command;
  };
  for (Case c : {Case{"zip.exe", "zip -q"}, Case{"lha.exe", "jlha a"}, Case{"arj.exe", "arj a -y"}}) {
    const std::string inner = Make(std::string(c.name) + ".inner", c.command);
    const std::string exe = out_ / c.name;
    WriteFile(exe, stub + ReadFile(inner));
    fs::remove(inner);
    SetMTime(exe, kBefore);
  }
  WriteFile(out_ / "program.exe", stub);
  SetMTime(out_ / "program.exe", kBefore);
  const auto outcome = Run(out_.path().string());
  for (const char* name : {"zip.exe", "lha.exe", "arj.exe"}) {
    EXPECT_EQ(outcome.at(out_ / name), "2001/05/06 | 10:20:30") << name;
    EXPECT_EQ(MTime(out_ / name), kNewestDos) << name;
  }
  EXPECT_EQ(outcome.at(out_ / "program.exe"), "No Archive");
  EXPECT_EQ(MTime(out_ / "program.exe"), kBefore);
}
TEST_F(RedateRealArchivesTest, QuietCommandLineRedatesAndEndsWithoutAWindow) {
  const std::string zip = Make("cli.zip", "zip -q");
  const std::string lzh = Make("cli.lzh", "jlha a");
  WriteFile(out_ / "other.txt", "x");
  SetMTime(out_ / "other.txt", kBefore);
  // The real program, as the README runs it; its libraries sit beside it.
  unsetenv("DOVANEL_LIBRARY_PATH");
  const int status = std::system(
      ((OutputDir() / "dovanel").string() + " /q " + out_.path().string() + " /Q -- -not-a-path >/dev/null 2>&1")
          .c_str());
  UseRealLibraries();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1) << "-not-a-path names nothing";
  EXPECT_EQ(MTime(zip), kNewestDos);
  EXPECT_EQ(MTime(lzh), kNewestDos);
  EXPECT_EQ(MTime(out_ / "other.txt"), kBefore);
}
}  // namespace
