// How a start of the program runs: with its window, or without one because
// the quiet switch asks so or there is no display to show a window on. Only
// a start with the window is kept to one instance per user: a start without
// one guards nothing and waits for nobody.
#pragma once

#include <string>

enum class TStartMode {
  Window,     // the window opens, after a run over the paths given
  Quiet,      // "/Q": the paths are re-dated and the program ends
  NoDisplay,  // no display and no window platform chosen: as Quiet, and the user is told why
};

// From the command line (SetCommandLine, its -q or /Q) and the environment.
TStartMode StartMode();

// The mode the program started in, as decided before the application chose
// its window platform (which sets QT_QPA_PLATFORM, so that StartMode() would
// then read a start without a display as a window start). Until one is
// recorded, StartMode().
void RecordStartMode(TStartMode mode);
TStartMode StartedMode();

// The line a start without a display leaves on standard error, before its run.
std::string NoDisplayNotice();
// The same for a display that is named but cannot be reached.
std::string UnreachableDisplayNotice();
