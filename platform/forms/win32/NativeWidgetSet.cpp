#include "platform/forms/win32/NativeWidgetSet.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/forms/FormHost.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/win32/WideText.h"

namespace {
// A task posted to a form: wParam is its number with the widget set.
constexpr UINT kRunTask = WM_APP + 1;
constexpr int kFormWidth = 560;
constexpr int kFormHeight = 460;

class TNativeForm;

TNativeForm* FormOfWindow(HWND window) {
  return reinterpret_cast<TNativeForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

class TNativeForm : public TFormPeer {
 public:
  TNativeForm(TNativeWidgetSet& widgets, TWindowEvents events, TCopyDataHandler copyData)
      : widgets_(widgets), events_(std::move(events)), copyData_(std::move(copyData)) {}
  ~TNativeForm() override {
    if (::IsWindow(window_)) ::DestroyWindow(window_);
  }

  // A message-only window until it is shown: a run without a window (/Q)
  // makes none that another start could find, nor needs a desktop for it.
  void Create(const std::wstring& className) {
    window_ = ::CreateWindowExW(0, className.c_str(), L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, kFormWidth,
                                kFormHeight, HWND_MESSAGE, nullptr, ::GetModuleHandleW(nullptr), this);
    if (window_ == nullptr)
      throw Exception("The window cannot be made (error " + std::to_string(::GetLastError()) + ")");
    widgets_.FormOpened();
  }

  void* Native() const override { return window_; }
  void SetCaption(const std::string& caption) override { ::SetWindowTextW(window_, Wide(caption).c_str()); }
  void Show() override {
    if (::GetAncestor(window_, GA_PARENT) != ::GetDesktopWindow()) {
      // On the desktop now, in the middle of its work area.
      ::SetParent(window_, nullptr);
      RECT area{0, 0, kFormWidth, kFormHeight};
      ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
      ::SetWindowPos(window_, nullptr, area.left + std::max(0L, (area.right - area.left - kFormWidth) / 2),
                     area.top + std::max(0L, (area.bottom - area.top - kFormHeight) / 2), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    }
    ::ShowWindow(window_, SW_SHOW);
    ::UpdateWindow(window_);
  }
  bool Visible() const override { return ::IsWindowVisible(window_) != FALSE; }
  void BringToFront() override {
    if (::IsIconic(window_)) ::ShowWindow(window_, SW_RESTORE);
    ::SetForegroundWindow(window_);
  }
  void Close() override { ::PostMessageW(window_, WM_CLOSE, 0, 0); }
  void SetTabOrder(const std::vector<TControlPeer*>& controls) override {
    // Tab follows the order of the children.
    HWND after = HWND_TOP;
    for (TControlPeer* control : controls) {
      const HWND window = TNativeWidgetSet::WindowOf(*control);
      ::SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      after = window;
    }
  }

  struct TChild {
    HWND window;
    int height;  // 0: what the others leave
    std::function<void(WORD code)> notified;
    COLORREF color = 0;
  };
  void AddChild(TChild child) {
    children_.push_back(std::move(child));
    Layout();
  }
  void RemoveChild(HWND window) {
    children_.erase(
        std::remove_if(children_.begin(), children_.end(), [&](const TChild& c) { return c.window == window; }),
        children_.end());
  }
  TChild* Child(HWND window) {
    for (TChild& child : children_)
      if (child.window == window) return &child;
    return nullptr;
  }

  // Controls go below one another across the whole width.
  void Layout() {
    RECT client{};
    ::GetClientRect(window_, &client);
    int fixed = 0;
    for (const TChild& child : children_) fixed += child.height;
    const int rest = std::max(0, static_cast<int>(client.bottom) - fixed);
    int y = 0;
    for (const TChild& child : children_) {
      const int height = child.height > 0 ? child.height : rest;
      ::MoveWindow(child.window, 0, y, client.right, height, TRUE);
      y += height;
    }
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_SIZE: Layout(); return 0;
      case WM_CLOSE: {
        // A copy: the handler may free what it came from.
        const auto asked = events_.closeRequested;
        bool close = true;
        HandleEventErrors([&] { close = !asked || asked(); });
        if (close) ::DestroyWindow(window_);
        return 0;
      }
      case WM_DESTROY:
        widgets_.DropTasksOf(window_);
        widgets_.FormClosed();
        return 0;
      case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const auto take = copyData_;
        return data != nullptr && take && take(*data) ? TRUE : FALSE;
      }
      case WM_COMMAND:
        if (TChild* child = Child(reinterpret_cast<HWND>(lParam)); child != nullptr && child->notified) {
          const auto notified = child->notified;
          notified(HIWORD(wParam));
        }
        return 0;
      case WM_CTLCOLORSTATIC:
        if (TChild* child = Child(reinterpret_cast<HWND>(lParam))) {
          const HDC dc = reinterpret_cast<HDC>(wParam);
          ::SetTextColor(dc, child->color);
          ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
          return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
      case WM_ACTIVATEAPP:
        if (wParam != FALSE) widgets_.Activated(window_);
        break;
      case kRunTask: widgets_.RunTask(static_cast<std::uint64_t>(wParam)); return 0;
      default: break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* form = static_cast<TNativeForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      form->window_ = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    TNativeForm* form = FormOfWindow(window);
    if (form == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return form->Handle(message, wParam, lParam);
  }

 private:
  TNativeWidgetSet& widgets_;
  TWindowEvents events_;
  TCopyDataHandler copyData_;
  HWND window_ = nullptr;
  std::vector<TChild> children_;
};

// A control on a form: its window goes with it.
class TNativeChild {
 public:
  TNativeChild(TFormPeer& form, const wchar_t* className, DWORD style, int height,
               std::function<void(WORD code)> notified, HFONT font)
      : form_(static_cast<TNativeForm&>(form)), formWindow_(TNativeWidgetSet::WindowOf(form)) {
    window_ = ::CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, formWindow_, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr)
      throw Exception("A control cannot be made (error " + std::to_string(::GetLastError()) + ")");
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    form_.AddChild({window_, height, std::move(notified)});
  }
  ~TNativeChild() {
    // The form's window takes its children with it when it goes first.
    if (::IsWindow(formWindow_)) form_.RemoveChild(window_);
    if (::IsWindow(window_)) ::DestroyWindow(window_);
  }
  TNativeChild(const TNativeChild&) = delete;
  TNativeChild& operator=(const TNativeChild&) = delete;

  HWND Window() const { return window_; }
  TNativeForm& Form() const { return form_; }

 private:
  TNativeForm& form_;
  HWND formWindow_;
  HWND window_ = nullptr;
};

class TNativeLabel : public TLabelPeer {
 public:
  TNativeLabel(TNativeWidgetSet& widgets, TFormPeer& form, int height, std::function<void()> doubleClicked)
      : widgets_(widgets),
        child_(
            form, L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY, height,
            [doubleClicked = std::move(doubleClicked)](WORD code) {
              if (code == STN_DBLCLK && doubleClicked) doubleClicked();
            },
            widgets.Font(false)) {}
  void* Native() const override { return child_.Window(); }
  void SetCaption(const std::string& caption) override { ::SetWindowTextW(child_.Window(), Wide(caption).c_str()); }
  void SetFont(TColor color, bool bold) override {
    if (auto* child = child_.Form().Child(child_.Window())) child->color = color;  // 0x00BBGGRR as COLORREF
    ::SendMessageW(child_.Window(), WM_SETFONT, reinterpret_cast<WPARAM>(widgets_.Font(bold)), FALSE);
    ::InvalidateRect(child_.Window(), nullptr, TRUE);
  }

 private:
  TNativeWidgetSet& widgets_;
  TNativeChild child_;
};

class TNativeListBox : public TListBoxPeer {
 public:
  TNativeListBox(TNativeWidgetSet& widgets, TFormPeer& form, int height, std::function<void()> selectionChanged)
      : child_(
            form, L"LISTBOX", WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
            height,
            [selectionChanged = std::move(selectionChanged)](WORD code) {
              if (code == LBN_SELCHANGE && selectionChanged) selectionChanged();
            },
            widgets.Font(false)) {}
  void* Native() const override { return child_.Window(); }
  void Add(const std::string& item) override {
    const std::wstring text = Wide(item);
    ::SendMessageW(child_.Window(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    WidenFor(text);
  }
  void Clear() override {
    ::SendMessageW(child_.Window(), LB_RESETCONTENT, 0, 0);
    widest_ = 0;
    ::SendMessageW(child_.Window(), LB_SETHORIZONTALEXTENT, 0, 0);
  }
  int ItemIndex() const override { return static_cast<int>(::SendMessageW(child_.Window(), LB_GETCURSEL, 0, 0)); }
  void SetItemIndex(int index) override {
    ::SendMessageW(child_.Window(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }

 private:
  // A long path can be scrolled to.
  void WidenFor(const std::wstring& text) {
    const HDC dc = ::GetDC(child_.Window());
    const HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(child_.Window(), WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(child_.Window(), dc);
    if (size.cx + 8 > widest_) {
      widest_ = size.cx + 8;
      ::SendMessageW(child_.Window(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest_), 0);
    }
  }
  TNativeChild child_;
  LONG widest_ = 0;
};

HFONT MakeFont(bool bold) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW font{};
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    font = metrics.lfMessageFont;
  else
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  return ::CreateFontIndirectW(&font);
}
}  // namespace

TNativeWidgetSet::TNativeWidgetSet() : font_(MakeFont(false)), boldFont_(MakeFont(true)) {}

TNativeWidgetSet::~TNativeWidgetSet() {
  for (HFONT font : {font_, boldFont_})
    if (font != nullptr) ::DeleteObject(font);
}

std::unique_ptr<TFormPeer> TNativeWidgetSet::MakeClassForm(const std::string& className, TWindowEvents events,
                                                           TCopyDataHandler copyData) {
  const std::wstring name = Wide(className);
  if (classes_.count(name) == 0) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = TNativeForm::Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hIcon = ::LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name.c_str();
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw Exception("The window class " + className + " cannot be registered");
    classes_.insert(name);
  }
  auto form = std::make_unique<TNativeForm>(*this, std::move(events), std::move(copyData));
  form->Create(name);
  return form;
}

std::unique_ptr<TFormPeer> TNativeWidgetSet::MakeForm(TWindowEvents events) {
  return MakeClassForm("TForm", std::move(events), {});
}

std::unique_ptr<TLabelPeer> TNativeWidgetSet::MakeLabel(TFormPeer& form, int height,
                                                        std::function<void()> doubleClicked) {
  return std::make_unique<TNativeLabel>(*this, form, height, std::move(doubleClicked));
}

std::unique_ptr<TListBoxPeer> TNativeWidgetSet::MakeListBox(TFormPeer& form, int height, TWindowEvents,
                                                            std::function<void()> selectionChanged) {
  return std::make_unique<TNativeListBox>(*this, form, height, std::move(selectionChanged));
}

std::unique_ptr<TPeerObject> TNativeWidgetSet::ListenForRequests(const std::string&,
                                                                 std::function<std::string(const std::string&)>) {
  return nullptr;
}

void TNativeWidgetSet::Post(TControlPeer& context, std::function<void()> task) {
  const HWND form = ::GetAncestor(WindowOf(context), GA_ROOT);
  if (form == nullptr) return;
  const std::uint64_t id = nextTask_++;
  tasks_[id] = TTask{form, std::move(task)};
  if (!::PostMessageW(form, kRunTask, static_cast<WPARAM>(id), 0)) tasks_.erase(id);
}

void TNativeWidgetSet::RunTask(std::uint64_t id) {
  const auto found = tasks_.find(id);
  if (found == tasks_.end()) return;
  const std::function<void()> run = std::move(found->second.run);
  tasks_.erase(found);
  HandleEventErrors(run);
}

void TNativeWidgetSet::DropTasksOf(HWND form) {
  std::erase_if(tasks_, [form](const auto& entry) { return entry.second.form == form; });
}

void TNativeWidgetSet::FormClosed() {
  // The loop ends with the last window.
  if (--openForms_ == 0) ::PostQuitMessage(0);
}

void TNativeWidgetSet::Activated(HWND form) {
  if (!activated_) return;
  // Told from the loop, not inside the system's report.
  const std::uint64_t id = nextTask_++;
  tasks_[id] = TTask{form, activated_};
  if (!::PostMessageW(form, kRunTask, static_cast<WPARAM>(id), 0)) tasks_.erase(id);
}

void TNativeWidgetSet::Dispatch(MSG& message) {
  // Tab moves between the controls of the form.
  const HWND form = message.hwnd != nullptr ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (form != nullptr && message.message == WM_KEYDOWN && ::IsDialogMessageW(form, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

void TNativeWidgetSet::Run() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
}

void TNativeWidgetSet::Quit() { ::PostQuitMessage(0); }

void TNativeWidgetSet::ProcessMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The loop's end is Run's to see.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

void TNativeWidgetSet::SetActivationHandler(std::function<void()> activated) { activated_ = std::move(activated); }

void TNativeWidgetSet::MessageBox(TControlPeer* owner, const std::string& text, const std::string& caption,
                                  bool error) {
  ::MessageBoxW(owner != nullptr ? WindowOf(*owner) : nullptr, Wide(text).c_str(), Wide(caption).c_str(),
                error ? MB_ICONERROR : MB_OK);
}

TWidgetSet* MakeNativeWidgetSet(int&, char**) { return new TNativeWidgetSet; }
