// A look at the window from inside the event loop, as a repaint would take
// it: the re-dating run lets the loop run once per file, so a probe sees the
// window between two files.
#pragma once

#include <QApplication>
#include <QMetaObject>

#include <functional>
#include <memory>

// Runs each time the event loop gets to it, as a repaint would, until stopped.
class LoopProbe {
 public:
  explicit LoopProbe(std::function<void()> look) : look_(std::move(look)) { Post(); }
  ~LoopProbe() { Stop(); }
  LoopProbe(const LoopProbe&) = delete;
  LoopProbe& operator=(const LoopProbe&) = delete;
  // The call still queued does nothing.
  void Stop() { *alive_ = false; }

 private:
  void Post() {
    QMetaObject::invokeMethod(
        qApp,
        [this, alive = alive_] {
          if (!*alive) return;
          look_();
          Post();
        },
        Qt::QueuedConnection);
  }
  std::function<void()> look_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
