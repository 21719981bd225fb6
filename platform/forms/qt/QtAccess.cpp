// The Qt widgets behind the controls, for programs that link the Qt widget
// set themselves (tests, the screenshot tool).
#include <QLabel>
#include <QListWidget>
#include <QWidget>

#include "platform/forms/Controls.h"
#include "platform/forms/WidgetSetModule.h"
#include "platform/forms/qt/QtWidgetSet.h"

namespace {
template <typename Widget>
Widget* NativeOf(const TControlPeer* peer) {
  return peer != nullptr ? static_cast<Widget*>(peer->Native()) : nullptr;
}
}  // namespace

QWidget* TForm::Widget() const { return NativeOf<QWidget>(Peer()); }
QLabel* TLabel::Widget() const { return NativeOf<QLabel>(Peer()); }
QListWidget* TListBox::Widget() const { return NativeOf<QListWidget>(Peer()); }

void LinkQtWidgetSet() { LinkWidgetSet(MakeQtWidgetSet); }
