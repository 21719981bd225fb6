// The drop target: makes a window accept files and folders from the desktop
// and reports each drop as one event with the dropped paths and the point.
#pragma once

#include <functional>
#include <memory>

#include "platform/forms/Controls.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Strings.h"
#include "platform/winapi/DragDrop.h"
#include "platform/winapi/Window.h"

// `files` holds the `num` dropped paths in the shell's order; it belongs to
// the drop target and lives only for the call. x, y: the drop point in the
// receiving window's client coordinates.
using TFileDropEvent = std::function<void(TComponent* sender, int num, TStrings& files, int x, int y)>;

class TFileDrop : public TComponent {
 public:
  explicit TFileDrop(TComponent* owner);
  ~TFileDrop() override;

  bool Accept() const { return accept_; }
  void SetAccept(bool value);
  // None: the owner form's own window takes the drops.
  TWinControl* Control() const { return control_; }
  void SetControl(TWinControl* value);
  TFileDropEvent OnFileDrop;

  // Hooks the owner form's window when no Control was set.
  void Loaded() override;

  // The window whose procedure is replaced; null when none is.
  HWND HookedWindow() const { return hookedWindow_; }
  // The procedure every message but a drop is passed on to.
  LONG_PTR PreviousProcedure() const { return previousProcedure_; }
  // The procedure put in the hooked window's slot.
  LONG_PTR HookProcedure() const { return thunk_->Procedure(); }

  // The hooked window's procedure: a drop is handled and always released;
  // anything else goes to the previous procedure with its result.
  void HookWndProc(TMessage& message);

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Reads every path of the drop whole and raises OnFileDrop.
  virtual void DropFiles(HDROP drop);
  virtual void HookControl();
  virtual void UnhookControl();

 private:
  // The target's window: Control's, else the owner form's; null without one.
  HWND TargetWindow() const;

  bool accept_ = true;
  TWinControl* control_ = nullptr;
  HWND hookedWindow_ = nullptr;
  std::unique_ptr<TWndProcThunk> thunk_;
  LONG_PTR previousProcedure_ = 0;
};
