#include "libraries/core/util/FileIo.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <vector>

namespace dv {

std::string UniqueCandidate(std::string_view prefix) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string candidate(prefix);
  for (int i = 0; i < 8; ++i) candidate += kLetters[pick(random)];
  return candidate;
}

DataResult ReadAll(int fd, const DataSink& sink, std::uint64_t& total) {
  std::vector<char> block(64 * 1024);
  for (;;) {
    const ssize_t count = ::read(fd, block.data(), block.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return DataResult::kBroken;
    if (count == 0) return DataResult::kDone;
    total += static_cast<std::uint64_t>(count);
    if (!sink(block.data(), static_cast<std::size_t>(count))) return DataResult::kSinkFailed;
  }
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    // Within what one write takes on every system.
    const ssize_t written = ::write(fd, bytes, std::min<std::size_t>(size, 1u << 30));
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace dv
