// The options of a run from the command line: a refused command line changes
// nothing and ends with 2 and the usage line; -n tells what would change and
// changes nothing; -v tells each archive re-dated or left, with the reason.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/ProgramRun.h"
#include "tests/app/SampleArchives.h"
#include "tests/support/FileTimes.h"
#include "tests/support/TempDir.h"

namespace {
namespace fs = std::filesystem;
using sample_archives::kBefore;
using sample_archives::kNewestDos;

class RunOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_archives::MakeSources(sources_.path(), "dir/new.txt", "newest\n", "older\n");
    redated_ = Make(tree_ / "ok.zip", "zip -q");
    // A Japanese folder and a name that starts with "-".
    dashed_ = Make(tree_.path() / "書庫" / "-x.zip", "zip -q");
    readOnly_ = Make(tree_ / "locked.tgz", "tar czf");
    ASSERT_EQ(::chmod(readOnly_.c_str(), 0444), 0);
    empty_ = tree_ / "empty.zip";
    WriteFile(empty_, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    notes_ = tree_ / "notes.txt";
    WriteFile(notes_, "no archive\n");
    for (const std::string& path : {empty_, notes_}) SetMTime(path, kBefore);
  }

  std::string Make(const fs::path& archive, const std::string& command) {
    return sample_archives::MakeArchive(sources_.path(), archive, command, "old.txt dir/new.txt");
  }

  // Every file of the tree: its bytes and its last-write time.
  std::map<std::string, std::pair<std::string, std::time_t>> State() {
    std::map<std::string, std::pair<std::string, std::time_t>> state;
    for (const auto& entry : fs::recursive_directory_iterator(tree_.path()))
      if (entry.is_regular_file())
        state[entry.path().string()] = {ReadFile(entry.path()), MTime(entry.path().string())};
    return state;
  }

  const EnvironmentChanges ownLibraries_{{"DOVANEL_LIBRARY_PATH", std::nullopt}};
  TempDir sources_, tree_;
  std::string redated_, dashed_, readOnly_, empty_, notes_;
};

TEST_F(RunOptionsTest, ARefusedCommandLineChangesNothingAndEndsWithTheUsageLine) {
  struct Case {
    std::vector<std::string> arguments;
    const char* refused;
  };
  // clang-format off
  const Case cases[] = {
      {{"/Q", "--halp", "<tree>"}, "--halp"},
      {{"<tree>", "-q", "-x.zip"}, "-x.zip"},
      {{"-qz", "<tree>"}, "-qz"},
  };
  // clang-format on
  const auto before = State();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refused);
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments)
      arguments.push_back(argument == "<tree>" ? tree_.path().string() : argument);
    const ProgramResult run = RunProgram(arguments, ownLibraries_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string("dovanel: unknown option '") + c.refused +
                           "'\nUsage: dovanel [OPTION]... [PATH]...\nTry 'dovanel --help' for more information.\n");
    EXPECT_EQ(State(), before);
  }
}

// Each option, alone and with the other, in its short and long spelling, with /Q or -q.
TEST_F(RunOptionsTest, DryRunAndVerboseTellTheirLinesAndOnlyARealRunChangesTimes) {
  const std::string redatedLine = redated_ + ": 2020-01-02 12:04:06 -> 2001-05-06 10:20:30";
  const std::string dashedLine = dashed_ + ": 2020-01-02 12:04:06 -> 2001-05-06 10:20:30";
  const std::vector<std::string> leftLines = {empty_ + ": left as it is (no dated entry)",
                                              readOnly_ + ": left as it is (read-only)"};
  struct Case {
    std::vector<std::string> options;
    bool changes;
    bool tellsLeft;
  };
  // clang-format off
  const Case cases[] = {
      {{"-n", "/Q"}, false, false},
      {{"--dry-run", "-q"}, false, false},
      {{"-v", "/q"}, true, true},
      {{"--verbose", "--quiet"}, true, true},
      {{"-nvq"}, false, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.front());
    for (const std::string& path : {redated_, dashed_, readOnly_}) SetMTime(path, kBefore);
    const auto before = State();
    std::vector<std::string> arguments = c.options;
    arguments.push_back(tree_.path().string());
    const ProgramResult run = RunProgram(arguments, ownLibraries_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    std::vector<std::string> expected = {redatedLine, dashedLine};
    if (c.tellsLeft) expected.insert(expected.end(), leftLines.begin(), leftLines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedLines(run.out), expected);
    if (c.changes) {
      EXPECT_EQ(MTime(redated_), kNewestDos);
      EXPECT_EQ(MTime(dashed_), kNewestDos);
      EXPECT_EQ(MTime(readOnly_), kBefore);
    } else {
      EXPECT_EQ(State(), before) << "a dry run leaves every byte and every time";
    }
  }
}

TEST_F(RunOptionsTest, AFileNamedLikeAnOptionIsReachedAfterTheOptionsEnd) {
  const fs::path folder = fs::path(dashed_).parent_path();
  const ProgramResult run = RunProgram({"-q", "--", "-x.zip"}, ownLibraries_, {}, folder.string());
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(MTime(dashed_), kNewestDos);
  EXPECT_EQ(MTime(redated_), kBefore);
}
}  // namespace
