// The application object: title, main form, message loop, one pass over
// pending messages, terminate request, activation event, error report. The
// window system behind it is loaded the first time something is shown.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/FormHost.h"
#include "platform/forms/WidgetSet.h"

class TApplication : public TFormHost {
 public:
  // Chooses the window system's platform (offscreen when there is no
  // display) and makes nothing yet, unless a window system is linked in.
  TApplication(int& argc, char** argv);
  ~TApplication();

  std::string Title;
  bool ShowMainForm = true;
  // The program's icon (SVG text) for its windows, given to the window
  // system now or when it is loaded.
  void SetIcon(std::string svg);
  // Runs from the message loop each time the application becomes the
  // active one of the desktop (posted, never inside the platform's report).
  TNotifyEvent OnActivate;
  // Sets OnActivate for a form's method: it is dropped when the form goes.
  void HookActivate(TForm* form, TNotifyEvent handler);

  void SetMainForm(TForm* form) override;
  TForm* MainForm() const { return mainForm_; }
  void FormDestroyed(TForm* form) override;
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Nothing to do while no window system is loaded: there is no window yet.
  void ProcessMessages();
  void BringToFront();
  // The standard error report: a box with the error's text, captioned with the title.
  void ShowException(const std::exception& error) override;
  // True when there is no screen to show anything on (the offscreen platform).
  bool Headless() const;

  TWidgetSet& Widgets() override;
  bool WidgetsLoaded() const override { return widgets_ != nullptr; }

 private:
  int& argc_;
  char** argv_;
  std::unique_ptr<TWidgetSet> widgets_;
  TForm* mainForm_ = nullptr;
  TForm* activateForm_ = nullptr;
  std::string icon_;
  bool terminated_ = false;
};

// True when neither a display (DISPLAY, WAYLAND_DISPLAY) nor a window platform
// (QT_QPA_PLATFORM) is there: a window would be drawn offscreen, seen by nobody.
// Asked before the application object is made, which then picks offscreen.
bool NothingToShowOn();

// True when the window system can start on the display chosen, or when no
// screen is to be used (the offscreen platform). A display that cannot be
// reached makes a toolkit end the process, so the start is tried in a child
// process first. Asked before the application object is made.
bool WindowSystemStarts(int argc, char** argv);
// From now on nothing is drawn on a screen: windows and boxes go offscreen.
void ChooseNoScreen();

// Chooses the window platform and how boxes are shown, as the application
// object is made.
void PrepareWindowSystem();

// The one application object of the process, once made.
TApplication* Application();
