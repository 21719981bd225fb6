#include "app/Arguments.h"

#include <string_view>

#include "app/ProgramInfo.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/CommandLine.h"
#include "platform/rtl/Translate.h"

namespace {
using Flag = bool TArguments::*;

struct Option {
  char letter;  // 0: a long name only
  const char* name;
  Flag flag;
};

// clang-format off
constexpr Option kOptions[] = {
    {'q', "--quiet", &TArguments::quiet},  {'n', "--dry-run", &TArguments::dryRun},
    {'v', "--verbose", &TArguments::verbose}, {0, "--help", &TArguments::help},
    {0, "--version", &TArguments::version},
};
// clang-format on

const Option* ByName(std::string_view name) {
  for (const Option& option : kOptions)
    if (name == option.name) return &option;
  return nullptr;
}

const Option* ByLetter(char letter) {
  for (const Option& option : kOptions)
    if (option.letter != 0 && option.letter == letter) return &option;
  return nullptr;
}

// Sets the flags "-abc" names; false when one of its letters is no option.
bool TakeLetters(const std::string& argument, TArguments& parsed) {
  if (argument.size() < 2) return false;
  for (std::size_t i = 1; i < argument.size(); ++i)
    if (ByLetter(argument[i]) == nullptr) return false;
  for (std::size_t i = 1; i < argument.size(); ++i) parsed.*(ByLetter(argument[i])->flag) = true;
  return true;
}
}  // namespace

bool IsQuietSwitch(const std::string& argument) { return AnsiUpperCase(argument) == "/Q"; }

TArguments ParseArguments(const std::vector<std::string>& arguments) {
  TArguments parsed;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (optionsEnded || argument.empty()) {
      parsed.paths.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (IsQuietSwitch(argument)) {
      parsed.quiet = true;
    } else if (argument[0] != '-') {
      parsed.paths.push_back(argument);
    } else if (const Option* option = argument[1] == '-' ? ByName(argument) : nullptr) {
      parsed.*(option->flag) = true;
    } else if (argument[1] == '-' || !TakeLetters(argument, parsed)) {
      parsed.refused = argument;
      return parsed;
    }
  }
  return parsed;
}

TArguments CommandLineArguments() {
  std::vector<std::string> arguments;
  for (int i = 1; i <= ParamCount(); ++i) arguments.push_back(ParamStr(i));
  return ParseArguments(arguments);
}

void TellRefused(const TArguments& arguments, std::FILE* out) {
  std::fputs("dovanel: ", out);
  std::fprintf(out, Translate("unknown option '%s'"), arguments.refused.c_str());
  std::fprintf(out, "\n%s%s\n", UsageLine(), Translate("Try 'dovanel --help' for more information."));
}
