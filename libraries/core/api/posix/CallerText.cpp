#include "libraries/core/api/CallerText.h"

namespace dv {

// A program here names its files in bytes, UTF-8 as a rule: they pass as they are.
std::string FromCaller(const char* text) { return text != nullptr ? text : ""; }

std::string ToCaller(const std::string& text) { return text; }

}  // namespace dv
