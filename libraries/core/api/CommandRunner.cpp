#include "libraries/core/api/CommandRunner.h"

#include <atomic>

#include "libraries/core/create/TarMaker.h"
#include "libraries/core/create/ZipMaker.h"
#include "libraries/core/create/ZipSelfExtractor.h"
#include "libraries/core/extract/Extract.h"

namespace dv {
namespace {

std::atomic<int> running{0};

class Running {
 public:
  Running() { ++running; }
  ~Running() { --running; }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;
};

}  // namespace

CommandResult RunCommandLine(CommandLanguage language, Format format, const char* line) {
  const Running scope;
  const ParsedCommand parsed = ParseCommandLine(language, line);
  if (parsed.error != kOk) return {parsed.error, parsed.message};
  const Command& command = parsed.command;
  switch (command.operation) {
    case Operation::kExtract: return ExtractArchive(format, command);
    case Operation::kZipAdd:
    case Operation::kZipUpdate:
    case Operation::kZipFreshen:
    case Operation::kZipDelete: return format == Format::kSevenZip ? ChangeSevenZip(command) : ChangeZip(command);
    case Operation::kZipAdjust: return AdjustZipSelfExtractor(command);
    case Operation::kTarCreate: return CreateTar(command);
    case Operation::kUnsupported: break;
  }
  return {kErrorNotSupported, "this library does not do that"};
}

bool IsCommandRunning() { return running.load() > 0; }

}  // namespace dv
