#include "tests/app/ProgramRun.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include "tests/support/TempDir.h"

namespace {
constexpr int kPatienceMs = 30000;  // a run of a few files that takes longer has hung

QString FromBytes(const std::string& text) { return QString::fromUtf8(text.c_str()); }
}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& arguments, const EnvironmentChanges& environment,
                         const std::string& program, const std::string& folder,
                         const std::vector<std::string>& wrapper) {
  std::vector<std::string> command = wrapper;
  command.push_back(program.empty() ? (OutputDir() / "dovanel").string() : program);
  command.insert(command.end(), arguments.begin(), arguments.end());
  QStringList rest;
  for (std::size_t i = 1; i < command.size(); ++i) rest << FromBytes(command[i]);

  QProcess process;
  process.setProgram(FromBytes(command[0]));
  process.setArguments(rest);
  QProcessEnvironment changed = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : environment) {
    if (value)
      changed.insert(FromBytes(name), FromBytes(*value));
    else
      changed.remove(FromBytes(name));
  }
  process.setProcessEnvironment(changed);
  if (!folder.empty()) process.setWorkingDirectory(FromBytes(folder));

  ProgramResult result;
  QElapsedTimer timer;
  timer.start();
  process.start();
  if (!process.waitForStarted(kPatienceMs)) return result;
  result.finished = process.waitForFinished(kPatienceMs);
  if (!result.finished) {
    process.kill();
    process.waitForFinished(kPatienceMs);
  }
  result.milliseconds = timer.elapsed();
  result.crashed = process.exitStatus() == QProcess::CrashExit;
  result.exitCode = process.exitCode();
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  return result;
}
