// Renders the main window to a PNG: the paths given are dropped on the window
// through Qt's drop events, as from the desktop, and the window is saved once
// the run has ended, or, with --during N, as the screen shows it while the
// run is at its Nth file. Works without a display (offscreen).
//   dovanel-screenshot [--during N] OUT.png PATH...
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMetaObject>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// What the screen holds of the window: its last painted state, not a fresh
// rendering, so that a list the run fails to repaint shows as it is.
QPixmap AsShown(QWidget* window) { return window->screen()->grabWindow(window->winId()); }

// Grabs the window at the run's Nth pass over pending messages, which the run
// makes once per file, before looking at that file.
class DuringRun {
 public:
  DuringRun(QWidget* window, int pass) : window_(window), left_(pass) { Post(); }
  bool Taken() const { return !shot_.isNull(); }
  const QPixmap& Shot() const { return shot_; }

 private:
  void Post() {
    QMetaObject::invokeMethod(
        qApp,
        [this] {
          if (--left_ > 0) return Post();
          shot_ = AsShown(window_);
        },
        Qt::QueuedConnection);
  }
  QWidget* window_;
  int left_;
  QPixmap shot_;
};
}  // namespace

int main(int argc, char** argv) {
  int during = 0;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--during") == 0) {
    during = std::atoi(argv[2]);
    first = 3;
  }
  if (argc < first + 2 || (first == 3 && during < 1)) {
    std::fprintf(stderr, "usage: %s [--during N] OUT.png PATH...\n", argv[0]);
    return 2;
  }
  const char* out = argv[first];
  SetCommandLine(std::vector<std::string>{"dovanel"});
  LinkQtWidgetSet();
  TApplication application(argc, argv);
  application.Title = "DOVANEL For Archiver";
  const auto form = std::make_unique<Tdovanel>(nullptr);
  form->Show();
  form->AppActivate(nullptr);  // as the first activation would, before any drop
  QApplication::processEvents();

  QList<QUrl> urls;
  for (int i = first + 1; i < argc; ++i) urls.push_back(QUrl::fromLocalFile(QFile::decodeName(argv[i])));
  std::unique_ptr<DuringRun> probe;
  if (during > 0) probe = std::make_unique<DuringRun>(form->Widget(), during);
  if (!Drop(form->Widget(), urls)) {
    std::fprintf(stderr, "the window did not take the drop\n");
    return 1;
  }
  QApplication::processEvents();
  if (probe != nullptr && !probe->Taken()) {
    std::fprintf(stderr, "the run ended before its file %d\n", during);
    return 1;
  }
  const QPixmap shot = probe != nullptr ? probe->Shot() : form->Widget()->grab();
  if (!shot.save(QString::fromLocal8Bit(out), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", out);
    return 1;
  }
  std::printf("%s\n", out);
  return 0;
}
