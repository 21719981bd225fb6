// Which entries a command's names select. A name or pattern selects a path
// it matches whole ('*' matching across folders), and everything inside a
// folder it matches; no names select every path. An exclusion takes a path
// out again by the same rule. Names and paths are both compared as they
// would be written (NormalPath): "./a.txt", as a tar lists it, is "a.txt".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "libraries/core/select/Wildcard.h"

namespace dv {

class NameSelection {
 public:
  NameSelection(std::vector<std::string> names, std::vector<std::string> excludes, WildcardSyntax syntax);

  // Whether `path` (folders end in '/' or not, alike) is selected; every
  // name that selects it is marked used.
  bool Selects(std::string_view path);
  // The first name that has selected nothing so far; nullptr when none.
  const std::string* Unused() const;

 private:
  bool Matches(const std::string& pattern, std::string_view path) const;

  std::vector<std::string> given_;             // the names as the line gave them
  std::vector<std::string> names_, excludes_;  // as NormalPath makes them
  std::vector<bool> used_;
  WildcardSyntax syntax_;
};

}  // namespace dv
