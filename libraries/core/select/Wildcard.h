// The name patterns FindFirst and the command lines accept.
#pragma once

#include <string_view>

namespace dv {

enum class WildcardSyntax {
  kPlain,     // '*' and '?'
  kBrackets,  // also "[...]": one of a set or range ("[!...]" none of them);
              // the ZIP libraries' names write a literal '[' as "[[]"
};

// True when `pattern` matches `name`: '*' is any run of characters ('/'
// included), '?' any one, letters match either case. Characters are UTF-8
// ones: '?' and a set take 能 whole. An empty pattern, "*" and "*.*" match
// every name, with or without a dot. An unclosed '[' is a literal
// character.
bool WildcardMatches(std::string_view pattern, std::string_view name, WildcardSyntax syntax = WildcardSyntax::kPlain);

}  // namespace dv
