// The windows of the forms with Qt on a display of X11 or Wayland, or
// offscreen; a box where nothing is shown is told on standard error.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/WidgetSetModule.h"
#include "platform/winapi/MessageBox.h"
#include "platform/winapi/Window.h"

namespace {
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
  if (Application() == nullptr || Application()->Headless())
    return MessageBoxToStandardError(owner, text, caption, type);
  try {
    Application()->Widgets().MessageBox(owner != nullptr ? owner->peer : nullptr, text != nullptr ? text : "",
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

void PrepareWindowSystem() {
  ChoosePlatform();
  // Tests put their own handler in after this.
  SetMessageBoxHandler(ShowBox);
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
