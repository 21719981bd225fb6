#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <vector>

#include "platform/forms/qt/QtWidgetSet.h"

namespace {
// The stored 19-pixel "System" font, as a face that holds Japanese: 13 pixels
// of em give a Noto CJK line of 19 pixels, inside the 18-pixel rows with the
// descent shared.
constexpr int kFontPixels = 13;
// The list rows of the stored layout, in pixels.
constexpr int kListRowHeight = 18;

QFont SystemFont(bool bold) {
  QFont font;
  font.setFamilies({"Noto Sans CJK JP", "Noto Sans JP", "IPAGothic", "Sans Serif"});
  font.setPixelSize(kFontPixels);
  font.setBold(bold);
  return font;
}

QString FromBytes(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A local file's path as the file system's bytes: taken from the address's
// escapes, so that a name that is no valid UTF-8 arrives unchanged.
std::string LocalPath(const QUrl& url) {
  if (!url.host().isEmpty() && url.host() != "localhost") return QFile::encodeName(url.toLocalFile()).toStdString();
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

std::vector<std::string> DroppedFiles(const QMimeData* mime) {
  std::vector<std::string> files;
  if (mime == nullptr || !mime->hasUrls()) return files;
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    std::string path = LocalPath(url);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (!path.empty()) files.push_back(path);
  }
  return files;
}

// Turns Qt's drag and drop on a widget into the window's drop report.
class DropBridge : public QObject {
 public:
  DropBridge(QWidget* widget, TWindowEvents events) : QObject(widget), events_(std::move(events)) {
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (Takes(drag->mimeData()))
          drag->acceptProposedAction();
        else
          drag->ignore();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!Takes(drop->mimeData())) {
          drop->ignore();
          return true;
        }
        drop->acceptProposedAction();
        const QPoint at = drop->position().toPoint();
        const TDropHandler dropped = events_.dropped;  // the handler may free this bridge
        if (dropped) dropped(DroppedFiles(drop->mimeData()), at.x(), at.y());
        return true;
      }
      default: return false;
    }
  }

 private:
  bool Takes(const QMimeData* mime) const {
    return events_.acceptsFiles && events_.acceptsFiles() && !DroppedFiles(mime).empty();
  }

  TWindowEvents events_;
};

// Asks the form before the window closes; a refusal keeps it open.
class CloseBridge : public QObject {
 public:
  CloseBridge(QWidget* widget, std::function<bool()> closeRequested)
      : QObject(widget), closeRequested_(std::move(closeRequested)) {
    widget->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Close || !closeRequested_) return false;
    const std::function<bool()> ask = closeRequested_;  // the handler may free this bridge
    if (ask()) return false;
    event->ignore();
    return true;
  }

 private:
  std::function<bool()> closeRequested_;
};

class QtForm : public TFormPeer {
 public:
  explicit QtForm(TWindowEvents events) {
    new CloseBridge(&widget_, events.closeRequested);
    new DropBridge(&widget_, std::move(events));
    auto* layout = new QVBoxLayout(&widget_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    widget_.setFont(SystemFont(false));
    // Qt's window colour is the desktop's button face, as the stored layout asks.
    // The stored 435 x 457 is the outer size of a sizable window (4-pixel
    // borders, a 19-pixel caption); Qt sizes the client area.
    widget_.move(13, 13);
    widget_.resize(435 - 2 * 4, 457 - 2 * 4 - 19);
  }

  void* Native() const override { return const_cast<QWidget*>(&widget_); }
  QVBoxLayout* Layout() { return static_cast<QVBoxLayout*>(widget_.layout()); }
  void SetCaption(const std::string& caption) override { widget_.setWindowTitle(FromBytes(caption)); }
  void Show() override { widget_.show(); }
  bool Visible() const override { return widget_.isVisible(); }
  void BringToFront() override {
    if (widget_.isMinimized()) widget_.showNormal();
    widget_.raise();
    widget_.activateWindow();
  }
  void Close() override {
    // Posted: the window goes from the loop, dropped if the form goes first.
    QMetaObject::invokeMethod(
        &widget_, [widget = &widget_] { widget->close(); }, Qt::QueuedConnection);
  }
  void SetTabOrder(const std::vector<TControlPeer*>& controls) override {
    for (std::size_t i = 1; i < controls.size(); ++i)
      QWidget::setTabOrder(static_cast<QWidget*>(controls[i - 1]->Native()),
                           static_cast<QWidget*>(controls[i]->Native()));
  }

 private:
  QWidget widget_;
};

// The run's one-line label: a path too long for it is shown elided in the
// middle, and asks for no width, so that it never widens the window.
class RunLabel : public QLabel {
 public:
  explicit RunLabel(std::function<void()> doubleClicked) : doubleClicked_(std::move(doubleClicked)) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  }
  void SetFullText(const QString& text) {
    full_ = text;
    Refit();
  }

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QLabel::mouseDoubleClickEvent(event);
    const std::function<void()> handler = doubleClicked_;  // it may free this label
    if (handler) handler();
  }
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Refit();
  }
  void changeEvent(QEvent* event) override {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) Refit();
  }

 private:
  void Refit() {
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width());
    if (shown != text()) setText(shown);
  }

  std::function<void()> doubleClicked_;
  QString full_;
};

class QtLabel : public TLabelPeer {
 public:
  QtLabel(QtForm& form, int height, std::function<void()> doubleClicked)
      : label_(new RunLabel(std::move(doubleClicked))) {
    label_->setFixedHeight(height);
    label_->setTextFormat(Qt::PlainText);
    label_->setForegroundRole(QPalette::WindowText);  // the colour SetFont gives
    label_->setContentsMargins(2, 0, 2, 0);
    form.Layout()->addWidget(label_);
  }
  ~QtLabel() override { delete label_; }

  void* Native() const override { return label_; }
  void SetCaption(const std::string& caption) override { label_->SetFullText(FromBytes(caption)); }
  void SetFont(TColor color, bool bold) override {
    label_->setFont(SystemFont(bold));
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
    label_->setPalette(palette);
  }

 private:
  RunLabel* label_;  // in the form's layout; freed first when the label goes
};

// Qt lays a list out again on a timer after rows are added, and paints it
// before that timer in a pass over pending events; a list that gains a row
// before every pass, as ListBox3 during a run, would be painted blank until
// the run ends. The widget set lays such lists out before each pass.
class RunListWidget : public QListWidget {
 public:
  void LayOutIfPending() { executeDelayedItemsLayout(); }
};

class QtListBox : public TListBoxPeer {
 public:
  QtListBox(QtForm& form, int height, TWindowEvents events, std::function<void()> selectionChanged)
      : list_(new RunListWidget()) {
    new DropBridge(list_->viewport(), std::move(events));
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setStyleSheet(QString("QListWidget::item { height: %1px; padding: 0px 2px; }").arg(kListRowHeight));
    if (height > 0) {
      list_->setFixedHeight(height);
      form.Layout()->addWidget(list_, 0);
    } else {
      form.Layout()->addWidget(list_, 1);  // fills what the others leave
    }
    // Selection set from code is made with signals blocked, so this is the user's.
    QObject::connect(list_, &QListWidget::itemSelectionChanged, list_, [handler = std::move(selectionChanged)] {
      const std::function<void()> call = handler;  // it may free this list
      if (call) call();
    });
  }
  ~QtListBox() override { delete list_; }

  void* Native() const override { return list_; }
  void Add(const std::string& item) override {
    const QSignalBlocker quiet(list_);
    list_->addItem(FromBytes(item));
  }
  void Clear() override {
    const QSignalBlocker quiet(list_);
    list_->clear();
  }
  int ItemIndex() const override {
    const QListWidgetItem* item = list_->currentItem();
    return item != nullptr && item->isSelected() ? list_->currentRow() : -1;
  }
  void SetItemIndex(int index) override {
    const QSignalBlocker quiet(list_);
    if (index < 0 || index >= list_->count()) {
      list_->setCurrentRow(-1);
      list_->clearSelection();
    } else {
      list_->setCurrentRow(index);
      list_->scrollToItem(list_->item(index));
    }
  }

 private:
  RunListWidget* list_;
};
}  // namespace

void LayOutPendingLists() {
  for (QWidget* widget : QApplication::allWidgets())
    if (auto* list = dynamic_cast<RunListWidget*>(widget)) list->LayOutIfPending();
}

std::unique_ptr<TFormPeer> MakeQtForm(TWindowEvents events) { return std::make_unique<QtForm>(std::move(events)); }

std::unique_ptr<TLabelPeer> MakeQtLabel(TFormPeer& form, int height, std::function<void()> doubleClicked) {
  return std::make_unique<QtLabel>(static_cast<QtForm&>(form), height, std::move(doubleClicked));
}

std::unique_ptr<TListBoxPeer> MakeQtListBox(TFormPeer& form, int height, TWindowEvents events,
                                            std::function<void()> selectionChanged) {
  return std::make_unique<QtListBox>(static_cast<QtForm&>(form), height, std::move(events),
                                     std::move(selectionChanged));
}
