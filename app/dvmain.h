// The main window: three lists kept row by row in step (each file, its time
// before the run, its new time or why none was set) under a one-line label,
// and the re-dating run that fills them.
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/NewCtrls.h"
#include "app/QuietReport.h"
#include "app/RedateWorker.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Strings.h"

class Tdovanel : public TForm {
 public:
  // The window class a second start finds the running window by.
  static constexpr const char* kClassName = "Tdovanel";

  // Creating the form runs FormCreate, and so the command line's run.
  explicit Tdovanel(TComponent* owner);
  // Waits for the file at hand, if a run is under way.
  ~Tdovanel() override;

  TLabel* Label1;
  TListBox* ListBox1;
  TListBox* ListBox2;
  TListBox* ListBox3;
  TFileDrop* FileDrop1;

  void FormCreate(TComponent* sender);
  void Label1DblClick(TComponent* sender);
  void ListBox1Click(TComponent* sender);
  // The re-dating run over the first `num` paths of `files`. With a window it
  // goes on beside the event loop and the window fills as it goes; without
  // one (a quiet start) it is done when this returns. A run under way yields
  // to it after the file at hand.
  void FileDrop1FileDrop(TComponent* sender, int num, TStrings& files, int x, int y);
  void AppActivate(TComponent* sender);

  // The process's exit status: 0 unless a quiet run could not handle an archive.
  int ExitStatus() const { return quietReport_.ExitStatus(); }
  // True while the run the window shows has files left to examine.
  bool Running() const { return runUnderWay_; }

 private:
  // Asked when the user closes the window: during a run the window stays
  // until the file at hand is done, then closes.
  bool CloseQuery();
  // A run over paths another start handed over, as over a drop.
  void BringToFrontAndRun(TStrings& files);

  // What the window shows of the files of run `run`; a run that was
  // overtaken by a later one shows nothing more.
  void FileBegun(int run, int row);
  void FileDone(int run, int row, const TRedateResult& result);
  void RunEnded(int run, bool stopped, std::exception_ptr error);
  // The rows of folders (or their entries) that could not be read, up to `row`.
  void AddNotReadRows(int row);
  // Files done of all, in the caption.
  void ShowProgress();
  TRedateWorker& Worker();

  // The run the window shows.
  struct TRun {
    int id = 0;
    std::map<int, int> notScanned;  // row -> errno
    bool skipped = false;
    bool failed = false;
    int redated = 0;
    int left = 0;
    int notHandled = 0;
  };

  TQuietReport quietReport_;
  TRun run_;
  int runsStarted_ = 0;
  bool runUnderWay_ = false;
  bool closeAsked_ = false;
  // Made at the first run with a window; joined before the windows go.
  std::unique_ptr<TRedateWorker> worker_;
};

// A folder or an entry of one that could not be read or examined, with the
// system's errno value.
using TScanProblem = std::function<void(const std::string& path, int error)>;

// Every file below a folder, depth-first; folders themselves are not listed,
// and links to folders are not followed. What cannot be read is told to
// `problem`, in the order of the walk, and left out of the list.
void ScanFolder(const std::string& folder, TStringList& list, const TScanProblem& problem = {});

// "date | time" of a file's last-write time, as the lists show it.
std::string FileTimeText(const std::string& path);
