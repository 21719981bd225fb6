// The file routines over the wide Win32 calls. A file another process holds
// is the system's sharing violation, reported as EWOULDBLOCK as on POSIX.
#include "platform/rtl/Files.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <utility>
#include <vector>

#include "platform/rtl/Ansi.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

namespace {
constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

DWORD Attributes(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()); }

// 100-nanosecond intervals between 1601 and 1970.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;

std::time_t UnixSeconds(const FILETIME& time) {
  const std::int64_t ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<std::time_t>((ticks - kUnixEpochTicks) / 10000000LL);
}

FILETIME FileTimeOf(std::time_t seconds) {
  const std::int64_t ticks = static_cast<std::int64_t>(seconds) * 10000000LL + kUnixEpochTicks;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

int Refuse(HANDLE handle, int error) {
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  errno = error;
  return -1;
}

int AttrOf(DWORD attributes, const std::wstring& name) {
  int found = 0;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    found |= faSymLink;
  else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    found |= faDirectory;
  else
    found |= faArchive;
  if ((attributes & FILE_ATTRIBUTE_READONLY) && !(found & faSymLink)) found |= faReadOnly;
  if ((attributes & FILE_ATTRIBUTE_HIDDEN) || (!name.empty() && name[0] == L'.')) found |= faHidden;
  if (attributes & FILE_ATTRIBUTE_SYSTEM) found |= faSysFile;
  return found;
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*" || pattern == "*") return true;
  // Only the match-everything patterns are asked for; others compare whole.
  return SameText(pattern, name);
}
}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != kNoAttributes && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsSymbolicLink(const std::string& path) {
  std::string own = path;
  while (own.size() > 1 && (own.back() == '/' || own.back() == '\\')) own.pop_back();
  const DWORD attributes = Attributes(own);
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool FileAgeDateTime(const std::string& path, TDateTime& value) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) return false;
  // DOS precision: whole seconds, even.
  return TryUnixToLocalDateTime(UnixSeconds(data.ftLastWriteTime), value, true);
}

// The entries of a folder, read at once and sorted by name as the POSIX
// listing is, so that a run reads the same on every system.
struct TFolderListing {
  struct Found {
    std::string name;
    DWORD attributes;
  };
  std::vector<Found> entries;
  std::size_t next = 0;
};

int FindFirst(const std::string& pattern, int attr, TSearchRec& rec) {
  FindClose(rec);
  const std::string folder = ExtractFilePath(pattern);
  const std::string mask = ExtractFileName(pattern);
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW(WidePath((folder.empty() ? std::string(".\\") : folder) + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return ErrnoOfLastError(GetLastError());
  auto listing = std::make_shared<TFolderListing>();
  do {
    const std::string name = Narrow(data.cFileName);
    if (MatchesPattern(mask, name)) listing->entries.push_back({name, data.dwFileAttributes});
  } while (FindNextFileW(find, &data));
  const DWORD ended = GetLastError();
  ::FindClose(find);
  if (ended != ERROR_NO_MORE_FILES) return ErrnoOfLastError(ended);
  std::sort(listing->entries.begin(), listing->entries.end(),
            [](const TFolderListing::Found& a, const TFolderListing::Found& b) { return a.name < b.name; });
  rec.FindHandle = std::move(listing);
  rec.Pattern = pattern;
  rec.Mask = attr;
  return FindNext(rec);
}

int FindNext(TSearchRec& rec) {
  TFolderListing* listing = rec.FindHandle.get();
  if (listing == nullptr) return EBADF;
  while (listing->next < listing->entries.size()) {
    const TFolderListing::Found& entry = listing->entries[listing->next++];
    const int found = AttrOf(entry.attributes, Wide(entry.name));
    // Folders (and links) are only reported when asked for, as the framework does.
    if ((found & faDirectory) && !(rec.Mask & faDirectory)) continue;
    rec.Name = entry.name;
    rec.Attr = found;
    rec.Mode = 0;
    rec.Error = 0;
    return 0;
  }
  return ENOENT;
}

void FindClose(TSearchRec& rec) { rec.FindHandle.reset(); }

bool IsRegularFile(const TSearchRec& rec) { return (rec.Attr & (faDirectory | faSymLink)) == 0 && rec.Attr != 0; }

bool GetFileIdentity(const std::string& path, TFileIdentity& identity) {
  const DWORD attributes = Attributes(path);
  if (attributes == kNoAttributes) {
    errno = ErrnoOfLastError(GetLastError());
    return false;
  }
  const HANDLE handle = CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = ErrnoOfLastError(GetLastError());
    return false;
  }
  BY_HANDLE_FILE_INFORMATION information;
  const bool known = GetFileInformationByHandle(handle, &information);
  CloseHandle(handle);
  if (!known) {
    errno = EIO;
    return false;
  }
  identity.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  identity.device = information.dwVolumeSerialNumber;
  identity.inode = (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  return true;
}

int FileOpen(const std::string& path, unsigned mode, const TFileIdentity* expected) {
  const unsigned access = mode & 0x3;
  const bool writing = access != fmOpenRead;
  DWORD desired = GENERIC_READ;
  if (access == fmOpenWrite) desired = GENERIC_WRITE;
  if (access == fmOpenReadWrite) desired = GENERIC_READ | GENERIC_WRITE;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  if (mode & fmShareExclusive)
    share = 0;
  else if (mode & fmShareDenyWrite)
    share = FILE_SHARE_READ;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  // What was a file must still be one: a link put in its place is not followed.
  if (expected != nullptr && !expected->link) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  const std::wstring wide = WidePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Refuse(INVALID_HANDLE_VALUE, EINVAL);
  // A read-only file is not written, whoever asks.
  if (writing && attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_READONLY))
    return Refuse(INVALID_HANDLE_VALUE, EROFS);
  const HANDLE handle = CreateFileW(wide.c_str(), desired, share, nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Refuse(handle, ErrnoOfLastError(GetLastError()));
  // Only files on a disk: a pipe or a device is never read or written here.
  if (GetFileType(handle) != FILE_TYPE_DISK) return Refuse(handle, EINVAL);
  if (expected != nullptr) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) return Refuse(handle, EIO);
    const std::uint64_t index =
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    if (information.dwVolumeSerialNumber != expected->device || index != expected->inode ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return Refuse(handle, kFileReplaced);
  }
  // Binary: the C library must never turn bytes into line ends.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | (writing ? 0 : _O_RDONLY));
  if (fd < 0) return Refuse(handle, EMFILE);
  return fd;
}

void FileClose(int handle) {
  if (handle >= 0) _close(handle);
}

int FileSetDate(int handle, TDosDateTime fileDate) {
  TDateTime date, time;
  std::time_t seconds;
  if (!TryDecodeFileDate(fileDate, date, time) || !LocalDateTimeToUnix(date + time, seconds)) return EINVAL;
  const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
  if (file == INVALID_HANDLE_VALUE) return EBADF;
  const FILETIME written = FileTimeOf(seconds);
  return SetFileTime(file, nullptr, nullptr, &written) ? 0 : ErrnoOfLastError(GetLastError());
}

bool DeleteFile(const std::string& path) { return DeleteFileW(WidePath(path).c_str()) != 0; }
