// Program entry: one window per user. A second start with the window hands its
// paths to the running instance's window, which takes them as a drop and
// comes forward, and ends; a
// start without a window ("/Q", or no display) neither looks at the running
// one nor keeps a later one from opening. The start makes the application,
// its title and the main form, whose creation runs the command line's paths.
// "--help" or "--version" is answered before any of that, and a command line
// with an unknown option is refused (status 2). Otherwise the exit code is 0
// unless a run without a window could not handle an archive.
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Arguments.h"
#include "app/HandOver.h"
#include "app/ProgramIcon.h"
#include "app/ProgramInfo.h"
#include "app/StartMode.h"
#include "app/dvmain.h"
#include "platform/forms/Application.h"
#include "platform/rtl/CommandLine.h"
#include "platform/rtl/Translate.h"
#include "platform/winapi/Mutex.h"
#include "platform/winapi/Window.h"

namespace {
const char* const kMutexName = "hdv";

struct CloseHandleOnExit {
  void operator()(void* handle) const { CloseHandle(handle); }
};
using TOwnedHandle = std::unique_ptr<void, CloseHandleOnExit>;

// The paths of this start, the options left out.
std::vector<std::string> GivenPaths() { return CommandLineArguments().paths; }

// The running instance's window takes this start's paths as a drop and comes
// forward; its exit status. A window that is still starting is waited for a
// little; paths that cannot be handed over are never dropped silently.
int HandOverToRunningInstance() {
  const std::vector<std::string> paths = GivenPaths();
  HWND window = nullptr;
  for (int tries = 0; tries < 50 && (window = FindWindowA(Tdovanel::kClassName, nullptr)) == nullptr; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const bool taken = window != nullptr && (paths.empty() || HandPathsOver(window, paths));
  if (window != nullptr) SetForegroundWindow(window);
  if (taken) return 0;
  std::fprintf(stderr, "dovanel: %s%s\n",
               Translate("the running window could not be given the paths; they were not re-dated"),
               window == nullptr ? Translate(" (it does not answer)") : "");
  return 1;
}

// True when this start is the one instance: it then holds the lock in
// `mutex` for its life (the lock goes with the process). Otherwise the
// running instance is there, and the start hands over to it.
bool TakeInstanceLock(TOwnedHandle& mutex) {
  if (TOwnedHandle running{OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kMutexName)}) return false;
  mutex.reset(CreateMutexA(nullptr, FALSE, kMutexName));
  // Another start took it between the two calls: it is the running one.
  return !(mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS);
}

// The start mode, decided before the application chooses its platform. A
// display that is named but cannot be reached is no display: the start works
// as one without, rather than end when the window system cannot start.
TStartMode DecideStartMode(int argc, char** argv) {
  TStartMode mode = StartMode();
  if (mode == TStartMode::NoDisplay) {
    std::fputs(NoDisplayNotice().c_str(), stderr);
  } else if (mode == TStartMode::Window && !WindowSystemStarts(argc, argv)) {
    std::fputs(UnreachableDisplayNotice().c_str(), stderr);
    ChooseNoScreen();
    mode = TStartMode::NoDisplay;
  }
  RecordStartMode(mode);
  return mode;
}

int Run(int argc, char** argv) {
  SetCommandLine(argc, argv);
  const TStartMode mode = DecideStartMode(argc, argv);
  TOwnedHandle mutex;
  if (mode == TStartMode::Window && !TakeInstanceLock(mutex)) return HandOverToRunningInstance();
  TApplication application(argc, argv);
  application.Title = ProgramName();
  application.SetIcon(ProgramIconSvg());
  const std::unique_ptr<Tdovanel> form = std::make_unique<Tdovanel>(nullptr);
  // Nobody would see the window, and it would wait for ever.
  if (mode == TStartMode::NoDisplay) return form->ExitStatus();
  application.Run();
  return form->ExitStatus();
}
}  // namespace

int main(int argc, char** argv) {
  // The messages in the user's language; the rest of the locale stays C
  // until the window system takes the whole of it.
  ChooseMessageLanguage();
  SetCommandLine(argc, argv);
  const TArguments arguments = CommandLineArguments();
  if (arguments.Refused()) {
    TellRefused(arguments, stderr);
    return kUsageExitStatus;
  }
  if (const int answered = AnswerInformationRequest(arguments, stdout); answered >= 0) return answered;
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "dovanel: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "dovanel: %s\n", Translate("unknown error"));
  }
  // The program did not do what it was started for: no caller may read success.
  return 1;
}
