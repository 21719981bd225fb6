#include "libraries/core/Wildcard.h"

#include <cctype>

namespace dv {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Where the bracket set opening at `open` ends (its ']'), or npos when it
// does not close and the '[' is a plain character. A ']' right after the
// opening (or after its '!') belongs to the set.
std::size_t SetEnd(std::string_view pattern, std::size_t open) {
  std::size_t i = open + 1;
  if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) ++i;
  if (i < pattern.size() && pattern[i] == ']') ++i;
  return pattern.find(']', i);
}

bool InSet(std::string_view set, char c) {
  bool negated = false;
  if (!set.empty() && (set[0] == '!' || set[0] == '^')) {
    negated = true;
    set.remove_prefix(1);
  }
  bool found = false;
  for (std::size_t i = 0; i < set.size() && !found; ++i) {
    if (i + 2 < set.size() && set[i + 1] == '-') {
      found = Lower(set[i]) <= Lower(c) && Lower(c) <= Lower(set[i + 2]);
      i += 2;
    } else {
      found = Lower(set[i]) == Lower(c);
    }
  }
  return found != negated;
}

// Whether the one-character element of `pattern` at `p` matches `c`; its
// length goes to `length`. '*' is never asked.
bool ElementMatches(std::string_view pattern, std::size_t p, char c, WildcardSyntax syntax, std::size_t& length) {
  length = 1;
  if (pattern[p] == '?') return true;
  if (syntax == WildcardSyntax::kBrackets && pattern[p] == '[') {
    const std::size_t close = SetEnd(pattern, p);
    if (close != std::string_view::npos) {
      length = close - p + 1;
      return InSet(pattern.substr(p + 1, close - p - 1), c);
    }
  }
  return Lower(pattern[p]) == Lower(c);
}

}  // namespace

bool WildcardMatches(std::string_view pattern, std::string_view name, WildcardSyntax syntax) {
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
  // Greedy match with one backtrack point: linear in practice, never
  // exponential whatever the pattern.
  std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0, length = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && ElementMatches(pattern, p, name[n], syntax, length)) {
      p += length;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace dv
