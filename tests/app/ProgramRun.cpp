#include "tests/app/ProgramRun.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include "tests/support/TempDir.h"

namespace {
constexpr int kRunPatienceMs = 30000;  // a run of a few files that takes longer has hung

QString FromBytes(const std::string& text) { return QString::fromUtf8(text.c_str()); }
}  // namespace

bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

Dovanel::Dovanel(const std::vector<std::string>& args, const StartOptions& options) {
  QStringList list;
  for (const auto& arg : args) list << FromBytes(arg);
  process_.setProgram(FromBytes(options.program.empty() ? (OutputDir() / "dovanel").string() : options.program));
  process_.setArguments(list);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DOVANEL_LIBRARY_PATH", FromBytes(OutputDir().string()));
  for (const auto& [name, value] : options.environment) environment.insert(FromBytes(name), FromBytes(value));
  for (const auto& name : options.unset) environment.remove(FromBytes(name));
  process_.setProcessEnvironment(environment);
  if (!options.folder.empty()) process_.setWorkingDirectory(FromBytes(options.folder));
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  process_.start();
  started_ = process_.waitForStarted(kPatienceMs);
}

Dovanel::~Dovanel() { Kill(); }

int Dovanel::EndStatus(int ms) {
  if (!WaitUntil([this] { return process_.state() == QProcess::NotRunning || process_.waitForFinished(10); }, ms))
    return -1;
  return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

std::string Dovanel::Errors() {
  errors_ += process_.readAllStandardError().toStdString();
  return errors_;
}

void Dovanel::Kill() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(kPatienceMs);
}

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
  if (!process.waitForStarted(kRunPatienceMs)) return result;
  result.finished = process.waitForFinished(kRunPatienceMs);
  if (!result.finished) {
    process.kill();
    process.waitForFinished(kRunPatienceMs);
  }
  result.milliseconds = timer.elapsed();
  result.crashed = process.exitStatus() == QProcess::CrashExit;
  result.exitCode = process.exitCode();
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  return result;
}
