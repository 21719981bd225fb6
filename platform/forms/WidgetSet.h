// What the forms ask of a window system. A toolkit is loaded only when
// something must be shown, so that a run without a window (the quiet switch,
// a server) never pays for one; until then the controls keep their state
// themselves and hand it over when their windows are made.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

using TColor = unsigned;  // 0x00BBGGRR, as the framework keeps colours

// Files dropped on a window: their paths as the file system's bytes, a folder
// without its trailing "/", and the point in the window's client area.
using TDropHandler = std::function<void(std::vector<std::string> files, int x, int y)>;

// Where a window reports to its control. The toolkit calls a copy of a handler,
// as the handler may free the window it came from.
struct TWindowEvents {
  std::function<bool()> acceptsFiles;  // asked while a drag is over the window
  TDropHandler dropped;
  // Asked when the user closes the window: false keeps it open for now.
  std::function<bool()> closeRequested;
};

class TControlPeer {
 public:
  virtual ~TControlPeer() = default;
  // The toolkit's own object, for the toolkit's side and for tests.
  virtual void* Native() const = 0;
};

class TFormPeer : public TControlPeer {
 public:
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void Show() = 0;
  virtual bool Visible() const = 0;
  virtual void BringToFront() = 0;
  // Closes the window as the user would, from the loop (never inside the caller).
  virtual void Close() = 0;
  // Tab moves through the controls in this order.
  virtual void SetTabOrder(const std::vector<TControlPeer*>& controls) = 0;
};

class TLabelPeer : public TControlPeer {
 public:
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetFont(TColor color, bool bold) = 0;
};

class TListBoxPeer : public TControlPeer {
 public:
  virtual void Add(const std::string& item) = 0;
  virtual void Clear() = 0;
  virtual int ItemIndex() const = 0;
  virtual void SetItemIndex(int index) = 0;
};

// Something that lives as long as its owner keeps it (a listening socket).
class TPeerObject {
 public:
  virtual ~TPeerObject() = default;
};

class TWidgetSet {
 public:
  virtual ~TWidgetSet() = default;

  virtual std::unique_ptr<TFormPeer> MakeForm(TWindowEvents events) = 0;
  // A control goes below the ones made before it; height 0 fills what they leave.
  virtual std::unique_ptr<TLabelPeer> MakeLabel(TFormPeer& form, int height, std::function<void()> doubleClicked) = 0;
  virtual std::unique_ptr<TListBoxPeer> MakeListBox(TFormPeer& form, int height, TWindowEvents events,
                                                    std::function<void()> selectionChanged) = 0;
  // Another instance asks a window things on a per-user socket, one line a
  // request, each answered with the line `answer` gives for it: listen there,
  // unless a live process already does (a socket left by a dead one is taken
  // over). Null when nothing could listen.
  virtual std::unique_ptr<TPeerObject> ListenForRequests(const std::string& socketPath,
                                                         std::function<std::string(const std::string&)> answer) = 0;
  // Runs `task` from the loop, later, unless `context`'s window is gone by then.
  virtual void Post(TControlPeer& context, std::function<void()> task) = 0;

  // The loop ends on Quit or when the last window is closed.
  virtual void Run() = 0;
  virtual void Quit() = 0;
  virtual void ProcessMessages() = 0;
  // Called from the loop (posted) each time the application becomes the active one.
  virtual void SetActivationHandler(std::function<void()> activated) = 0;
  virtual void MessageBox(TControlPeer* owner, const std::string& text, const std::string& caption, bool error) = 0;
  // The icon of every window from now on, as SVG text; a window system
  // without icons ignores it.
  virtual void SetIcon(const std::string& svg) { (void)svg; }
};

// What a toolkit's module exports under kWidgetSetEntry.
using TWidgetSetFactory = TWidgetSet* (*)(int& argc, char** argv);
inline constexpr const char* kWidgetSetEntry = "DovanelMakeWidgetSet";
