// Running shell commands from the tests (the TempDir.h declarations), for the
// suites that run on the system the tools are on.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/TempDir.h"

void RunOrFail(const std::string& command) {
  int status = std::system((command + " >/dev/null 2>&1").c_str());
  ASSERT_EQ(status, 0) << "command failed: " << command;
}

void RunIn(const TempDir& dir, const std::string& command) {
  RunOrFail("cd " + Quote(dir.path().string()) + " && (" + command + ")");
}

CommandOutput RunAndCapture(const std::string& command) {
  CommandOutput result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.text.append(buffer, count);
  const int status = ::pclose(pipe);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

std::string Quote(const std::string& path) {
  std::string quoted = "'";
  for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
