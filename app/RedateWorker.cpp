#include "app/RedateWorker.h"

#include <utility>

TRedateWorker::TRedateWorker(TRedateEvents events, HWND ownerWindow, bool dryRun)
    : events_(std::move(events)), ownerWindow_(ownerWindow), dryRun_(dryRun), thread_([this] { Loop(); }) {}

TRedateWorker::~TRedateWorker() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    next_.reset();
  }
  wake_.notify_all();
  thread_.join();
}

void TRedateWorker::Start(int run, std::vector<TRedateTask> tasks) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    next_ = TJob{run, std::move(tasks)};
    stop_ = false;
  }
  wake_.notify_all();
}

void TRedateWorker::Stop() {
  // A run still waiting is taken up and ends at once, stopped: every run
  // started is told to have ended.
  const std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
}

bool TRedateWorker::Interrupted() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return quit_ || stop_ || next_.has_value();
}

void TRedateWorker::Loop() {
  for (;;) {
    TJob job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return quit_ || next_.has_value(); });
      if (quit_) return;
      job = std::move(*next_);
      next_.reset();
    }
    bool stopped = false;
    std::exception_ptr error;
    try {
      for (const TRedateTask& task : job.tasks) {
        if (Interrupted()) {
          stopped = true;
          break;
        }
        events_.begun(job.run, task.row);
        // No owner: the archive component lives on this thread alone.
        events_.done(job.run, task.row, RedateFile(task.path, nullptr, ownerWindow_, dryRun_));
      }
    } catch (...) {
      error = std::current_exception();
    }
    events_.ended(job.run, stopped, error);
  }
}
