#include "libraries/core/select/Wildcard.h"

#include <cctype>

#include "libraries/core/read/NameText.h"

namespace dv {
namespace {

// Names are UTF-8 text: '?' and a set stand for one character, however
// many bytes it takes. A byte that starts no character counts as one.
std::string_view CharacterAt(std::string_view text, std::size_t at) {
  return text.substr(at, CharacterLength(text, at));
}

// The code point of a character CharacterAt gave (a lone byte's value).
char32_t CodeOf(std::string_view character) {
  const auto first = static_cast<unsigned char>(character[0]);
  if (character.size() == 1) return first;
  char32_t code = first & (0x7F >> character.size());
  for (std::size_t i = 1; i < character.size(); ++i)
    code = code << 6 | (static_cast<unsigned char>(character[i]) & 0x3F);
  return code;
}

// Letters match either case; only ASCII ones have another here.
char32_t Folded(std::string_view character) {
  const char32_t code = CodeOf(character);
  return code < 0x80 ? static_cast<char32_t>(std::tolower(static_cast<int>(code))) : code;
}

// A lone byte is the same only as itself, never as the character of its
// value.
bool Same(std::string_view a, std::string_view b) {
  return a.size() == 1 && b.size() == 1 ? Folded(a) == Folded(b) : a == b;
}

// Where the bracket set opening at `open` ends (its ']'), or npos when it
// does not close and the '[' is a plain character. A ']' right after the
// opening (or after its '!') belongs to the set.
std::size_t SetEnd(std::string_view pattern, std::size_t open) {
  std::size_t i = open + 1;
  if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) ++i;
  if (i < pattern.size() && pattern[i] == ']') ++i;
  return pattern.find(']', i);
}

bool InSet(std::string_view set, std::string_view c) {
  bool negated = false;
  if (!set.empty() && (set[0] == '!' || set[0] == '^')) {
    negated = true;
    set.remove_prefix(1);
  }
  bool found = false;
  for (std::size_t i = 0; i < set.size() && !found;) {
    const std::string_view low = CharacterAt(set, i);
    i += low.size();
    if (i + 1 < set.size() && set[i] == '-') {
      const std::string_view high = CharacterAt(set, i + 1);
      found = Folded(low) <= Folded(c) && Folded(c) <= Folded(high);
      i += 1 + high.size();
    } else {
      found = Same(low, c);
    }
  }
  return found != negated;
}

// Whether the one-character element of `pattern` at `p` matches the
// character `c`; its length in the pattern goes to `length`. '*' is never
// asked.
bool ElementMatches(std::string_view pattern, std::size_t p, std::string_view c, WildcardSyntax syntax,
                    std::size_t& length) {
  length = 1;
  if (pattern[p] == '?') return true;
  if (syntax == WildcardSyntax::kBrackets && pattern[p] == '[') {
    const std::size_t close = SetEnd(pattern, p);
    if (close != std::string_view::npos) {
      length = close - p + 1;
      return InSet(pattern.substr(p + 1, close - p - 1), c);
    }
  }
  const std::string_view own = CharacterAt(pattern, p);
  length = own.size();
  return Same(own, c);
}

}  // namespace

bool WildcardMatches(std::string_view pattern, std::string_view name, WildcardSyntax syntax) {
  if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
  // Greedy match with one backtrack point: linear in practice, never
  // exponential whatever the pattern.
  std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0, length = 0;
  while (n < name.size()) {
    const std::string_view c = CharacterAt(name, n);
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && ElementMatches(pattern, p, c, syntax, length)) {
      p += length;
      n += c.size();
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      starN += CharacterAt(name, starN).size();
      n = starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace dv
