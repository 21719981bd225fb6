#include "platform/rtl/FileHandles.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <climits>

#include "platform/rtl/win32/WideText.h"
#include "platform/rtl/win32/Windows.h"

int CreateRegularFile(const std::string& path, int& error) {
  const HANDLE handle = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ErrnoOfLastError(GetLastError());
    return -1;
  }
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    error = EINVAL;
    return -1;
  }
  // Binary: the C library must never turn bytes into line ends.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    error = EMFILE;
  }
  return fd;
}

std::int64_t ReadHandle(int handle, void* buffer, std::size_t count) {
  return _read(handle, buffer, static_cast<unsigned>(count > INT_MAX ? INT_MAX : count));
}

std::int64_t WriteHandle(int handle, const void* buffer, std::size_t count) {
  return _write(handle, buffer, static_cast<unsigned>(count > INT_MAX ? INT_MAX : count));
}

std::int64_t HandleSize(int handle) { return _filelengthi64(handle); }

std::int64_t HandlePosition(int handle) { return _telli64(handle); }
