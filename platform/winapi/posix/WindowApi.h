// Windows by the handles the subsystems use, where the system has none of its
// own. Each window of platform/forms has a window-procedure slot; a procedure
// is a plain function or a thunk bound to an object. A window of another instance is reached through the per-user
// socket its process listens on, by class name.
#pragma once

// Included by platform/winapi/Window.h.

#include <cstdint>
#include <functional>
#include <string>

#include "contract/WinTypes.h"

class TControlPeer;

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr int GWL_WNDPROC = -4;
constexpr int GWLP_WNDPROC = GWL_WNDPROC;
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_USER = 0x0400;
// Data handed to a window, also of another instance: lParam points to a
// COPYDATASTRUCT; the receiver answers TRUE when it took the data.
constexpr UINT WM_COPYDATA = 0x004A;
struct COPYDATASTRUCT {
  std::uintptr_t dwData = 0;  // what kind of data, the two sides' own tag
  DWORD cbData = 0;
  const void* lpData = nullptr;
};

struct HWND__ {
  // A window of this process, known to FindWindowA by its class while it lives.
  explicit HWND__(std::string className);
  ~HWND__();
  HWND__(const HWND__&) = delete;
  HWND__& operator=(const HWND__&) = delete;

  const std::string className;
  TControlPeer* peer = nullptr;        // the forms layer's window once made; never touched here
  LONG_PTR procedure;                  // the slot; DefWindowProcA at first
  bool acceptFiles = false;            // set by DragAcceptFiles
  bool topLevel = true;                // a control's window is not
  std::function<void()> bringToFront;  // raises and activates; set by the forms layer
  std::string socketPath;              // a window of another process: where it listens

 private:
  friend HWND FindWindowA(LPCSTR className, LPCSTR windowName);
  struct Remote {};
  HWND__(std::string className, std::string socketPath, Remote);
};

// True for a live window of this process.
bool IsWindow(HWND window);

// The slot: GWL_WNDPROC only; 0 for anything else or a window that is gone.
LONG_PTR GetWindowLongA(HWND window, int index);
// Stores a procedure in the slot and returns the previous one.
LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value);
// The same slot by the names that hold a pointer on 64-bit Windows.
inline LONG_PTR GetWindowLongPtrA(HWND window, int index) { return GetWindowLongA(window, index); }
inline LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  return SetWindowLongA(window, index, value);
}
// Calls a procedure taken from a slot: a thunk or a plain function; 0 for none.
LRESULT CallWindowProcA(LONG_PTR procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Sends a message to a window's current procedure and returns its result. To
// another instance's window only WM_COPYDATA is sent (through its socket; 0
// when it did not answer in time); any other message gives 0 there.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The default procedure: every message is handled by doing nothing; result 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The first top-level window of the class, of this process or else of
// another instance of the user's; a window name is not looked at. Null when none.
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
// Raises and activates a window; another instance's window is asked through
// its socket and this waits (briefly) for its answer. TRUE when done.
BOOL SetForegroundWindow(HWND window);

// Where the windows of a class listen for another instance, in the user's
// runtime folder; empty when that folder cannot be had.
std::string WindowSocketPath(const std::string& className);
// The requests that socket takes, one line each, answered with one line:
// "foreground" (answer "ok"), and "copydata TAG HEX" (the bytes in hex,
// answer "1" when the window took them, else "0").
inline constexpr const char* kForegroundRequest = "foreground";
inline constexpr const char* kForegroundAnswer = "ok";
std::string CopyDataRequest(const COPYDATASTRUCT& data);
// The tag and bytes of a "copydata" request; false when it is none.
bool ParseCopyDataRequest(const std::string& line, std::uintptr_t& tag, std::string& bytes);
