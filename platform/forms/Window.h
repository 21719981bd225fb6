// A window handle of this layer: the widget behind it.
#pragma once

#include "platform/winapi/WinTypes.h"

class QWidget;

struct HWND__ {
  QWidget* widget = nullptr;
};

// The widget of a handle; null for a null or foreign handle.
QWidget* WidgetOf(HWND window);
