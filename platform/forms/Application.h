// The application object: title, main form, message loop, one pass over
// pending messages, terminate request, activation event, error report.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/Controls.h"

class QApplication;

class TApplication {
 public:
  // Starts the window system; offscreen when there is no display.
  TApplication(int& argc, char** argv);
  ~TApplication();

  std::string Title;
  bool ShowMainForm = true;
  TNotifyEvent OnActivate;

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
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
};

// The one application object of the process, once made.
TApplication* Application();
