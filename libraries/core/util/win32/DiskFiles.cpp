#include "libraries/core/util/DiskFiles.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>

#include "libraries/core/util/FileIo.h"
#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

namespace dv {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A folder held open without FILE_SHARE_DELETE cannot be renamed or removed,
// so a path through it keeps leading where it led when it was opened.
constexpr DWORD kSharePinned = FILE_SHARE_READ | FILE_SHARE_WRITE;
// 100-nanosecond steps from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochGap = 116444736000000000LL;
constexpr std::int64_t kStepsPerSecond = 10000000;

class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~UniqueHandle() {
    if (*this) CloseHandle(handle_);
  }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueHandle& operator=(UniqueHandle&&) = delete;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// errno from the system's last error; returns it.
int FailWithLastError() {
  errno = ErrnoOfLastError(GetLastError());
  return errno;
}

FILETIME FileTimeOf(std::time_t when) {
  const auto steps = static_cast<std::uint64_t>(static_cast<std::int64_t>(when) * kStepsPerSecond + kEpochGap);
  return FILETIME{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
}

std::time_t TimeOf(const FILETIME& time) {
  const auto steps =
      static_cast<std::int64_t>(static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
  const std::int64_t since = steps - kEpochGap;
  // Whole seconds, rounded down also before 1970.
  return static_cast<std::time_t>(since >= 0 ? since / kStepsPerSecond
                                             : -((-since + kStepsPerSecond - 1) / kStepsPerSecond));
}

// Opens `path` (a file or a folder) for `access`; a link at its end is
// opened itself unless `followLinks`.
UniqueHandle OpenPath(const std::wstring& path, DWORD access, DWORD share, bool followLinks) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  UniqueHandle handle(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
  if (!handle) FailWithLastError();
  return handle;
}

std::optional<DiskInfo> InfoOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION facts{};
  if (!GetFileInformationByHandle(handle, &facts)) {
    FailWithLastError();
    return std::nullopt;
  }
  DiskInfo info;
  const DWORD attributes = facts.dwFileAttributes;
  info.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? DiskKind::kFolder : DiskKind::kFile;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A symbolic link or a junction stands for another name; other reparse
    // points (placeholders of cloud files, deduplicated files) are what they hold.
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) ||
        IsReparseTagNameSurrogate(tag.ReparseTag))
      info.kind = DiskKind::kLink;
  }
  info.mode = info.kind == DiskKind::kFolder ? 0755 : 0644;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) info.mode &= ~0222;
  info.size = static_cast<std::uint64_t>(facts.nFileSizeHigh) << 32 | facts.nFileSizeLow;
  info.modified = TimeOf(facts.ftLastWriteTime);
  info.device = facts.dwVolumeSerialNumber;
  info.node = static_cast<std::uint64_t>(facts.nFileIndexHigh) << 32 | facts.nFileIndexLow;
  return info;
}

std::optional<DiskInfo> LookAtWide(const std::wstring& path, bool followLinks) {
  const UniqueHandle handle = OpenPath(path, FILE_READ_ATTRIBUTES, kShareAll, followLinks);
  if (!handle) return std::nullopt;
  return InfoOfHandle(handle.get());
}

// The handle as a descriptor of the C library, in binary mode.
UniqueFd DescriptorOf(UniqueHandle handle, int flags) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle.get()), flags | _O_BINARY);
  if (fd < 0) {
    errno = EMFILE;
    return UniqueFd();
  }
  handle.release();
  return UniqueFd(fd);
}

UniqueFd OpenRegularWide(const std::wstring& path, bool followLinks) {
  // Shared for deleting too: the file may be replaced while it is read, as
  // it may on other systems.
  UniqueHandle handle(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr));
  if (!handle) {
    FailWithLastError();
    return UniqueFd();
  }
  const auto info = InfoOfHandle(handle.get());
  if (!info || info->kind != DiskKind::kFile || GetFileType(handle.get()) != FILE_TYPE_DISK) {
    errno = info && info->kind == DiskKind::kLink ? ELOOP : EINVAL;
    return UniqueFd();
  }
  return DescriptorOf(std::move(handle), _O_RDONLY);
}

bool SetTimes(HANDLE handle, std::optional<std::time_t> modified, std::optional<std::time_t> accessed) {
  if (!modified) return true;
  const FILETIME written = FileTimeOf(*modified);
  const FILETIME read = FileTimeOf(accessed.value_or(*modified));
  return ::SetFileTime(handle, nullptr, &read, &written) != 0;
}

// A name of one folder step: never a path, a drive or a stream (EINVAL).
bool IsPlainName(const std::string& name) {
  if (!name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos) return true;
  errno = EINVAL;
  return false;
}

}  // namespace

struct Folder::State {
  std::wstring path;  // absolute, as the system resolved it when it was opened
  UniqueHandle handle;
  std::shared_ptr<const State> parent;  // held, so that no folder above moves
};

std::optional<DiskInfo> LookAt(const std::string& path, bool followLinks) {
  return LookAtWide(WidePath(path), followLinks);
}

std::optional<DiskInfo> LookAtOpen(int fd) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return std::nullopt;
  }
  return InfoOfHandle(handle);
}

UniqueFd OpenRegularFile(const std::string& path, bool followLinks) {
  return OpenRegularWide(WidePath(path), followLinks);
}

std::int64_t ReadAt(int fd, void* buffer, std::size_t length, std::int64_t offset) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  DWORD count = 0;
  if (ReadFile(handle, buffer, static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30)), &count, &at)) return count;
  return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

bool StampOpenFile(int fd, mode_t mode, std::optional<std::time_t> modified, std::optional<std::time_t> accessed) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE || !SetTimes(handle, modified, accessed)) return false;
  // Of the mode, Windows keeps one bit: whether the owner may write.
  if ((mode & 0200) != 0) return true;
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return false;
  basic.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) != 0;
}

bool SetPathTime(const std::string& path, std::time_t when) {
  const UniqueHandle handle = OpenPath(WidePath(path), FILE_WRITE_ATTRIBUTES, kShareAll, true);
  return handle && SetTimes(handle.get(), when, when);
}

std::filesystem::path PathOf(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string TextOf(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::optional<Folder> Folder::Open(const std::string& path, bool create) {
  if (create) {
    std::error_code error;
    std::filesystem::create_directories(PathOf(path), error);
  }
  UniqueHandle handle = OpenPath(WidePath(path), FILE_READ_ATTRIBUTES, kSharePinned, true);
  if (!handle) return std::nullopt;
  const auto info = InfoOfHandle(handle.get());
  if (!info || info->kind != DiskKind::kFolder) return std::nullopt;
  // Where the caller's path led, links and all: names below are joined to it.
  std::wstring resolved(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(handle.get(), resolved.data(), static_cast<DWORD>(resolved.size()), 0);
    if (length == 0) return std::nullopt;
    if (length < resolved.size()) {
      resolved.resize(length);
      break;
    }
    resolved.resize(length + 1);
  }
  return Folder(std::make_shared<const State>(State{std::move(resolved), std::move(handle), nullptr}));
}

int Folder::OpenChild(const std::string& name, std::optional<Folder>& child) const {
  if (!IsPlainName(name)) return EINVAL;
  const std::wstring path = state_->path + L"\\" + Wide(name);
  UniqueHandle handle = OpenPath(path, FILE_READ_ATTRIBUTES, kSharePinned, false);
  if (!handle) return errno;
  const auto info = InfoOfHandle(handle.get());
  if (!info) return errno;
  if (info->kind == DiskKind::kLink) return ELOOP;
  if (info->kind != DiskKind::kFolder) return ENOTDIR;
  child = Folder(std::make_shared<const State>(State{path, std::move(handle), state_}));
  return 0;
}

int Folder::MakeChild(const std::string& name) const {
  if (!IsPlainName(name)) return EINVAL;
  return CreateDirectoryW((state_->path + L"\\" + Wide(name)).c_str(), nullptr) ? 0 : FailWithLastError();
}

std::optional<DiskInfo> Folder::LookAtChild(const std::string& name) const {
  if (!IsPlainName(name)) return std::nullopt;
  return LookAtWide(state_->path + L"\\" + Wide(name), false);
}

UniqueFd Folder::OpenChildFile(const std::string& name) const {
  if (!IsPlainName(name)) return UniqueFd();
  return OpenRegularWide(state_->path + L"\\" + Wide(name), false);
}

UniqueFd Folder::CreateUnique(std::string_view prefix, mode_t mode, std::string& name) const {
  const DWORD attributes = (mode & 0200) != 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = UniqueCandidate(prefix);
    // Deleting is shared: a file given up is removed while still open.
    UniqueHandle handle(CreateFileW((state_->path + L"\\" + Wide(candidate)).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    attributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (handle) {
      UniqueFd fd = DescriptorOf(std::move(handle), _O_RDWR);
      if (fd) name = std::move(candidate);
      return fd;
    }
    if (FailWithLastError() != EEXIST) break;
  }
  return UniqueFd();
}

bool Folder::Replace(const std::string& from, const std::string& to) const {
  if (!IsPlainName(from) || !IsPlainName(to)) return false;
  const std::wstring prefix = state_->path + L"\\";
  return MoveFileExW((prefix + Wide(from)).c_str(), (prefix + Wide(to)).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Folder::Remove(const std::string& name) const {
  return IsPlainName(name) && DeleteFileW((state_->path + L"\\" + Wide(name)).c_str()) != 0;
}

bool Folder::Stamp(mode_t, std::optional<std::time_t> modified, std::optional<std::time_t> accessed) const {
  // A folder's read-only attribute means nothing to Windows: only its times.
  const UniqueHandle handle = OpenPath(state_->path, FILE_WRITE_ATTRIBUTES, kShareAll, false);
  return handle && SetTimes(handle.get(), modified, accessed);
}

}  // namespace dv
