#include "platform/rtl/PathAccess.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>

namespace {
// Well below PATH_MAX, so that a chunk and "/proc/self/fd/N/" always fit.
constexpr std::size_t kChunk = 3072;
}  // namespace

TPathAccess::TPathAccess(const std::string& path) : usable_(path) {
  if (path.size() < PATH_MAX) return;
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    error_ = ENAMETOOLONG;  // one name longer than any the system takes
    return;
  }
  const std::string folder = path.substr(0, slash);
  int current = ::open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (current < 0) {
    error_ = errno;
    return;
  }
  // Each step opens as many whole components as fit in one chunk; links
  // among them are followed, as the kernel would for the whole path.
  std::size_t at = 0;
  while (at < folder.size()) {
    if (folder[at] == '/') {
      ++at;
      continue;
    }
    std::size_t end = folder.size();
    if (end - at > kChunk) end = folder.rfind('/', at + kChunk);
    if (end == std::string::npos || end <= at) {
      error_ = ENAMETOOLONG;  // a single name longer than a chunk
      break;
    }
    const int next = ::openat(current, folder.substr(at, end - at).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (next < 0) {
      error_ = errno;
      break;
    }
    ::close(current);
    current = next;
    at = end;
  }
  if (error_ != 0) {
    ::close(current);
    return;
  }
  folder_ = current;
  usable_ = "/proc/self/fd/" + std::to_string(folder_) + "/" + path.substr(slash + 1);
}

TPathAccess::~TPathAccess() {
  if (folder_ >= 0) ::close(folder_);
}
