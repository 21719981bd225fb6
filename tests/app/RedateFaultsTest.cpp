// A run over a collection with everything that goes wrong in real ones:
// vanishing files, unreadable files and folders, damaged archives, odd names,
// deep trees, FIFOs, devices and sockets, files swapped during the run, huge
// folders, two runs at once. The run goes on, gives every file its row, and
// changes nothing but last-write times.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "platform/rtl/DateTime.h"
#include "tests/app/ProgramRun.h"
#include "tests/app/RunWaits.h"
#include "tests/app/SampleArchives.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/TempDir.h"

namespace {
namespace fs = std::filesystem;

using sample_archives::kBefore;
using sample_archives::kNewestDos;

// The kind of what a path names itself (links not followed), and a device's numbers.
std::string KindOf(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "missing";
  if (S_ISLNK(st.st_mode)) return "link to " + fs::read_symlink(path).string();
  if (S_ISFIFO(st.st_mode)) return "fifo";
  if (S_ISSOCK(st.st_mode)) return "socket";
  if (S_ISDIR(st.st_mode)) return "folder";
  if (S_ISCHR(st.st_mode)) return "char " + std::to_string(major(st.st_rdev)) + "," + std::to_string(minor(st.st_rdev));
  if (S_ISBLK(st.st_mode)) return "block";
  return S_ISREG(st.st_mode) ? "file" : "other";
}

// A socket file left by a server that bound it and went away.
void MakeSocketFile(const std::string& path) {
  sockaddr_un address{};
  ASSERT_LT(path.size(), sizeof address.sun_path);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  ::close(fd);
  ASSERT_EQ(bound, 0) << path;
}

class RedateFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_archives::PrepareRealRun();
    sample_archives::MakeSources(src_.path(), "dir/new.txt", "newest entry\n", std::string(20000, 'o'));
  }
  void TearDown() override { ReleaseAllDriverUnits(); }

  // An archive made by a real tool from the two source files.
  std::string Make(const fs::path& archive, const std::string& command) {
    return sample_archives::MakeArchive(src_.path(), archive, command, "old.txt dir/new.txt");
  }

  std::map<std::string, std::string> Run(const std::vector<std::string>& paths) {
    Tdovanel form(nullptr);
    TStringList files;
    for (const auto& path : paths) files.Add(path);
    form.FileDrop1FileDrop(nullptr, files.Count(), files, 0, 0);
    WaitForRunEnd(form);
    EXPECT_EQ(form.ListBox1->Count(), form.ListBox3->Count());
    label_ = form.Label1->Caption();
    return sample_archives::RowOutcomes(form);
  }

  TempDir src_;
  TempDir out_;
  std::string label_;
};

TEST_F(RedateFaultsTest, DamagedArchivesOfEveryFormatKeepTheirBytes) {
  struct Tool {
    const char* name;
    const char* command;
  };
  const Tool tools[] = {{"a.zip", "zip -q"}, {"b.tar", "tar cf"},   {"c.tgz", "tar czf"}, {"d.tar.bz2", "tar cjf"},
                        {"e.lzh", "jlha a"}, {"f.arj", "arj a -y"}, {"g.cab", "gcab -c"}};
  std::vector<std::string> damaged;
  for (const Tool& tool : tools) {
    const std::string whole = ReadFile(Make(out_.path() / "whole" / tool.name, tool.command));
    // Cut in the middle, cut to its first bytes, and flipped bytes all through.
    for (const auto& [suffix, bytes] :
         std::map<std::string, std::string>{{"half", whole.substr(0, whole.size() / 2)},
                                            {"head", whole.substr(0, 10)},
                                            {"flipped", [&] {
                                               std::string flipped = whole;
                                               for (std::size_t i = 7; i < flipped.size(); i += 13)
                                                 flipped[i] = static_cast<char>(~flipped[i]);
                                               return flipped;
                                             }()}}) {
      const fs::path path = out_.path() / suffix / tool.name;
      WriteFile(path, bytes);
      SetMTime(path.string(), kBefore);
      damaged.push_back(path.string());
    }
  }
  WriteFile(out_ / "zero.zip", "");
  SetMTime(out_ / "zero.zip", kBefore);
  const auto before = FilesUnder(out_.path());

  const auto outcome = Run({out_.path().string()});

  EXPECT_EQ(outcome.size(), before.size()) << "every file has its row";
  EXPECT_EQ(FilesUnder(out_.path()), before);
  EXPECT_EQ(outcome.at(out_ / "zero.zip"), "Not Read");
  EXPECT_EQ(OwnMTime(out_ / "zero.zip"), kBefore);
  for (const std::string& path : damaged) {
    // A damaged archive either lists what it still can, or nothing at all, or
    // cannot be opened: then it says so and keeps its time.
    const std::string& row = outcome.at(path);
    const bool left = row == "No Entry" || row == "Not Read";
    EXPECT_TRUE(left || row.rfind("19", 0) == 0 || row.rfind("20", 0) == 0) << path << ": " << row;
    if (left) {
      EXPECT_EQ(OwnMTime(path), kBefore) << path;
    }
  }
  for (const Tool& tool : tools)
    EXPECT_EQ(OwnMTime(out_.path() / "whole" / tool.name),
              tool.name == std::string("g.cab") ? kNewestDos - 9 * 3600 : kNewestDos)
        << tool.name;
  // The empty ZIP at least could not be read: the label does not say all went well.
  EXPECT_EQ(label_, "The dates of some archives could not be set");
}

TEST_F(RedateFaultsTest, FileThatVanishesDuringTheRunStillHasItsRow) {
  const std::string first = Make(out_.path() / "1.zip", "zip -q");
  const std::string gone = Make(out_.path() / "2.zip", "zip -q");
  const std::string last = Make(out_.path() / "3.zip", "zip -q");
  // Runs at the run's first pass over pending events, after the folder was read.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [gone] { fs::remove(gone); }, Qt::QueuedConnection);
  const auto outcome = Run({first, gone, last});
  EXPECT_EQ(outcome.at(first), "2001/05/06 | 10:20:30");
  EXPECT_EQ(outcome.at(gone), "Not Read");
  EXPECT_EQ(outcome.at(last), "2001/05/06 | 10:20:30");
  EXPECT_FALSE(fs::exists(gone)) << "nothing is created in its place";
  EXPECT_EQ(OwnMTime(last), kNewestDos);
}

TEST_F(RedateFaultsTest, DeepTreesAndOddNamesAreReached) {
  fs::path deep = out_.path();
  for (int level = 0; level < 120; ++level) deep /= "level" + std::to_string(level);
  const std::string deepArchive = Make(deep / "deep.zip", "zip -q");
  // Bytes that are no UTF-8 at all.
  const std::string oddName = (out_.path() / "odd\xff\xfe name.zip").string();
  fs::rename(Make(out_.path() / "plain.zip", "zip -q"), oddName);
  const auto outcome = Run({out_.path().string()});
  ASSERT_EQ(outcome.count(deepArchive), 1u);
  EXPECT_EQ(outcome.at(deepArchive), "2001/05/06 | 10:20:30");
  EXPECT_EQ(OwnMTime(deepArchive), kNewestDos);
  ASSERT_EQ(outcome.count(oddName), 1u) << "the row keeps the name's bytes";
  EXPECT_EQ(outcome.at(oddName), "2001/05/06 | 10:20:30");
  EXPECT_EQ(OwnMTime(oddName), kNewestDos);
}

TEST_F(RedateFaultsTest, UnreadableFilesAndFoldersDoNotStopTheQuietRun) {
  // Permissions mean nothing to root: run the program as an ordinary user.
  const bool root = ::geteuid() == 0;
  const std::string readable = Make(out_.path() / "ok.zip", "zip -q");
  const std::string unreadable = Make(out_.path() / "closed.zip", "zip -q");
  const std::string hidden = Make(out_.path() / "locked" / "inside.zip", "zip -q");
  if (root) RunOrFail("chmod 0777 " + out_.path().string() + " && chown -R nobody:nogroup " + out_.path().string());
  ASSERT_EQ(::chmod(unreadable.c_str(), 0200), 0);
  ASSERT_EQ(::chmod((out_.path() / "locked").c_str(), 0), 0);
  SetMTime(unreadable, kBefore);

  const std::string program = (OutputDir() / "dovanel").string();
  const std::string asUser = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const int status = std::system((asUser + program + " /Q " + out_.path().string() + " >/dev/null 2>&1").c_str());
  ASSERT_EQ(::chmod((out_.path() / "locked").c_str(), 0755), 0);
  ASSERT_TRUE(WIFEXITED(status));
  // The archive it may not read could not be handled, and the status says so;
  // a folder it may not enter hides its files, which are then no rows at all.
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(OwnMTime(readable), kNewestDos);
  EXPECT_EQ(OwnMTime(unreadable), kBefore);
  EXPECT_EQ(OwnMTime(hidden), kBefore);
}
TEST_F(RedateFaultsTest, FifosDevicesAndSocketsGetNoRowAndStayAsTheyAre) {
  const std::string archive = Make(out_.path() / "a.zip", "zip -q");
  ASSERT_EQ(::mkfifo((out_ / "pipe.zip").c_str(), 0644), 0);
  MakeSocketFile(out_ / "socket.lzh");
  fs::create_symlink("/dev/null", out_ / "null.zip");
  fs::create_symlink("/dev/zero", out_ / "zero.tar");
  // Device nodes of their own need root, as CI runs; links to the real ones
  // above need nothing.
  if (::geteuid() == 0) {
    ASSERT_EQ(::mknod((out_ / "null-node.tgz").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_EQ(::mknod((out_ / "zero-node.cab").c_str(), S_IFCHR | 0666, makedev(1, 5)), 0);
  }
  std::map<std::string, std::string> kinds;
  for (const auto& entry : fs::directory_iterator(out_.path())) kinds[entry.path().string()] = KindOf(entry.path());
  kinds["/dev/null"] = KindOf("/dev/null");
  kinds["/dev/zero"] = KindOf("/dev/zero");
  ASSERT_EQ(kinds["/dev/null"], "char 1,3");
  ASSERT_EQ(kinds["/dev/zero"], "char 1,5");

  // Named in a folder and named directly, in the window's run and in a quiet one.
  const std::vector<std::string> paths{out_.path().string(), "/dev/null", "/dev/zero", out_ / "pipe.zip",
                                       out_ / "null.zip"};
  EXPECT_EQ(Run(paths), (std::map<std::string, std::string>{{archive, sample_archives::kNewestText}}));
  EXPECT_EQ(OwnMTime(archive), kNewestDos);
  SetMTime(archive, kBefore);
  std::vector<std::string> quietArgs{"/Q"};
  quietArgs.insert(quietArgs.end(), paths.begin(), paths.end());
  Dovanel quiet(quietArgs);
  ASSERT_TRUE(quiet.Started());
  EXPECT_TRUE(quiet.EndsCleanly()) << "the quiet run neither hangs nor fails";
  EXPECT_EQ(OwnMTime(archive), kNewestDos);

  for (const auto& [path, kind] : kinds) EXPECT_EQ(KindOf(path), kind) << path;
}

TEST_F(RedateFaultsTest, AFileSwappedDuringTheRunIsLeftAsItIs) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> swap;
    std::string kind;  // what the path is afterwards
  };
  // clang-format off
  const Case cases[] = {
      {"a FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }, "fifo"},
      {"a folder",
       [](const std::string& path) {
         WriteFile(fs::path(path) / "inside.zip", "kept");
         SetMTime(path, kBefore);
       },
       "folder"},
      {"a link to /dev/zero", [](const std::string& path) { fs::create_symlink("/dev/zero", path); },
       "link to /dev/zero"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    // The first archive is a fake library's, which swaps the second while it
    // lists the first: after the folder was read, before the second is examined.
    TempDir realLibraries;
    LinkRealLibraries(realLibraries.path().string(), {"UNLHA32.DLL"});
    FakeLibrary lha{"lha", "UNLHA32.DLL"};
    UseFakeLibraries({"lha"}, {realLibraries.path().string()});
    ReleaseAllDriverUnits();
    lha.Clear();
    lha.Config().entries = {{"new.txt", 0x2AA6, 0x528F}};  // 2001-05-06 10:20:30
    const std::string first = dir.path() / "1.lzh";
    WriteFile(first, "listed by the fake");
    const std::string swapped = Make(dir.path() / "2.zip", "zip -q");
    const std::string last = Make(dir.path() / "3.zip", "zip -q");
    lha.Config().whileListing = [&] {
      fs::remove(swapped);
      c.swap(swapped);
    };
    const auto outcome = Run({dir.path().string()});
    EXPECT_EQ(outcome.at(first), sample_archives::kNewestText);
    EXPECT_EQ(outcome.at(swapped), "Not Read");
    EXPECT_EQ(outcome.at(last), sample_archives::kNewestText);
    EXPECT_EQ(KindOf(swapped), c.kind);
    EXPECT_NE(OwnMTime(swapped), kNewestDos) << "what took the file's place keeps its time";
    EXPECT_EQ(OwnMTime(last), kNewestDos);
  }
  EXPECT_EQ(KindOf("/dev/zero"), "char 1,5");
}

TEST_F(RedateFaultsTest, AFolderOfTensOfThousandsOfFiles) {
  const fs::path folder = out_.path() / "huge";
  fs::create_directories(folder);
  constexpr int kFiles = 30000;
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%05d.txt", i);
    WriteFile(folder / name, "");
  }
  std::map<std::string, std::time_t> before;
  for (const auto& entry : fs::directory_iterator(folder)) before[entry.path().string()] = OwnMTime(entry.path());
  // Archives at the start, in the middle and at the end of the folder's order.
  const std::vector<std::string> archives{Make(folder / "a.zip", "zip -q"), Make(folder / "f15000.zip", "zip -q"),
                                          Make(folder / "z.zip", "zip -q")};

  Dovanel quiet({"/Q", folder.string()});
  ASSERT_TRUE(quiet.Started());
  EXPECT_TRUE(quiet.EndsCleanly(120000));
  for (const std::string& archive : archives) EXPECT_EQ(OwnMTime(archive), kNewestDos) << archive;
  int changed = 0;
  for (const auto& [path, time] : before) changed += OwnMTime(path) != time;
  EXPECT_EQ(changed, 0) << "of " << kFiles << " files that are no archives";
}

TEST_F(RedateFaultsTest, TwoRunsOverOneTreeAtOnce) {
  // 40 folders of three archives each, copies of three real ones.
  const std::vector<std::string> made{Make(src_.path() / "made" / "a.zip", "zip -q"),
                                      Make(src_.path() / "made" / "b.tgz", "tar czf"),
                                      Make(src_.path() / "made" / "c.lzh", "jlha a")};
  for (int folder = 0; folder < 40; ++folder)
    for (const std::string& archive : made) {
      const fs::path copy = out_.path() / ("d" + std::to_string(folder)) / fs::path(archive).filename();
      fs::create_directories(copy.parent_path());
      fs::copy_file(archive, copy);
      SetMTime(copy.string(), kBefore);
    }
  const auto bytes = FilesUnder(out_.path());

  Dovanel one({"/Q", out_.path().string()});
  Dovanel two({out_.path().string(), "/Q"});
  ASSERT_TRUE(one.Started());
  ASSERT_TRUE(two.Started());
  // When both reach one archive at the same moment, one of them finds it held
  // (the time is set under an exclusive lock, for an instant) and waits for
  // it: neither run reports the other as a failure.
  for (Dovanel* run : {&one, &two}) {
    EXPECT_EQ(run->EndStatus(), 0);
    EXPECT_EQ(run->Errors(), "");
  }

  EXPECT_EQ(FilesUnder(out_.path()), bytes) << "no archive changed, none added";
  int redated = 0;
  for (const auto& [relative, content] : bytes) redated += OwnMTime((out_.path() / relative).string()) == kNewestDos;
  EXPECT_EQ(redated, 120);
}
}  // namespace
