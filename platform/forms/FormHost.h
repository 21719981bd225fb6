// What the forms ask of the application that hosts them: to be the main
// form, to be forgotten when they go, the window system, the error report.
// The application object implements it and registers itself; the forms know
// nothing more of it, so the application depends on the forms, not back.
#pragma once

#include <exception>
#include <functional>

class TForm;
class TWidgetSet;

class TFormHost {
 public:
  // Makes the form the main form when it is the first.
  virtual void SetMainForm(TForm* form) = 0;
  // A form going away stops being the main form.
  virtual void FormDestroyed(TForm* form) = 0;
  // The window system, loaded at the first call; raises Exception when it
  // cannot be loaded.
  virtual TWidgetSet& Widgets() = 0;
  virtual bool WidgetsLoaded() const = 0;
  // The standard error report.
  virtual void ShowException(const std::exception& error) = 0;

 protected:
  ~TFormHost() = default;
};

// The host of the process's forms, or null before it is made and after it goes.
TFormHost* FormHost();
void SetFormHost(TFormHost* host);
// The host's window system when it is loaded; windows wait for it otherwise.
TWidgetSet* LoadedWidgets();

// Runs an event handler at the edge of a window-system event: an error that
// escapes it goes to the host's standard error report (stderr without one),
// never further.
void HandleEventErrors(const std::function<void()>& handler);
