// The name patterns FindFirst accepts.
#pragma once

#include <string_view>

namespace dv {

// True when `pattern` matches `name`: '*' is any run of characters, '?' any
// one, letters match either case. An empty pattern, "*" and "*.*" match every
// name, with or without a dot.
bool WildcardMatches(std::string_view pattern, std::string_view name);

}  // namespace dv
