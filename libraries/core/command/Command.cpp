#include "libraries/core/command/Command.h"

namespace dv {

const char* OperationName(Operation operation) {
  switch (operation) {
    case Operation::kExtract: return "extract";
    case Operation::kZipAdd: return "add";
    case Operation::kZipUpdate: return "update";
    case Operation::kZipFreshen: return "freshen";
    case Operation::kZipDelete: return "delete";
    case Operation::kZipAdjust: return "adjust";
    case Operation::kTarCreate: return "create";
    case Operation::kUnsupported: return "unsupported";
  }
  return "?";
}

}  // namespace dv
