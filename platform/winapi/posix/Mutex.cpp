#include "platform/winapi/Mutex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <memory>

namespace {
thread_local DWORD g_lastError = ERROR_SUCCESS;

// One lock held on a file: an open-file-description lock, so it belongs to
// this descriptor alone and the kernel drops it when the process dies.
class TNamedLock {
 public:
  explicit TNamedLock(int fd) : fd_(fd) {}
  ~TNamedLock() { ::close(fd_); }
  TNamedLock(const TNamedLock&) = delete;
  TNamedLock& operator=(const TNamedLock&) = delete;

 private:
  int fd_;
};

// A handle of this layer: shares the lock of the mutex it names.
struct TMutexHandle {
  std::shared_ptr<TNamedLock> lock;
};

std::map<std::string, std::weak_ptr<TNamedLock>>& HeldHere() {
  static std::map<std::string, std::weak_ptr<TNamedLock>> held;
  return held;
}

std::map<TMutexHandle*, std::unique_ptr<TMutexHandle>>& Handles() {
  static std::map<TMutexHandle*, std::unique_ptr<TMutexHandle>> handles;
  return handles;
}

HANDLE NewHandle(std::shared_ptr<TNamedLock> lock) {
  auto handle = std::make_unique<TMutexHandle>();
  handle->lock = std::move(lock);
  TMutexHandle* raw = handle.get();
  Handles().emplace(raw, std::move(handle));
  return raw;
}

bool SafeName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

std::string LockPath(const std::string& name) {
  const std::string folder = UserRuntimeFolder();
  return folder.empty() ? std::string() : folder + "/mutex-" + name;
}

struct flock WholeFile(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return lock;
}

std::shared_ptr<TNamedLock> HeldLock(const std::string& name) {
  auto found = HeldHere().find(name);
  return found == HeldHere().end() ? nullptr : found->second.lock();
}
}  // namespace

std::string UserRuntimeFolder() {
  std::string folder;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime == '/')
    folder = std::string(runtime) + "/dovanel";
  else
    folder = "/tmp/dovanel-" + std::to_string(::getuid());
  ::mkdir(folder.c_str(), 0700);
  // Under /tmp anyone could have made it first: use it only when it is ours.
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0)
    return {};
  return folder;
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR name) {
  if (name == nullptr || !SafeName(name)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  if (auto lock = HeldLock(name)) return NewHandle(std::move(lock));
  const std::string path = LockPath(name);
  const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  // Asks who holds it without taking it, so a probe never races a creator.
  struct flock probe = WholeFile(F_WRLCK);
  const bool held = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  ::close(fd);
  if (!held) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return NewHandle(nullptr);
}

HANDLE CreateMutexA(SECURITY_ATTRIBUTES*, BOOL, LPCSTR name) {
  if (name == nullptr || !SafeName(name)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (auto lock = HeldLock(name)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return NewHandle(std::move(lock));
  }
  const std::string path = LockPath(name);
  const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  auto lock = std::make_shared<TNamedLock>(fd);
  struct flock take = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_OFD_SETLK, &take) != 0) {
    // Another process holds it: a handle to the existing mutex.
    SetLastError(ERROR_ALREADY_EXISTS);
    return NewHandle(nullptr);
  }
  HeldHere()[name] = lock;
  SetLastError(ERROR_SUCCESS);
  return NewHandle(std::move(lock));
}

BOOL CloseHandle(HANDLE handle) {
  auto found = Handles().find(static_cast<TMutexHandle*>(handle));
  if (found == Handles().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Handles().erase(found);
  return TRUE;
}

DWORD GetLastError() { return g_lastError; }
void SetLastError(DWORD error) { g_lastError = error; }
