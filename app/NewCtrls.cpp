#include "app/NewCtrls.h"

#include <vector>

#include "platform/forms/Application.h"
#include "platform/rtl/Exception.h"

namespace {
constexpr UINT kCountQuery = 0xFFFFFFFF;
}  // namespace

TFileDrop::TFileDrop(TComponent* owner)
    : TComponent(owner), thunk_(std::make_unique<TWndProcThunk>([this](TMessage& message) { HookWndProc(message); })) {}

TFileDrop::~TFileDrop() { UnhookControl(); }

void TFileDrop::SetAccept(bool value) {
  if (value == accept_) return;
  accept_ = value;
  if (hookedWindow_ != nullptr) DragAcceptFiles(hookedWindow_, accept_ ? TRUE : FALSE);
}

void TFileDrop::SetControl(TWinControl* value) {
  UnhookControl();
  control_ = value;
  if (value != nullptr) value->FreeNotification(this);
  HookControl();
}

void TFileDrop::Loaded() {
  TComponent::Loaded();
  if (control_ == nullptr) SetControl(nullptr);
}

void TFileDrop::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  // The window goes with its control: forget it without touching it.
  if (component != nullptr && component == control_ && operation == TOperation::opRemove) {
    control_ = nullptr;
    accept_ = false;
  }
}

HWND TFileDrop::TargetWindow() const {
  if (control_ != nullptr) return control_->Handle();
  if (auto* form = dynamic_cast<TCustomForm*>(Owner())) return form->Handle();
  return nullptr;
}

void TFileDrop::HookControl() {
  if ((ComponentState() & csDesigning) != 0) return;
  const HWND target = TargetWindow();
  if (target == nullptr) throw Exception("Invalidate Window Handle in FileDrop");
  hookedWindow_ = target;
  previousProcedure_ = GetWindowLongPtrA(hookedWindow_, GWLP_WNDPROC);
  SetWindowLongPtrA(hookedWindow_, GWLP_WNDPROC, thunk_->Procedure());
  DragAcceptFiles(hookedWindow_, accept_ ? TRUE : FALSE);
}

void TFileDrop::UnhookControl() {
  if ((ComponentState() & csDesigning) != 0) return;
  // A window made anew since the hook is not ours to touch.
  if (hookedWindow_ != nullptr && TargetWindow() == hookedWindow_)
    SetWindowLongPtrA(hookedWindow_, GWLP_WNDPROC, previousProcedure_);
  hookedWindow_ = nullptr;
}

void TFileDrop::HookWndProc(TMessage& message) {
  if (message.Msg != WM_DROPFILES) {
    message.Result = CallWindowProcA(previousProcedure_, hookedWindow_, message.Msg, message.WParam, message.LParam);
    return;
  }
  const auto drop = reinterpret_cast<HDROP>(message.WParam);
  struct Release {
    HDROP drop;
    ~Release() { DragFinish(drop); }
  } release{drop};
  HandleEventErrors([&] { DropFiles(drop); });
}

void TFileDrop::DropFiles(HDROP drop) {
  if (!OnFileDrop) return;
  TStringList files;
  POINT point;
  DragQueryPoint(drop, &point);
  const int count = static_cast<int>(DragQueryFileA(drop, kCountQuery, nullptr, 0));
  for (int i = 0; i < count; ++i) {
    // Each path read whole, however long.
    const UINT length = DragQueryFileA(drop, static_cast<UINT>(i), nullptr, 0);
    std::vector<char> buffer(length + 1, '\0');
    const UINT copied = DragQueryFileA(drop, static_cast<UINT>(i), buffer.data(), length + 1);
    files.Add(std::string(buffer.data(), copied));
  }
  OnFileDrop(this, count, files, point.x, point.y);
}
