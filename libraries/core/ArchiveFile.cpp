#include "libraries/core/ArchiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace dv {

std::shared_ptr<const ArchiveFile> ArchiveFile::Open(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  struct stat info {};
  if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  // O_NONBLOCK: should the path turn into a FIFO between stat and open, the
  // open still returns at once and fstat below refuses it.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::shared_ptr<const ArchiveFile>(new ArchiveFile(fd, path, info.st_size, info.st_mtime));
}

ArchiveFile::~ArchiveFile() { ::close(fd_); }

std::int64_t ArchiveFile::ReadAt(std::int64_t offset, void* buffer, std::size_t length) const {
  if (offset < 0) return -1;
  for (;;) {
    const ssize_t count = ::pread(fd_, buffer, length, offset);
    if (count >= 0) return count;
    if (errno != EINTR) return -1;
  }
}

bool ArchiveFile::ReadExactly(std::int64_t offset, void* buffer, std::size_t length) const {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    const std::int64_t count = ReadAt(offset + static_cast<std::int64_t>(done), bytes + done, length - done);
    if (count <= 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return true;
}

bool ArchiveFile::IsExecutable() const {
  char magic[2];
  return ReadExactly(0, magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

}  // namespace dv
