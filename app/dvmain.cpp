#include "app/dvmain.h"

#include <cerrno>
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
const char* const kTitle = "DOVANEL For Archiver";
const char* const kSkippedMessage = "Some archives were skipped: their library is missing";
// Some archives keep a time that is not their newest entry's, and not by choice.
const char* const kFailedMessage = "The dates of some archives could not be set";

void ProcessMessages() {
  if (TApplication* application = Application()) application->ProcessMessages();
}
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

Tdovanel::Tdovanel(TComponent* owner) : TForm(owner, "Tdovanel") {
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
  SetCaption(application != nullptr ? application->Title : kTitle);
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

void Tdovanel::FileDrop1FileDrop(TComponent*, int num, TStrings& files, int, int) {
  ListBox2->Clear();
  ListBox3->Clear();
  SetCaption(Translate("running..."));
  ListBox1->Clear();
  bool skipped = false;
  bool failed = false;
  const int run = ++runsStarted_;
  ++runsUnderWay_;
  struct UnderWay {
    int& count;
    ~UnderWay() { --count; }
  } underWay{runsUnderWay_};

  // Rows of folders (or their entries) that could not be read: row -> errno.
  std::map<int, int> notScanned;
  const auto addFileRow = [&](const std::string& path) {
    ListBox1->Add(path);
    ListBox2->Add(FileTimeText(path));
  };
  const auto addProblemRow = [&](const std::string& path, int error) {
    notScanned[ListBox1->Count()] = error;
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

  const int rows = ListBox1->Count();
  bool overtaken = false;
  for (int r = 0; r < rows && !overtaken && !closeAsked_; ++r) {
    if (r >= ListBox1->Count()) break;
    const std::string path = ListBox1->Item(r);
    Label1->SetCaption(path);
    ProcessMessages();
    // A drop handled just now ran a whole nested run over the lists: this run
    // finishes its file without a row and leaves the window to that run.
    overtaken = runsStarted_ != run;
    // The user closed the window: no file is begun after that.
    if (closeAsked_) break;
    const auto addRow = [&](const std::string& row) {
      if (!overtaken) ListBox3->Add(row);
    };
    if (const auto problem = notScanned.find(r); problem != notScanned.end()) {
      addRow(std::string(Translate("Not Read")) + " (" + std::strerror(problem->second) + ")");
      failed = true;
      continue;
    }
    const TRedateResult result = RedateFile(path, this, Handle(), CommandLineArguments().dryRun);
    addRow(ResultText(result));
    quietReport_.Redated(path, result);
    skipped = skipped || result.outcome == TRedateOutcome::Skipped;
    failed = failed || result.Failed();
  }

  if (closeAsked_) {
    // The outermost run closes the window it kept open.
    if (runsUnderWay_ == 1) Close();
    return;
  }
  if (overtaken) return;
  if (TApplication* application = Application()) application->BringToFront();
  if (!skipped && !failed) {
    Label1->SetCaption(Translate("Finish"));
    Label1->SetFont(clRed, false);
  } else {
    std::string message = skipped ? Translate(kSkippedMessage) : "";
    if (failed) message += (message.empty() ? "" : " / ") + std::string(Translate(kFailedMessage));
    Label1->SetCaption(message);
    Label1->SetFont(clPurple, true);
  }
  SetCaption("DV");
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
  if (runsUnderWay_ == 0) return true;
  closeAsked_ = true;
  return false;
}

void Tdovanel::AppActivate(TComponent*) { FormatSettings().ShortDateFormat = "yyyy/mm/dd"; }

void Tdovanel::Label1DblClick(TComponent*) {
  TApplication* application = Application();
  const std::string text = "          " + std::string(Translate("version")) + " " + ProgramVersion() + "          ";
  MessageBoxA(Handle(), text.c_str(),
              application != nullptr ? application->Title.c_str() : kTitle, MB_OK);
}

void Tdovanel::ListBox1Click(TComponent*) {
  const int index = ListBox1->ItemIndex();
  ListBox2->SetItemIndex(index);
  ListBox3->SetItemIndex(index);
}
