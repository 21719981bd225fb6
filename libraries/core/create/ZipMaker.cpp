#include "libraries/core/create/ZipMaker.h"

#include <map>
#include <optional>

#include "libraries/core/create/FileCollector.h"
#include "libraries/core/create/NewArchive.h"
#include "libraries/core/read/Formats.h"
#include "libraries/core/read/LibArchiveSource.h"
#include "libraries/core/select/NameSelection.h"
#include "libraries/core/util/DosTime.h"

namespace dv {
namespace {

enum class Action { kKeep, kReplace, kDelete };

// What differs between the formats this maker changes.
struct Maker {
  Format format;
  ArchiveKind kind;
  const char* name;  // for messages
  // True when the archive starts at the file's start: a self-extractor's
  // archive starts after its stub.
  bool (*startsAtFileStart)(const PositionalFile&);
  bool keepsStubs;  // -J may drop a stub to change the archive
};

// The archive as it stands: its file, reader and entry headers.
struct OldArchive {
  std::shared_ptr<const PositionalFile> file;
  std::unique_ptr<EntrySource> source;
  std::vector<Entry> entries;
  DiskInfo info;
};

std::string Key(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

std::uint32_t Packed(const std::optional<std::time_t>& when) {
  const DosStamp stamp = ToDosStamp(when);
  return static_cast<std::uint32_t>(stamp.date) << 16 | stamp.time;
}

bool StartsAsZip(const PositionalFile& file) {
  unsigned char magic[4];
  return file.ReadExactly(0, magic, sizeof magic) && magic[0] == 'P' && magic[1] == 'K' &&
         ((magic[2] == 3 && magic[3] == 4) || (magic[2] == 5 && magic[3] == 6));
}

bool StartsAsSevenZip(const PositionalFile& file) {
  char magic[kSevenZipSignature.size()];
  return file.ReadExactly(0, magic, sizeof magic) && std::string_view(magic, sizeof magic) == kSevenZipSignature;
}

const Maker kZipMaker{Format::kZip, ArchiveKind::kZip, "ZIP", &StartsAsZip, true};
const Maker kSevenZipMaker{Format::kSevenZip, ArchiveKind::kSevenZip, "7z", &StartsAsSevenZip, false};

// Reads the archive at the command's path when there is one (an empty file
// counts as none). A refusal when it cannot be replaced.
std::optional<CommandResult> OpenOld(const Maker& maker, const Command& command, std::optional<OldArchive>& old) {
  const auto info = LookAt(command.archive, true);
  if (!info || (info->kind == DiskKind::kFile && info->size == 0)) return std::nullopt;
  OldArchive opened;
  opened.info = *info;
  opened.file = PositionalFile::Open(command.archive.c_str());
  if (!opened.file) return CommandResult{kErrorCannotCreate, "cannot replace " + command.archive};
  opened.source = OpenSource(opened.file, maker.format, ReadFor::kData);
  if (!opened.source)
    return CommandResult{kErrorNotAnArchive, std::string("not a ") + maker.name + " archive: " + command.archive};
  if (!maker.startsAtFileStart(*opened.file) && !(maker.keepsStubs && command.dropStub))
    return CommandResult{kErrorNotSupported, maker.keepsStubs
                                                 ? "a self-extractor is changed only with -J, which drops its stub"
                                                 : "a self-extractor cannot be changed"};
  Entry entry;
  ReadResult read;
  while ((read = opened.source->Next(entry)) == ReadResult::kEntry) opened.entries.push_back(entry);
  if (read == ReadResult::kBroken || !opened.source->Rewind())
    return CommandResult{kErrorBrokenArchive, "damaged archive: " + command.archive};
  old = std::move(opened);
  return std::nullopt;
}

// What becomes of each old entry, and the files added after them.
struct Plan {
  std::vector<Action> actions;
  std::vector<std::optional<std::size_t>> replacements;  // per old entry: index into files
  std::vector<std::size_t> additions;
  std::vector<SourceFile> files;
  std::string passedOver;  // the report's clause naming special files left out
  int replaced = 0, deleted = 0;
};

std::optional<CommandResult> PlanDelete(const Command& command, const OldArchive& old, Plan& plan) {
  if (command.names.empty()) return CommandResult{kErrorNoMatch, "no names to delete"};
  NameSelection selection(command.names, command.excludes, command.syntax);
  for (std::size_t i = 0; i < old.entries.size(); ++i) {
    const bool drop = selection.Selects(Key(old.entries[i].path));
    plan.actions[i] = drop ? Action::kDelete : Action::kKeep;
    plan.deleted += drop;
  }
  if (const std::string* unused = selection.Unused())
    return CommandResult{kErrorNoMatch, "no entry matches " + *unused};
  return std::nullopt;
}

std::optional<CommandResult> PlanStore(const Command& command, const std::optional<OldArchive>& old, Plan& plan) {
  const Operation operation = command.operation;
  std::vector<std::string> names = command.names;
  CollectRules rules{command.recurse, command.directoryEntries, command.junkPaths, false, old ? &old->info : nullptr};
  if (names.empty()) {
    if (operation == Operation::kZipAdd || !old) return CommandResult{kErrorNoMatch, "no files to add"};
    // Update and freshen with no names look at every entry's file, its
    // name written so that a '[' in it is no set.
    for (const Entry& entry : old->entries) {
      std::string name;
      for (const char c : Key(entry.path)) name += c == '[' ? std::string("[[]") : std::string(1, c);
      names.push_back(std::move(name));
    }
    rules.missingNamesAllowed = true;
  }
  CollectedFiles collected = CollectFiles(command, names, rules);
  if (collected.code != kOk) return CommandResult{collected.code, collected.message};
  plan.passedOver = collected.passedOver.Clause(kPassedOverSpecialFiles);
  // Names that reach nothing storable (special files, the archive itself)
  // ask for work that cannot be done.
  if (collected.files.empty() && !rules.missingNamesAllowed)
    return CommandResult{kErrorNoMatch, "nothing to store" + plan.passedOver};
  plan.files = std::move(collected.files);
  std::map<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < plan.files.size(); ++i) byName.emplace(Key(plan.files[i].entry.path), i);
  std::vector<bool> inArchive(plan.files.size(), false);
  for (std::size_t i = 0; old && i < old->entries.size(); ++i) {
    const auto found = byName.find(Key(old->entries[i].path));
    if (found == byName.end()) continue;
    inArchive[found->second] = true;
    const bool replace = operation == Operation::kZipAdd ||
                         Packed(plan.files[found->second].entry.modified) > Packed(old->entries[i].modified);
    if (!replace) continue;
    plan.actions[i] = Action::kReplace;
    plan.replacements[i] = found->second;
    ++plan.replaced;
  }
  if (operation != Operation::kZipFreshen)
    for (std::size_t i = 0; i < plan.files.size(); ++i)
      if (!inArchive[i]) plan.additions.push_back(i);
  return std::nullopt;
}

// Writes the plan into a new archive and puts it in place.
CommandResult Write(const Maker& maker, const Command& command, std::optional<OldArchive>& old, const Plan& plan) {
  auto archive = NewArchive::Create(command.archive, maker.kind, nullptr, command.level);
  if (!archive) return {kErrorCannotCreate, "cannot create " + command.archive};
  std::optional<std::time_t> newest;
  const auto note = [&newest](const Entry& entry) {
    if (entry.modified && (!newest || *entry.modified > *newest)) newest = entry.modified;
  };
  Entry entry;
  for (std::size_t i = 0; old && i < plan.actions.size(); ++i) {
    if (old->source->Next(entry) != ReadResult::kEntry)
      return {kErrorBrokenArchive, "damaged archive: " + command.archive};
    if (plan.actions[i] == Action::kDelete) continue;
    AddResult added;
    if (plan.actions[i] == Action::kReplace) {
      const SourceFile& file = plan.files[*plan.replacements[i]];
      added = AddFromDisk(*archive, file);
      if (added != AddResult::kAdded) return {FailureCode(added, kErrorCannotRead), StoreFailure(added, file.diskPath)};
      note(file.entry);
    } else {
      added = archive->Add(entry, [&old](const DataSink& sink) { return old->source->ReadData(sink); });
      if (added != AddResult::kAdded) return {FailureCode(added, kErrorBrokenArchive), "cannot copy " + entry.path};
      note(entry);
    }
  }
  for (std::size_t index : plan.additions) {
    const AddResult added = AddFromDisk(*archive, plan.files[index]);
    if (added != AddResult::kAdded)
      return {FailureCode(added, kErrorCannotRead), StoreFailure(added, plan.files[index].diskPath)};
    note(plan.files[index].entry);
  }
  const std::optional<mode_t> mode = old ? std::optional<mode_t>(old->info.mode) : std::nullopt;
  if (!archive->Commit(mode)) return {kErrorCannotCreate, "cannot write " + command.archive};
  if (command.dateArchiveToNewest && newest) {
    SetPathTime(command.archive, *newest);
  }
  return {kOk, std::to_string(plan.additions.size()) + " added, " + std::to_string(plan.replaced) + " replaced, " +
                   std::to_string(plan.deleted) + " deleted" + plan.passedOver};
}

CommandResult Change(const Maker& maker, const Command& command) {
  std::optional<OldArchive> old;
  if (auto refused = OpenOld(maker, command, old)) return *refused;
  const bool deleting = command.operation == Operation::kZipDelete;
  if (!old && (deleting || command.operation == Operation::kZipFreshen))
    return {kErrorArchiveNotFound, "cannot open " + command.archive};
  Plan plan;
  const std::size_t count = old ? old->entries.size() : 0;
  plan.actions.assign(count, Action::kKeep);
  plan.replacements.assign(count, std::nullopt);
  if (auto refused = deleting ? PlanDelete(command, *old, plan) : PlanStore(command, old, plan)) return *refused;
  if (plan.additions.empty() && plan.replaced == 0 && plan.deleted == 0)
    return old ? CommandResult{kOk, "nothing to change" + plan.passedOver}
               : CommandResult{kErrorNoMatch, "nothing to add" + plan.passedOver};
  return Write(maker, command, old, plan);
}

}  // namespace

CommandResult ChangeZip(const Command& command) { return Change(kZipMaker, command); }

CommandResult ChangeSevenZip(const Command& command) {
  Command folders = command;
  folders.recurse = true;
  // As 7-Zip does: adding or updating with no names takes the whole folder.
  if (folders.names.empty() && command.operation != Operation::kZipDelete) folders.names = {"*"};
  return Change(kSevenZipMaker, folders);
}

}  // namespace dv
