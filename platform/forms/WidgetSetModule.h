// Where the window system comes from: one linked into the program, or the
// module found where the archiver libraries are, loaded once and kept for the process (a
// toolkit is never unloaded while its objects may live).
#pragma once

#include "platform/forms/WidgetSet.h"

// Programs that link a window system in (tests, tools) name it here before
// making the application, which then makes it at once.
void LinkWidgetSet(TWidgetSetFactory factory);
// The linked factory; null when the program links none.
TWidgetSetFactory LinkedWidgetSet();
// The linked factory, else the module's; raises Exception when the module
// cannot be loaded or lacks its entry.
TWidgetSetFactory WidgetSetFactory();
