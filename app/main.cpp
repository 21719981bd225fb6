// Program entry: one window per user. A second start with the window brings
// the running instance's window forward and ends, its arguments dropped; a
// start without a window ("/Q", or no display) neither looks at the running
// one nor keeps a later one from opening. The start makes the application,
// its title and the main form, whose creation runs the command line's paths.
// "--help" or "--version" alone is answered before any of that. The exit
// code is 0 unless a run without a window could not handle an archive.
#include <cstdio>
#include <exception>
#include <memory>

#include "app/ProgramIcon.h"
#include "app/ProgramInfo.h"
#include "app/StartMode.h"
#include "app/dvmain.h"
#include "platform/forms/Application.h"
#include "platform/rtl/CommandLine.h"
#include "platform/winapi/Mutex.h"
#include "platform/winapi/Window.h"

namespace {
const char* const kMutexName = "hdv";
const char* const kWindowClass = "Tdovanel";

struct CloseHandleOnExit {
  void operator()(void* handle) const { CloseHandle(handle); }
};
using TOwnedHandle = std::unique_ptr<void, CloseHandleOnExit>;

void BringRunningInstanceForward() {
  if (HWND window = FindWindowA(kWindowClass, nullptr)) SetForegroundWindow(window);
}

// True when this start is the one instance: it then holds the lock in
// `mutex` for its life (the lock goes with the process). Otherwise the
// running instance's window is brought forward.
bool TakeInstanceLock(TOwnedHandle& mutex) {
  if (TOwnedHandle running{OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kMutexName)}) {
    BringRunningInstanceForward();
    return false;
  }
  mutex.reset(CreateMutexA(nullptr, FALSE, kMutexName));
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another start took it between the two calls: it is the running one.
    BringRunningInstanceForward();
    return false;
  }
  return true;
}

// The start mode, decided before the application chooses its platform. A
// display that is named but cannot be reached is no display: the start works
// as one without, rather than end when the window system cannot start.
TStartMode DecideStartMode(int argc, char** argv) {
  TStartMode mode = StartMode();
  if (mode == TStartMode::NoDisplay) {
    std::fputs(kNoDisplayNotice, stderr);
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
  if (mode == TStartMode::Window && !TakeInstanceLock(mutex)) return 0;
  TApplication application(argc, argv);
  application.Title = "DOVANEL For Archiver";
  application.SetIcon(ProgramIconSvg());
  const std::unique_ptr<Tdovanel> form = std::make_unique<Tdovanel>(nullptr);
  // Nobody would see the window, and it would wait for ever.
  if (mode == TStartMode::NoDisplay) return form->ExitStatus();
  application.Run();
  return form->ExitStatus();
}
}  // namespace

int main(int argc, char** argv) {
  if (AnswerInformationRequest(argc, argv, stdout)) return 0;
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "DOVANEL For Archiver: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "DOVANEL For Archiver: unknown error\n");
  }
  // The program did not do what it was started for: no caller may read success.
  return 1;
}
