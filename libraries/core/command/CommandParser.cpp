#include "libraries/core/command/CommandParser.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "contract/ResultCodes.h"
#include "libraries/core/command/CommandLanguages.h"
#include "libraries/core/command/CommandTokens.h"

namespace dv {
namespace {

ParsedCommand Refuse(int error, std::string message) {
  ParsedCommand refused;
  refused.error = error;
  refused.message = std::move(message);
  return refused;
}

// An optional sign and decimal digits; nothing for other text. An empty
// text is a number left out.
bool ReadNumber(std::string_view text, std::optional<int>& number) {
  if (text.empty()) return true;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  number = value;
  return true;
}

// The rule whose name starts `body` and whose form takes the rest: the
// longest such name ("jss0" is jss with 0, not j...), with its value.
const SwitchRule* MatchRule(std::span<const SwitchRule> rules, std::string_view body, SwitchValue& value) {
  const SwitchRule* best = nullptr;
  for (const SwitchRule& rule : rules) {
    if (!body.starts_with(rule.name) || (best != nullptr && best->name.size() >= rule.name.size())) continue;
    const std::string_view rest = body.substr(rule.name.size());
    SwitchValue candidate;
    const bool fits = rule.form == SwitchForm::kText     ? (candidate.text = rest, true)
                      : rule.form == SwitchForm::kNumber ? ReadNumber(rest, candidate.number)
                                                         : rest.empty();
    if (!fits) continue;
    best = &rule;
    value = std::move(candidate);
  }
  return best;
}

class Parser {
 public:
  Parser(const Language& language, std::vector<Token> tokens) : language_(language), tokens_(std::move(tokens)) {
    parsed_.command.syntax = language.syntax;
    parsed_.command.overwrite = language.overwriteByDefault;
    parsed_.command.operation = language.wordless;
  }

  ParsedCommand Run() {
    if (!Word()) return parsed_;
    if (language_.switchesAnywhere ? !SwitchesAndNames() : !Positional()) return parsed_;
    if (parsed_.command.archive.empty()) return Refuse(kErrorBadLine, "no archive name");
    return parsed_;
  }

 private:
  bool Fail(int error, std::string message) {
    parsed_ = Refuse(error, std::move(message));
    return false;
  }

  bool AtEnd() const { return next_ >= tokens_.size(); }

  bool Word() {
    if (language_.words.empty()) return true;
    if (AtEnd() || tokens_[next_].quoted) return Fail(kErrorBadCommand, "no command word");
    const std::string& word = tokens_[next_].text;
    const auto rule =
        std::find_if(language_.words.begin(), language_.words.end(), [&](const WordRule& r) { return r.word == word; });
    if (rule == language_.words.end()) return Fail(kErrorBadCommand, "unknown command " + word);
    parsed_.command.operation = rule->operation;
    parsed_.command.junkPaths = rule->junkPaths;
    ++next_;
    return true;
  }

  bool IsSwitch(const Token& token) const {
    return token.text.size() > 1 && token.text[0] == '-' && (!token.quoted || language_.quotedSwitches);
  }

  // word, switches, archive, base directory, names
  bool Positional() {
    while (!AtEnd() && IsSwitch(tokens_[next_]))
      if (!Switch()) return false;
    if (AtEnd() || tokens_[next_].text.empty()) return Fail(kErrorBadLine, "no archive name");
    parsed_.command.archive = tokens_[next_++].text;
    if (!AtEnd() && tokens_[next_].text.size() > 1 && tokens_[next_].text.back() == '/')
      parsed_.command.baseDirectory = tokens_[next_++].text;
    bool excluding = false;
    for (; !AtEnd(); ++next_) {
      const Token& token = tokens_[next_];
      if (!token.quoted && !language_.excludeMarker.empty() && token.text == language_.excludeMarker)
        excluding = true;
      else if (!Name(token, excluding))
        return false;
    }
    return true;
  }

  // tar: word, then switches and names in any order
  bool SwitchesAndNames() {
    while (!AtEnd()) {
      if (IsSwitch(tokens_[next_])) {
        if (!Switch()) return false;
      } else if (!Name(tokens_[next_++], false)) {
        return false;
      }
    }
    return true;
  }

  bool Switch() {
    const std::string& text = tokens_[next_++].text;
    const std::string_view body = std::string_view(text).substr(1);
    if (language_.clustered) {
      for (std::size_t i = 0; i < body.size(); ++i)
        if (!Apply(body.substr(i, 1), text)) return false;
      return true;
    }
    return Apply(body, text);
  }

  bool Apply(std::string_view body, const std::string& text) {
    SwitchValue value;
    const SwitchRule* rule = MatchRule(language_.switches, body, value);
    if (rule == nullptr) return Fail(kErrorBadSwitch, "unknown switch " + text);
    if (rule->form == SwitchForm::kNextToken) {
      if (AtEnd()) return Fail(kErrorBadLine, text + " needs a value");
      value.text = tokens_[next_++].text;
    }
    const bool possible = rule->compression != nullptr ? ChooseCompression(parsed_.command, value, *rule->compression)
                          : rule->apply != nullptr     ? rule->apply(parsed_.command, value)
                                                       : true;
    if (!possible) return Fail(kErrorBadSwitch, "impossible value for " + text);
    return true;
  }

  bool Name(const Token& token, bool excluding) {
    std::vector<std::string>& into = excluding ? parsed_.command.excludes : parsed_.command.names;
    if (token.text.size() > 1 && token.text[0] == '@') {
      auto names = ReadResponseFile(token.text.substr(1));
      if (!names) return Fail(kErrorCannotRead, "cannot read response file " + token.text.substr(1));
      for (std::string& name : *names)
        if (!name.empty()) into.push_back(std::move(name));
    } else if (!token.text.empty()) {
      into.push_back(token.text);
    }
    return true;
  }

  const Language& language_;
  std::vector<Token> tokens_;
  std::size_t next_ = 0;
  ParsedCommand parsed_;
};

// "-A path": the ZIP maker's self-extractor line, the path unquoted to the
// end of the line (it may hold blanks).
std::optional<ParsedCommand> AdjustLine(std::string_view line) {
  const std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos || line.substr(start, 3) != "-A ") return std::nullopt;
  std::string_view path = line.substr(start + 3);
  path.remove_prefix(std::min(path.find_first_not_of(" \t"), path.size()));
  path.remove_suffix(path.size() - std::min(path.find_last_not_of(" \t\r\n") + 1, path.size()));
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  if (path.empty() || path.find('"') != std::string_view::npos) return Refuse(kErrorBadLine, "-A needs a file name");
  ParsedCommand parsed;
  parsed.command.operation = Operation::kZipAdjust;
  parsed.command.archive = path;
  return parsed;
}

}  // namespace

ParsedCommand ParseCommandLine(CommandLanguage language, const char* line) {
  if (line == nullptr) return Refuse(kErrorBadLine, "no command line");
  if (language == CommandLanguage::kZip)
    if (auto adjust = AdjustLine(line)) return *adjust;
  auto tokens = Tokenise(line);
  if (!tokens) return Refuse(kErrorBadLine, "misplaced double quote");
  return Parser(LanguageOf(language), std::move(*tokens)).Run();
}

}  // namespace dv
