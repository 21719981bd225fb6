// Files dropped from the desktop, by the shell's Windows names (DragAcceptFiles,
// DragQueryFileA, DragQueryPoint, DragFinish, WM_DROPFILES): the shell's own
// on Windows.
#pragma once

#include "DragDropApi.h"
