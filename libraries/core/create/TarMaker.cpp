#include "libraries/core/create/TarMaker.h"

#include "libraries/core/create/FileCollector.h"
#include "libraries/core/create/NewArchive.h"

namespace dv {

CommandResult CreateTar(const Command& command) {
  if (command.names.empty()) return {kErrorNoMatch, "no files to add"};
  const auto existing = LookAt(command.archive, true);
  if (existing && existing->kind != DiskKind::kFile) return {kErrorCannotCreate, "cannot replace " + command.archive};
  const CollectRules rules{.recurse = true, .skip = existing ? &*existing : nullptr};
  const CollectedFiles collected = CollectFiles(command, command.names, rules);
  if (collected.code != kOk) return {collected.code, collected.message};
  const std::string passedOver = collected.passedOver.Clause(kPassedOverSpecialFiles);
  // Writing no entry would replace an archive with an empty one.
  if (collected.files.empty()) return {kErrorNoMatch, "nothing to store" + passedOver};
  auto archive = NewArchive::Create(command.archive, ArchiveKind::kTar, command.compression, command.level);
  if (!archive) return {kErrorCannotCreate, "cannot create " + command.archive};
  for (const SourceFile& file : collected.files) {
    const AddResult added = AddFromDisk(*archive, file);
    if (added != AddResult::kAdded) return {FailureCode(added, kErrorCannotRead), StoreFailure(added, file.diskPath)};
  }
  const std::optional<mode_t> mode = existing ? std::optional<mode_t>(existing->mode) : std::nullopt;
  if (!archive->Commit(mode)) return {kErrorCannotCreate, "cannot write " + command.archive};
  return {kOk, std::to_string(collected.files.size()) + " stored" + passedOver};
}

}  // namespace dv
