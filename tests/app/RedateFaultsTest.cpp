// A run over a collection with everything that goes wrong in real ones:
// vanishing files, unreadable files and folders, damaged archives, odd names,
// deep trees. The run goes on, gives every file its row, and changes nothing
// but last-write times.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "app/dvmain.h"
#include "platform/rtl/DateTime.h"
#include "tests/app/SampleArchives.h"
#include "tests/support/DriverUnits.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/TempDir.h"

namespace {
namespace fs = std::filesystem;

using sample_archives::kBefore;
using sample_archives::kNewestDos;

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
  const Tool tools[] = {{"a.zip", "zip -q"},    {"b.tar", "tar cf"}, {"c.tgz", "tar czf"}, {"d.tar.bz2", "tar cjf"},
                        {"e.lzh", "jlha a"},    {"f.arj", "arj a -y"}, {"g.cab", "gcab -c"}};
  std::vector<std::string> damaged;
  for (const Tool& tool : tools) {
    const std::string whole = ReadFile(Make(out_.path() / "whole" / tool.name, tool.command));
    // Cut in the middle, cut to its first bytes, and flipped bytes all through.
    for (const auto& [suffix, bytes] : std::map<std::string, std::string>{
             {"half", whole.substr(0, whole.size() / 2)},
             {"head", whole.substr(0, 10)},
             {"flipped", [&] {
                std::string flipped = whole;
                for (std::size_t i = 7; i < flipped.size(); i += 13) flipped[i] = static_cast<char>(~flipped[i]);
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
  EXPECT_EQ(outcome.at(out_ / "zero.zip"), "No Entry");
  EXPECT_EQ(OwnMTime(out_ / "zero.zip"), kBefore);
  for (const std::string& path : damaged) {
    // A damaged archive either lists what it still can or nothing at all.
    const std::string& row = outcome.at(path);
    EXPECT_TRUE(row == "No Entry" || row.rfind("19", 0) == 0 || row.rfind("20", 0) == 0) << path << ": " << row;
    if (row == "No Entry") {
      EXPECT_EQ(OwnMTime(path), kBefore) << path;
    }
  }
  for (const Tool& tool : tools) EXPECT_EQ(OwnMTime(out_.path() / "whole" / tool.name), tool.name == std::string("g.cab") ? kNewestDos - 9 * 3600 : kNewestDos) << tool.name;
  EXPECT_EQ(label_, "Finish");
}

TEST_F(RedateFaultsTest, FileThatVanishesDuringTheRunStillHasItsRow) {
  const std::string first = Make(out_.path() / "1.zip", "zip -q");
  const std::string gone = Make(out_.path() / "2.zip", "zip -q");
  const std::string last = Make(out_.path() / "3.zip", "zip -q");
  // Runs at the run's first pass over pending events, after the folder was read.
  QMetaObject::invokeMethod(QCoreApplication::instance(), [gone] { fs::remove(gone); }, Qt::QueuedConnection);
  const auto outcome = Run({first, gone, last});
  EXPECT_EQ(outcome.at(first), "2001/05/06 | 10:20:30");
  EXPECT_EQ(outcome.at(gone), "No Entry");
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
}  // namespace
