#include "platform/forms/qt/QtWidgetSet.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QInputDevice>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <cstdlib>

#include "platform/forms/qt/QtIcon.h"

namespace {
// A task posted to the loop, for a window that may be gone when it arrives.
class TaskEvent : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  TaskEvent(QObject* context, std::function<void()> task) : QEvent(Kind()), context_(context), task_(std::move(task)) {}
  void Run() const {
    if (!context_.isNull()) task_();
  }

 private:
  QPointer<QObject> context_;
  std::function<void()> task_;
};

class TaskReceiver : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() != TaskEvent::Kind()) return QObject::event(event);
    static_cast<TaskEvent*>(event)->Run();
    return true;
  }
};

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
    messages_ = std::make_unique<TaskReceiver>();
    (void)TaskEvent::Kind();
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
  // Any thread may post: an event alone crosses to the loop's thread, and the
  // posting thread is not made known to Qt.
  void Post(TControlPeer& context, std::function<void()> task) override {
    QCoreApplication::postEvent(messages_.get(),
                                new TaskEvent(static_cast<QObject*>(context.Native()), std::move(task)));
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
  // Receives the posted activation messages and tasks; they die with it.
  std::unique_ptr<QObject> messages_;
  std::function<void()> activated_;
};
}  // namespace

TWidgetSet* MakeQtWidgetSet(int& argc, char** argv) { return new QtWidgetSet(argc, argv); }
