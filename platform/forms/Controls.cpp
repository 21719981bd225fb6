#include "platform/forms/Controls.h"

#include "platform/forms/Application.h"

#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>

namespace {
constexpr int kRowHeight = 18;
constexpr int kFontPixels = 13;  // the stored 19-pixel "System" font, as Qt measures a CJK face

QFont SystemFont(bool bold) {
  QFont font;
  font.setFamilies({"Noto Sans CJK JP", "IPAGothic", "Sans Serif"});
  font.setPixelSize(kFontPixels);
  font.setBold(bold);
  return font;
}

QVBoxLayout* LayoutOf(TForm* form) { return static_cast<QVBoxLayout*>(form->Widget()->layout()); }

class DoubleClickLabel : public QLabel {
 public:
  explicit DoubleClickLabel(TLabel* owner) : owner_(owner) {}

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QLabel::mouseDoubleClickEvent(event);
    if (owner_->OnDblClick) owner_->OnDblClick(owner_);
  }

 private:
  TLabel* owner_;
};
}  // namespace

QWidget* WidgetOf(HWND window) { return window == nullptr ? nullptr : window->widget; }

TForm::TForm(TComponent* owner) : TComponent(owner), widget_(std::make_unique<QWidget>()) {
  handle_.widget = widget_.get();
  auto* layout = new QVBoxLayout(widget_.get());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  widget_->setFont(SystemFont(false));
  widget_->move(13, 13);
  widget_->resize(435, 457);
  if (TApplication* application = Application()) application->SetMainForm(this);
}

TForm::~TForm() {
  if (TApplication* application = Application()) application->FormDestroyed(this);
  // Controls hold raw pointers into the widget tree: free them first.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
}

void TForm::SetCaption(const std::string& caption) { widget_->setWindowTitle(QString::fromUtf8(caption.c_str())); }
std::string TForm::Caption() const { return widget_->windowTitle().toStdString(); }
HWND TForm::Handle() { return &handle_; }
void TForm::Show() { widget_->show(); }
bool TForm::Visible() const { return widget_->isVisible(); }

TLabel::TLabel(TForm* owner, int height) : TComponent(owner), label_(new DoubleClickLabel(this)) {
  label_->setFixedHeight(height);
  label_->setTextFormat(Qt::PlainText);
  SetFont(clBlack, false);
  LayoutOf(owner)->addWidget(label_);
}

void TLabel::SetCaption(const std::string& caption) { label_->setText(QString::fromUtf8(caption.c_str())); }
std::string TLabel::Caption() const { return label_->text().toStdString(); }

void TLabel::SetFont(TColor color, bool bold) {
  color_ = color;
  bold_ = bold;
  label_->setFont(SystemFont(bold));
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
  label_->setPalette(palette);
}

TListBox::TListBox(TForm* owner, int height, int tabOrder) : TComponent(owner), list_(new QListWidget()) {
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setProperty("tabOrder", tabOrder);
  list_->setStyleSheet(QString("QListWidget::item { height: %1px; }").arg(kRowHeight));
  if (height > 0) {
    list_->setFixedHeight(height);
    LayoutOf(owner)->addWidget(list_, 0);
  } else {
    LayoutOf(owner)->addWidget(list_, 1);  // fills what the others leave
  }
  QObject::connect(list_, &QListWidget::currentRowChanged, [this](int) {
    if (OnClick) OnClick(this);
  });
}

void TListBox::Add(const std::string& item) { list_->addItem(QString::fromUtf8(item.c_str())); }

void TListBox::Clear() {
  const QSignalBlocker quiet(list_);
  list_->clear();
}

int TListBox::Count() const { return list_->count(); }
std::string TListBox::Item(int index) const {
  const QListWidgetItem* item = list_->item(index);
  return item == nullptr ? std::string() : item->text().toStdString();
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
