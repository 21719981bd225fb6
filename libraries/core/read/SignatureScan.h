// Finding where an archive starts inside a self-extracting executable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "libraries/core/read/PositionalFile.h"

namespace dv {

// How far into an executable an archive may start. Stubs are far smaller;
// the bound keeps a probe of a large non-archive cheap.
inline constexpr std::int64_t kSfxWindow = 1 << 20;
// How many candidates past their signature may be tried in full, so that a
// stub full of look-alike bytes cannot make a probe slow.
inline constexpr int kSfxCandidateLimit = 32;

// Every occurrence of a signature that starts in [from, limit), in order.
// Each part of the file is read once, however many occurrences it holds, so
// a file full of them costs one pass.
class SignatureScan {
 public:
  SignatureScan(const PositionalFile& file, std::int64_t from, std::int64_t limit, std::string_view signature);
  // The next occurrence's offset; nothing once there is none (or a read failed).
  std::optional<std::int64_t> Next();

 private:
  const PositionalFile& file_;
  std::int64_t limit_;
  std::string signature_;
  std::vector<char> buffer_;
  std::int64_t bufferAt_;  // file offset of buffer_[0]
  std::size_t filled_ = 0;
  std::size_t searchFrom_ = 0;  // in buffer_
  bool lastRead_ = false;       // the buffer reaches the file's end
  bool done_ = false;
};

// Offset of the first occurrence of `signature` that starts in [from, limit).
std::optional<std::int64_t> FindSignature(const PositionalFile& file, std::int64_t from, std::int64_t limit,
                                          std::string_view signature);

}  // namespace dv
