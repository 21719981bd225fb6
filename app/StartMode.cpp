#include "app/StartMode.h"

#include "platform/forms/Application.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/CommandLine.h"

#include <cstdlib>
#include <optional>

namespace {
std::optional<TStartMode> g_recorded;
}  // namespace

const char* const kNoDisplayNotice =
    "DOVANEL For Archiver: no display (DISPLAY and WAYLAND_DISPLAY are unset), so no window: "
    "the paths given are re-dated as with /Q\n";

std::string UnreachableDisplayNotice() {
  std::string named;
  for (const char* variable : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"})
    if (const char* value = std::getenv(variable)) named += std::string(named.empty() ? "" : ", ") + variable + "=" + value;
  return "DOVANEL For Archiver: no display can be reached (" + named +
         "), so no window: the paths given are re-dated as with /Q\n";
}

void RecordStartMode(TStartMode mode) { g_recorded = mode; }

TStartMode StartedMode() { return g_recorded ? *g_recorded : StartMode(); }

bool IsQuietSwitch(const std::string& argument) { return AnsiUpperCase(argument) == "/Q"; }

TStartMode StartMode() {
  for (int i = 1; i <= ParamCount(); ++i)
    if (IsQuietSwitch(ParamStr(i))) return TStartMode::Quiet;
  return NothingToShowOn() ? TStartMode::NoDisplay : TStartMode::Window;
}
