#include "platform/forms/Application.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

#include "platform/winapi/MessageBox.h"

namespace {
TApplication* g_application = nullptr;

void ChoosePlatform() {
  // A server with no display still runs the program (and every test).
  if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
      std::getenv("WAYLAND_DISPLAY") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
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
  g_application = this;
  // Boxes are drawn by Qt from now on; tests put their own handler in after this.
  SetMessageBoxHandler(ShowQtBox);
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive && OnActivate) OnActivate(nullptr);
  });
}

TApplication::~TApplication() {
  if (g_application == this) g_application = nullptr;
}

void TApplication::SetMainForm(TForm* form) {
  if (mainForm_ == nullptr) mainForm_ = form;
}

void TApplication::FormDestroyed(TForm* form) {
  if (mainForm_ == form) mainForm_ = nullptr;
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
  if (mainForm_ == nullptr) return;
  QWidget* widget = mainForm_->Widget();
  widget->raise();
  widget->activateWindow();
}

void TApplication::ShowException(const std::exception& error) {
  MessageBoxA(mainForm_ != nullptr ? mainForm_->Handle() : nullptr, error.what(), Title.c_str(), MB_ICONERROR);
}

bool TApplication::Headless() const {
  const QString platform = QGuiApplication::platformName();
  return platform == "offscreen" || platform == "minimal";
}
