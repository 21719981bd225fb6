#include "platform/forms/Controls.h"

#include <algorithm>
#include <vector>

#include "platform/forms/FormHost.h"
#include "platform/rtl/Exception.h"

TWidgetSet* LoadedWidgets() {
  TFormHost* host = FormHost();
  return host != nullptr && host->WidgetsLoaded() ? &host->Widgets() : nullptr;
}

TForm::~TForm() {
  if (TFormHost* host = FormHost()) host->FormDestroyed(this);
  server_.reset();
  // The controls' windows live inside the form's: free them first.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
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

void TForm::Post(std::function<void()> task) {
  if (TFormHost* host = FormHost(); host != nullptr && peer_ != nullptr) host->Widgets().Post(*peer_, std::move(task));
}

bool TForm::Visible() const { return peer_ != nullptr && peer_->Visible(); }

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

TListBox::~TListBox() = default;

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
