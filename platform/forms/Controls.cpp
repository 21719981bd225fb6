#include "platform/forms/Controls.h"

#include <algorithm>
#include <vector>

#include "platform/forms/FormHost.h"
#include "platform/rtl/Exception.h"
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

// The window system when it is loaded; windows wait for it otherwise.
TWidgetSet* LoadedWidgets() {
  TFormHost* host = FormHost();
  return host != nullptr && host->WidgetsLoaded() ? &host->Widgets() : nullptr;
}
}  // namespace

TForm::TForm(TComponent* owner, const std::string& className) : TWinControl(owner), handle_(className) {
  handle_.bringToFront = [this] {
    if (peer_ != nullptr) peer_->BringToFront();
  };
  if (TFormHost* host = FormHost()) host->SetMainForm(this);
  if (TWidgetSet* widgets = LoadedWidgets()) MakeFormWindow(*widgets);
}

TForm::~TForm() {
  if (TFormHost* host = FormHost()) host->FormDestroyed(this);
  server_.reset();
  // The controls' windows live inside the form's: free them first.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
}

void TForm::MakeFormWindow(TWidgetSet& widgets) {
  TWindowEvents events = EventsOf(&handle_);
  events.closeRequested = [this] { return !OnCloseQuery || OnCloseQuery(); };
  peer_ = widgets.MakeForm(std::move(events));
  handle_.peer = peer_.get();
  peer_->SetCaption(caption_);
}

void TForm::Close() {
  if (peer_ != nullptr) peer_->Close();
}

void TForm::MakeWindows() {
  TFormHost* host = FormHost();
  if (host == nullptr) throw Exception("There is no application to make windows with");
  TWidgetSet& widgets = host->Widgets();
  bool made = false;
  if (peer_ == nullptr) {
    MakeFormWindow(widgets);
    made = true;
  }
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* control = dynamic_cast<TFormControl*>(Components(i)); control != nullptr && control->Peer() == nullptr) {
      control->MakeWindow(widgets, *peer_);
      made = true;
    }
  if (made) ChainTabOrder();
}

void TForm::ChainTabOrder() {
  if (peer_ == nullptr) return;
  std::vector<TListBox*> lists;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TListBox*>(Components(i)); list != nullptr && list->Peer() != nullptr)
      lists.push_back(list);
  std::stable_sort(lists.begin(), lists.end(),
                   [](const TListBox* a, const TListBox* b) { return a->TabOrder() < b->TabOrder(); });
  std::vector<TControlPeer*> order;
  for (TListBox* list : lists) order.push_back(list->Peer());
  peer_->SetTabOrder(order);
}

void TForm::LoadedAll() {
  for (int i = 0; i < ComponentCount(); ++i) Components(i)->Loaded();
  Loaded();
}

void TForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (peer_ != nullptr) peer_->SetCaption(caption);
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
  if (request == "foreground") {
    HandleEventErrors([this] { SetForegroundWindow(&handle_); });
    return "ok";
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

void TForm::Post(std::function<void()> task) {
  if (TFormHost* host = FormHost(); host != nullptr && peer_ != nullptr) host->Widgets().Post(*peer_, std::move(task));
}

bool TForm::Visible() const { return peer_ != nullptr && peer_->Visible(); }

TLabel::TLabel(TForm* owner, int height) : TComponent(owner), height_(height) {
  if (TWidgetSet* widgets = LoadedWidgets(); widgets != nullptr && owner->Peer() != nullptr)
    MakeWindow(*widgets, *owner->Peer());
}

void TLabel::MakeWindow(TWidgetSet& widgets, TFormPeer& form) {
  peer_ = widgets.MakeLabel(form, height_, [this] {
    HandleEventErrors([this] {
      if (OnDblClick) OnDblClick(this);
    });
  });
  peer_->SetFont(color_, bold_);
  peer_->SetCaption(caption_);
}

void TLabel::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (peer_ != nullptr) peer_->SetCaption(caption);
}

void TLabel::SetFont(TColor color, bool bold) {
  color_ = color;
  bold_ = bold;
  if (peer_ != nullptr) peer_->SetFont(color, bold);
}

TListBox::TListBox(TForm* owner, int height, int tabOrder)
    : TWinControl(owner), handle_("TListBox"), height_(height), tabOrder_(tabOrder) {
  handle_.topLevel = false;
  if (TWidgetSet* widgets = LoadedWidgets(); widgets != nullptr && owner->Peer() != nullptr) {
    MakeWindow(*widgets, *owner->Peer());
    owner->ChainTabOrder();
  }
}

TListBox::~TListBox() = default;

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

void TListBox::Add(const std::string& item) {
  items_.push_back(item);
  if (peer_ != nullptr) peer_->Add(item);
}

void TListBox::Clear() {
  items_.clear();
  itemIndex_ = -1;
  if (peer_ != nullptr) peer_->Clear();
}

std::string TListBox::Item(int index) const {
  return index < 0 || index >= Count() ? std::string() : items_[static_cast<std::size_t>(index)];
}

int TListBox::ItemIndex() const { return peer_ != nullptr ? peer_->ItemIndex() : itemIndex_; }

void TListBox::SetItemIndex(int index) {
  itemIndex_ = index >= 0 && index < Count() ? index : -1;
  if (peer_ != nullptr) peer_->SetItemIndex(index);
}
