// The application object: title, main form, message loop, one pass over
// pending messages, terminate request, activation event, error report.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/Controls.h"

class QApplication;
class QObject;

class TApplication {
 public:
  // Starts the window system; offscreen when there is no display.
  TApplication(int& argc, char** argv);
  ~TApplication();

  std::string Title;
  bool ShowMainForm = true;
  // Runs from the message loop each time the application becomes the
  // active one of the desktop (posted, never inside the platform's report).
  TNotifyEvent OnActivate;
  // Sets OnActivate for a form's method: it is dropped when the form goes.
  void HookActivate(TForm* form, TNotifyEvent handler);

  // Makes the form the main form when it is the first.
  void SetMainForm(TForm* form);
  TForm* MainForm() const { return mainForm_; }
  // A form going away stops being the main form.
  void FormDestroyed(TForm* form);
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  void ProcessMessages();
  void BringToFront();
  // The standard error report: a box with the error's text, captioned with the title.
  void ShowException(const std::exception& error);
  // True when there is no screen to show anything on (the offscreen platform).
  bool Headless() const;

 private:
  std::unique_ptr<QApplication> qt_;
  // Receives the posted activation messages; they die with it.
  std::unique_ptr<QObject> messages_;
  TForm* mainForm_ = nullptr;
  TForm* activateForm_ = nullptr;
  bool terminated_ = false;
};

// The one application object of the process, once made.
TApplication* Application();

// Runs an event handler at the edge of a Qt event: an error that escapes it
// goes to the application's standard error report, never further.
void HandleEventErrors(const std::function<void()>& handler);
