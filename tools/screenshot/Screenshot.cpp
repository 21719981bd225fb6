// Renders the main window after a run to a PNG: the paths given are dropped
// on the window through Qt's drop events, as from the desktop, and the window
// is grabbed once the run has ended. Works without a display (offscreen).
//   dovanel-screenshot OUT.png PATH...
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPixmap>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <memory>

#include "app/dvmain.h"
#include "platform/forms/Application.h"
#include "platform/forms/qt/QtWidgetSet.h"
#include "platform/rtl/CommandLine.h"

namespace {
bool Drop(QWidget* target, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  const QPoint at(target->width() / 2, target->height() / 2);
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUT.png PATH...\n", argv[0]);
    return 2;
  }
  SetCommandLine(std::vector<std::string>{"dovanel"});
  LinkQtWidgetSet();
  TApplication application(argc, argv);
  application.Title = "DOVANEL For Archiver";
  const auto form = std::make_unique<Tdovanel>(nullptr);
  form->Show();
  form->AppActivate(nullptr);  // as the first activation would, before any drop
  QApplication::processEvents();

  QList<QUrl> urls;
  for (int i = 2; i < argc; ++i) urls.push_back(QUrl::fromLocalFile(QFile::decodeName(argv[i])));
  if (!Drop(form->Widget(), urls)) {
    std::fprintf(stderr, "the window did not take the drop\n");
    return 1;
  }
  QApplication::processEvents();
  if (!form->Widget()->grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s\n", argv[1]);
  return 0;
}
