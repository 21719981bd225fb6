// "--help" and "--version": answered on standard output at once, with status
// 0, before anything else (no display, no window, even beside a running
// instance), wherever they stand among the options; status 1 when the answer
// cannot be written. After "--" they are paths, as any argument.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "platform/rtl/CommandLine.h"
#include "platform/winapi/Mutex.h"
#include "platform/winapi/Window.h"
#include "tests/app/ProgramRun.h"
#include "tests/app/SampleArchives.h"
#include "tests/support/FileTimes.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestApplication.h"

namespace {
using sample_archives::kBefore;
using sample_archives::kNewestDos;

// No screen of any kind: the answer must not need one.
const EnvironmentChanges kNoDisplay{
    {"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"QT_QPA_PLATFORM", std::nullopt}};

class InformationRequestTest : public ::testing::Test {
 protected:
  ScopedRuntimeFolder runtime_;
};

// What the version box shows between its spaces.
std::string VersionInTheBox() {
  TestApplication();
  TakeShownBoxes();
  SetCommandLine(std::vector<std::string>{"dovanel"});
  ReleaseAllDriverUnits();
  Tdovanel form(nullptr);
  form.Label1DblClick(nullptr);
  const std::vector<ShownBox> boxes = TakeShownBoxes();
  if (boxes.size() != 1) return "(" + std::to_string(boxes.size()) + " boxes)";
  const std::string text = boxes[0].text;
  const std::size_t start = text.find("version ");
  const std::size_t end = text.find_last_not_of(' ');
  if (start == std::string::npos || end == std::string::npos) return "(no version in '" + text + "')";
  return text.substr(start + 8, end + 1 - (start + 8));
}

TEST_F(InformationRequestTest, EachIsAnsweredAtOnceWithoutDisplayOrWindowEvenBesideARunningInstance) {
  struct Case {
    const char* argument;
    std::vector<std::string> mustSay;
  };
  // clang-format off
  const Case cases[] = {
      {"--version", {"DOVANEL For Archiver " + VersionInTheBox() + "\n"}},
      {"--help",
       {"Usage: dovanel [OPTION]... [PATH]...", "  /Q, -q, --quiet ", "-n, --dry-run", "-v, --verbose", "--version",
        "  --  ", ".lzh (LHA)", ".tgz .taz .gz .z", ".bz2", ".exe",
        "DOVANEL_LIBRARY_PATH", "../lib/dovanel", "Exit status with /Q:", "  0  every archive was re-dated",
        "  1  some archive could not be handled", "  2  the command line was refused", "refused to open",
        "lists no entry (an empty archive, or one damaged\nbefore its first entry) is left as it is."}},
  };
  // clang-format on
  // This process holds the instance lock: a start that looked at it would defer and say nothing.
  const std::unique_ptr<void, BOOL (*)(HANDLE)> running(CreateMutexA(nullptr, FALSE, "hdv"), CloseHandle);
  ASSERT_NE(running.get(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    const ProgramResult run = RunProgram({c.argument}, kNoDisplay);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_LT(run.milliseconds, 5000);
    for (const std::string& words : c.mustSay) EXPECT_NE(run.out.find(words), std::string::npos) << words;
    EXPECT_FALSE(std::filesystem::exists(WindowSocketPath("Tdovanel"))) << "no window was made";
    // An answer that cannot be written is no answer.
    const ProgramResult full =
        RunProgram({c.argument}, kNoDisplay, {}, {}, {"sh", "-c", "exec \"$@\" >/dev/full", "sh"});
    ASSERT_TRUE(full.finished);
    EXPECT_EQ(full.exitCode, 1);
  }
}

TEST_F(InformationRequestTest, AmongOtherArgumentsTheyAreAnsweredAndAfterTheOptionsEndTheyArePaths) {
  TempDir sources, data;
  sample_archives::MakeNewest(sources.path(), "new.txt", "newest\n");
  // Folders named like the requests, in the folder the program starts in.
  const std::string inHelp =
      sample_archives::MakeArchive(sources.path(), data.path() / "--help" / "a.zip", "zip -q", "new.txt");
  const std::string inVersion =
      sample_archives::MakeArchive(sources.path(), data.path() / "--version" / "a.zip", "zip -q", "new.txt");
  struct Case {
    std::vector<std::string> arguments;
    const char* says;  // the start of standard output
    std::time_t inHelpAfter, inVersionAfter;
  };
  // clang-format off
  const Case cases[] = {
      {{"/Q", "--help", "--version"}, "Usage: ", kBefore, kBefore},
      {{"--version", "/q", "--version"}, "DOVANEL For Archiver ", kBefore, kBefore},
      {{"/Q", "--", "--help"}, "", kNewestDos, kBefore},
      {{"/Q", "--", "--version", "--help"}, "", kNewestDos, kNewestDos},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " ... " + c.arguments.back());
    SetMTime(inHelp, kBefore);
    SetMTime(inVersion, kBefore);
    const ProgramResult run =
        RunProgram(c.arguments, {{"DOVANEL_LIBRARY_PATH", std::nullopt}}, {}, data.path().string());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    if (*c.says == '\0') {
      EXPECT_EQ(run.out, "") << "a path is no request";
    } else {
      EXPECT_EQ(run.out.substr(0, std::string(c.says).size()), c.says);
    }
    EXPECT_EQ(MTime(inHelp), c.inHelpAfter);
    EXPECT_EQ(MTime(inVersion), c.inVersionAfter);
  }
}
}  // namespace
