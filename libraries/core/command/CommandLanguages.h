// Each command language as data: its words and its switches, each with what
// it does to the Command. The parser (CommandParser.cpp) walks these tables.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "libraries/core/command/CommandParser.h"
#include "libraries/core/read/Compressions.h"

namespace dv {

struct SwitchValue {
  std::optional<int> number;  // kNumber: nothing when the switch has no digits
  std::string text;           // kText and kNextToken
};

enum class SwitchForm {
  kFlag,       // the name alone: -o
  kNumber,     // the name, then an optional signed decimal: -x0, -gw-2, -z
  kText,       // the name, then any text: -jx*.bak
  kNextToken,  // the name alone, its value the next token: -f "a.tar"
};

struct SwitchRule {
  std::string_view name;  // after the leading '-': "o", "-i", "jss", "-use-directory="
  SwitchForm form;
  // nullptr: accepted and ignored. False: the value is impossible.
  bool (*apply)(Command&, const SwitchValue&) = nullptr;
  // tar's compression switches: the one they choose, at the level they give.
  const Compression* compression = nullptr;
};

struct WordRule {
  std::string_view word;
  Operation operation;
  bool junkPaths = false;
};

struct Language {
  std::span<const WordRule> words{};  // empty: the line has no word
  Operation wordless = Operation::kExtract;
  std::span<const SwitchRule> switches{};
  bool quotedSwitches = false;       // a quoted "-..." before the archive is a switch
  bool switchesAnywhere = false;     // tar: switches among the names; archive by "-f"
  bool clustered = false;            // "-ru" is -r and -u, "-9" a level
  std::string_view excludeMarker{};  // a name that turns the names after it into exclusions
  bool overwriteByDefault = false;   // RAR: "-u" is what keeps existing files
  WildcardSyntax syntax = WildcardSyntax::kPlain;
};

const Language& LanguageOf(CommandLanguage language);

// What a compression switch does: the command writes `compression`, at the
// level the switch gives (none: the compression's default). False for a
// level outside the compression's range.
bool ChooseCompression(Command& command, const SwitchValue& value, const Compression& compression);

}  // namespace dv
