// A window handle of this layer: the widget behind it, its procedure slot and
// its drop registration (platform/winapi/Window.h).
#pragma once

#include "platform/winapi/Window.h"

class QWidget;

// The widget of a handle; null for a null handle or another process's window.
QWidget* WidgetOf(HWND window);
