#include "platform/rtl/CommandLine.h"

namespace {
std::vector<std::string>& Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}
}  // namespace

void SetCommandLine(int argc, const char* const* argv) { Arguments().assign(argv, argv + argc); }

void SetCommandLine(const std::vector<std::string>& arguments) { Arguments() = arguments; }

int ParamCount() { return Arguments().empty() ? 0 : static_cast<int>(Arguments().size()) - 1; }

std::string ParamStr(int index) {
  if (index < 0 || index >= static_cast<int>(Arguments().size())) return {};
  return Arguments()[static_cast<std::size_t>(index)];
}
