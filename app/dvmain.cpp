#include "app/dvmain.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "app/Arguments.h"
#include "app/HandOver.h"
#include "app/ProgramInfo.h"
#include "app/Redate.h"
#include "app/StartMode.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/CommandLine.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Translate.h"
#include "platform/winapi/MessageBox.h"

namespace {
const char* const kSkippedMessage = "Some archives were skipped: their library is missing";
// Some archives keep a time that is not their newest entry's, and not by choice.
const char* const kFailedMessage = "The dates of some archives could not be set";

}  // namespace

std::string FileTimeText(const std::string& path) {
  TDateTime moment;
  // A file that vanished or cannot be read still gets its row.
  if (!FileAgeDateTime(path, moment)) return Translate("Unknown");
  return DateTimeText(moment, moment);
}

void ScanFolder(const std::string& folder, TStringList& list, const TScanProblem& problem) {
  struct Walker {
    TStringList& list;
    const TScanProblem& problem;
    void Tell(const std::string& path, int error) const {
      if (problem) problem(path, error);
    }
    void Walk(const std::string& path) {
      const std::string folder = IncludeTrailingPathDelimiter(path);
      TSearchRec rec;
      struct Closer {
        TSearchRec& rec;
        ~Closer() { FindClose(rec); }
      } closer{rec};
      int found = FindFirst(folder + "*.*", faAnyFile, rec);
      // A folder that is gone by now was emptied meanwhile; any other refusal hides files.
      if (found != 0 && found != ENOENT) Tell(folder, found);
      for (; found == 0; found = FindNext(rec)) {
        if (rec.Name == "." || rec.Name == "..") continue;
        if (rec.Error != 0) {
          Tell(folder + rec.Name, rec.Error);
          continue;
        }
        const bool isFolder = (rec.Attr & faDirectory) != 0;
        const std::string full = folder + rec.Name + (isFolder ? std::string(1, PathDelim) : std::string());
        // What the listing saw of the entry itself answers for all but links.
        const bool exists = (rec.Attr & faSymLink) != 0 ? FileExists(full) : IsRegularFile(rec);
        if (exists) list.Add(full);
        if (isFolder) Walk(full);
      }
    }
  };
  list.Clear();
  Walker{list, problem}.Walk(folder);
}

Tdovanel::Tdovanel(TComponent* owner) : TForm(owner, kClassName) {
  Name = "dovanel";
  SetCaption("DV");
  Label1 = new TLabel(this, 18);
  Label1->SetFont(clRed, false);
  ListBox1 = new TListBox(this, 127, 0);
  ListBox2 = new TListBox(this, 0, 1);
  ListBox3 = new TListBox(this, 144, 2);
  FileDrop1 = new TFileDrop(this);
  Label1->OnDblClick = [this](TComponent* sender) { Label1DblClick(sender); };
  ListBox1->OnClick = [this](TComponent* sender) { ListBox1Click(sender); };
  FileDrop1->OnFileDrop = [this](TComponent* sender, int num, TStrings& files, int x, int y) {
    FileDrop1FileDrop(sender, num, files, x, y);
  };
  OnCloseQuery = [this] { return CloseQuery(); };
  // Paths handed over by a second start are taken as a drop, from the loop:
  // the second start hears at once that they were taken, and a run under way
  // yields to them as to a drop.
  OnCopyData = [this](const COPYDATASTRUCT& data) {
    std::vector<std::string> paths = UnpackPaths(data);
    if (paths.empty()) return false;
    // clang-format off
    Post([this, paths = std::move(paths)] {
      TStringList files;
      for (const std::string& path : paths) files.Add(path);
      BringToFrontAndRun(files);
    });
    return true;
  };
  // The stored layout is read: FileDrop1 hooks the form's window now, before
  // the command line's run.
  LoadedAll();
  FormCreate(this);
}

void Tdovanel::FormCreate(TComponent*) {
  TApplication* application = Application();
  SetCaption(application != nullptr ? application->Title : ProgramName());
  if (application != nullptr) application->HookActivate(this, [this](TComponent* sender) { AppActivate(sender); });
  bool quit = false;
  if (ParamCount() >= 1) {
    TStringList paths;
    const TArguments arguments = CommandLineArguments();
    for (const std::string& path : arguments.paths) paths.Add(path);
    quit = arguments.quiet;
    quietReport_.Describe(stdout, arguments.verbose, arguments.dryRun);
    // A start with no display runs as quietly, and tells as much.
    if (quit || StartedMode() == TStartMode::NoDisplay) quietReport_.Start(stderr);
    // The window comes first and fills as the run goes. A window system that
    // cannot be loaded leaves the run to go on without a window; the same
    // error ends the start when the window is shown.
    if (!quietReport_.Started() && paths.Count() > 0 && application != nullptr) {
      try {
        MakeWindows();
      } catch (const std::exception&) {
      }
    }
    if (paths.Count() > 0) {
      try {
        FileDrop1FileDrop(nullptr, paths.Count(), paths, 0, 0);
      } catch (const std::exception& error) {
        // The label still names the file the run was at.
        quietReport_.RunBroken(Label1->Caption(), error);
        if (application != nullptr) application->ShowException(error);
        // The window stays to show the rows made before the error, unless
        // there is no display to show it on.
        if (application == nullptr || !application->Headless()) return;
      }
    }
  }
  if (quit && application != nullptr) {
    application->ShowMainForm = false;
    application->Terminate();
  }
}

Tdovanel::~Tdovanel() { worker_.reset(); }

void Tdovanel::FileDrop1FileDrop(TComponent*, int num, TStrings& files, int, int) {
  ListBox2->Clear();
  ListBox3->Clear();
  SetCaption(Translate("running..."));
  ListBox1->Clear();
  run_ = TRun{};
  run_.id = ++runsStarted_;
  runUnderWay_ = true;

  const auto addFileRow = [&](const std::string& path) {
    ListBox1->Add(path);
    ListBox2->Add(FileTimeText(path));
  };
  const auto addProblemRow = [&](const std::string& path, int error) {
    run_.notScanned[ListBox1->Count()] = error;
    addFileRow(path);
    quietReport_.NotScanned(path, error);
  };
  for (int i = 0; i < num && i < files.Count(); ++i) {
    const std::string path = files[i];
    if (FileExists(path)) {
      addFileRow(path);
    } else if (DirectoryExists(path)) {
      TStringList found;
      std::map<int, int> problems;  // index in `found` -> errno
      ScanFolder(path, found, [&](const std::string& problem, int error) {
        problems[found.Count()] = error;
        found.Add(problem);
      });
      for (int f = 0; f < found.Count(); ++f) {
        if (const auto problem = problems.find(f); problem != problems.end())
          addProblemRow(found[f], problem->second);
        else
          addFileRow(found[f]);
      }
    } else if (TFileIdentity identity; !GetFileIdentity(path, identity)) {
      // Named but not there: no row, as there is nothing to show; the quiet run says so.
      quietReport_.Missing(path, errno);
    }
  }

  std::vector<TRedateTask> tasks;
  for (int r = 0; r < ListBox1->Count(); ++r)
    if (run_.notScanned.count(r) == 0) tasks.push_back({r, ListBox1->Item(r)});

  if (Peer() != nullptr && !quietReport_.Started()) {
    // The window answers meanwhile; the worker's reports come back through the loop.
    ShowProgress();
    Worker().Start(run_.id, std::move(tasks));
    return;
  }
  // No window to keep alive (a quiet start): the run is the caller's.
  struct UnderWay {
    bool& flag;
    ~UnderWay() { flag = false; }
  } underWay{runUnderWay_};
  const bool dryRun = CommandLineArguments().dryRun;  // read once: a command line may name thousands of paths
  for (const TRedateTask& task : tasks) {
    FileBegun(run_.id, task.row);
    FileDone(run_.id, task.row, RedateFile(task.path, this, Handle(), dryRun));
  }
  RunEnded(run_.id, false, nullptr);
}

TRedateWorker& Tdovanel::Worker() {
  if (worker_ == nullptr) {
    // Each report is taken up by the loop, in the order the worker made them.
    TRedateEvents events;
    events.begun = [this](int run, int row) { Post([this, run, row] { FileBegun(run, row); }); };
    events.done = [this](int run, int row, const TRedateResult& result) {
      Post([this, run, row, result] { FileDone(run, row, result); });
    };
    // clang-format on
    events.ended = [this](int run, bool stopped, std::exception_ptr error) {
      Post([this, run, stopped, error] { RunEnded(run, stopped, error); });
    };
    worker_ = std::make_unique<TRedateWorker>(std::move(events), Handle(), CommandLineArguments().dryRun);
  }
  return *worker_;
}

void Tdovanel::FileBegun(int run, int row) {
  if (run != run_.id) return;
  AddNotReadRows(row);
  Label1->SetCaption(ListBox1->Item(row));
}

void Tdovanel::FileDone(int run, int row, const TRedateResult& result) {
  if (run != run_.id) return;
  AddNotReadRows(row);
  ListBox3->Add(ResultText(result));
  quietReport_.Redated(ListBox1->Item(row), result);
  switch (result.outcome) {
    case TRedateOutcome::Redated: ++run_.redated; break;
    case TRedateOutcome::NoArchive: break;
    case TRedateOutcome::NoEntry:
    case TRedateOutcome::ReadOnly:
    case TRedateOutcome::OutOfRange: ++run_.left; break;
    case TRedateOutcome::Skipped:
    case TRedateOutcome::NotRead:
    case TRedateOutcome::NotSet: ++run_.notHandled; break;
  }
  run_.skipped = run_.skipped || result.outcome == TRedateOutcome::Skipped;
  run_.failed = run_.failed || result.Failed();
  if (runUnderWay_) ShowProgress();
}

void Tdovanel::AddNotReadRows(int row) {
  for (int r = ListBox3->Count(); r < row; ++r) {
    const auto problem = run_.notScanned.find(r);
    if (problem == run_.notScanned.end()) break;
    ListBox3->Add(std::string(Translate("Not Read")) + " (" + std::strerror(problem->second) + ")");
    ++run_.notHandled;
    run_.failed = true;
  }
}

void Tdovanel::ShowProgress() {
  if (Peer() == nullptr || quietReport_.Started()) return;
  SetCaption(std::string(Translate("running...")) + " " + std::to_string(ListBox3->Count()) + "/" +
             std::to_string(ListBox1->Count()));
}

void Tdovanel::RunEnded(int run, bool stopped, std::exception_ptr error) {
  if (run != run_.id) return;
  runUnderWay_ = false;
  if (closeAsked_) {
    Close();
    return;
  }
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& broken) {
      // The label still names the file the run was at.
      quietReport_.RunBroken(Label1->Caption(), broken);
      if (TApplication* application = Application()) application->ShowException(broken);
    }
    return;
  }
  if (stopped) return;
  AddNotReadRows(ListBox1->Count());
  if (TApplication* application = Application()) application->BringToFront();
  if (!run_.skipped && !run_.failed) {
    Label1->SetCaption(Translate("Finish"));
    Label1->SetFont(clRed, false);
  } else {
    std::string message = run_.skipped ? Translate(kSkippedMessage) : "";
    if (run_.failed) message += (message.empty() ? "" : " / ") + std::string(Translate(kFailedMessage));
    Label1->SetCaption(message);
    Label1->SetFont(clPurple, true);
  }
  // What became of the archives, once the run is over.
  std::string caption = "DV";
  if (run_.redated + run_.left + run_.notHandled > 0) {
    char counts[160];
    std::snprintf(counts, sizeof counts, Translate("%d re-dated, %d left, %d not handled"), run_.redated, run_.left,
                  run_.notHandled);
    caption += std::string(" - ") + counts;
  }
  SetCaption(caption);
  if (ListBox1->Count() > 0) {
    ListBox1->SetItemIndex(0);
    ListBox2->SetItemIndex(0);
    ListBox3->SetItemIndex(0);
  }
}

void Tdovanel::BringToFrontAndRun(TStrings& files) {
  if (TApplication* application = Application()) application->BringToFront();
  try {
    FileDrop1FileDrop(nullptr, files.Count(), files, 0, 0);
  } catch (const std::exception& error) {
    if (TApplication* application = Application()) application->ShowException(error);
  }
}

bool Tdovanel::CloseQuery() {
  if (!runUnderWay_) return true;
  closeAsked_ = true;
  if (worker_ != nullptr) worker_->Stop();
  return false;
}

void Tdovanel::AppActivate(TComponent*) { FormatSettings().ShortDateFormat = "yyyy/mm/dd"; }

void Tdovanel::Label1DblClick(TComponent*) {
  TApplication* application = Application();
  const std::string text = "          " + std::string(Translate("version")) + " " + ProgramVersion() + "          ";
  MessageBoxA(Handle(), text.c_str(), application != nullptr ? application->Title.c_str() : ProgramName(), MB_OK);
}

void Tdovanel::ListBox1Click(TComponent*) {
  const int index = ListBox1->ItemIndex();
  ListBox2->SetItemIndex(index);
  ListBox3->SetItemIndex(index);
}
