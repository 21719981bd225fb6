#include "platform/rtl/FileMove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// Closes the descriptor it holds when the scope ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool CopyBytes(int from, int to) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t count = ::read(from, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    if (count == 0) return true;
    for (ssize_t done = 0; done < count;) {
      const ssize_t written = ::write(to, buffer + done, static_cast<std::size_t>(count - done));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      done += written;
    }
  }
}

// Copies `oldName` to a new file beside `newName` with its bytes, mode and
// times, and moves that over `newName` once complete.
bool CopyInPlace(const std::string& oldName, const std::string& newName) {
  const std::filesystem::path target(newName);
  const std::string copy = CreateUniqueFile((target.parent_path() / ("." + target.filename().string() + ".")).string());
  if (copy.empty()) return false;
  const Descriptor source(::open(oldName.c_str(), O_RDONLY | O_CLOEXEC));
  Descriptor written(::open(copy.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  struct stat info {};
  bool done = source.get() >= 0 && written.get() >= 0 && ::fstat(source.get(), &info) == 0 && S_ISREG(info.st_mode) &&
              CopyBytes(source.get(), written.get());
  if (done) {
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    done = ::fchmod(written.get(), info.st_mode & 07777) == 0 && ::futimens(written.get(), times) == 0 &&
           ::fsync(written.get()) == 0;
  }
  done = written.Close() && done && std::rename(copy.c_str(), newName.c_str()) == 0;
  if (!done) ::unlink(copy.c_str());
  return done;
}

}  // namespace

bool RenameFile(const std::string& oldName, const std::string& newName) {
  return std::rename(oldName.c_str(), newName.c_str()) == 0;
}

bool MoveFile(const std::string& oldName, const std::string& newName) {
  if (std::rename(oldName.c_str(), newName.c_str()) == 0) return true;
  if (errno != EXDEV || !CopyInPlace(oldName, newName)) return false;
  // The file is whole at its new place; a copy that cannot leave its old one
  // is still a copy, not a loss.
  ::unlink(oldName.c_str());
  return true;
}

bool SameFile(const std::string& first, const std::string& second) {
  struct stat a {
  }, b{};
  if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string CreateUniqueFile(const std::string& prefix) {
  std::string name = prefix + "XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return {};
  ::close(fd);
  return name;
}

std::string CreatePrivateTemporaryFolder(const std::string& prefix) {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return {};
  // mkdtemp makes the folder with mode 0700.
  std::string name = (base / (prefix + "XXXXXX")).string();
  return ::mkdtemp(name.data()) != nullptr ? name : std::string();
}

bool RemoveFolderTree(const std::string& folder) {
  std::error_code error;
  std::filesystem::remove_all(folder, error);
  return !error;
}
