// The windows of the forms where the window system has no handles of its own:
// each control's handle is ours (platform/winapi), and the window system
// reports drops to it as the shell's drop message; another instance asks the
// form through its socket.
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/FormHost.h"
#include "platform/winapi/DragDrop.h"

namespace {
// The shell's drop message for files dropped on a window, sent to its current
// procedure. Nothing of the control is touched after the send: the handler
// may free it.
void DeliverDrop(HWND window, std::vector<std::string> files, int x, int y) {
  const HDROP drop = MakeDropHandle(std::move(files), POINT{x, y});
  HandleEventErrors([&] { SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0); });
  // A receiver that did not release the drop leaves it to us.
  if (IsDropHandle(drop)) DragFinish(drop);
}

TWindowEvents EventsOf(HWND window) {
  return {[window] { return window->acceptFiles; },
          [window](std::vector<std::string> files, int x, int y) { DeliverDrop(window, std::move(files), x, y); },
          {}};
}
}  // namespace

TForm::TForm(TComponent* owner, const std::string& className) : TWinControl(owner), handle_(className) {
  handle_.bringToFront = [this] {
    if (peer_ != nullptr) peer_->BringToFront();
  };
  if (TFormHost* host = FormHost()) host->SetMainForm(this);
  if (TWidgetSet* widgets = LoadedWidgets()) MakeFormWindow(*widgets);
}

void TForm::MakeFormWindow(TWidgetSet& widgets) {
  TWindowEvents events = EventsOf(&handle_);
  events.closeRequested = [this] { return !OnCloseQuery || OnCloseQuery(); };
  peer_ = widgets.MakeForm(std::move(events));
  handle_.peer = peer_.get();
  peer_->SetCaption(caption_);
}

void TForm::Show() {
  MakeWindows();
  peer_->Show();
  if (server_ == nullptr) {
    server_ = FormHost()->Widgets().ListenForRequests(WindowSocketPath(handle_.className),
                                                      [this](const std::string& request) { return Answer(request); });
  }
}

std::string TForm::Answer(const std::string& request) {
  if (request == kForegroundRequest) {
    HandleEventErrors([this] { SetForegroundWindow(&handle_); });
    return kForegroundAnswer;
  }
  COPYDATASTRUCT data;
  std::string bytes;
  if (ParseCopyDataRequest(request, data.dwData, bytes)) {
    data.cbData = static_cast<DWORD>(bytes.size());
    data.lpData = bytes.data();
    bool taken = false;
    HandleEventErrors([&] { taken = OnCopyData && OnCopyData(data); });
    return taken ? "1" : "0";
  }
  return "unknown";
}

TLabel::TLabel(TForm* owner, int height) : TComponent(owner), height_(height) {
  if (TWidgetSet* widgets = LoadedWidgets(); widgets != nullptr && owner->Peer() != nullptr)
    MakeWindow(*widgets, *owner->Peer());
}

TListBox::TListBox(TForm* owner, int height, int tabOrder)
    : TWinControl(owner), handle_("TListBox"), height_(height), tabOrder_(tabOrder) {
  handle_.topLevel = false;
  if (TWidgetSet* widgets = LoadedWidgets(); widgets != nullptr && owner->Peer() != nullptr) {
    MakeWindow(*widgets, *owner->Peer());
    owner->ChainTabOrder();
  }
}

void TListBox::MakeWindow(TWidgetSet& widgets, TFormPeer& form) {
  peer_ = widgets.MakeListBox(form, height_, EventsOf(&handle_), [this] {
    HandleEventErrors([this] {
      if (OnClick) OnClick(this);
    });
  });
  handle_.peer = peer_.get();
  for (const std::string& item : items_) peer_->Add(item);
  peer_->SetItemIndex(itemIndex_);
}
