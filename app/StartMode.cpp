#include "app/StartMode.h"

#include "platform/forms/Application.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/CommandLine.h"

const char* const kNoDisplayNotice =
    "DOVANEL For Archiver: no display (DISPLAY and WAYLAND_DISPLAY are unset), so no window: "
    "the paths given were re-dated as with /Q\n";

bool IsQuietSwitch(const std::string& argument) { return AnsiUpperCase(argument) == "/Q"; }

TStartMode StartMode() {
  for (int i = 1; i <= ParamCount(); ++i)
    if (IsQuietSwitch(ParamStr(i))) return TStartMode::Quiet;
  return NothingToShowOn() ? TStartMode::NoDisplay : TStartMode::Window;
}
