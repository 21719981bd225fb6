// Included by platform/forms/Controls.h: a control's handle is a window of
// platform/winapi, which lives as long as the control, its window made or not.
#pragma once

#include "platform/winapi/Window.h"

using TWindowHandle = HWND__;
inline HWND WindowOf(TWindowHandle& handle) { return &handle; }
