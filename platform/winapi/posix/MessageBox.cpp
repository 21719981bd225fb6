#include "platform/winapi/MessageBox.h"

#include <cstdio>
#include <utility>

int MessageBoxToStandardError(HWND, LPCSTR text, LPCSTR caption, UINT) {
  std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
  return IDOK;
}

namespace {
MessageBoxHandler& Handler() {
  // Until a window system is up, a box can only be told on the error stream.
  static MessageBoxHandler handler = MessageBoxToStandardError;
  return handler;
}
}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) { return Handler()(owner, text, caption, type); }

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}
