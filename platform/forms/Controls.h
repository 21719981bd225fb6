// The form and its controls, drawn with Qt Widgets.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Window.h"
#include "platform/rtl/Component.h"

class QWidget;
class QLabel;
class QListWidget;
class QVBoxLayout;
class TWindowServer;

using TColor = unsigned;  // 0x00BBGGRR, as the framework keeps colours
constexpr TColor RGB(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }
constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clRed = RGB(255, 0, 0);
constexpr TColor clPurple = RGB(128, 0, 128);

using TNotifyEvent = std::function<void(TComponent* sender)>;

// A control with a window of its own: a procedure slot, drops, a handle.
class TWinControl : public TComponent {
 public:
  using TComponent::TComponent;
  // The window exists as long as the control.
  virtual HWND Handle() = 0;
};

class TForm : public TWinControl {
 public:
  // `className` is the window class FindWindowA knows the form by.
  explicit TForm(TComponent* owner, const std::string& className = "TForm");
  ~TForm() override;

  void SetCaption(const std::string& caption);
  std::string Caption() const;
  HWND Handle() override;
  QWidget* Widget() const { return widget_.get(); }
  // Shows the window; from then on another instance can bring it forward.
  void Show();
  bool Visible() const;

 protected:
  // The after-loading step of every owned component, then of the form: run
  // once the form's controls are made and set, as when a stored layout has
  // been read.
  void LoadedAll();

 private:
  HWND__ handle_;
  std::unique_ptr<QWidget> widget_;
  std::unique_ptr<TWindowServer> server_;
};
using TCustomForm = TForm;

class TLabel : public TComponent {
 public:
  TLabel(TForm* owner, int height);
  void SetCaption(const std::string& caption);
  std::string Caption() const;
  void SetFont(TColor color, bool bold);
  TColor FontColor() const { return color_; }
  bool FontBold() const { return bold_; }
  QLabel* Widget() const { return label_; }
  TNotifyEvent OnDblClick;

 private:
  QLabel* label_;
  std::string caption_;  // as given, byte for byte
  TColor color_ = clBlack;
  bool bold_ = false;
};

class TListBox : public TWinControl {
 public:
  // height 0: fills what the other controls leave.
  TListBox(TForm* owner, int height, int tabOrder);
  ~TListBox() override;
  void Add(const std::string& item);
  void Clear();
  int Count() const;
  std::string Item(int index) const;
  // -1 when nothing is selected; setting it from code runs no handler.
  int ItemIndex() const;
  void SetItemIndex(int index);
  int TabOrder() const { return tabOrder_; }
  HWND Handle() override { return &handle_; }
  QListWidget* Widget() const { return list_; }
  // Runs when the user changes the selection.
  TNotifyEvent OnClick;

 private:
  HWND__ handle_;
  QListWidget* list_;
  int tabOrder_;
  // The rows as given: a path that is no valid UTF-8 is shown as best Qt can
  // but read back byte for byte.
  std::vector<std::string> items_;
};

// The fixed sizes of the stored layout, in pixels.
constexpr int kListRowHeight = 18;
