#include "libraries/core/read/PositionalFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace dv {
namespace {
// Most archives of a collection are small; one read of the whole file
// replaces the several small reads a listing makes.
constexpr std::int64_t kHeldSize = 64 * 1024;
}  // namespace

std::shared_ptr<const PositionalFile> PositionalFile::Open(const char* path) {
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
  std::shared_ptr<PositionalFile> file(new PositionalFile(fd, path, info.st_size, info.st_mtime));
  file->HoldIfSmall();
  return file;
}

void PositionalFile::HoldIfSmall() {
  if (size_ <= 0 || size_ > kHeldSize) return;
  // One byte more than the size: a file that changed size since it was
  // opened (or a short read) is not held, but read piece by piece as it is.
  std::vector<unsigned char> bytes(static_cast<std::size_t>(size_) + 1);
  if (ReadAt(0, bytes.data(), bytes.size()) != size_) return;
  bytes.pop_back();
  held_ = std::move(bytes);
}

PositionalFile::~PositionalFile() { ::close(fd_); }

std::int64_t PositionalFile::ReadAt(std::int64_t offset, void* buffer, std::size_t length) const {
  if (offset < 0) return -1;
  if (!held_.empty()) {
    if (offset >= size_) return 0;
    const std::size_t count = std::min<std::size_t>(length, static_cast<std::size_t>(size_ - offset));
    std::memcpy(buffer, held_.data() + offset, count);
    return static_cast<std::int64_t>(count);
  }
  for (;;) {
    const ssize_t count = ::pread(fd_, buffer, length, offset);
    if (count >= 0) return count;
    if (errno != EINTR) return -1;
  }
}

bool PositionalFile::ReadExactly(std::int64_t offset, void* buffer, std::size_t length) const {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    const std::int64_t count = ReadAt(offset + static_cast<std::int64_t>(done), bytes + done, length - done);
    if (count <= 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return true;
}

bool PositionalFile::IsExecutable() const {
  char magic[2];
  return ReadExactly(0, magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

}  // namespace dv
