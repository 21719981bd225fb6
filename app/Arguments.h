// The command line: the quiet switch (/Q in any case, or -q/--quiet), the
// run's options, the two requests answered without a run, and paths. An
// argument that starts with "-" and is none of these is refused; "--" ends
// the options, so that a path that starts with "-" is still reachable.
// Short options may be joined ("-qv").
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct TArguments {
  bool quiet = false;    // /Q, -q, --quiet: no window
  bool dryRun = false;   // -n, --dry-run: tell what would change, change nothing
  bool verbose = false;  // -v, --verbose: a line for each archive re-dated or left
  bool help = false;     // --help
  bool version = false;  // --version
  std::vector<std::string> paths;
  // The argument refused, when one was; nothing else is then to be trusted.
  std::string refused;

  bool Refused() const { return !refused.empty(); }
};

// "/Q", in any case.
bool IsQuietSwitch(const std::string& argument);

// `arguments` without the program's name.
TArguments ParseArguments(const std::vector<std::string>& arguments);

// The command line given to SetCommandLine, parsed.
TArguments CommandLineArguments();

// "dovanel: unknown option '-x'" and the usage line, for a refused command line.
void TellRefused(const TArguments& arguments, std::FILE* out);

// The exit status of a command line that is refused.
inline constexpr int kUsageExitStatus = 2;
