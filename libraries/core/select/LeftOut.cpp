#include "libraries/core/select/LeftOut.h"

namespace dv {

void LeftOut::Add(const std::string& name) {
  ++count_;
  if (named_.size() < kNamed) named_.push_back(name);
}

std::string LeftOut::Clause(std::string_view what) const {
  if (count_ == 0) return {};
  std::string clause = ", " + std::to_string(count_) + " " + std::string(what) + ":";
  for (std::size_t i = 0; i < named_.size(); ++i) clause += (i == 0 ? " " : ", ") + named_[i];
  if (count_ > named_.size()) clause += ", and " + std::to_string(count_ - named_.size()) + " more";
  return clause;
}

}  // namespace dv
