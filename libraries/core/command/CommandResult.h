// What a command function returns: its code and the short report it leaves
// in the caller's output buffer.
#pragma once

#include <string>

#include "contract/ResultCodes.h"

namespace dv {

struct CommandResult {
  int code = kOk;
  std::string report;
};

}  // namespace dv
