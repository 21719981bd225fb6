#include "platform/forms/qt/QtWidgetSet.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDevice>
#include <QMessageBox>
#include <QWidget>

#include <cstdlib>

#include "platform/forms/qt/QtIcon.h"

namespace {
class QtWidgetSet : public TWidgetSet {
 public:
  QtWidgetSet(int& argc, char** argv) {
    // One pass over pending messages must deliver every kind of them, even from
    // inside a handler that a message started (a drop during a run): the GLib
    // loop does not dispatch a source again while it is in it; Qt's own does.
    if (std::getenv("QT_NO_GLIB") == nullptr) setenv("QT_NO_GLIB", "1", 1);
    if (QApplication::instance() == nullptr) qt_ = std::make_unique<QApplication>(argc, argv);
    // Qt makes a default mouse and keyboard, children of the application, at
    // the first synthesized input event, and they leave Qt's device list when
    // freed: make that list now, so that it outlives an application object kept
    // in static storage.
    (void)QInputDevice::devices();
    messages_ = std::make_unique<QObject>();
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, messages_.get(),
                     [this](Qt::ApplicationState state) {
                       if (state != Qt::ApplicationActive) return;
                       // Posted: the handler runs when the loop gets to it, never inside the report.
                       QMetaObject::invokeMethod(
                           messages_.get(),
                           [this] {
                             const std::function<void()> handler = activated_;
                             if (handler) handler();
                           },
                           Qt::QueuedConnection);
                     });
  }
  ~QtWidgetSet() override { messages_.reset(); }

  std::unique_ptr<TFormPeer> MakeForm(TWindowEvents events) override { return MakeQtForm(std::move(events)); }
  std::unique_ptr<TLabelPeer> MakeLabel(TFormPeer& form, int height, std::function<void()> doubleClicked) override {
    return MakeQtLabel(form, height, std::move(doubleClicked));
  }
  std::unique_ptr<TListBoxPeer> MakeListBox(TFormPeer& form, int height, TWindowEvents events,
                                            std::function<void()> selectionChanged) override {
    return MakeQtListBox(form, height, std::move(events), std::move(selectionChanged));
  }
  std::unique_ptr<TPeerObject> ListenForRequests(const std::string& socketPath,
                                                 std::function<std::string(const std::string&)> answer) override {
    return ListenWithQt(socketPath, std::move(answer));
  }
  void Post(TControlPeer& context, std::function<void()> task) override {
    QMetaObject::invokeMethod(static_cast<QObject*>(context.Native()), std::move(task), Qt::QueuedConnection);
  }

  void Run() override {
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::exec();
  }
  void Quit() override { QApplication::quit(); }
  void ProcessMessages() override {
    LayOutPendingLists();
    QApplication::processEvents(QEventLoop::AllEvents);
  }
  void SetActivationHandler(std::function<void()> activated) override { activated_ = std::move(activated); }
  void SetIcon(const std::string& svg) override { QApplication::setWindowIcon(IconFromSvg(svg)); }

  void MessageBox(TControlPeer* owner, const std::string& text, const std::string& caption, bool error) override {
    QMessageBox box(error ? QMessageBox::Critical : QMessageBox::NoIcon, QString::fromUtf8(caption.c_str()),
                    QString::fromUtf8(text.c_str()), QMessageBox::Ok,
                    owner != nullptr ? static_cast<QWidget*>(owner->Native()) : nullptr);
    box.exec();
  }

 private:
  std::unique_ptr<QApplication> qt_;
  // Receives the posted activation messages; they die with it.
  std::unique_ptr<QObject> messages_;
  std::function<void()> activated_;
};
}  // namespace

TWidgetSet* MakeQtWidgetSet(int& argc, char** argv) { return new QtWidgetSet(argc, argv); }
