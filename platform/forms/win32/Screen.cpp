// Windows always has a desktop to show the window on, and boxes are the
// system's own (MessageBoxA).
#include "platform/forms/Application.h"

bool NothingToShowOn() { return false; }

bool WindowSystemStarts(int, char**) { return true; }

// Never asked for: the window system always starts.
void ChooseNoScreen() {}

void PrepareWindowSystem() {}

bool TApplication::Headless() const { return false; }
