// The file system as the libraries reach it, the same calls on every system
// (util/posix/ and util/win32/ each answer them their own way). Paths are
// UTF-8 text; descriptors are the C library's, opened in binary mode.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "libraries/core/util/UniqueFd.h"

namespace dv {

enum class DiskKind { kFile, kFolder, kLink, kOther };

struct DiskInfo {
  DiskKind kind = DiskKind::kOther;
  mode_t mode = 0;  // the permission bits (07777)
  std::uint64_t size = 0;
  std::time_t modified = 0;
  // Which file it is: equal on both for the same file.
  std::uint64_t device = 0;
  std::uint64_t node = 0;
};

inline bool SameFile(const DiskInfo& a, const DiskInfo& b) { return a.device == b.device && a.node == b.node; }

// What stands at `path` (a link itself unless `followLinks`); nothing, with
// errno set, when nothing can be found there.
std::optional<DiskInfo> LookAt(const std::string& path, bool followLinks);
// What the open file `fd` is.
std::optional<DiskInfo> LookAtOpen(int fd);

// Opens a regular file for reading: never a folder, FIFO or device, and
// never through a link unless `followLinks` (the file named by the caller).
UniqueFd OpenRegularFile(const std::string& path, bool followLinks);
// Reads up to `length` bytes at `offset` without moving the file position:
// the count read, 0 at the end, -1 on an error.
std::int64_t ReadAt(int fd, void* buffer, std::size_t length, std::int64_t offset);

// Gives an open file written here its mode and times (the file system's
// own time when `modified` is nothing).
bool StampOpenFile(int fd, mode_t mode, std::optional<std::time_t> modified, std::optional<std::time_t> accessed);
// Sets the last-write (and access) time of the file at `path`.
bool SetPathTime(const std::string& path, std::time_t when);

// The system's path of our text, and back.
std::filesystem::path PathOf(const std::string& text);
std::string TextOf(const std::filesystem::path& path);

// The folder part of `path` ("." when it has none) and its last name.
struct FolderAndName {
  std::string folder;
  std::string name;
};
FolderAndName SplitPath(const std::string& path);

// The names in `folder`, sorted; `error` says why it could not be read.
std::vector<std::string> FolderNames(const std::string& folder, std::error_code& error);

// An open folder, below which names are reached one at a time: a name that
// is a link (a symbolic link, a junction or another reparse point) is never
// followed, and the folder stays the one opened while the object lives.
class Folder {
 public:
  // The folder at `path` (made with its parents when `create`); a link on
  // the way is followed, since the path is the caller's.
  static std::optional<Folder> Open(const std::string& path, bool create = false);
  Folder(Folder&&) noexcept;
  Folder& operator=(Folder&&) noexcept;
  ~Folder();

  // The child folder `name`; 0 or the errno value that refused it (ELOOP
  // for a link).
  int OpenChild(const std::string& name, std::optional<Folder>& child) const;
  // Makes the folder `name`; 0 or the errno value (EEXIST when something is there).
  int MakeChild(const std::string& name) const;
  // What stands at `name`, a link not followed; nothing when nothing does.
  std::optional<DiskInfo> LookAtChild(const std::string& name) const;
  // Opens the regular file `name` for reading, a link refused.
  UniqueFd OpenChildFile(const std::string& name) const;
  // Makes a new file named `prefix` and a random tail, never following or
  // replacing anything; its name goes to `name`. `mode` goes through the
  // umask as for any new file.
  UniqueFd CreateUnique(std::string_view prefix, mode_t mode, std::string& name) const;
  // Moves `from` over `to`, both in this folder, in one step: a link at
  // `to` is replaced, never written through.
  bool Replace(const std::string& from, const std::string& to) const;
  bool Remove(const std::string& name) const;
  // Gives the folder itself its mode and times.
  bool Stamp(mode_t mode, std::optional<std::time_t> modified, std::optional<std::time_t> accessed) const;

 private:
  struct State;
  explicit Folder(std::shared_ptr<const State> state);
  std::shared_ptr<const State> state_;
};

}  // namespace dv
