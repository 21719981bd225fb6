// The main window: three lists kept row by row in step (each file, its time
// before the run, its new time or why none was set) under a one-line label,
// and the re-dating run that fills them.
#pragma once

#include <functional>
#include <string>

#include "app/NewCtrls.h"
#include "app/QuietReport.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Strings.h"

class Tdovanel : public TForm {
 public:
  // Creating the form runs FormCreate, and so the command line's run.
  explicit Tdovanel(TComponent* owner);

  TLabel* Label1;
  TListBox* ListBox1;
  TListBox* ListBox2;
  TListBox* ListBox3;
  TFileDrop* FileDrop1;

  void FormCreate(TComponent* sender);
  void Label1DblClick(TComponent* sender);
  void ListBox1Click(TComponent* sender);
  // The re-dating run over the first `num` paths of `files`.
  void FileDrop1FileDrop(TComponent* sender, int num, TStrings& files, int x, int y);
  void AppActivate(TComponent* sender);

  // The process's exit status: 0 unless a quiet run could not handle an archive.
  int ExitStatus() const { return quietReport_.ExitStatus(); }

 private:
  // Asked when the user closes the window: during a run the window stays
  // until the file at hand is done, then closes.
  bool CloseQuery();
  // A run over paths another start handed over, as over a drop.
  void BringToFrontAndRun(TStrings& files);

  TQuietReport quietReport_;
  // Counts runs, so that a run can tell that a nested one has started.
  int runsStarted_ = 0;
  int runsUnderWay_ = 0;
  bool closeAsked_ = false;
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
