// What a quiet run tells its caller: nothing and exit status 0 when every
// archive was re-dated or deliberately left as it is; one line "dovanel: path: reason"
// on standard error for each archive it could not handle, and a status that
// is not 0. A window start tells nothing and keeps its status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/dvmain.h"
#include "platform/rtl/CommandLine.h"
#include "tests/app/ProgramRun.h"
#include "tests/app/RunWaits.h"
#include "tests/app/SampleArchives.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TempDir.h"

namespace {
namespace fs = std::filesystem;
using sample_archives::kBefore;
using sample_archives::kNewestDos;

// Writes a ZIP whose entries carry the given DOS stamps ("name=2001-5-6-10-20-30").
const char* const kZipMaker = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as archive:
    for pair in sys.argv[2:]:
        name, stamp = pair.split("=")
        archive.writestr(zipfile.ZipInfo(name, tuple(int(x) for x in stamp.split("-"))), "data\n")
)";

const std::string kNewestEntry = "new.txt=2001-5-6-10-20-30";
const std::string kOlderEntry = "old.txt=1999-12-31-23-59-58";

// Nested folders of 200-byte names below `base`, deeper than one path may
// reach (PATH_MAX), made and read a folder at a time.
constexpr int kDeepLevels = 26;
std::string DeepName(int level) { return std::string(196, 'd') + std::to_string(1000 + level); }

// Moves `file` into the deepest of those folders, made now; its full path.
std::string BuryDeep(const fs::path& base, const fs::path& file) {
  int folder = ::open(base.c_str(), O_RDONLY | O_DIRECTORY);
  std::string full = base.string();
  for (int level = 0; level < kDeepLevels && folder >= 0; ++level) {
    ::mkdirat(folder, DeepName(level).c_str(), 0755);
    const int next = ::openat(folder, DeepName(level).c_str(), O_RDONLY | O_DIRECTORY);
    ::close(folder);
    folder = next;
    full += "/" + DeepName(level);
  }
  EXPECT_GE(folder, 0);
  EXPECT_EQ(::renameat(AT_FDCWD, file.c_str(), folder, file.filename().c_str()), 0);
  ::close(folder);
  return full + "/" + file.filename().string();
}

// The last-write time of a file buried by BuryDeep; 0 when it cannot be read.
std::time_t DeepMTime(const fs::path& base, const std::string& name) {
  int folder = ::open(base.c_str(), O_RDONLY | O_DIRECTORY);
  for (int level = 0; level < kDeepLevels && folder >= 0; ++level) {
    const int next = ::openat(folder, DeepName(level).c_str(), O_RDONLY | O_DIRECTORY);
    ::close(folder);
    folder = next;
  }
  struct stat st {};
  const bool read = folder >= 0 && ::fstatat(folder, name.c_str(), &st, 0) == 0;
  if (folder >= 0) ::close(folder);
  return read ? st.st_mtime : 0;
}

class QuietReportTest : public ::testing::Test {
 protected:
  // A ZIP of `entries` (none: an empty archive), dated kBefore.
  std::string Zip(const fs::path& path, const std::vector<std::string>& entries) {
    fs::create_directories(path.parent_path());
    std::string command = "python3 -c " + Quote(kZipMaker) + " " + Quote(path.string());
    for (const auto& entry : entries) command += " " + Quote(entry);
    RunOrFail(command);
    SetMTime(path.string(), kBefore);
    return path.string();
  }
  std::string Bytes(const fs::path& path, const std::string& bytes) {
    WriteFile(path, bytes);
    SetMTime(path.string(), kBefore);
    return path.string();
  }

  ScopedRuntimeFolder runtime_;  // the children's lock and sockets
  TempDir data_;
  // The libraries beside the program, whatever another test chose for this process.
  const EnvironmentChanges ownLibraries_{{"DOVANEL_LIBRARY_PATH", std::nullopt}};
};

TEST_F(QuietReportTest, ReDatedAndDeliberatelyLeftArchivesGiveNoWordAndStatusZero) {
  struct Case {
    const char* name;
    std::string path;
    std::time_t after;
  };
  const fs::path set = data_.path() / "set";
  const std::string readOnly = Zip(set / "readonly.zip", {kNewestEntry});
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  // clang-format off
  const Case cases[] = {
      {"re-dated", Zip(set / "ok.zip", {kOlderEntry, kNewestEntry}), kNewestDos},
      {"an empty archive its library opens", Zip(set / "empty.zip", {}), kBefore},
      {"read-only", readOnly, kBefore},
      {"not an archive", Bytes(set / "notes.txt", "PK\x03\x04 not read\n"), kBefore},
      {"newest entry past the last settable year", Zip(set / "future.zip", {"far.txt=2105-1-1-0-0-0"}), kBefore},
  };
  // clang-format on

  const ProgramResult run = RunProgram({"/Q", set.string()}, ownLibraries_);
  ASSERT_TRUE(run.finished);
  EXPECT_FALSE(run.crashed);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "");
  for (const Case& c : cases) EXPECT_EQ(MTime(c.path), c.after) << c.name;
}

TEST_F(QuietReportTest, EachArchiveThatCouldNotBeHandledIsNamedWithItsReason) {
  const fs::path set = data_.path() / "set";
  const std::string ok = Zip(set / "ok.zip", {kNewestEntry});
  // Names in UTF-8 (能力) and in Shift-JIS (表ソ, trail bytes 0x5C) reach the line as they are.
  const std::string damaged = Bytes(set / "能力.zip", "plain text that no library takes for a ZIP\n");
  const std::string zeroBytes = Bytes(set / "\x95\x5c\x83\x5c.zip", "");
  const std::string held = Zip(set / "held.zip", {kNewestEntry});
  const int holder = ::open(held.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_SH), 0);

  const ProgramResult run = RunProgram({set.string(), "/q"}, ownLibraries_);
  ::close(holder);
  ASSERT_TRUE(run.finished);
  EXPECT_FALSE(run.crashed);
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(SortedLines(run.err),
            SortedLines("dovanel: " + damaged + ": the archive could not be opened or read\n" +  //
                        "dovanel: " + zeroBytes + ": the archive could not be opened or read\n" + "dovanel: " + held +
                        ": the last-write time could not be set: another process holds the file\n"));
  EXPECT_EQ(MTime(ok), kNewestDos) << "the others are still re-dated";
  for (const std::string& path : {damaged, zeroBytes, held}) EXPECT_EQ(MTime(path), kBefore) << path;
}

TEST_F(QuietReportTest, AMissingLibraryIsNamedWithTheFoldersSearched) {
  // The program alone in a folder with every library but CAB32.DLL.
  TempDir alone, extra;
  const std::string program = alone / "dovanel";
  fs::copy_file(OutputDir() / "dovanel", program);
  LinkRealLibraries(alone.path().string(), {"CAB32.DLL"});

  TempDir sources;
  sample_archives::MakeNewest(sources.path(), "new.txt", "newest\n");
  const fs::path set = data_.path() / "set";
  const std::string cab = sample_archives::MakeArchive(sources.path(), set / "\x95\x5c.cab", "gcab -c", "new.txt");
  const std::string zip = sample_archives::MakeArchive(sources.path(), set / "a.zip", "zip -q", "new.txt");
  const std::string tar = sample_archives::MakeArchive(sources.path(), set / "a.tar", "tar -cf", "new.txt");

  const ProgramResult run =
      RunProgram({"/Q", set.string()}, {{"DOVANEL_LIBRARY_PATH", extra.path().string()}}, program);
  ASSERT_TRUE(run.finished);
  EXPECT_NE(run.exitCode, 0);
  const std::string privateFolder = (alone.path().parent_path() / "lib" / "dovanel").string();
  EXPECT_EQ(run.err, "dovanel: " + cab + ": CAB32.DLL is needed to handle CAB archives. (searched " +
                         extra.path().string() + ", " + alone.path().string() + ", " + privateFolder +
                         ", then the system's library path)\n");
  EXPECT_EQ(MTime(cab), kBefore);
  EXPECT_EQ(MTime(zip), kNewestDos);
  EXPECT_EQ(MTime(tar), kNewestDos);
}

// 7z archives and a 7z self-extractor (named .exe, typed by content) are
// re-dated quietly; without 7-ZIP32.DLL they are named and the rest re-dated.
TEST_F(QuietReportTest, SevenZipIsRedatedQuietlyAndNamedWhenItsLibraryIsMissing) {
  TempDir sources;
  sample_archives::MakeSources(sources.path(), "表/new.txt", "newest\n", "older\n");
  const fs::path set = data_.path() / "set";
  const std::string names = "old.txt 表/new.txt";
  const std::string seven = sample_archives::MakeArchive(sources.path(), set / "a.7z", "7z a -bd", names);
  const std::string sfx =
      sample_archives::MakeArchive(sources.path(), set / "b.exe", "7z a -bd -sfx/usr/lib/p7zip/7zCon.sfx", names);
  const std::string txz = sample_archives::MakeArchive(sources.path(), set / "c.tar.xz", "tar cJf", names);

  const ProgramResult run = RunProgram({"/Q", set.string()}, ownLibraries_);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (const std::string& path : {seven, sfx, txz}) EXPECT_EQ(MTime(path), kNewestDos) << path;

  TempDir alone;
  const std::string program = alone / "dovanel";
  fs::copy_file(OutputDir() / "dovanel", program);
  LinkRealLibraries(alone.path().string(), {"7-ZIP32.DLL"});
  for (const std::string& path : {seven, sfx, txz}) SetMTime(path, kBefore);
  const ProgramResult without = RunProgram({"/Q", set.string()}, ownLibraries_, program);
  ASSERT_TRUE(without.finished);
  EXPECT_NE(without.exitCode, 0);
  const std::string privateFolder = (alone.path().parent_path() / "lib" / "dovanel").string();
  EXPECT_EQ(without.err, "dovanel: " + seven + ": 7-ZIP32.DLL is needed to handle 7z archives. (searched " +
                             alone.path().string() + ", " + privateFolder + ", then the system's library path)\n");
  EXPECT_EQ(MTime(seven), kBefore);
  EXPECT_EQ(MTime(sfx), kBefore) << "an executable no library here takes is no archive";
  EXPECT_EQ(MTime(txz), kNewestDos);
}

TEST_F(QuietReportTest, ATimeTheUserMayNotSetIsNamed) {
  if (::geteuid() != 0) GTEST_SKIP() << "runs the program as another user, which needs root";
  // A folder anybody may enter, an archive anybody may write but only root
  // owns: its time may be set by root alone.
  fs::permissions(data_.path(), fs::perms::all);
  const std::string archive = Zip(data_.path() / "theirs.zip", {kNewestEntry});
  ASSERT_EQ(::chmod(archive.c_str(), 0666), 0);
  TempDir runtime;
  fs::permissions(runtime.path(), fs::perms::all);

  const ProgramResult run = RunProgram(
      {"/Q", archive}, {{"XDG_RUNTIME_DIR", runtime.path().string()}, {"DOVANEL_LIBRARY_PATH", std::nullopt}}, {}, {},
      {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"});
  ASSERT_TRUE(run.finished);
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(run.err, "dovanel: " + archive + ": the last-write time could not be set: Operation not permitted\n");
  EXPECT_EQ(MTime(archive), kBefore);
}

// Everything below the paths given is either reached or named: folders the
// user may not read or enter, a path deeper than the system takes in one
// piece, a path given that names nothing. The rest is re-dated.
TEST_F(QuietReportTest, EveryPartOfTheTreeIsReachedOrNamed) {
  // Permissions mean nothing to root: the program then runs as nobody.
  const bool root = ::geteuid() == 0;
  fs::permissions(data_.path(), fs::perms::all);
  const fs::path tree = data_.path() / "tree";
  const std::string ok = Zip(tree / "ok.zip", {kNewestEntry});
  const std::string closedInside = Zip(tree / "closed" / "in.zip", {kNewestEntry});
  const std::string unsearchable = Zip(tree / "nosearch" / "in.zip", {kNewestEntry});
  const std::string deep = BuryDeep(tree, Zip(data_.path() / "deep.zip", {kNewestEntry}));
  ASSERT_GE(deep.size(), 5000u);
  const std::string missing = (data_.path() / "missing.zip").string();
  TempDir runtime;
  fs::permissions(runtime.path(), fs::perms::all);
  if (root) RunOrFail("chown -R nobody:nogroup " + Quote(tree.string()));
  ASSERT_EQ(::chmod((tree / "closed").c_str(), 0), 0);
  ASSERT_EQ(::chmod((tree / "nosearch").c_str(), 0600), 0);

  std::vector<std::string> asUser;
  if (root) asUser = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
  const ProgramResult run = RunProgram(
      {"/Q", tree.string(), missing},
      {{"XDG_RUNTIME_DIR", runtime.path().string()}, {"DOVANEL_LIBRARY_PATH", std::nullopt}}, {}, {}, asUser);
  ASSERT_EQ(::chmod((tree / "closed").c_str(), 0755), 0);
  ASSERT_EQ(::chmod((tree / "nosearch").c_str(), 0755), 0);
  ASSERT_TRUE(run.finished);
  EXPECT_FALSE(run.crashed);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(SortedLines(run.err),
            SortedLines("dovanel: " + (tree / "closed").string() + "/: could not be read: Permission denied\n" +
                        "dovanel: " + unsearchable + ": could not be read: Permission denied\n" +
                        "dovanel: " + missing + ": No such file or directory\n"));
  EXPECT_EQ(MTime(ok), kNewestDos);
  EXPECT_EQ(DeepMTime(tree, "deep.zip"), kNewestDos) << "a path of " << deep.size() << " bytes is reached";
  EXPECT_EQ(MTime(closedInside), kBefore);
  EXPECT_EQ(MTime(unsearchable), kBefore);
  // The standard library removes a tree by whole paths, which this one exceeds.
  RunOrFail("rm -rf " + Quote(tree.string()));
}

TEST_F(QuietReportTest, AWindowStartTellsNothingAndEndsWithZero) {
  sample_archives::PrepareRealRun();
  const std::string damaged = Bytes(data_.path() / "damaged.zip", "plain text that no library takes for a ZIP\n");
  SetCommandLine(std::vector<std::string>{"dovanel", damaged});
  testing::internal::CaptureStderr();
  const auto form = std::make_unique<Tdovanel>(nullptr);
  WaitForRunEnd(*form);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(sample_archives::RowOutcomes(*form), (std::map<std::string, std::string>{{damaged, "Not Read"}}));
  EXPECT_EQ(form->ExitStatus(), 0);
}
}  // namespace
