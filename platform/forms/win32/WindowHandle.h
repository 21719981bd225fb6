// Included by platform/forms/Controls.h: a control's handle is the system's
// window, made with the control's window (at once, as the window system is
// linked in and loaded with the application).
#pragma once

#include <string>
#include <utility>

#include "platform/winapi/Window.h"

struct TWindowHandle {
  explicit TWindowHandle(std::string name) : className(std::move(name)) {}
  const std::string className;  // the window class, as FindWindowA knows it
  HWND window = nullptr;
};
inline HWND WindowOf(TWindowHandle& handle) { return handle.window; }
