#include "libraries/core/create/FileCollector.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <system_error>

#include "contract/ResultCodes.h"
#include "libraries/core/select/NameSelection.h"

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
  if (PathOf(name).is_absolute()) return name;  // "/x", or "C:\x" on Windows
  if (base.empty()) return name.empty() ? "." : name;
  return Join(base, name);
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
      for (const std::string& candidate : FolderNames(DiskPath(base, prefix.empty() ? "." : prefix), unread))
        if (WildcardMatches(name, candidate, syntax)) next.push_back(Join(prefix, candidate));
    }
    found = std::move(next);
  }
  std::erase_if(found, [&](const std::string& path) { return path.empty() || !LookAt(DiskPath(base, path), false); });
  return found;
}

class Collector {
 public:
  Collector(const Command& command, const CollectRules& rules)
      : command_(command), rules_(rules), exclusions_({}, command.excludes, command.syntax) {}

  void Add(const std::string& name) {
    const std::string disk = DiskPath(command_.baseDirectory, name);
    const auto found = LookAt(disk, false);
    if (!found) return Fail(disk, std::error_code(errno, std::generic_category()));
    const DiskInfo& info = *found;
    if (rules_.skip != nullptr && SameFile(info, *rules_.skip)) return;
    std::string stored = StoredName(name);
    if (command_.junkPaths) stored = stored.substr(stored.find_last_of('/') + 1);
    if (!stored.empty() && !exclusions_.Selects(stored)) return;
    if (info.kind == DiskKind::kFolder) {
      if (rules_.directoryEntries && !command_.junkPaths && !stored.empty()) Store(disk, stored + "/", info);
      if (rules_.recurse) {
        std::error_code error;
        const std::vector<std::string> children = FolderNames(disk, error);
        if (error) return Fail(disk, error);
        for (const std::string& child : children) Add(Join(name.empty() ? "." : name, child));
      }
    } else if (info.kind == DiskKind::kFile || info.kind == DiskKind::kLink) {
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

  void Store(const std::string& disk, const std::string& stored, const DiskInfo& info) {
    if (!seen_.insert(stored).second) return;
    SourceFile file;
    file.diskPath = disk;
    file.entry.path = stored;
    file.entry.modified = info.modified;
    file.entry.permissions = info.mode;
    file.entry.kind = info.kind == DiskKind::kFolder ? EntryKind::kDirectory
                      : info.kind == DiskKind::kLink ? EntryKind::kSymlink
                                                     : EntryKind::kFile;
    file.entry.size = file.entry.kind == EntryKind::kFile ? info.size : 0;
    if (file.entry.kind == EntryKind::kSymlink) {
      std::error_code error;
      file.entry.linkTarget = TextOf(std::filesystem::read_symlink(PathOf(disk), error));
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
  // Without its root: "/", or on Windows a drive and its "\".
  for (const auto& part : PathOf(path).relative_path().lexically_normal()) {
    const std::string name = TextOf(part);
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
