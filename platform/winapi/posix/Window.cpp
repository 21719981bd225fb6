#include "platform/winapi/Window.h"

#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/winapi/Mutex.h"

namespace {
std::vector<HWND>& LocalWindows() {
  static std::vector<HWND> windows;
  return windows;
}

std::unordered_set<const TWndProcThunk*>& LiveThunks() {
  static std::unordered_set<const TWndProcThunk*> thunks;
  return thunks;
}

// Handles of other instances' windows, one per class, kept for the process.
std::map<std::string, std::unique_ptr<HWND__>>& RemoteWindows() {
  static std::map<std::string, std::unique_ptr<HWND__>> windows;
  return windows;
}

// A connected descriptor closed on every path.
class TSocket {
 public:
  explicit TSocket(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) return;
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) Close();
  }
  ~TSocket() { Close(); }
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;

  bool Connected() const { return fd_ >= 0; }

  bool Send(const std::string& text) {
    std::size_t sent = 0;
    while (Connected() && sent < text.size()) {
      const ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return Connected();
  }

  // One line, without its end; empty when none came in time.
  std::string ReadLine(std::chrono::milliseconds timeout) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Connected()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd poller{fd_, POLLIN, 0};
      const int ready = ::poll(&poller, 1, static_cast<int>(left.count()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) break;
      char c = 0;
      const ssize_t n = ::recv(fd_, &c, 1, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      if (c == '\n') return line;
      line += c;
    }
    return {};
  }

 private:
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int fd_ = -1;
};

// How long a second instance waits for the first to answer: long enough for
// a run between two files, short enough that a hung first one cannot keep it.
constexpr std::chrono::milliseconds kAnswerTimeout{3000};
}  // namespace

HWND__::HWND__(std::string name) : className(std::move(name)), procedure(ProcedureValue(DefWindowProcA)) {
  LocalWindows().push_back(this);
}

HWND__::HWND__(std::string name, std::string path, Remote)
    : className(std::move(name)), procedure(0), socketPath(std::move(path)) {}

HWND__::~HWND__() {
  auto& windows = LocalWindows();
  windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

bool IsWindow(HWND window) {
  const auto& windows = LocalWindows();
  return window != nullptr && std::find(windows.begin(), windows.end(), window) != windows.end();
}

LONG_PTR GetWindowLongA(HWND window, int index) {
  if (index != GWL_WNDPROC || !IsWindow(window)) return 0;
  return window->procedure;
}

LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value) {
  if (index != GWL_WNDPROC || !IsWindow(window)) return 0;
  return std::exchange(window->procedure, value);
}

LRESULT CallWindowProcA(LONG_PTR procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (procedure == 0) return 0;
  const auto* thunk = reinterpret_cast<const TWndProcThunk*>(procedure);
  if (LiveThunks().count(thunk) != 0) return thunk->Call(message, wParam, lParam);
  return reinterpret_cast<WNDPROC>(procedure)(window, message, wParam, lParam);
}

LRESULT CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(ProcedureValue(procedure), window, message, wParam, lParam);
}

namespace {
bool IsRemoteWindow(HWND window) {
  for (const auto& entry : RemoteWindows())
    if (entry.second.get() == window) return true;
  return false;
}
}  // namespace

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsWindow(window)) return CallWindowProcA(window->procedure, window, message, wParam, lParam);
  if (message != WM_COPYDATA || lParam == 0 || !IsRemoteWindow(window)) return 0;
  TSocket socket(window->socketPath);
  if (!socket.Send(CopyDataRequest(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)))) return 0;
  return socket.ReadLine(kAnswerTimeout) == "1" ? 1 : 0;
}

std::string CopyDataRequest(const COPYDATASTRUCT& data) {
  static const char* const kDigits = "0123456789abcdef";
  std::string line = "copydata " + std::to_string(data.dwData) + " ";
  const auto* bytes = static_cast<const unsigned char*>(data.lpData);
  for (DWORD i = 0; i < data.cbData; ++i) {
    line += kDigits[bytes[i] >> 4];
    line += kDigits[bytes[i] & 0xF];
  }
  return line + "\n";
}

bool ParseCopyDataRequest(const std::string& line, std::uintptr_t& tag, std::string& bytes) {
  const std::string prefix = "copydata ";
  if (line.rfind(prefix, 0) != 0) return false;
  const std::size_t space = line.find(' ', prefix.size());
  if (space == std::string::npos || space == prefix.size()) return false;
  tag = 0;
  for (std::size_t i = prefix.size(); i < space; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
    tag = tag * 10 + static_cast<std::uintptr_t>(line[i] - '0');
  }
  const std::string hex = line.substr(space + 1);
  if (hex.size() % 2 != 0) return false;
  const auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
  bytes.clear();
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>(high << 4 | low);
  }
  return true;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

TWndProcThunk::TWndProcThunk(TWndMethod method) : method_(std::move(method)) { LiveThunks().insert(this); }
TWndProcThunk::~TWndProcThunk() { LiveThunks().erase(this); }

LONG_PTR TWndProcThunk::Procedure() const { return reinterpret_cast<LONG_PTR>(this); }

std::string WindowSocketPath(const std::string& className) {
  const std::string folder = UserRuntimeFolder();
  if (folder.empty() || className.empty() || className.find('/') != std::string::npos) return {};
  return folder + "/window-" + className;
}

HWND FindWindowA(LPCSTR className, LPCSTR) {
  if (className == nullptr) return nullptr;
  for (HWND window : LocalWindows())
    if (window->topLevel && ::strcasecmp(window->className.c_str(), className) == 0) return window;
  const std::string path = WindowSocketPath(className);
  if (!TSocket(path).Connected()) return nullptr;
  auto& remote = RemoteWindows()[className];
  if (remote == nullptr) remote.reset(new HWND__(className, path, HWND__::Remote{}));
  return remote.get();
}

BOOL SetForegroundWindow(HWND window) {
  if (IsWindow(window)) {
    if (!window->bringToFront) return FALSE;
    window->bringToFront();
    return TRUE;
  }
  if (!IsRemoteWindow(window)) return FALSE;
  TSocket socket(window->socketPath);
  if (!socket.Send(std::string(kForegroundRequest) + "\n")) return FALSE;
  return socket.ReadLine(kAnswerTimeout) == kForegroundAnswer ? TRUE : FALSE;
}
