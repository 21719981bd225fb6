// The words of a command line: blank-separated tokens, each either free of
// double quotes or wholly inside one pair of them (the family's languages
// have no escape, so a value holding '"' cannot be written), and the names
// a response file ("@path") holds.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dv {

struct Token {
  std::string text;  // without its quotes
  bool quoted = false;
  friend bool operator==(const Token&, const Token&) = default;
};

// Nothing when a quote is left open, or a quote starts or ends inside a
// token ("a"b, a"b").
std::optional<std::vector<Token>> Tokenise(std::string_view line);

// The names of a response file, its lines read as a command line is (one
// quoted name per CR LF line, as the drivers write them); nothing when the
// file is missing, not a regular file, too large or not readable as names.
std::optional<std::vector<std::string>> ReadResponseFile(const std::string& path);

}  // namespace dv
