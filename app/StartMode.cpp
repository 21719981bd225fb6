#include "app/StartMode.h"

#include "app/Arguments.h"
#include "platform/forms/Application.h"
#include "platform/rtl/CommandLine.h"
#include "platform/rtl/Translate.h"

#include <cstdlib>
#include <optional>

namespace {
std::optional<TStartMode> g_recorded;
}  // namespace

std::string NoDisplayNotice() {
  return std::string("dovanel: ") + Translate("no display (DISPLAY and WAYLAND_DISPLAY are unset)") + ", " +
         Translate("so no window: the paths given are re-dated as with /Q") + "\n";
}

std::string UnreachableDisplayNotice() {
  std::string named;
  for (const char* variable : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"})
    if (const char* value = std::getenv(variable))
      named += std::string(named.empty() ? "" : ", ") + variable + "=" + value;
  return std::string("dovanel: ") + Translate("no display can be reached") + " (" + named + "), " +
         Translate("so no window: the paths given are re-dated as with /Q") + "\n";
}

void RecordStartMode(TStartMode mode) { g_recorded = mode; }

TStartMode StartedMode() { return g_recorded ? *g_recorded : StartMode(); }

TStartMode StartMode() {
  if (CommandLineArguments().quiet) return TStartMode::Quiet;
  return NothingToShowOn() ? TStartMode::NoDisplay : TStartMode::Window;
}
