// A regular file opened for reading by position, shared by the readers of
// one listing. Anything that is not a regular file (folder, FIFO, device) is
// refused before it is opened, so a listing can never block on it. A small
// file is read whole at once: its readers then make no further reads.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "libraries/core/util/UniqueFd.h"

namespace dv {

class PositionalFile {
 public:
  // Nothing when the path is missing, unreadable or not a regular file.
  static std::shared_ptr<const PositionalFile> Open(const char* path);
  ~PositionalFile();
  PositionalFile(const PositionalFile&) = delete;
  PositionalFile& operator=(const PositionalFile&) = delete;

  // Reads up to `length` bytes at `offset`; the count read, 0 at the end, -1
  // on a read error. Never moves a shared file position.
  std::int64_t ReadAt(std::int64_t offset, void* buffer, std::size_t length) const;
  // True when exactly `length` bytes were there to read.
  bool ReadExactly(std::int64_t offset, void* buffer, std::size_t length) const;
  // Whether the file starts like a DOS/Windows executable, the only kind of
  // file an archive is looked for past its start.
  bool IsExecutable() const;

  // The whole file when it was small enough to hold; null otherwise.
  const unsigned char* Held() const { return held_.empty() ? nullptr : held_.data(); }

  std::int64_t size() const { return size_; }
  std::time_t modified() const { return modified_; }
  const std::string& path() const { return path_; }

 private:
  PositionalFile(UniqueFd fd, std::string path, std::int64_t size, std::time_t modified)
      : fd_(std::move(fd)), path_(std::move(path)), size_(size), modified_(modified) {}
  void HoldIfSmall();
  UniqueFd fd_;
  std::vector<unsigned char> held_;
  std::string path_;
  std::int64_t size_;
  std::time_t modified_;
};

}  // namespace dv
