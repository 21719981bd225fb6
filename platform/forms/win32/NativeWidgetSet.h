// The window system of Windows: native windows of the system's classes (a
// STATIC label, LISTBOXes) on a form of a window class of its own, which
// another instance finds with FindWindowA and hands data with WM_COPYDATA.
// Drops reach the form's window procedure as the shell sends them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/forms/WidgetSet.h"
#include "platform/winapi/Window.h"

// Answers WM_COPYDATA: true when the form took the data.
using TCopyDataHandler = std::function<bool(const COPYDATASTRUCT& data)>;

class TNativeWidgetSet : public TWidgetSet {
 public:
  TNativeWidgetSet();
  ~TNativeWidgetSet() override;

  // A form of the window class `className`, hidden until shown.
  std::unique_ptr<TFormPeer> MakeClassForm(const std::string& className, TWindowEvents events,
                                           TCopyDataHandler copyData);
  // The system's window of a peer made here.
  static HWND WindowOf(const TControlPeer& peer) { return static_cast<HWND>(peer.Native()); }

  std::unique_ptr<TFormPeer> MakeForm(TWindowEvents events) override;
  std::unique_ptr<TLabelPeer> MakeLabel(TFormPeer& form, int height, std::function<void()> doubleClicked) override;
  std::unique_ptr<TListBoxPeer> MakeListBox(TFormPeer& form, int height, TWindowEvents events,
                                            std::function<void()> selectionChanged) override;
  // Another instance reaches a form by its window class and messages, not
  // through a socket: nothing listens.
  std::unique_ptr<TPeerObject> ListenForRequests(const std::string& socketPath,
                                                 std::function<std::string(const std::string&)> answer) override;
  void Post(TControlPeer& context, std::function<void()> task) override;
  void Run() override;
  void Quit() override;
  void ProcessMessages() override;
  void SetActivationHandler(std::function<void()> activated) override;
  void MessageBox(TControlPeer* owner, const std::string& text, const std::string& caption, bool error) override;

  // The form's side (NativeWidgetSet.cpp).
  void RunTask(std::uint64_t id);
  void DropTasksOf(HWND form);
  void FormOpened() { ++openForms_; }
  void FormClosed();
  void Activated(HWND form);
  HFONT Font(bool bold) const { return bold ? boldFont_ : font_; }

 private:
  void Dispatch(MSG& message);

  struct TTask {
    HWND form;
    std::function<void()> run;
  };
  std::map<std::uint64_t, TTask> tasks_;
  std::uint64_t nextTask_ = 1;
  std::set<std::wstring> classes_;
  std::function<void()> activated_;
  int openForms_ = 0;
  HFONT font_ = nullptr;
  HFONT boldFont_ = nullptr;
};

// The factory the program links (WidgetSetModule).
TWidgetSet* MakeNativeWidgetSet(int& argc, char** argv);
