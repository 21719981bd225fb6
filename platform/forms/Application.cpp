#include "platform/forms/Application.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDevice>
#include <QMessageBox>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

#include "platform/rtl/Exception.h"
#include "platform/winapi/MessageBox.h"
#include "platform/winapi/Window.h"

namespace {
TApplication* g_application = nullptr;

void ChoosePlatform() {
  // A server with no display still runs the program (and every test).
  if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
      std::getenv("WAYLAND_DISPLAY") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // One pass over pending messages must deliver every kind of them, even from
  // inside a handler that a message started (a drop during a run): the GLib
  // loop does not dispatch a source again while it is in it; Qt's own does.
  if (std::getenv("QT_NO_GLIB") == nullptr) setenv("QT_NO_GLIB", "1", 1);
}

int ShowQtBox(HWND owner, const char* text, const char* caption, UINT type) {
  // Nobody could close a box on the offscreen platform: tell it on stderr.
  if (g_application != nullptr && g_application->Headless()) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return IDOK;
  }
  QMessageBox box((type & MB_ICONERROR) ? QMessageBox::Critical : QMessageBox::NoIcon,
                  QString::fromUtf8(caption), QString::fromUtf8(text), QMessageBox::Ok, WidgetOf(owner));
  box.exec();
  return IDOK;
}
}  // namespace

TApplication* Application() { return g_application; }

TApplication::TApplication(int& argc, char** argv) {
  ChoosePlatform();
  if (QApplication::instance() == nullptr) qt_ = std::make_unique<QApplication>(argc, argv);
  // Qt makes a default mouse and keyboard, children of the application, at
  // the first synthesized input event, and they leave Qt's device list when
  // freed: make that list now, so that it outlives an application object kept
  // in static storage.
  (void)QInputDevice::devices();
  messages_ = std::make_unique<QObject>();
  g_application = this;
  // Boxes are drawn by Qt from now on; tests put their own handler in after this.
  SetMessageBoxHandler(ShowQtBox);
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, messages_.get(),
                   [this](Qt::ApplicationState state) {
                     if (state != Qt::ApplicationActive) return;
                     // Post the activation to ourselves: the handler runs when the loop gets to it.
                     QMetaObject::invokeMethod(
                         messages_.get(),
                         [this] {
                           HandleEventErrors([this] {
                             if (OnActivate) OnActivate(nullptr);
                           });
                         },
                         Qt::QueuedConnection);
                   });
}

TApplication::~TApplication() {
  messages_.reset();
  if (g_application == this) g_application = nullptr;
}

void TApplication::SetMainForm(TForm* form) {
  if (mainForm_ == nullptr) mainForm_ = form;
}

void TApplication::FormDestroyed(TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
  if (activateForm_ == form) {
    activateForm_ = nullptr;
    OnActivate = nullptr;
  }
}

void TApplication::HookActivate(TForm* form, TNotifyEvent handler) {
  activateForm_ = form;
  OnActivate = std::move(handler);
}

void TApplication::Run() {
  if (terminated_) return;
  if (mainForm_ != nullptr && ShowMainForm) mainForm_->Show();
  QApplication::setQuitOnLastWindowClosed(true);
  if (!terminated_) QApplication::exec();
}

void TApplication::Terminate() {
  terminated_ = true;
  QApplication::quit();
}

void TApplication::ProcessMessages() { QApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::BringToFront() {
  if (mainForm_ != nullptr) SetForegroundWindow(mainForm_->Handle());
}

void TApplication::ShowException(const std::exception& error) {
  MessageBoxA(mainForm_ != nullptr ? mainForm_->Handle() : nullptr, error.what(), Title.c_str(), MB_ICONERROR);
}

bool TApplication::Headless() const {
  const QString platform = QGuiApplication::platformName();
  return platform == "offscreen" || platform == "minimal";
}

void HandleEventErrors(const std::function<void()>& handler) {
  try {
    try {
      handler();
    } catch (const std::exception& error) {
      if (TApplication* application = Application())
        application->ShowException(error);
      else
        std::fprintf(stderr, "%s\n", error.what());
    } catch (...) {
      const Exception unknown("Unknown error");
      if (TApplication* application = Application())
        application->ShowException(unknown);
      else
        std::fprintf(stderr, "%s\n", unknown.what());
    }
  } catch (...) {
    // The report itself failed (a box handler that raises): nothing may pass.
    std::fprintf(stderr, "error report failed\n");
  }
}

#if defined(__SANITIZE_ADDRESS__)
// Qt keeps the fonts it has loaded (fontconfig patterns, FreeType faces and
// the GUI library's cache of them) for the life of the process and never
// frees them; the leak check at exit of a sanitizer build must not count them.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libfreetype.so\n"
         "leak:libQt6Gui.so\n";
}
#endif
