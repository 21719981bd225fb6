#include "platform/forms/Application.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/forms/WidgetSetModule.h"
#include "platform/winapi/MessageBox.h"
#include "platform/winapi/Window.h"

namespace {
TApplication* g_application = nullptr;

void ChoosePlatform() {
  // A server with no display still runs the program (and every test).
  if (NothingToShowOn()) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// The platform chosen, as its name starts the setting ("offscreen:fontengine=...").
bool HeadlessPlatformChosen() {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (chosen == nullptr) return false;
  const std::size_t name = std::strcspn(chosen, ":");
  return (name == 9 && std::strncmp(chosen, "offscreen", 9) == 0) ||
         (name == 7 && std::strncmp(chosen, "minimal", 7) == 0);
}

int ShowBox(HWND owner, const char* text, const char* caption, UINT type) {
  // Nobody could close a box without a screen: tell it on stderr.
  if (g_application == nullptr || g_application->Headless()) return MessageBoxToStandardError(owner, text, caption, type);
  try {
    g_application->Widgets().MessageBox(owner != nullptr ? owner->peer : nullptr, text != nullptr ? text : "",
                                        caption != nullptr ? caption : "", (type & MB_ICONERROR) != 0);
  } catch (const std::exception& error) {
    // No window system to show it with: the text still reaches the user.
    std::fprintf(stderr, "%s: %s (%s)\n", caption != nullptr ? caption : "", text != nullptr ? text : "", error.what());
  }
  return IDOK;
}
}  // namespace

bool NothingToShowOn() {
  return std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
         std::getenv("WAYLAND_DISPLAY") == nullptr;
}

bool WindowSystemStarts(int argc, char** argv) {
  if (NothingToShowOn() || HeadlessPlatformChosen() || LinkedWidgetSet() != nullptr) return true;
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return true;  // no way to try: the start goes ahead as it would
  if (child == 0) {
    // The toolkit's complaints are the child's; the parent says what it means.
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDERR_FILENO);
    std::vector<char*> arguments(argv, argv + argc);
    arguments.push_back(nullptr);
    int count = argc;
    try {
      std::unique_ptr<TWidgetSet> widgets(WidgetSetFactory()(count, arguments.data()));
    } catch (...) {
      // A module that cannot be loaded is told by the start itself.
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return true;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ChooseNoScreen() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }

TApplication* Application() { return g_application; }

TApplication::TApplication(int& argc, char** argv) : argc_(argc), argv_(argv) {
  ChoosePlatform();
  g_application = this;
  SetFormHost(this);
  // Tests put their own handler in after this.
  SetMessageBoxHandler(ShowBox);
  if (LinkedWidgetSet() != nullptr) Widgets();
}

TApplication::~TApplication() {
  widgets_.reset();
  if (g_application == this) g_application = nullptr;
  if (FormHost() == this) SetFormHost(nullptr);
}

void TApplication::SetIcon(std::string svg) {
  icon_ = std::move(svg);
  if (widgets_ != nullptr) widgets_->SetIcon(icon_);
}

TWidgetSet& TApplication::Widgets() {
  if (widgets_ == nullptr) {
    widgets_.reset(WidgetSetFactory()(argc_, argv_));
    if (!icon_.empty()) widgets_->SetIcon(icon_);
    widgets_->SetActivationHandler([this] {
      HandleEventErrors([this] {
        if (OnActivate) OnActivate(nullptr);
      });
    });
  }
  return *widgets_;
}

void TApplication::SetMainForm(TForm* form) {
  if (mainForm_ == nullptr) mainForm_ = form;
}

void TApplication::FormDestroyed(TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
  if (activateForm_ == form) {
    activateForm_ = nullptr;
    OnActivate = nullptr;
  }
}

void TApplication::HookActivate(TForm* form, TNotifyEvent handler) {
  activateForm_ = form;
  OnActivate = std::move(handler);
}

void TApplication::Run() {
  if (terminated_) return;
  if (mainForm_ != nullptr && ShowMainForm) mainForm_->Show();
  if (!terminated_) Widgets().Run();
}

void TApplication::Terminate() {
  terminated_ = true;
  if (widgets_ != nullptr) widgets_->Quit();
}

void TApplication::ProcessMessages() {
  if (widgets_ != nullptr) widgets_->ProcessMessages();
}

void TApplication::BringToFront() {
  if (mainForm_ != nullptr) SetForegroundWindow(mainForm_->Handle());
}

void TApplication::ShowException(const std::exception& error) {
  MessageBoxA(mainForm_ != nullptr ? mainForm_->Handle() : nullptr, error.what(), Title.c_str(), MB_ICONERROR);
}

bool TApplication::Headless() const { return HeadlessPlatformChosen(); }

#if defined(__SANITIZE_ADDRESS__)
// Qt keeps the fonts it has loaded (fontconfig patterns, FreeType faces and
// the GUI library's cache of them) for the life of the process and never
// frees them; the leak check at exit of a sanitizer build must not count them.
// Nor the folder list glibc's newlocale splits from LOCPATH, when that is
// set, and never frees (the regional formats are read through newlocale).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libfreetype.so\n"
         "leak:libQt6Gui.so\n"
         "leak:__argz_add_sep\n"
         "leak:__argz_create_sep\n";
}
#endif
