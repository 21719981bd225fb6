#include "libraries/core/read/PositionalFile.h"

#include <algorithm>
#include <cstring>

#include "libraries/core/util/DiskFiles.h"

namespace dv {
namespace {
// Most archives of a collection are small; one read of the whole file
// replaces the several small reads a listing makes.
constexpr std::int64_t kHeldSize = 64 * 1024;
}  // namespace

std::shared_ptr<const PositionalFile> PositionalFile::Open(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  UniqueFd fd = OpenRegularFile(path, true);
  const auto info = fd ? LookAtOpen(fd.get()) : std::nullopt;
  if (!info) return nullptr;
  std::shared_ptr<PositionalFile> file(
      new PositionalFile(std::move(fd), path, static_cast<std::int64_t>(info->size), info->modified));
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

PositionalFile::~PositionalFile() = default;

std::int64_t PositionalFile::ReadAt(std::int64_t offset, void* buffer, std::size_t length) const {
  if (offset < 0) return -1;
  if (!held_.empty()) {
    if (offset >= size_) return 0;
    const std::size_t count = std::min<std::size_t>(length, static_cast<std::size_t>(size_ - offset));
    std::memcpy(buffer, held_.data() + offset, count);
    return static_cast<std::int64_t>(count);
  }
  return dv::ReadAt(fd_.get(), buffer, length, offset);
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
