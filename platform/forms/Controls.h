// The form and its controls. Each keeps its own state and gets a window from
// the window system once one is needed: at once when the window system is
// already loaded, else when the form is first shown.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Component.h"
#include "platform/winapi/Window.h"

// TWindowHandle and WindowOf: what a control's handle is on this system.
#include "WindowHandle.h"

class QWidget;
class QLabel;
class QListWidget;
class TForm;

constexpr TColor RGB(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }
constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clRed = RGB(255, 0, 0);
constexpr TColor clPurple = RGB(128, 0, 128);

using TNotifyEvent = std::function<void(TComponent* sender)>;

// A control with a window of its own: a procedure slot, drops, a handle.
class TWinControl : public TComponent {
 public:
  using TComponent::TComponent;
  // The handle exists as long as the control, its window or not.
  virtual HWND Handle() = 0;
};

// A control placed on a form, below the ones made before it.
class TFormControl {
 public:
  virtual ~TFormControl() = default;
  virtual TControlPeer* Peer() const = 0;
  // Makes the control's window on the form's window and hands it the state.
  virtual void MakeWindow(TWidgetSet& widgets, TFormPeer& form) = 0;
};

class TForm : public TWinControl {
 public:
  // `className` is the window class FindWindowA knows the form by.
  explicit TForm(TComponent* owner, const std::string& className = "TForm");
  ~TForm() override;

  void SetCaption(const std::string& caption);
  std::string Caption() const { return caption_; }
  HWND Handle() override { return WindowOf(handle_); }
  // Makes the windows (loading the window system) and shows the form; from
  // then on another instance can bring it forward.
  void Show();
  bool Visible() const;
  // Closes the window, as the user would, once the loop gets to it.
  void Close();
  // Asked when the window is to close: false keeps it open.
  std::function<bool()> OnCloseQuery;
  // Data another instance hands the window (WM_COPYDATA); true when taken.
  std::function<bool(const COPYDATASTRUCT& data)> OnCopyData;
  // Runs `task` from the loop, later, unless the window is gone by then;
  // nothing without a window.
  void Post(std::function<void()> task);
  // Makes the windows of the form and its controls that are not made yet.
  void MakeWindows();
  TFormPeer* Peer() const { return peer_.get(); }
  // The Qt widget; null before the window is made. Defined with the Qt widget set.
  QWidget* Widget() const;

 protected:
  // The after-loading step of every owned component, then of the form: run
  // once the form's controls are made and set, as when a stored layout has
  // been read.
  void LoadedAll();

 private:
  friend class TListBox;
  void MakeFormWindow(TWidgetSet& widgets);
  // What another instance's request gets for an answer.
  std::string Answer(const std::string& request);
  // Tab moves through the list boxes in their stored order.
  void ChainTabOrder();

  TWindowHandle handle_;
  std::string caption_;
  std::unique_ptr<TFormPeer> peer_;
  std::unique_ptr<TPeerObject> server_;
};
using TCustomForm = TForm;

class TLabel : public TComponent, public TFormControl {
 public:
  TLabel(TForm* owner, int height);
  void SetCaption(const std::string& caption);
  std::string Caption() const { return caption_; }
  void SetFont(TColor color, bool bold);
  TColor FontColor() const { return color_; }
  bool FontBold() const { return bold_; }
  TControlPeer* Peer() const override { return peer_.get(); }
  void MakeWindow(TWidgetSet& widgets, TFormPeer& form) override;
  // The Qt widget; null before the window is made. Defined with the Qt widget set.
  QLabel* Widget() const;
  TNotifyEvent OnDblClick;

 private:
  int height_;
  std::string caption_;  // as given, byte for byte
  TColor color_ = clBlack;
  bool bold_ = false;
  std::unique_ptr<TLabelPeer> peer_;
};

class TListBox : public TWinControl, public TFormControl {
 public:
  // height 0: fills what the other controls leave.
  TListBox(TForm* owner, int height, int tabOrder);
  ~TListBox() override;
  void Add(const std::string& item);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  std::string Item(int index) const;
  // -1 when nothing is selected; setting it from code runs no handler.
  int ItemIndex() const;
  void SetItemIndex(int index);
  int TabOrder() const { return tabOrder_; }
  HWND Handle() override { return WindowOf(handle_); }
  TControlPeer* Peer() const override { return peer_.get(); }
  void MakeWindow(TWidgetSet& widgets, TFormPeer& form) override;
  // The Qt widget; null before the window is made. Defined with the Qt widget set.
  QListWidget* Widget() const;
  // Runs when the user changes the selection.
  TNotifyEvent OnClick;

 private:
  TWindowHandle handle_;
  int height_;
  int tabOrder_;
  // The rows as given: a path that is no valid UTF-8 is shown as best the
  // window system can but read back byte for byte.
  std::vector<std::string> items_;
  int itemIndex_ = -1;  // while there is no window
  std::unique_ptr<TListBoxPeer> peer_;
};
