// What a command left out on purpose (links never made, special files never
// stored), for its report: every one counted, the first few named so that a
// report fits the caller's buffer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dv {

class LeftOut {
 public:
  void Add(const std::string& name);
  std::size_t Count() const { return count_; }
  // ", <count> <what>: a, b, c" (", and N more" past the named ones); ""
  // when nothing was left out.
  std::string Clause(std::string_view what) const;

 private:
  static constexpr std::size_t kNamed = 16;
  std::size_t count_ = 0;
  std::vector<std::string> named_;
};

}  // namespace dv
