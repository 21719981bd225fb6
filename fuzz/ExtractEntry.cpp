// The extraction target: an archive extracted through a library's command
// function into a fresh folder, and what must hold afterwards.
#include <cstring>
#include <filesystem>

#include "contract/ResultCodes.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"

namespace dvfuzz {
namespace {

std::string LineFor(const ExtractLibrary& library, const std::string& archive, const std::string& base) {
  std::string line = library.line;
  line.replace(line.find("@A"), 2, archive);
  line.replace(line.find("@O"), 2, base);
  return line;
}

// Refusals that come before anything is written.
bool RefusedFirst(int code) {
  return code == dv::kErrorArchiveNotFound || code == dv::kErrorNotAnArchive || code == dv::kErrorNoMatch;
}

}  // namespace

Outcome ExtractOutcome(ArcCommandFn command, const ExtractLibrary& library, const std::string& work,
                       const std::uint8_t* bytes, std::size_t size) {
  Outcome outcome;
  EmptyFolder(work);
  // The base lies two folders down, beside a file that must stay: a path
  // that climbs out of it lands where the pictures see it.
  const std::string archive = work + "/input", fence = work + "/fence", base = fence + "/base";
  std::error_code error;
  std::filesystem::create_directory(fence, error);
  const std::uint8_t sentinel[] = {'k', 'e', 'e', 'p'};
  if (error || !WriteScratch(archive, bytes, size) || !WriteScratch(fence + "/sentinel", sentinel, sizeof sentinel)) {
    Fault(outcome, "cannot set up " + work);
    return outcome;
  }
  const FolderPicture before = PictureOf(work);

  char output[256];
  std::memset(output, 0x7F, sizeof output);
  const int code = command(nullptr, LineFor(library, archive, base).c_str(), output, sizeof output);

  if (std::memchr(output, '\0', sizeof output) == nullptr) Fault(outcome, "the report is not terminated");
  if (!KnownCommandCode(code)) Fault(outcome, "an unknown code " + Hex(code));
  FolderPicture outside = PictureOf(work);
  const bool baseMade = outside.erase("fence/base") == 1;
  int files = 0, folders = 0;
  std::uint64_t written = 0;
  for (auto it = outside.begin(); it != outside.end();) {
    if (it->first.rfind("fence/base/", 0) != 0) {
      ++it;
      continue;
    }
    const std::string& what = it->second;
    if (what == "d") {
      ++folders;
    } else if (what[0] == 'f' && what.find("links=") == std::string::npos) {
      ++files;
      written += std::stoull(what.substr(1));
    } else {
      Fault(outcome, "made " + it->first + " (" + what + ")");
    }
    it = outside.erase(it);
  }
  if (const std::string changed = FirstDifference(before, outside); !changed.empty())
    Fault(outcome, "outside the folder: " + changed);
  if (code == dv::kErrorNothingWritten && files + folders > 0) Fault(outcome, "nothing written, yet it wrote");
  if (RefusedFirst(code) && baseMade) Fault(outcome, "refused with " + Hex(code) + " after making the folder");
  if (code == dv::kOk && !baseMade) Fault(outcome, "success without the folder");
  outcome.summary = "code=" + Hex(code) +
                    (baseMade ? " files=" + std::to_string(files) + " folders=" + std::to_string(folders) +
                                    " bytes=" + std::to_string(written)
                              : " none");
  EmptyFolder(work);
  return outcome;
}

}  // namespace dvfuzz
