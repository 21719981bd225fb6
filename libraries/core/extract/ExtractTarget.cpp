#include "libraries/core/extract/ExtractTarget.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "libraries/core/util/FileIo.h"
#include "libraries/core/extract/PathSafety.h"

namespace dv {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The times for futimens: the entry's, or the file system's own when the
// archive has none.
void FillTimes(const Stamp& stamp, struct timespec (&times)[2]) {
  times[0] = times[1] = {0, UTIME_OMIT};
  if (!stamp.modified) return;
  times[1] = {*stamp.modified, 0};
  times[0] = {stamp.accessed.value_or(*stamp.modified), 0};
}

// Removes a file made beside its final name unless it got there.
class PendingFile {
 public:
  PendingFile(int folder, std::string name) : folder_(folder), name_(std::move(name)) {}
  ~PendingFile() {
    if (!name_.empty()) ::unlinkat(folder_, name_.c_str(), 0);
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  bool MoveTo(const std::string& finalName) {
    if (::renameat(folder_, name_.c_str(), folder_, finalName.c_str()) != 0) return false;
    name_.clear();
    return true;
  }

 private:
  int folder_;
  std::string name_;
};

}  // namespace

mode_t SafeMode(const Entry& entry) {
  const bool folder = entry.IsDirectory();
  const mode_t stored = entry.permissions.value_or(folder ? 0755u : 0644u);
  if (entry.readOnly && !folder) return (stored & 0555u) | 0400u;
  return (stored & 0755u) | (folder ? 0700u : 0600u);
}

WriteOutcome ExtractTarget::Refused(int error) {
  error_ = error;
  return WriteOutcome::kCannotCreate;
}

std::optional<ExtractTarget> ExtractTarget::Open(const std::string& base) {
  const std::string folder = base.empty() ? "." : base;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  // The base itself is the caller's: a link there is followed.
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  return ExtractTarget(std::move(fd));
}

WriteOutcome ExtractTarget::OpenFolder(const std::vector<std::string>& path, std::size_t count, bool create,
                                       UniqueFd& folder) {
  UniqueFd current;
  for (std::size_t i = 0; i < count; ++i) {
    const int parent = current ? current.get() : base_.get();
    const char* name = path[i].c_str();
    int fd = ::openat(parent, name, kFolderFlags);
    if (fd < 0 && errno == ENOENT && create) {
      if (::mkdirat(parent, name, 0755) == 0)
        madeHere_.insert(JoinComponents({path.begin(), path.begin() + static_cast<std::ptrdiff_t>(i) + 1}));
      else if (errno != EEXIST)
        return Refused();
      fd = ::openat(parent, name, kFolderFlags);
    }
    if (fd < 0) {
      const int error = errno;
      struct stat info {};
      const bool link = ::fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
      return link ? WriteOutcome::kUnsafe : Refused(error);
    }
    current = UniqueFd(fd);
  }
  if (!current) {
    current = UniqueFd(::openat(base_.get(), ".", kFolderFlags & ~O_NOFOLLOW));
    if (!current) return Refused();
  }
  folder = std::move(current);
  return WriteOutcome::kWritten;
}

WriteOutcome ExtractTarget::WriteFile(const std::vector<std::string>& path, const Stamp& stamp, bool overwrite,
                                      const std::function<DataResult(const DataSink&)>& fill) {
  UniqueFd folder;
  if (const WriteOutcome opened = OpenFolder(path, path.size() - 1, true, folder);
      opened != WriteOutcome::kWritten)
    return opened;
  const std::string& name = path.back();
  struct stat existing {};
  if (::fstatat(folder.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(existing.st_mode)) return Refused(EISDIR);
    if (!overwrite) return WriteOutcome::kKept;
  }
  std::string temporary;
  UniqueFd file = CreateUniqueFileAt(folder.get(), ".dv-", 0600, temporary);
  if (!file) return Refused();
  PendingFile pending(folder.get(), temporary);
  const int fd = file.get();
  switch (fill([fd](const void* data, std::size_t size) { return WriteAll(fd, data, size); })) {
    case DataResult::kDone: break;
    case DataResult::kBroken: return WriteOutcome::kBroken;
    case DataResult::kUnsupported: return WriteOutcome::kUnsupported;
    case DataResult::kSinkFailed: return Refused();
    case DataResult::kVolumeMissing: return WriteOutcome::kVolumeMissing;
  }
  struct timespec times[2];
  FillTimes(stamp, times);
  if (::fchmod(fd, stamp.mode) != 0 || ::futimens(fd, times) != 0 || !file.Close()) return Refused();
  return pending.MoveTo(name) ? WriteOutcome::kWritten : Refused();
}

WriteOutcome ExtractTarget::CopyFile(const std::vector<std::string>& from, const std::vector<std::string>& path,
                                     const Stamp& stamp, bool overwrite) {
  UniqueFd folder;
  if (OpenFolder(from, from.size() - 1, false, folder) != WriteOutcome::kWritten) return Refused(ENOENT);
  const UniqueFd source(::openat(folder.get(), from.back().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info {};
  if (!source || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode)) return Refused(ENOENT);
  return WriteFile(path, stamp, overwrite, [&source](const DataSink& sink) {
    std::uint64_t total = 0;
    return ReadAll(source.get(), sink, total);
  });
}

WriteOutcome ExtractTarget::MakeDirectory(const std::vector<std::string>& path, const Stamp& stamp) {
  UniqueFd folder;
  const WriteOutcome opened = OpenFolder(path, path.size(), true, folder);
  // A folder that was there before keeps its own mode and times.
  if (opened == WriteOutcome::kWritten && madeHere_.count(JoinComponents(path)) != 0) pending_.push_back({path, stamp});
  return opened;
}

void ExtractTarget::Finish() {
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const PendingFolder& a, const PendingFolder& b) { return a.path.size() > b.path.size(); });
  for (const PendingFolder& pending : pending_) {
    UniqueFd folder;
    if (OpenFolder(pending.path, pending.path.size(), false, folder) != WriteOutcome::kWritten) continue;
    struct timespec times[2];
    FillTimes(pending.stamp, times);
    ::futimens(folder.get(), times);
    ::fchmod(folder.get(), pending.stamp.mode);
  }
  pending_.clear();
}

}  // namespace dv
