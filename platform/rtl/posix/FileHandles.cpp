#include "platform/rtl/FileHandles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int CreateRegularFile(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = EINVAL;
    ::close(fd);
    return -1;
  }
  return fd;
}

std::int64_t ReadHandle(int handle, void* buffer, std::size_t count) { return ::read(handle, buffer, count); }

std::int64_t WriteHandle(int handle, const void* buffer, std::size_t count) { return ::write(handle, buffer, count); }

std::int64_t HandleSize(int handle) {
  struct stat st {};
  return ::fstat(handle, &st) == 0 ? st.st_size : -1;
}

std::int64_t HandlePosition(int handle) { return ::lseek(handle, 0, SEEK_CUR); }
