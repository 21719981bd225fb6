#include "drivers/SelfExtracting.h"

#include <memory>
#include <vector>

#include "drivers/PathJoin.h"
#include "drivers/base/EArchiver.h"
#include "platform/rtl/Ansi.h"
#include "platform/rtl/FileMove.h"
#include "platform/rtl/FileStream.h"
#include "platform/winapi/Library.h"

namespace {
constexpr DWORD kSearchBufferSize = 512;

// Creating the executable truncates it, so it must not be one of the files
// it is made from.
void RequireDistinct(const std::string& executableName, const std::string& source) {
  if (ExpandFileName(executableName) == ExpandFileName(source) || SameFile(executableName, source))
    throw EArchiver("自己解凍書庫の出力先が元のファイルと同じです: " + executableName);
}
}  // namespace

std::string SelfExtractingName(const std::string& archiveName, const std::string& outputDirectory) {
  const std::string executable = ChangeFileExt(archiveName, ".EXE");
  if (outputDirectory.empty()) return executable;
  return PathJoin(outputDirectory, ExtractFileName(executable));
}

// A path longer than the usual buffer is accepted: it is asked for again with
// the size the search reports.
std::string FindStub(const std::string& stubName) {
  std::vector<char> buffer(kSearchBufferSize);
  for (;;) {
    const DWORD length =
        SearchPathA(nullptr, stubName.c_str(), nullptr, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return {};
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length + 1);
  }
}

void WriteSelfExtracting(const std::string& stubPath, const std::string& archiveName,
                         const std::string& executableName) {
  RequireDistinct(executableName, archiveName);
  RequireDistinct(executableName, stubPath);
  TFileStream archive(archiveName, fmOpenRead | fmShareDenyWrite);
  // The stub is opened before the executable is created, so that a stub that
  // cannot be read leaves an existing file of that name alone.
  TFileStream stub(stubPath, fmOpenRead | fmShareDenyWrite);
  auto executable = std::make_unique<TFileStream>(executableName, fmCreate);
  try {
    executable->CopyFrom(stub);
    executable->CopyFrom(archive);
  } catch (...) {
    executable.reset();
    DeleteFile(executableName);
    throw;
  }
}
