// Windows by their handles and the Windows names of their calls. On Windows
// they are the system's own; elsewhere each window of platform/forms has a
// window-procedure slot kept here. What both share: a window procedure bound
// to an object's method.
#pragma once

#include <functional>

#include "WindowApi.h"

// A message as a method bound by a thunk sees it.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage& message)>;

// A window procedure bound to an object's method, usable in any slot for as
// long as it lives. Made and freed by its owner.
class TWndProcThunk {
 public:
  explicit TWndProcThunk(TWndMethod method);
  ~TWndProcThunk();
  TWndProcThunk(const TWndProcThunk&) = delete;
  TWndProcThunk& operator=(const TWndProcThunk&) = delete;

  // The value to put in a slot.
  LONG_PTR Procedure() const;
  LRESULT Call(UINT message, WPARAM wParam, LPARAM lParam) const;

 private:
  TWndMethod method_;
  int slot_ = -1;  // where the system's procedures find it, when they need one
};

inline LONG_PTR ProcedureValue(WNDPROC procedure) { return reinterpret_cast<LONG_PTR>(procedure); }
