// The main window: three lists kept row by row in step (each file, its time
// before the run, its new time or why none was set) under a one-line label,
// and the re-dating run that fills them.
#pragma once

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
  TQuietReport quietReport_;
  // Counts runs, so that a run can tell that a nested one has started.
  int runsStarted_ = 0;
};

// Every file below a folder, depth-first; folders themselves are not listed,
// and links to folders are not followed.
void ScanFolder(const std::string& folder, TStringList& list);

// "date | time" of a file's last-write time, as the lists show it.
std::string FileTimeText(const std::string& path);
