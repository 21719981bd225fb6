#include "libraries/core/util/DiskFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "libraries/core/util/FileIo.h"

namespace dv {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

DiskInfo InfoOf(const struct stat& info) {
  DiskInfo disk;
  disk.kind = S_ISREG(info.st_mode)   ? DiskKind::kFile
              : S_ISDIR(info.st_mode) ? DiskKind::kFolder
              : S_ISLNK(info.st_mode) ? DiskKind::kLink
                                      : DiskKind::kOther;
  disk.mode = info.st_mode & 07777;
  disk.size = static_cast<std::uint64_t>(info.st_size);
  disk.modified = info.st_mtime;
  disk.device = static_cast<std::uint64_t>(info.st_dev);
  disk.node = static_cast<std::uint64_t>(info.st_ino);
  return disk;
}

// The times for futimens: the given ones, or the file system's own.
void FillTimes(std::optional<std::time_t> modified, std::optional<std::time_t> accessed, struct timespec (&times)[2]) {
  times[0] = times[1] = {0, UTIME_OMIT};
  if (!modified) return;
  times[1] = {*modified, 0};
  times[0] = {accessed.value_or(*modified), 0};
}

// A regular file opened for reading at `folder` (or AT_FDCWD). O_NONBLOCK:
// should the path be or turn into a FIFO, the open still returns at once
// and fstat refuses it.
UniqueFd OpenRegularAt(int folder, const std::string& path, bool followLinks) {
  UniqueFd fd(
      ::openat(folder, path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW)));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return UniqueFd();
  return fd;
}

}  // namespace

struct Folder::State {
  UniqueFd fd;
};

std::optional<DiskInfo> LookAt(const std::string& path, bool followLinks) {
  struct stat info {};
  if ((followLinks ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0) return std::nullopt;
  return InfoOf(info);
}

std::optional<DiskInfo> LookAtOpen(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::nullopt;
  return InfoOf(info);
}

UniqueFd OpenRegularFile(const std::string& path, bool followLinks) {
  // A FIFO is refused before it is opened, so nothing ever waits on one.
  if (const auto info = LookAt(path, followLinks); !info || info->kind != DiskKind::kFile) return UniqueFd();
  return OpenRegularAt(AT_FDCWD, path, followLinks);
}

std::int64_t ReadAt(int fd, void* buffer, std::size_t length, std::int64_t offset) {
  for (;;) {
    const ssize_t count = ::pread(fd, buffer, length, offset);
    if (count >= 0) return count;
    if (errno != EINTR) return -1;
  }
}

bool StampOpenFile(int fd, mode_t mode, std::optional<std::time_t> modified, std::optional<std::time_t> accessed) {
  struct timespec times[2];
  FillTimes(modified, accessed, times);
  return ::fchmod(fd, mode) == 0 && ::futimens(fd, times) == 0;
}

bool SetPathTime(const std::string& path, std::time_t when) {
  const struct timespec times[2] = {{when, 0}, {when, 0}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::filesystem::path PathOf(const std::string& text) { return std::filesystem::path(text); }

std::string TextOf(const std::filesystem::path& path) { return path.string(); }

std::optional<Folder> Folder::Open(const std::string& path, bool create) {
  if (create) {
    std::error_code error;
    std::filesystem::create_directories(PathOf(path), error);
  }
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  return Folder(std::make_shared<const State>(State{std::move(fd)}));
}

int Folder::OpenChild(const std::string& name, std::optional<Folder>& child) const {
  UniqueFd fd(::openat(state_->fd.get(), name.c_str(), kFolderFlags));
  if (!fd) {
    const int error = errno;
    const auto info = LookAtChild(name);
    return info && info->kind == DiskKind::kLink ? ELOOP : error;
  }
  child = Folder(std::make_shared<const State>(State{std::move(fd)}));
  return 0;
}

int Folder::MakeChild(const std::string& name) const {
  return ::mkdirat(state_->fd.get(), name.c_str(), 0755) == 0 ? 0 : errno;
}

std::optional<DiskInfo> Folder::LookAtChild(const std::string& name) const {
  struct stat info {};
  if (::fstatat(state_->fd.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  return InfoOf(info);
}

UniqueFd Folder::OpenChildFile(const std::string& name) const { return OpenRegularAt(state_->fd.get(), name, false); }

UniqueFd Folder::CreateUnique(std::string_view prefix, mode_t mode, std::string& name) const {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = UniqueCandidate(prefix);
    const int fd =
        ::openat(state_->fd.get(), candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) {
      name = std::move(candidate);
      return UniqueFd(fd);
    }
    if (errno != EEXIST) break;
  }
  return UniqueFd();
}

bool Folder::Replace(const std::string& from, const std::string& to) const {
  return ::renameat(state_->fd.get(), from.c_str(), state_->fd.get(), to.c_str()) == 0;
}

bool Folder::Remove(const std::string& name) const { return ::unlinkat(state_->fd.get(), name.c_str(), 0) == 0; }

bool Folder::Stamp(mode_t mode, std::optional<std::time_t> modified, std::optional<std::time_t> accessed) const {
  struct timespec times[2];
  FillTimes(modified, accessed, times);
  const bool timed = ::futimens(state_->fd.get(), times) == 0;
  return ::fchmod(state_->fd.get(), mode) == 0 && timed;
}

}  // namespace dv
