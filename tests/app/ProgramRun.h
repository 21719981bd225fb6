// One run of the built program (or a copy of it) to its end, its streams and
// exit status kept, for tests of what it tells its caller.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

struct ProgramResult {
  bool finished = false;  // false: it was still running at the deadline and was killed
  bool crashed = false;   // ended by a signal
  int exitCode = -1;
  std::string out;
  std::string err;
  long long milliseconds = 0;
};

// Changes to this process's environment for the child: a value sets, nullopt unsets.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

// `program` empty: the build's dovanel. `wrapper` goes before it (e.g. a command
// that changes the user).
ProgramResult RunProgram(const std::vector<std::string>& arguments, const EnvironmentChanges& environment = {},
                         const std::string& program = {}, const std::string& folder = {},
                         const std::vector<std::string>& wrapper = {});
