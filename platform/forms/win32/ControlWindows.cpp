// The windows of the forms on Windows: each control's handle is its native
// window. The form's is made with the form (the window system is loaded with
// the application), hidden from other programs until shown; the controls'
// when the form is first shown, so that a run without a window needs no
// desktop. Drops and another instance's data reach the form's window
// procedure as the system sends them.
#include "platform/forms/Controls.h"
#include "platform/forms/FormHost.h"
#include "platform/forms/win32/NativeWidgetSet.h"
#include "platform/rtl/Exception.h"

namespace {
TNativeWidgetSet& Native(TWidgetSet& widgets) {
  auto* native = dynamic_cast<TNativeWidgetSet*>(&widgets);
  if (native == nullptr) throw Exception("The forms need the native window system");
  return *native;
}
}  // namespace

TForm::TForm(TComponent* owner, const std::string& className) : TWinControl(owner), handle_(className) {
  if (TFormHost* host = FormHost()) host->SetMainForm(this);
  if (TWidgetSet* widgets = LoadedWidgets()) MakeFormWindow(*widgets);
}

void TForm::MakeFormWindow(TWidgetSet& widgets) {
  TWindowEvents events;
  events.closeRequested = [this] { return !OnCloseQuery || OnCloseQuery(); };
  peer_ = Native(widgets).MakeClassForm(handle_.className, std::move(events), [this](const COPYDATASTRUCT& data) {
    bool taken = false;
    HandleEventErrors([&] { taken = OnCopyData && OnCopyData(data); });
    return taken;
  });
  handle_.window = TNativeWidgetSet::WindowOf(*peer_);
  peer_->SetCaption(caption_);
}

void TForm::Show() {
  if (peer_ == nullptr) MakeWindows();
  peer_->Show();
  MakeWindows();
}

TLabel::TLabel(TForm* owner, int height) : TComponent(owner), height_(height) {
  if (TWidgetSet* widgets = LoadedWidgets(); widgets != nullptr && owner->Visible())
    MakeWindow(*widgets, *owner->Peer());
}

TListBox::TListBox(TForm* owner, int height, int tabOrder)
    : TWinControl(owner), handle_("LISTBOX"), height_(height), tabOrder_(tabOrder) {
  if (TWidgetSet* widgets = LoadedWidgets(); widgets != nullptr && owner->Visible()) {
    MakeWindow(*widgets, *owner->Peer());
    owner->ChainTabOrder();
  }
}

void TListBox::MakeWindow(TWidgetSet& widgets, TFormPeer& form) {
  peer_ = widgets.MakeListBox(form, height_, TWindowEvents{}, [this] {
    HandleEventErrors([this] {
      if (OnClick) OnClick(this);
    });
  });
  handle_.window = TNativeWidgetSet::WindowOf(*peer_);
  for (const std::string& item : items_) peer_->Add(item);
  peer_->SetItemIndex(itemIndex_);
}
