// File routines the subsystems call, by the framework's names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/DateTime.h"

// A regular file, after following links. Folders, FIFOs and devices are not files.
bool FileExists(const std::string& path);
// A folder, after following links.
bool DirectoryExists(const std::string& path);
// A link (to anything), not followed.
bool IsSymbolicLink(const std::string& path);

// The last-write time as a local DOS date and time; -1 when it cannot be read
// or is outside the DOS range.
TDosDateTime FileAge(const std::string& path);
// The last-write time as a local date-time value at two-second precision.
bool FileAgeDateTime(const std::string& path, TDateTime& value);

// Folder listing by find-first/find-next.
enum TFileAttr : int {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faSymLink = 0x40,
  faAnyFile = 0x3F,
};
// What a listing holds between FindFirst and FindClose.
struct TFolderListing;
struct TSearchRec {
  std::string Name;
  int Attr = 0;
  unsigned Mode = 0;  // the entry's own type and permissions (st_mode, links not followed)
  // The system's errno value when the entry could not be examined (a folder
  // without its search bit): Attr and Mode are 0 then.
  int Error = 0;
  std::shared_ptr<TFolderListing> FindHandle;
  std::string Pattern;
  int Mask = faAnyFile;
};
// Returns 0 when an entry was found, else the system's errno value (ENOENT at
// the end, or why the folder could not be read). The pattern is folder + name pattern
// ("*.*" or "*" match every name). Entries come in byte order of their names,
// whatever order the file system keeps them in. Links to folders are reported
// as links, without faDirectory, so a walk never follows them.
int FindFirst(const std::string& pattern, int attr, TSearchRec& rec);
// The entry itself is a regular file (not a link, folder, FIFO or device).
bool IsRegularFile(const TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

// Which file a path names, to tell later that it is still the same one.
struct TFileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool link = false;  // the path itself is a link; device and inode are its target's
};
// False when the path cannot be examined (errno tells why).
bool GetFileIdentity(const std::string& path, TFileIdentity& identity);
// The errno value of FileOpen when the path no longer names the expected file;
// no system gives this value for anything of its own.
inline constexpr int kFileReplaced = 0x10000;

// Opening for the time change: read and write, nobody else may hold the file.
enum TFileMode : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyNone = 0x0040,
};
// -1 when the file cannot be opened, with errno telling why: EROFS when it is
// opened for writing but read-only (no write permission bit, also for root, or
// on a read-only file system); EINVAL when it is no regular file; EWOULDBLOCK
// when another holds it; kFileReplaced when `expected` is given and the path
// names another file now (a link put in the place of a file is not followed);
// else the system's own code (ENOENT, EACCES...).
int FileOpen(const std::string& path, unsigned mode, const TFileIdentity* expected = nullptr);
void FileClose(int handle);
// Sets the last-write time only; the access time is left alone. 0 on success,
// EINVAL when the value is no date and time the file system can take, else the
// system's errno value (EPERM: not the owner).
int FileSetDate(int handle, TDosDateTime fileDate);
bool DeleteFile(const std::string& path);
