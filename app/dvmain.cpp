#include "app/dvmain.h"

#include <sys/stat.h>

#include <memory>

#include "app/ProgramInfo.h"
#include "app/Redate.h"
#include "app/StartMode.h"
#include "archives/ArchiveFile.h"
#include "archives/DetectArchiverType.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/CommandLine.h"
#include "platform/rtl/Files.h"
#include "platform/winapi/MessageBox.h"

namespace {
const char* const kTitle = "DOVANEL For Archiver";
const char* const kSkippedMessage = "一部 DLL が無いためスキップしました";

std::string DateTimeText(TDateTime date, TDateTime time) { return DateToStr(date) + " | " + TimeToStr(time); }

void ProcessMessages() {
  if (TApplication* application = Application()) application->ProcessMessages();
}
}  // namespace

std::string FileTimeText(const std::string& path) {
  TDateTime moment;
  // A file that vanished or cannot be read still gets its row.
  if (!FileAgeDateTime(path, moment)) return "Unknown";
  return DateTimeText(moment, moment);
}

void ScanFolder(const std::string& folder, TStringList& list) {
  struct Walker {
    TStringList& list;
    void Walk(const std::string& path) {
      const std::string folder = IncludeTrailingPathDelimiter(path);
      TSearchRec rec;
      struct Closer {
        TSearchRec& rec;
        ~Closer() { FindClose(rec); }
      } closer{rec};
      for (int found = FindFirst(folder + "*.*", faAnyFile, rec); found == 0; found = FindNext(rec)) {
        if (rec.Name == "." || rec.Name == "..") continue;
        const bool isFolder = (rec.Attr & faDirectory) != 0;
        const std::string full = folder + rec.Name + (isFolder ? std::string(1, PathDelim) : std::string());
        // What the listing saw of the entry itself answers for all but links.
        const bool exists = S_ISLNK(rec.Mode) ? FileExists(full) : S_ISREG(rec.Mode);
        if (exists) list.Add(full);
        if (isFolder) Walk(full);
      }
    }
  };
  list.Clear();
  Walker{list}.Walk(folder);
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
    for (int i = 1; i <= ParamCount(); ++i) {
      if (IsQuietSwitch(ParamStr(i)))
        quit = true;
      else
        paths.Add(ParamStr(i));
    }
    // A start with no display runs as quietly, and tells as much.
    if (quit || StartMode() == TStartMode::NoDisplay) quietReport_.Start(stderr);
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
  SetCaption("running...");
  ListBox1->Clear();
  bool skipped = false;
  const int run = ++runsStarted_;

  for (int i = 0; i < num && i < files.Count(); ++i) {
    const std::string path = files[i];
    if (FileExists(path)) {
      ListBox1->Add(path);
      ListBox2->Add(FileTimeText(path));
    } else if (DirectoryExists(path)) {
      TStringList found;
      ScanFolder(path, found);
      for (const std::string& file : found) {
        ListBox1->Add(file);
        ListBox2->Add(FileTimeText(file));
      }
    }
  }

  const int rows = ListBox1->Count();
  bool overtaken = false;
  for (int r = 0; r < rows && !overtaken; ++r) {
    if (r >= ListBox1->Count()) break;
    const std::string path = ListBox1->Item(r);
    Label1->SetCaption(path);
    ProcessMessages();
    // A drop handled just now ran a whole nested run over the lists: this run
    // finishes its file without a row and leaves the window to that run.
    overtaken = runsStarted_ != run;
    const auto addRow = [&](const std::string& row) {
      if (!overtaken) ListBox3->Add(row);
    };

    TArchiverType type;
    try {
      type = DetectArchiverType(path, true);
    } catch (const std::exception&) {
      type = atNone;
    }
    if (type == atNone) {
      addRow("No Archive");
      continue;
    }
    auto archive = std::make_unique<TArchiveFile>(this);
    try {
      archive->SetFileName(path);
    } catch (const std::exception& error) {
      addRow("Skip");
      skipped = true;
      quietReport_.NotSetUp(path, error);
      continue;
    }
    const TNewestEntry newest = FindNewestEntry(*archive, Handle());
    archive.reset();
    if (!newest.found) {
      addRow("No Entry");
      quietReport_.Listed(path, newest);
      continue;
    }
    addRow(DateTimeText(newest.date, newest.time));
    quietReport_.TimeChanged(path, SetLastWriteTime(path, newest.date + newest.time));
  }

  if (overtaken) return;
  if (TApplication* application = Application()) application->BringToFront();
  if (!skipped) {
    Label1->SetCaption("Finish");
    Label1->SetFont(clRed, false);
  } else {
    Label1->SetCaption(kSkippedMessage);
    Label1->SetFont(clPurple, true);
  }
  SetCaption("DV");
  if (ListBox1->Count() > 0) {
    ListBox1->SetItemIndex(0);
    ListBox2->SetItemIndex(0);
    ListBox3->SetItemIndex(0);
  }
}

void Tdovanel::AppActivate(TComponent*) { FormatSettings().ShortDateFormat = "yyyy/mm/dd"; }

void Tdovanel::Label1DblClick(TComponent*) {
  TApplication* application = Application();
  const std::string text = "          version " + std::string(ProgramVersion()) + "          ";
  MessageBoxA(Handle(), text.c_str(),
              application != nullptr ? application->Title.c_str() : kTitle, MB_OK);
}

void Tdovanel::ListBox1Click(TComponent*) {
  const int index = ListBox1->ItemIndex();
  ListBox2->SetItemIndex(index);
  ListBox3->SetItemIndex(index);
}
