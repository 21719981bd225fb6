#include "platform/rtl/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>
#include <vector>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/PathAccess.h"

namespace {
bool StatFollowing(const std::string& path, struct stat& st) {
  const TPathAccess access(path);
  return ::stat(access.c_str(), &st) == 0;
}

bool HasNoWriteBit(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// FileOpen's refusal: the descriptor (if any) closed, the reason in errno.
int Refuse(int fd, int error) {
  if (fd >= 0) ::close(fd);
  errno = error;
  return -1;
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*" || pattern == "*") return true;
  return fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) == 0;
}

// Fills the record for one directory entry; false when it does not fit the
// mask or is gone. An entry that cannot be examined is reported with its error.
bool Describe(int folder, const std::string& name, int attr, TSearchRec& rec) {
  struct stat own {};
  if (::fstatat(folder, name.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return false;
    rec.Name = name;
    rec.Attr = 0;
    rec.Mode = 0;
    rec.Error = errno;
    return true;
  }
  int found = 0;
  if (S_ISLNK(own.st_mode)) {
    found |= faSymLink;
  } else if (S_ISDIR(own.st_mode)) {
    found |= faDirectory;
  } else {
    found |= faArchive;
  }
  if (HasNoWriteBit(own) && !S_ISLNK(own.st_mode)) found |= faReadOnly;
  if (!name.empty() && name[0] == '.') found |= faHidden;
  // Folders (and links) are only reported when asked for, as the framework does.
  if ((found & faDirectory) && !(attr & faDirectory)) return false;
  rec.Name = name;
  rec.Attr = found;
  rec.Mode = own.st_mode;
  rec.Error = 0;
  return true;
}
}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  return StatFollowing(path, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return StatFollowing(path, st) && S_ISDIR(st.st_mode);
}

bool IsSymbolicLink(const std::string& path) {
  std::string own = path;
  while (own.size() > 1 && own.back() == PathDelim) own.pop_back();
  const TPathAccess access(own);
  struct stat st {};
  return ::lstat(access.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool GetFileIdentity(const std::string& path, TFileIdentity& identity) {
  const TPathAccess access(path);
  struct stat st {};
  if (::lstat(access.c_str(), &st) != 0) return false;
  identity.link = S_ISLNK(st.st_mode);
  if (identity.link && ::stat(access.c_str(), &st) != 0) return false;
  identity.device = st.st_dev;
  identity.inode = st.st_ino;
  return true;
}

bool FileAgeDateTime(const std::string& path, TDateTime& value) {
  struct stat st {};
  // DOS precision: whole seconds, even.
  return StatFollowing(path, st) && TryUnixToLocalDateTime(st.st_mtim.tv_sec, value, true);
}

// The names of a folder, read at once: the order a directory hands them out
// in is its own (hash order on most Linux file systems), and a run must read
// the same on every machine and every time.
struct TFolderListing {
  std::vector<std::string> names;
  std::size_t next = 0;
  // The folder itself: its entries are examined relative to it, so a path of
  // any length and a folder renamed meanwhile give the same answers.
  int folder = -1;
  ~TFolderListing() {
    if (folder >= 0) ::close(folder);
  }
};

int FindFirst(const std::string& pattern, int attr, TSearchRec& rec) {
  FindClose(rec);
  const std::string folder = ExtractFilePath(pattern);
  const std::string mask = ExtractFileName(pattern);
  const TPathAccess access(folder.empty() ? "." : folder);
  auto listing = std::make_shared<TFolderListing>();
  listing->folder = ::open(access.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing->folder < 0) return errno == 0 ? ENOENT : errno;
  const int reading = ::dup(listing->folder);
  if (reading < 0) return errno;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(reading), ::closedir);
  if (dir == nullptr) {
    const int error = errno;
    ::close(reading);
    return error;
  }
  errno = 0;
  while (const dirent* entry = ::readdir(dir.get()))
    if (MatchesPattern(mask, entry->d_name)) listing->names.emplace_back(entry->d_name);
  // A folder that fails part-way is not read as a complete one.
  if (errno != 0) return errno;
  std::sort(listing->names.begin(), listing->names.end());
  rec.FindHandle = std::move(listing);
  rec.Pattern = pattern;
  rec.Mask = attr;
  return FindNext(rec);
}

int FindNext(TSearchRec& rec) {
  TFolderListing* listing = rec.FindHandle.get();
  if (listing == nullptr) return EBADF;
  while (listing->next < listing->names.size()) {
    const std::string& name = listing->names[listing->next++];
    if (name == "." || name == "..") {
      rec.Name = name;
      rec.Attr = faDirectory;
      rec.Mode = S_IFDIR;
      rec.Error = 0;
      return 0;
    }
    // An entry gone since the folder was read is passed over.
    if (Describe(listing->folder, name, rec.Mask, rec)) return 0;
  }
  return ENOENT;
}

void FindClose(TSearchRec& rec) { rec.FindHandle.reset(); }

bool IsRegularFile(const TSearchRec& rec) { return S_ISREG(rec.Mode); }

int FileOpen(const std::string& path, unsigned mode, const TFileIdentity* expected) {
  const unsigned access = mode & 0x3;
  const bool writing = access != fmOpenRead;
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  flags |= access == fmOpenReadWrite ? O_RDWR : access == fmOpenWrite ? O_WRONLY : O_RDONLY;
  // What was a file must still be one: a link put in its place is not followed.
  if (expected != nullptr && !expected->link) flags |= O_NOFOLLOW;
  const TPathAccess reach(path);
  const int fd = ::open(reach.c_str(), flags);
  struct stat st {};
  if (fd < 0) {
    const int error = errno;
    if (expected != nullptr && error == ELOOP) return Refuse(-1, kFileReplaced);
    // The system refuses a file with no write bit to its owner: that is the
    // read-only rule, not a want of rights.
    if (writing && error == EACCES && StatFollowing(path, st) && HasNoWriteBit(st)) return Refuse(-1, EROFS);
    return Refuse(-1, error);
  }
  if (::fstat(fd, &st) != 0) return Refuse(fd, errno);
  if (expected != nullptr && (st.st_dev != expected->device || st.st_ino != expected->inode))
    return Refuse(fd, kFileReplaced);
  // Only regular files: a FIFO or a device is never read or written here.
  if (!S_ISREG(st.st_mode)) return Refuse(fd, EINVAL);
  // A read-only file is not written even by a user the system would let.
  if (writing && HasNoWriteBit(st)) return Refuse(fd, EROFS);
  if ((mode & fmShareExclusive) || (mode & fmShareDenyWrite)) {
    const int lock = (mode & fmShareExclusive) ? LOCK_EX : LOCK_SH;
    if (::flock(fd, lock | LOCK_NB) != 0) return Refuse(fd, errno);
  }
  return fd;
}

void FileClose(int handle) {
  if (handle >= 0) ::close(handle);
}

int FileSetDate(int handle, TDosDateTime fileDate) {
  TDateTime date, time;
  std::time_t seconds;
  if (!TryDecodeFileDate(fileDate, date, time) || !LocalDateTimeToUnix(date + time, seconds)) return EINVAL;
  const struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
  return ::futimens(handle, times) == 0 ? 0 : errno;
}

bool DeleteFile(const std::string& path) {
  const TPathAccess access(path);
  return ::unlink(access.c_str()) == 0;
}
