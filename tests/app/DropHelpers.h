// Drops made as Qt's drag manager delivers them, for the app suite's tests.
#pragma once

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace drop_helpers {
inline QUrl LocalUrl(const std::string& path) { return QUrl::fromLocalFile(QFile::decodeName(path.c_str())); }

inline std::unique_ptr<QMimeData> FilesMime(const std::vector<std::string>& paths) {
  auto mime = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const std::string& path : paths) urls.push_back(LocalUrl(path));
  mime->setUrls(urls);
  return mime;
}

// Delivers a drag of local files entering the widget and, when it takes the
// drag, the drop; Qt delivers a drop only to the widget that took the drag.
// True when the widget took the drop.
inline bool DropFiles(QWidget* target, const std::vector<std::string>& paths, QPoint at = QPoint(10, 10)) {
  const std::unique_ptr<QMimeData> mime = FilesMime(paths);
  QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

// Queues a drag and its drop for the event loop, as a drop that arrives while
// something else runs; `mime` must outlive the delivery.
inline void PostDrop(QWidget* target, const QMimeData* mime, QPoint at = QPoint(10, 10)) {
  QApplication::postEvent(target, new QDragEnterEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
  QApplication::postEvent(target, new QDropEvent(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
}
}  // namespace drop_helpers
