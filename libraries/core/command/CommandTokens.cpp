#include "libraries/core/command/CommandTokens.h"

#include "libraries/core/read/PositionalFile.h"

namespace dv {
namespace {

// Far above any list of names; a larger file is not a response file.
constexpr std::int64_t kMaxResponseFile = 16 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::optional<std::vector<Token>> Tokenise(std::string_view line) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    Token token;
    std::size_t end;
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      token.text = line.substr(i + 1, close - i - 1);
      token.quoted = true;
      end = close + 1;
    } else {
      end = i;
      while (end < line.size() && !IsBlank(line[end]) && line[end] != '"') ++end;
      token.text = line.substr(i, end - i);
    }
    // The next character must end the token.
    if (end < line.size() && !IsBlank(line[end])) return std::nullopt;
    tokens.push_back(std::move(token));
    i = end;
  }
  return tokens;
}

std::optional<std::vector<std::string>> ReadResponseFile(const std::string& path) {
  const auto file = PositionalFile::Open(path.c_str());
  if (!file || file->size() > kMaxResponseFile) return std::nullopt;
  std::string text(static_cast<std::size_t>(file->size()), '\0');
  if (!text.empty() && !file->ReadExactly(0, text.data(), text.size())) return std::nullopt;
  const auto tokens = Tokenise(text);
  if (!tokens) return std::nullopt;
  std::vector<std::string> names;
  for (const Token& token : *tokens) names.push_back(token.text);
  return names;
}

}  // namespace dv
