// The files of a run re-dated one after another on a thread of their own, so
// that the window goes on answering (drags, repaints, closing) while an
// archive is listed. One file at a time, whichever run it belongs to: a run
// that is overtaken by the next one, or stopped, ends after the file at hand,
// never inside one.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Redate.h"
#include "contract/WinTypes.h"

// One file of a run: its row in the window and its path.
struct TRedateTask {
  int row = 0;
  std::string path;
};

// What the worker tells, each from its own thread, in this order per run:
// begun and done for each file it takes up, then ended once (stopped: it went
// no further than some file; error: what broke the run, if anything).
struct TRedateEvents {
  std::function<void(int run, int row)> begun;
  std::function<void(int run, int row, const TRedateResult& result)> done;
  std::function<void(int run, bool stopped, std::exception_ptr error)> ended;
};

class TRedateWorker {
 public:
  // `dryRun`: the files are examined and nothing is changed.
  TRedateWorker(TRedateEvents events, HWND ownerWindow, bool dryRun);
  // Stops after the file at hand and waits for it.
  ~TRedateWorker();
  TRedateWorker(const TRedateWorker&) = delete;
  TRedateWorker& operator=(const TRedateWorker&) = delete;

  // Runs `tasks` as run `run`; a run under way stops after its file at hand
  // and this one follows.
  void Start(int run, std::vector<TRedateTask> tasks);
  // The run under way stops after its file at hand; one waiting ends
  // without a file.
  void Stop();

 private:
  struct TJob {
    int run = 0;
    std::vector<TRedateTask> tasks;
  };
  void Loop();
  // True when the run under way is to go no further.
  bool Interrupted();

  const TRedateEvents events_;
  const HWND ownerWindow_;
  const bool dryRun_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<TJob> next_;
  bool stop_ = false;
  bool quit_ = false;
  std::thread thread_;  // last: it starts once everything above is made
};
