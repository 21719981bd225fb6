// Starting the built program from a test, as a user or a script would.
#pragma once

#include <QProcess>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// How long a start may take before it counts as hung.
inline constexpr int kPatienceMs = 20000;

// Keeps the loop of this process going while waiting, so that a window of
// ours can answer a process we started. False when `done` never came true.
bool WaitUntil(const std::function<bool()>& done, int ms = kPatienceMs);

// What a start of the built program is given besides its arguments.
struct StartOptions {
  std::string folder;                              // working folder; this process's when empty
  std::string program;                             // another copy of the program
  std::map<std::string, std::string> environment;  // set on top of this process's
  std::vector<std::string> unset;                  // taken out of it
};

// One run of the built program, with our real libraries unless the options
// say otherwise; killed and reaped if still running at the end. Its runtime
// folder is this test's (see the test main), so the instance lock and the
// window sockets are the test's own.
class Dovanel {
 public:
  explicit Dovanel(const std::vector<std::string>& args, const StartOptions& options = {});
  ~Dovanel();
  Dovanel(const Dovanel&) = delete;
  Dovanel& operator=(const Dovanel&) = delete;

  bool Started() const { return started_; }
  bool Running() const { return process_.state() != QProcess::NotRunning; }
  // Waits with this process's loop running; true when it ended by itself with 0.
  bool EndsCleanly(int ms = kPatienceMs) { return EndStatus(ms) == 0; }
  // Waits likewise; its exit status when it ended by itself, -1 otherwise.
  int EndStatus(int ms = kPatienceMs);
  // What it wrote on standard error so far.
  std::string Errors();
  // As a crash ends it (SIGKILL): nothing of its own runs.
  void Kill();

 private:
  QProcess process_;
  bool started_ = false;
  std::string errors_;
};

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
