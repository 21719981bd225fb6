#include "libraries/core/create/FileCollector.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <system_error>

#include "contract/ResultCodes.h"
#include "libraries/core/command/NameSelection.h"

namespace dv {
namespace {

bool HasWildcard(std::string_view name, WildcardSyntax syntax) {
  return name.find_first_of(syntax == WildcardSyntax::kBrackets ? "*?[" : "*?") != std::string_view::npos;
}

std::string Join(const std::string& prefix, const std::string& name) {
  if (prefix.empty()) return name;
  return prefix.back() == '/' ? prefix + name : prefix + "/" + name;
}

// Where a name of the line is on disk: an absolute one as it is, a relative
// one below the base directory.
std::string DiskPath(const std::string& base, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  if (base.empty()) return name.empty() ? "." : name;
  return Join(base, name);
}

// The names in `folder`, sorted; `error` says why it could not be read.
std::vector<std::string> SortedNames(const std::string& folder, std::error_code& error) {
  std::vector<std::string> names;
  std::filesystem::directory_iterator item(folder, error), end;
  for (; !error && item != end; item.increment(error)) names.push_back(item->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The existing paths `pattern` names, its wildcards matched one folder name
// at a time.
std::vector<std::string> Expand(const std::string& base, const std::string& pattern, WildcardSyntax syntax) {
  std::vector<std::string> found{pattern[0] == '/' ? "/" : ""};
  std::size_t start = 0;
  while (start <= pattern.size()) {
    const std::size_t end = std::min(pattern.find('/', start), pattern.size());
    const std::string name = pattern.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    std::vector<std::string> next;
    for (const std::string& prefix : found) {
      if (!HasWildcard(name, syntax)) {
        next.push_back(Join(prefix, name));
        continue;
      }
      std::error_code unread;  // a folder that does not read matches nothing
      for (const std::string& candidate : SortedNames(DiskPath(base, prefix.empty() ? "." : prefix), unread))
        if (WildcardMatches(name, candidate, syntax)) next.push_back(Join(prefix, candidate));
    }
    found = std::move(next);
  }
  std::erase_if(found, [&](const std::string& path) {
    struct stat info {};
    return path.empty() || ::lstat(DiskPath(base, path).c_str(), &info) != 0;
  });
  return found;
}

class Collector {
 public:
  Collector(const Command& command, const CollectRules& rules)
      : command_(command), rules_(rules), exclusions_({}, command.excludes, command.syntax) {}

  void Add(const std::string& name) {
    const std::string disk = DiskPath(command_.baseDirectory, name);
    struct stat info {};
    if (::lstat(disk.c_str(), &info) != 0) return Fail(disk, std::error_code(errno, std::generic_category()));
    if (rules_.skip != nullptr && info.st_dev == rules_.skip->st_dev && info.st_ino == rules_.skip->st_ino) return;
    std::string stored = StoredName(name);
    if (command_.junkPaths) stored = stored.substr(stored.find_last_of('/') + 1);
    if (!stored.empty() && !exclusions_.Selects(stored)) return;
    if (S_ISDIR(info.st_mode)) {
      if (rules_.directoryEntries && !command_.junkPaths && !stored.empty()) Store(disk, stored + "/", info);
      if (rules_.recurse) {
        std::error_code error;
        const std::vector<std::string> children = SortedNames(disk, error);
        if (error) return Fail(disk, error);
        for (const std::string& child : children) Add(Join(name.empty() ? "." : name, child));
      }
    } else if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) {
      if (!stored.empty()) Store(disk, stored, info);
    } else if (seen_.insert(stored).second) {
      // A device, FIFO or socket has no data to store (a FIFO's read would wait).
      passedOver_.Add(stored.empty() ? disk : stored);
    }
  }

  // The first path that could not be read, and why; "" when all read.
  const std::string& failure() const { return failure_; }
  std::vector<SourceFile> TakeFiles() { return std::move(files_); }
  LeftOut TakePassedOver() { return std::move(passedOver_); }

 private:
  // A folder or file that cannot be read leaves its contents out: the
  // archive would say less than the line asked for.
  void Fail(const std::string& disk, const std::error_code& error) {
    if (failure_.empty()) failure_ = "cannot read " + disk + ": " + error.message();
  }

  void Store(const std::string& disk, const std::string& stored, const struct stat& info) {
    if (!seen_.insert(stored).second) return;
    SourceFile file;
    file.diskPath = disk;
    file.entry.path = stored;
    file.entry.modified = info.st_mtime;
    file.entry.permissions = info.st_mode & 07777;
    file.entry.kind = S_ISDIR(info.st_mode) ? EntryKind::kDirectory
                      : S_ISLNK(info.st_mode) ? EntryKind::kSymlink
                                              : EntryKind::kFile;
    file.entry.size = file.entry.kind == EntryKind::kFile ? static_cast<std::uint64_t>(info.st_size) : 0;
    if (file.entry.kind == EntryKind::kSymlink) {
      std::error_code error;
      file.entry.linkTarget = std::filesystem::read_symlink(disk, error).string();
    }
    files_.push_back(std::move(file));
  }

  const Command& command_;
  const CollectRules& rules_;
  NameSelection exclusions_;
  std::set<std::string> seen_;
  std::vector<SourceFile> files_;
  LeftOut passedOver_;
  std::string failure_;
};

}  // namespace

std::string StoredName(const std::string& path) {
  std::string stored;
  for (const auto& part : std::filesystem::path(path).lexically_normal()) {
    const std::string name = part.string();
    if (name.empty() || name == "/" || name == "." || name == "..") continue;
    stored = stored.empty() ? name : stored + "/" + name;
  }
  return stored;
}

CollectedFiles CollectFiles(const Command& command, const std::vector<std::string>& names, const CollectRules& rules) {
  CollectedFiles collected;
  Collector collector(command, rules);
  for (const std::string& name : names) {
    const std::vector<std::string> paths = Expand(command.baseDirectory, name, command.syntax);
    if (paths.empty() && !rules.missingNamesAllowed) {
      collected.code = kErrorNoMatch;
      collected.message = "no file matches " + name;
      return collected;
    }
    for (const std::string& path : paths) collector.Add(path);
    if (!collector.failure().empty()) {
      collected.code = kErrorCannotRead;
      collected.message = collector.failure();
      return collected;
    }
  }
  collected.files = collector.TakeFiles();
  collected.passedOver = collector.TakePassedOver();
  return collected;
}

}  // namespace dv
