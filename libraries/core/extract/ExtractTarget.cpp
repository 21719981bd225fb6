#include "libraries/core/extract/ExtractTarget.h"

#include <algorithm>
#include <cerrno>

#include "libraries/core/select/PathSafety.h"
#include "libraries/core/util/FileIo.h"

namespace dv {
namespace {

// Removes a file made beside its final name unless it got there.
class PendingFile {
 public:
  PendingFile(const Folder& folder, std::string name) : folder_(folder), name_(std::move(name)) {}
  ~PendingFile() {
    if (!name_.empty()) folder_.Remove(name_);
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  bool MoveTo(const std::string& finalName) {
    if (!folder_.Replace(name_, finalName)) return false;
    name_.clear();
    return true;
  }

 private:
  const Folder& folder_;
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
  // The base itself is the caller's: a link there is followed.
  auto folder = Folder::Open(base.empty() ? "." : base, true);
  if (!folder) return std::nullopt;
  return ExtractTarget(std::move(*folder));
}

WriteOutcome ExtractTarget::OpenFolder(const std::vector<std::string>& path, std::size_t count, bool create,
                                       std::optional<Folder>& folder) {
  std::optional<Folder> current;
  for (std::size_t i = 0; i < count; ++i) {
    const Folder& parent = current ? *current : base_;
    std::optional<Folder> child;
    int error = parent.OpenChild(path[i], child);
    if (error == ENOENT && create) {
      error = parent.MakeChild(path[i]);
      if (error == 0)
        madeHere_.insert(JoinComponents({path.begin(), path.begin() + static_cast<std::ptrdiff_t>(i) + 1}));
      else if (error != EEXIST)
        return Refused(error);
      error = parent.OpenChild(path[i], child);
    }
    if (error != 0) return error == ELOOP ? WriteOutcome::kUnsafe : Refused(error);
    current = std::move(child);
  }
  folder = std::move(current);
  return WriteOutcome::kWritten;
}

WriteOutcome ExtractTarget::WriteFile(const std::vector<std::string>& path, const Stamp& stamp, bool overwrite,
                                      const std::function<DataResult(const DataSink&)>& fill) {
  std::optional<Folder> opened;
  if (const WriteOutcome outcome = OpenFolder(path, path.size() - 1, true, opened); outcome != WriteOutcome::kWritten)
    return outcome;
  const Folder& folder = opened ? *opened : base_;
  const std::string& name = path.back();
  if (const auto existing = folder.LookAtChild(name)) {
    if (existing->kind == DiskKind::kFolder) return Refused(EISDIR);
    if (!overwrite) return WriteOutcome::kKept;
  }
  std::string temporary;
  UniqueFd file = folder.CreateUnique(".dv-", 0600, temporary);
  if (!file) return Refused();
  PendingFile pending(folder, temporary);
  const int fd = file.get();
  switch (fill([fd](const void* data, std::size_t size) { return WriteAll(fd, data, size); })) {
    case DataResult::kDone: break;
    case DataResult::kBroken: return WriteOutcome::kBroken;
    case DataResult::kUnsupported: return WriteOutcome::kUnsupported;
    case DataResult::kSinkFailed: return Refused();
    case DataResult::kVolumeMissing: return WriteOutcome::kVolumeMissing;
  }
  if (!StampOpenFile(fd, stamp.mode, stamp.modified, stamp.accessed) || !file.Close()) return Refused();
  return pending.MoveTo(name) ? WriteOutcome::kWritten : Refused();
}

WriteOutcome ExtractTarget::CopyFile(const std::vector<std::string>& from, const std::vector<std::string>& path,
                                     const Stamp& stamp, bool overwrite) {
  std::optional<Folder> opened;
  if (OpenFolder(from, from.size() - 1, false, opened) != WriteOutcome::kWritten) return Refused(ENOENT);
  const UniqueFd source = (opened ? *opened : base_).OpenChildFile(from.back());
  if (!source) return Refused(ENOENT);
  return WriteFile(path, stamp, overwrite, [&source](const DataSink& sink) {
    std::uint64_t total = 0;
    return ReadAll(source.get(), sink, total);
  });
}

WriteOutcome ExtractTarget::MakeDirectory(const std::vector<std::string>& path, const Stamp& stamp) {
  std::optional<Folder> folder;
  const WriteOutcome opened = OpenFolder(path, path.size(), true, folder);
  // A folder that was there before keeps its own mode and times.
  if (opened == WriteOutcome::kWritten && madeHere_.count(JoinComponents(path)) != 0) pending_.push_back({path, stamp});
  return opened;
}

void ExtractTarget::Finish() {
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const PendingFolder& a, const PendingFolder& b) { return a.path.size() > b.path.size(); });
  for (const PendingFolder& pending : pending_) {
    std::optional<Folder> folder;
    if (OpenFolder(pending.path, pending.path.size(), false, folder) != WriteOutcome::kWritten || !folder) continue;
    folder->Stamp(pending.stamp.mode, pending.stamp.modified, pending.stamp.accessed);
  }
  pending_.clear();
}

}  // namespace dv
