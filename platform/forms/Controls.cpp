#include "platform/forms/Controls.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/WindowServer.h"
#include "platform/winapi/DragDrop.h"

namespace {
// The stored 19-pixel "System" font, as a face that holds Japanese: 13 pixels
// of em give a Noto CJK line of 19 pixels, inside the 18-pixel rows with the
// descent shared.
constexpr int kFontPixels = 13;

QFont SystemFont(bool bold) {
  QFont font;
  font.setFamilies({"Noto Sans CJK JP", "Noto Sans JP", "IPAGothic", "Sans Serif"});
  font.setPixelSize(kFontPixels);
  font.setBold(bold);
  return font;
}

QVBoxLayout* LayoutOf(TForm* form) { return static_cast<QVBoxLayout*>(form->Widget()->layout()); }

// A local file's path as the file system's bytes: taken from the address's
// escapes, so that a name that is no valid UTF-8 arrives unchanged.
std::string LocalPath(const QUrl& url) {
  if (!url.host().isEmpty() && url.host() != "localhost") return QFile::encodeName(url.toLocalFile()).toStdString();
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

// The dropped local files as ANSI bytes, a folder without its trailing "/".
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

// Turns Qt's drag and drop on a window's widget into the shell's drop
// message, sent to the window's current procedure.
class DropBridge : public QObject {
 public:
  DropBridge(QWidget* widget, HWND window) : QObject(widget), window_(window) {
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
        Deliver(DroppedFiles(drop->mimeData()), drop->position().toPoint());
        return true;
      }
      default:
        return false;
    }
  }

 private:
  bool Takes(const QMimeData* mime) const { return window_->acceptFiles && !DroppedFiles(mime).empty(); }

  void Deliver(std::vector<std::string> files, QPoint at) {
    const HDROP drop = MakeDropHandle(std::move(files), POINT{at.x(), at.y()});
    HWND window = window_;  // the handler may free this bridge with its window
    HandleEventErrors([&] { SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0); });
    // A receiver that did not release the drop leaves it to us.
    if (IsDropHandle(drop)) DragFinish(drop);
  }

  HWND window_;
};

class DoubleClickLabel : public QLabel {
 public:
  explicit DoubleClickLabel(TLabel* owner) : owner_(owner) {}

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QLabel::mouseDoubleClickEvent(event);
    HandleEventErrors([this] {
      if (owner_->OnDblClick) owner_->OnDblClick(owner_);
    });
  }

 private:
  TLabel* owner_;
};

// Tab order follows the list boxes' stored order.
void ChainTabOrder(TForm* form) {
  std::vector<TListBox*> lists;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TListBox*>(form->Components(i))) lists.push_back(list);
  std::stable_sort(lists.begin(), lists.end(),
                   [](const TListBox* a, const TListBox* b) { return a->TabOrder() < b->TabOrder(); });
  for (std::size_t i = 1; i < lists.size(); ++i) QWidget::setTabOrder(lists[i - 1]->Widget(), lists[i]->Widget());
}
}  // namespace

QWidget* WidgetOf(HWND window) { return window == nullptr ? nullptr : window->widget; }

TForm::TForm(TComponent* owner, const std::string& className)
    : TWinControl(owner), handle_(className), widget_(std::make_unique<QWidget>()) {
  handle_.widget = widget_.get();
  QWidget* widget = widget_.get();
  handle_.bringToFront = [widget] {
    if (widget->isMinimized()) widget->showNormal();
    widget->raise();
    widget->activateWindow();
  };
  new DropBridge(widget, &handle_);
  auto* layout = new QVBoxLayout(widget);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  widget->setFont(SystemFont(false));
  // Qt's window colour is the desktop's button face, as the stored layout asks.
  // The stored 435 x 457 is the outer size of a sizable window (4-pixel
  // borders, a 19-pixel caption); Qt sizes the client area.
  widget->move(13, 13);
  widget->resize(435 - 2 * 4, 457 - 2 * 4 - 19);
  if (TApplication* application = Application()) application->SetMainForm(this);
}

TForm::~TForm() {
  if (TApplication* application = Application()) application->FormDestroyed(this);
  server_.reset();
  // Controls hold raw pointers into the widget tree: free them first.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
}

void TForm::LoadedAll() {
  for (int i = 0; i < ComponentCount(); ++i) Components(i)->Loaded();
  Loaded();
}

void TForm::SetCaption(const std::string& caption) { widget_->setWindowTitle(QString::fromUtf8(caption.c_str())); }
std::string TForm::Caption() const { return widget_->windowTitle().toStdString(); }
HWND TForm::Handle() { return &handle_; }

void TForm::Show() {
  widget_->show();
  if (server_ == nullptr) server_ = std::make_unique<TWindowServer>(&handle_);
}

bool TForm::Visible() const { return widget_->isVisible(); }

TLabel::TLabel(TForm* owner, int height) : TComponent(owner), label_(new DoubleClickLabel(this)) {
  label_->setFixedHeight(height);
  label_->setTextFormat(Qt::PlainText);
  label_->setForegroundRole(QPalette::WindowText);  // the colour SetFont gives
  label_->setContentsMargins(2, 0, 2, 0);
  SetFont(clBlack, false);
  LayoutOf(owner)->addWidget(label_);
}

void TLabel::SetCaption(const std::string& caption) {
  caption_ = caption;
  label_->setText(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}
std::string TLabel::Caption() const { return caption_; }

void TLabel::SetFont(TColor color, bool bold) {
  color_ = color;
  bold_ = bold;
  label_->setFont(SystemFont(bold));
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
  label_->setPalette(palette);
}

TListBox::TListBox(TForm* owner, int height, int tabOrder)
    : TWinControl(owner), handle_("TListBox"), list_(new QListWidget()), tabOrder_(tabOrder) {
  handle_.widget = list_;
  handle_.topLevel = false;
  new DropBridge(list_->viewport(), &handle_);
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setStyleSheet(QString("QListWidget::item { height: %1px; padding: 0px 2px; }").arg(kListRowHeight));
  if (height > 0) {
    list_->setFixedHeight(height);
    LayoutOf(owner)->addWidget(list_, 0);
  } else {
    LayoutOf(owner)->addWidget(list_, 1);  // fills what the others leave
  }
  ChainTabOrder(owner);
  // Selection set from code is made with signals blocked, so this is the user's.
  QObject::connect(list_, &QListWidget::itemSelectionChanged, list_, [this] {
    HandleEventErrors([this] {
      if (OnClick) OnClick(this);
    });
  });
}

TListBox::~TListBox() { delete list_; }

void TListBox::Add(const std::string& item) {
  const QSignalBlocker quiet(list_);
  list_->addItem(QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())));
  items_.push_back(item);
}

void TListBox::Clear() {
  const QSignalBlocker quiet(list_);
  list_->clear();
  items_.clear();
}

int TListBox::Count() const { return static_cast<int>(items_.size()); }
std::string TListBox::Item(int index) const {
  return index < 0 || index >= Count() ? std::string() : items_[static_cast<std::size_t>(index)];
}

int TListBox::ItemIndex() const {
  const QListWidgetItem* item = list_->currentItem();
  return item != nullptr && item->isSelected() ? list_->currentRow() : -1;
}

void TListBox::SetItemIndex(int index) {
  const QSignalBlocker quiet(list_);
  if (index < 0 || index >= list_->count()) {
    list_->setCurrentRow(-1);
    list_->clearSelection();
  } else {
    list_->setCurrentRow(index);
  }
}
