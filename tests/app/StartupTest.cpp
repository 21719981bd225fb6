// Starting the built program: one instance per user (a second start brings
// the first forward and ends at once, processing nothing), no stale lock
// after a crash, and the command line's "/Q" in its forms.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QWidget>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/dvmain.h"
#include "platform/rtl/CommandLine.h"
#include "platform/winapi/Mutex.h"
#include "platform/winapi/Window.h"
#include "tests/app/SampleArchives.h"
#include "tests/platform/RuntimeFolder.h"
#include "tests/support/DriverUnits.h"
#include "tests/support/FakeLibraries.h"
#include "tests/support/FileTimes.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestApplication.h"

namespace {
using sample_archives::kBefore;
using sample_archives::kNewestDos;
constexpr int kPatienceMs = 20000;  // a start that takes longer has hung

// Keeps the loop of this process going while waiting, so that a window of
// ours can answer a process we started.
bool WaitUntil(const std::function<bool()>& done, int ms = kPatienceMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// One run of the built program; killed and reaped if still running at the end.
class Dovanel {
 public:
  // `program`: another copy of the program; its standard error is then kept for Errors().
  // `libraries`: where it finds its libraries (and its window system) first.
  Dovanel(const std::vector<std::string>& args, const std::string& folder = {}, const std::string& program = {},
          const std::string& libraries = OutputDir().string()) {
    QStringList list;
    for (const auto& arg : args) list << QString::fromUtf8(arg.c_str());
    process_.setProgram(QString::fromUtf8(program.empty() ? (OutputDir() / "dovanel").c_str() : program.c_str()));
    process_.setArguments(list);
    // Our real libraries; the runtime folder is this process's.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DOVANEL_LIBRARY_PATH", QString::fromUtf8(libraries.c_str()));
    process_.setProcessEnvironment(environment);
    if (!folder.empty()) process_.setWorkingDirectory(QString::fromUtf8(folder.c_str()));
    process_.setProcessChannelMode(program.empty() ? QProcess::ForwardedErrorChannel : QProcess::SeparateChannels);
    process_.start();
    started_ = process_.waitForStarted(kPatienceMs);
  }
  ~Dovanel() { Kill(); }
  Dovanel(const Dovanel&) = delete;
  Dovanel& operator=(const Dovanel&) = delete;

  bool Started() const { return started_; }
  bool Running() const { return process_.state() != QProcess::NotRunning; }
  // Waits with this process's loop running; true when it ended by itself with 0.
  bool EndsCleanly(int ms = kPatienceMs) {
    if (!WaitUntil([this] { return process_.state() == QProcess::NotRunning || process_.waitForFinished(10); }, ms))
      return false;
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
  }
  std::string Errors() { return process_.readAllStandardError().toStdString(); }
  // As a crash ends it: nothing of its own runs.
  void Kill() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(kPatienceMs);
  }

 private:
  QProcess process_;
  bool started_ = false;
};

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

TEST_F(StartupTest, ASecondStartEndsAtOnceAndAKilledFirstLeavesNoStaleLock) {
  const std::string archive = Zip("a.zip");
  Dovanel first({});
  ASSERT_TRUE(first.Started());
  ASSERT_TRUE(WaitUntil(WindowListens)) << "the first instance's window never listened";

  Dovanel second({"/Q", archive});
  ASSERT_TRUE(second.Started());
  EXPECT_TRUE(second.EndsCleanly(5000)) << "a second start must end at once with 0";
  EXPECT_EQ(MTime(archive), kBefore) << "a second start processes nothing";
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
}

TEST_F(StartupTest, TheRunningWindowComesForwardWhenASecondStartAsks) {
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

  const std::string archive = Zip("b.zip");
  Dovanel second({archive});
  ASSERT_TRUE(second.Started());
  EXPECT_TRUE(second.EndsCleanly(5000));
  EXPECT_EQ(raised, 1);
  EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == form.Widget(); }, 2000))
      << "the running window is the active one";
  EXPECT_EQ(MTime(archive), kBefore);
  EXPECT_EQ(form.ListBox1->Count(), 0) << "neither instance processes the second start's paths";
}

TEST_F(StartupTest, QuitSwitchInAnyCaseAnywhereAndAnyOtherArgumentIsAPath) {
  struct Case {
    const char* name;
    std::vector<std::string> args;  // "<a>" is the archive's path, "<dash>" one whose name starts with "-"
  };
  const Case cases[] = {
      {"switch alone, lower case", {"/q"}},
      {"archive then switch", {"<a>", "/Q"}},
      {"repeated, mixed case, around a dash name and a slash word", {"/q", "<dash>", "/x", "/Q", "-x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string archive = Zip("a.zip");
    const std::string dashed = Zip("-d.zip");
    std::vector<std::string> args;
    for (const auto& arg : c.args) args.push_back(arg == "<a>" ? archive : arg == "<dash>" ? "-d.zip" : arg);
    Dovanel run(args, data_.path().string());
    ASSERT_TRUE(run.Started());
    EXPECT_TRUE(run.EndsCleanly()) << "with the switch the program ends by itself, with 0";
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
  {
    Dovanel quiet({"/Q", archive}, {}, program, libraries.path().string());
    ASSERT_TRUE(quiet.Started());
    EXPECT_TRUE(quiet.EndsCleanly());
    EXPECT_EQ(MTime(archive), kNewestDos);
    EXPECT_EQ(quiet.Errors(), "");
  }
  SetMTime(archive, kBefore);
  Dovanel shown({archive}, {}, program, libraries.path().string());
  ASSERT_TRUE(shown.Started());
  EXPECT_TRUE(shown.EndsCleanly()) << "with no window system the program says why and ends";
  EXPECT_EQ(MTime(archive), kNewestDos) << "the run comes before the window";
  EXPECT_NE(shown.Errors().find("The window system cannot be loaded"), std::string::npos);
}
}  // namespace
