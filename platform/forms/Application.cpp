#include "platform/forms/Application.h"

#include <utility>

#include "platform/forms/WidgetSetModule.h"
#include "platform/winapi/MessageBox.h"
#include "platform/winapi/Window.h"

namespace {
TApplication* g_application = nullptr;
}  // namespace

TApplication* Application() { return g_application; }

TApplication::TApplication(int& argc, char** argv) : argc_(argc), argv_(argv) {
  PrepareWindowSystem();
  g_application = this;
  SetFormHost(this);
  if (LinkedWidgetSet() != nullptr) Widgets();
}

TApplication::~TApplication() {
  widgets_.reset();
  if (g_application == this) g_application = nullptr;
  if (FormHost() == this) SetFormHost(nullptr);
}

void TApplication::SetIcon(std::string svg) {
  icon_ = std::move(svg);
  if (widgets_ != nullptr) widgets_->SetIcon(icon_);
}

TWidgetSet& TApplication::Widgets() {
  if (widgets_ == nullptr) {
    widgets_.reset(WidgetSetFactory()(argc_, argv_));
    if (!icon_.empty()) widgets_->SetIcon(icon_);
    widgets_->SetActivationHandler([this] {
      HandleEventErrors([this] {
        if (OnActivate) OnActivate(nullptr);
      });
    });
  }
  return *widgets_;
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
  if (!terminated_) Widgets().Run();
}

void TApplication::Terminate() {
  terminated_ = true;
  if (widgets_ != nullptr) widgets_->Quit();
}

void TApplication::ProcessMessages() {
  if (widgets_ != nullptr) widgets_->ProcessMessages();
}

void TApplication::BringToFront() {
  if (mainForm_ != nullptr) SetForegroundWindow(mainForm_->Handle());
}

void TApplication::ShowException(const std::exception& error) {
  MessageBoxA(mainForm_ != nullptr ? mainForm_->Handle() : nullptr, error.what(), Title.c_str(), MB_ICONERROR);
}
