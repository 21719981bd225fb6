// The form and its controls, drawn with Qt Widgets.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/forms/Window.h"
#include "platform/rtl/Component.h"

class QWidget;
class QLabel;
class QListWidget;
class QVBoxLayout;

using TColor = unsigned;  // 0x00BBGGRR, as the framework keeps colours
constexpr TColor RGB(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }
constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clRed = RGB(255, 0, 0);
constexpr TColor clPurple = RGB(128, 0, 128);

using TNotifyEvent = std::function<void(TComponent* sender)>;

class TForm : public TComponent {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  void SetCaption(const std::string& caption);
  std::string Caption() const;
  HWND Handle();
  QWidget* Widget() const { return widget_.get(); }
  void Show();
  bool Visible() const;

 private:
  std::unique_ptr<QWidget> widget_;
  HWND__ handle_;
};

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
  TColor color_ = clBlack;
  bool bold_ = false;
};

class TListBox : public TComponent {
 public:
  TListBox(TForm* owner, int height, int tabOrder);
  void Add(const std::string& item);
  void Clear();
  int Count() const;
  std::string Item(int index) const;
  // -1 when nothing is selected; setting it from code runs no handler.
  int ItemIndex() const;
  void SetItemIndex(int index);
  QListWidget* Widget() const { return list_; }
  // Runs when the user changes the selection.
  TNotifyEvent OnClick;

 private:
  QListWidget* list_;
};
