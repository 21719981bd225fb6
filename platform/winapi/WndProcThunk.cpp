// What a thunk does when its procedure is called, the same on every system:
// the message as a record for the bound method, and the result it leaves.
#include "platform/winapi/Window.h"

LRESULT TWndProcThunk::Call(UINT message, WPARAM wParam, LPARAM lParam) const {
  TMessage record;
  record.Msg = message;
  record.WParam = wParam;
  record.LParam = lParam;
  if (method_) method_(record);
  return record.Result;
}
