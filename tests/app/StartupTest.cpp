// Starting the built program: one window per user (a second window start
// brings the first forward and ends at once, processing nothing), while a
// quiet run, which shows no window, neither defers to a window nor keeps one
// from opening; a start without a display re-dates and ends; no stale lock
// after a crash; and the command line's "/Q" in its forms.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
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
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestApplication.h"

namespace {
using sample_archives::kBefore;
using sample_archives::kNewestDos;
class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    TakeShownBoxes();
    sample_archives::MakeNewest(src_.path(), "new.txt", "newest\n");
  }
  std::string Zip(const std::string& name) {
    return sample_archives::MakeArchive(src_.path(), data_.path() / name, "zip -q", "new.txt");
  }
  // True once a window of the class answers on the user's socket.
  static bool WindowListens() {
    QLocalSocket socket;
    socket.connectToServer(QString::fromUtf8(WindowSocketPath("Tdovanel").c_str()));
    return socket.waitForConnected(100);
  }

  // The children and this process share a runtime folder of their own.
  ScopedRuntimeFolder runtime_;
  TempDir src_, data_;
};

TEST_F(StartupTest, BesideAnOpenWindowAQuietRunDoesItsWorkAndAKilledWindowLeavesNoStaleLock) {
  const std::string archive = Zip("a.zip");
  const std::string quietArchive = Zip("q.zip");
  Dovanel first({});
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(WaitUntil(WindowListens)) << "the first instance's window never listened";

  // A second start with the window hands its paths to the first, whose window re-dates them.
  Dovanel second({archive});
  ASSERT_TRUE(second.Started());
  EXPECT_TRUE(second.EndsCleanly(5000)) << "a second window start must end at once with 0";
  EXPECT_TRUE(WaitUntil([&] { return MTime(archive) == kNewestDos; })) << "the first window takes the paths";
  SetMTime(archive, kBefore);
  // A quiet run shows no window, so the one-window rule does not hold it back.
  Dovanel quiet({"/Q", quietArchive});
  ASSERT_TRUE(quiet.Started());
  EXPECT_TRUE(quiet.EndsCleanly());
  EXPECT_EQ(MTime(quietArchive), kNewestDos) << "a quiet run beside an open window re-dates";
  EXPECT_TRUE(first.Running());

  first.Kill();
  // The dead instance left its lock file and socket behind; neither holds.
  Dovanel third({archive, "/Q"});
  ASSERT_TRUE(third.Started());
  EXPECT_TRUE(third.EndsCleanly());
  EXPECT_EQ(MTime(archive), kNewestDos) << "a start after the crash must work";

  Dovanel fourth({});
  ASSERT_TRUE(fourth.Started());
  EXPECT_TRUE(WaitUntil(WindowListens)) << "a new window takes the dead one's socket over";
  EXPECT_TRUE(fourth.Running());
  // And the lock: the new window is the one instance now.
  Dovanel fifth({});
  ASSERT_TRUE(fifth.Started());
  EXPECT_TRUE(fifth.EndsCleanly(5000)) << "a start beside the new window defers to it";
  EXPECT_TRUE(fourth.Running());
}

TEST_F(StartupTest, AWindowOpensWhileAQuietRunIsUnderWay) {
  // The fake LHA library waits on a FIFO in the middle of the quiet run; the
  // ZIP archive after it is read by our real library.
  WriteFile(data_ / "a.lzh", "");
  const std::string zip = Zip("b.zip");
  const std::string hold = data_ / "hold";
  ASSERT_EQ(::mkfifo(hold.c_str(), 0600), 0);
  StartOptions held;
  held.environment = {{"DOVANEL_FAKE_HOLD", hold},
                      {"DOVANEL_LIBRARY_PATH", std::string(DOVANEL_FAKES_DIR) + "/lha:" + OutputDir().string()}};
  Dovanel quiet({"/Q", data_.path().string()}, held);
  ASSERT_TRUE(quiet.Started());
  // Opening the FIFO for writing succeeds once the run has it open for reading.
  int go = -1;
  ASSERT_TRUE(WaitUntil([&] { return (go = ::open(hold.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) >= 0; }))
      << "the quiet run never reached its first archive";
  EXPECT_EQ(MTime(zip), kBefore) << "the quiet run is under way";

  Dovanel window({});
  ASSERT_TRUE(window.Started());
  EXPECT_TRUE(WaitUntil(WindowListens)) << "a window start during a quiet run opens";
  EXPECT_TRUE(window.Running());

  EXPECT_EQ(::write(go, "g", 1), 1);
  ::close(go);
  EXPECT_TRUE(quiet.EndsCleanly());
  EXPECT_EQ(MTime(zip), kNewestDos) << "the quiet run went on to its end";
  EXPECT_TRUE(window.Running());
}

TEST_F(StartupTest, WithoutADisplayAStartReDatesSaysWhyThereIsNoWindowAndEnds) {
  const std::string archive = Zip("a.zip");
  StartOptions noDisplay;
  noDisplay.unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  QElapsedTimer timer;
  timer.start();
  Dovanel start({archive}, noDisplay);
  ASSERT_TRUE(start.Started());
  EXPECT_TRUE(start.EndsCleanly(5000)) << "with no display the start ends by itself, within seconds";
  EXPECT_LT(timer.elapsed(), 5000);
  EXPECT_EQ(MTime(archive), kNewestDos) << "the paths are re-dated as with /Q";
  const std::string errors = start.Errors();
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  EXPECT_NE(errors.find("no display"), std::string::npos) << errors;
  EXPECT_FALSE(WindowListens()) << "no invisible window is left";

  // Nothing is left that a later start would defer to.
  const std::string later = Zip("b.zip");
  Dovanel quiet({"/Q", later});
  ASSERT_TRUE(quiet.Started());
  EXPECT_TRUE(quiet.EndsCleanly());
  EXPECT_EQ(MTime(later), kNewestDos);
  Dovanel window({});
  ASSERT_TRUE(window.Started());
  EXPECT_TRUE(WaitUntil(WindowListens)) << "a start with a display opens its window";
}

// A start that cannot show its window, for want of a display or because the
// one named cannot be reached, works and reports as /Q does: the notice
// first, then a line for each path it could not handle, and status 1.
TEST_F(StartupTest, WithoutAReachableDisplayAStartReportsAsAQuietRun) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> environment;
    std::vector<std::string> unset;
    std::string notice;
  };
  // No server listens for this display here.
  ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X87"));
  // clang-format off
  const Case cases[] = {
      {"no display", {}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
       "no display (DISPLAY and WAYLAND_DISPLAY are unset)"},
      {"a display nobody serves", {{"DISPLAY", ":87"}}, {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
       "no display can be reached (DISPLAY=:87)"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string good = Zip("good.zip");
    const std::string empty = data_ / "empty.zip";
    WriteFile(empty, "");
    const std::string missing = data_ / "missing.zip";
    StartOptions options;
    options.unset = c.unset;
    options.environment = c.environment;
    Dovanel start({good, empty, missing}, options);
    ASSERT_TRUE(start.Started());
    EXPECT_EQ(start.EndStatus(), 1) << "never an abort, never a false success";
    EXPECT_EQ(start.Errors(), "dovanel: " + c.notice + ", so no window: the paths given are re-dated as with /Q\n" +
                                  "dovanel: " + missing + ": No such file or directory\n" + "dovanel: " + empty +
                                  ": the archive could not be opened or read\n");
    EXPECT_EQ(MTime(good), kNewestDos);
    EXPECT_FALSE(WindowListens()) << "no invisible window is left";
    std::filesystem::remove(good);
  }
}

TEST_F(StartupTest, TheRunningWindowTakesASecondStartsPathsAndComesForward) {
  // This process is the running instance: it holds the mutex and shows the window.
  SetCommandLine(std::vector<std::string>{"dovanel"});
  ReleaseAllDriverUnits();
  const std::unique_ptr<void, BOOL (*)(HANDLE)> mutex(CreateMutexA(nullptr, FALSE, "hdv"), CloseHandle);
  ASSERT_NE(mutex.get(), nullptr);
  ASSERT_EQ(GetLastError(), ERROR_SUCCESS);
  Tdovanel form(nullptr);
  form.Show();
  int raised = 0;
  const std::function<void()> raise = form.Handle()->bringToFront;
  form.Handle()->bringToFront = [&] {
    ++raised;
    raise();
  };
  QWidget other;
  other.show();
  other.activateWindow();
  WaitUntil([&] { return QApplication::activeWindow() == &other; }, 2000);

  // A relative path, from the second start's own folder, and a Japanese name.
  sample_archives::PrepareRealRun();
  const std::string archive = Zip("b.zip");
  const std::string japanese = Zip("表ソ.zip");
  StartOptions inData;
  inData.folder = data_.path().string();
  Dovanel second({"b.zip", japanese}, inData);
  ASSERT_TRUE(second.Started());
  EXPECT_TRUE(second.EndsCleanly(5000)) << second.Errors();
  EXPECT_GE(raised, 1);
  EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == form.Widget(); }, 2000))
      << "the running window is the active one";
  EXPECT_TRUE(WaitUntil([&] { return form.ListBox3->Count() == 2; }, 5000)) << "the running window takes the paths";
  ASSERT_EQ(form.ListBox1->Count(), 2);
  EXPECT_EQ(form.ListBox1->Item(0), archive);
  EXPECT_EQ(form.ListBox1->Item(1), japanese);
  EXPECT_EQ(MTime(archive), kNewestDos);
  EXPECT_EQ(MTime(japanese), kNewestDos);

  // A second start with nothing to hand over only brings the window forward.
  Dovanel third({});
  ASSERT_TRUE(third.Started());
  EXPECT_TRUE(third.EndsCleanly(5000));
  EXPECT_EQ(form.ListBox1->Count(), 2);
}

// A running instance whose window cannot take the paths: the second start
// says so and fails, rather than drop them.
TEST_F(StartupTest, PathsTheRunningInstanceCannotTakeAreNotDroppedSilently) {
  const std::unique_ptr<void, BOOL (*)(HANDLE)> mutex(CreateMutexA(nullptr, FALSE, "hdv"), CloseHandle);
  ASSERT_NE(mutex.get(), nullptr);
  // A window of an instance that knows no "copydata" request.
  QLocalServer older;
  ASSERT_TRUE(older.listen(QString::fromUtf8(WindowSocketPath("Tdovanel").c_str())));
  QObject::connect(&older, &QLocalServer::newConnection, &older, [&older] {
    while (QLocalSocket* socket = older.nextPendingConnection())
      QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
        while (socket->canReadLine()) socket->write(socket->readLine().startsWith("foreground") ? "ok\n" : "unknown\n");
        socket->flush();
      });
  });
  const std::string archive = Zip("c.zip");
  Dovanel second({archive});
  ASSERT_TRUE(second.Started());
  EXPECT_EQ(second.EndStatus(5000), 1);
  EXPECT_EQ(second.Errors(), "dovanel: the running window could not be given the paths; they were not re-dated\n");
  EXPECT_EQ(MTime(archive), kBefore);
}

TEST_F(StartupTest, QuitSwitchInAnyCaseAnywhereAndDashNamesAreReachedAfterTheOptionsEnd) {
  struct Case {
    const char* name;
    std::vector<std::string> args;  // "<a>" is the archive's path, "<dash>" one whose name starts with "-"
    std::string errors;             // a path that names nothing is told
  };
  // clang-format off
  const Case cases[] = {
      {"switch alone, lower case", {"/q"}, ""},
      {"archive then switch", {"<a>", "/Q"}, ""},
      {"repeated, mixed case, around a slash word, and dash names after the options' end",
       {"/q", "/x", "/Q", "--", "<dash>", "-x"},
       "dovanel: /x: No such file or directory\ndovanel: -x: No such file or directory\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string archive = Zip("a.zip");
    const std::string dashed = Zip("-d.zip");
    std::vector<std::string> args;
    for (const auto& arg : c.args) args.push_back(arg == "<a>" ? archive : arg == "<dash>" ? "-d.zip" : arg);
    StartOptions inData;
    inData.folder = data_.path().string();
    Dovanel run(args, inData);
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.EndStatus(), c.errors.empty() ? 0 : 1) << "with the switch the program ends by itself";
    EXPECT_EQ(run.Errors(), c.errors);
    const bool dashedNamed = std::find(c.args.begin(), c.args.end(), "<dash>") != c.args.end();
    const bool archiveNamed = std::find(c.args.begin(), c.args.end(), "<a>") != c.args.end();
    EXPECT_EQ(MTime(dashed), dashedNamed ? kNewestDos : kBefore);
    EXPECT_EQ(MTime(archive), archiveNamed ? kNewestDos : kBefore);
    std::filesystem::remove(archive);
    std::filesystem::remove(data_ / "-d.zip");
  }
}
TEST_F(StartupTest, TheQuietSwitchNeedsNoWindowSystemAndAMissingOneIsToldNotHung) {
  // The program alone in a folder, and its libraries in another, without the
  // window system's module in either.
  TempDir alone, libraries;
  const std::string program = alone / "dovanel";
  std::filesystem::copy_file(OutputDir() / "dovanel", program);
  LinkRealLibraries(libraries.path().string());
  const std::string archive = Zip("a.zip");
  StartOptions lone;
  lone.program = program;
  lone.environment["DOVANEL_LIBRARY_PATH"] = libraries.path().string();
  {
    Dovanel quiet({"/Q", archive}, lone);
    ASSERT_TRUE(quiet.Started());
    EXPECT_TRUE(quiet.EndsCleanly());
    EXPECT_EQ(MTime(archive), kNewestDos);
    EXPECT_EQ(quiet.Errors(), "");
  }
  SetMTime(archive, kBefore);
  Dovanel shown({archive}, lone);
  ASSERT_TRUE(shown.Started());
  EXPECT_EQ(shown.EndStatus(), 1) << "with no window system the program says why and ends as a failure";
  EXPECT_EQ(MTime(archive), kNewestDos) << "the run comes before the window";
  EXPECT_NE(shown.Errors().find("The window system cannot be loaded"), std::string::npos);
}
}  // namespace
