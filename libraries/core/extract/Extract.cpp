#include "libraries/core/extract/Extract.h"

#include <map>
#include <system_error>

#include "libraries/core/extract/ExtractTarget.h"
#include "libraries/core/select/LeftOut.h"
#include "libraries/core/select/NameSelection.h"
#include "libraries/core/select/PathSafety.h"

namespace dv {
namespace {

struct Tally {
  int extracted = 0, kept = 0, folders = 0;
  LeftOut passedOver, unsafe, encrypted, failed;
  int failure = kOk;  // the first one

  void Fail(int code) {
    if (failure == kOk) failure = code;
  }
  // An entry that failed, named with the reason, so that a caller knows
  // which file it lacks and why.
  void Fail(int code, const Entry& entry, const std::string& why) {
    Fail(code);
    failed.Add(entry.path + " (" + why + ")");
  }
  void Count(WriteOutcome outcome, const Entry& entry, const ExtractTarget& target) {
    switch (outcome) {
      case WriteOutcome::kWritten: ++(entry.IsDirectory() ? folders : extracted); break;
      case WriteOutcome::kKept: ++kept; break;
      case WriteOutcome::kUnsafe: unsafe.Add(entry.path); break;
      case WriteOutcome::kCannotCreate:
        Fail(kErrorCannotCreate, entry, std::generic_category().message(target.error()));
        break;
      case WriteOutcome::kBroken: Fail(kErrorBrokenArchive, entry, "data damaged or cut short"); break;
      case WriteOutcome::kUnsupported:
        Fail(kErrorMethodNotSupported, entry,
             "method " + (entry.method.empty() ? "unknown" : entry.method) + " not supported");
        break;
      case WriteOutcome::kVolumeMissing: Fail(kErrorVolumeMissing, entry, "a volume is missing"); break;
    }
  }
  // Passing links over is no error, unless it leaves the line with nothing
  // written at all: that is not the work it asked for.
  int Code() const {
    if (failure != kOk) return failure;
    if (encrypted.Count() > 0) return kErrorEncrypted;
    if (unsafe.Count() > 0) return kErrorUnsafeEntry;
    const bool nothingWritten = extracted == 0 && kept == 0 && folders == 0;
    return nothingWritten && passedOver.Count() > 0 ? kErrorNothingWritten : kOk;
  }
  CommandResult Result() const {
    CommandResult result;
    result.code = Code();
    result.report = std::to_string(extracted) + " extracted";
    if (kept > 0) result.report += ", " + std::to_string(kept) + " existing kept";
    result.report += passedOver.Clause("passed over (links, devices and FIFOs are never created)");
    result.report += unsafe.Clause("unsafe paths refused");
    result.report += encrypted.Clause("encrypted (password needed) not extracted");
    result.report += failed.Clause("failed");
    return result;
  }
};

// Reads every header before anything is written: the names must each
// select something, the selected entries must be readable, the headers whole.
CommandResult Survey(EntrySource& source, NameSelection& selection) {
  Entry entry;
  ReadResult read;
  bool selected = false;
  LeftOut unreadable;
  while ((read = source.Next(entry)) == ReadResult::kEntry) {
    if (!selection.Selects(entry.path)) continue;
    selected = true;
    if (entry.kind == EntryKind::kFile && !entry.dataReadable)
      unreadable.Add(entry.path + " (" + (entry.method.empty() ? "unknown method" : entry.method) + ")");
  }
  if (read == ReadResult::kBroken) return {kErrorBrokenArchive, "damaged archive: nothing extracted"};
  if (read == ReadResult::kVolumeMissing)
    return {kErrorVolumeMissing, "a volume of the split archive is missing: nothing extracted"};
  if (const std::string* unused = selection.Unused()) return {kErrorNoMatch, "no entry matches " + *unused};
  // An empty archive, or exclusions that leave out every entry.
  if (!selected) return {kErrorNoMatch, "no entry to extract"};
  if (unreadable.Count() > 0)
    return {kErrorMethodNotSupported, "nothing extracted" + unreadable.Clause("of a method not supported")};
  return {};
}

// Files written so far, by the path a hard link names them with.
using Written = std::map<std::string, std::vector<std::string>>;

void ExtractEntry(EntrySource& source, const Entry& entry, const Command& command, ExtractTarget& target,
                  Written& written, Tally& tally) {
  const auto linked = entry.kind == EntryKind::kHardlink ? SafeComponents(entry.linkTarget) : std::nullopt;
  const auto original = linked ? written.find(JoinComponents(*linked)) : written.end();
  // A link is never made; a hard link to a file written here becomes a copy.
  if (entry.kind == EntryKind::kSymlink || entry.kind == EntryKind::kOther ||
      (entry.kind == EntryKind::kHardlink && original == written.end())) {
    tally.passedOver.Add(entry.path);
    return;
  }
  // Decided before the target is touched, so that not even a folder of the
  // entry is made. (A hard link here copies a file already written.)
  if (entry.encrypted && entry.kind == EntryKind::kFile) {
    tally.encrypted.Add(entry.path);
    return;
  }
  auto path = SafeComponents(entry.path);
  if (!path || (path->empty() && !entry.IsDirectory())) {
    tally.unsafe.Add(entry.path);
    return;
  }
  const Stamp stamp{SafeMode(entry), entry.modified, entry.accessed};
  if (entry.IsDirectory()) {
    // Without folders, a folder entry has nothing to make.
    if (command.junkPaths || path->empty()) return;
    tally.Count(target.MakeDirectory(*path, stamp), entry, target);
    return;
  }
  const std::string key = JoinComponents(*path);
  if (command.junkPaths) path->erase(path->begin(), path->end() - 1);
  const WriteOutcome outcome = entry.kind == EntryKind::kHardlink
                                   ? target.CopyFile(original->second, *path, stamp, command.overwrite)
                                   : target.WriteFile(*path, stamp, command.overwrite, [&source](const DataSink& sink) {
                                       return source.ReadData(sink);
                                     });
  if (outcome == WriteOutcome::kWritten) written[key] = *path;
  tally.Count(outcome, entry, target);
}

}  // namespace

CommandResult ExtractArchive(Format format, const Command& command) {
  const auto file = PositionalFile::Open(command.archive.c_str());
  if (!file) return {kErrorArchiveNotFound, "cannot open " + command.archive};
  const auto source = OpenSource(file, format, ReadFor::kData);
  if (!source && BeginsAsFormat(*file, format))
    return {kErrorBrokenArchive, "damaged archive: nothing extracted: " + command.archive};
  if (!source) return {kErrorNotAnArchive, "not an archive of this library: " + command.archive};
  NameSelection survey(command.names, command.excludes, command.syntax);
  if (CommandResult refused = Survey(*source, survey); refused.code != kOk) return refused;
  auto target = ExtractTarget::Open(command.baseDirectory);
  if (!target) return {kErrorCannotCreate, "cannot create " + command.baseDirectory};
  source->ExpectDataReads();
  if (!source->Rewind()) return {kErrorBrokenArchive, "archive no longer opens"};
  NameSelection selection(command.names, command.excludes, command.syntax);
  Tally tally;
  Written written;
  Entry entry;
  ReadResult read;
  while ((read = source->Next(entry)) == ReadResult::kEntry)
    if (selection.Selects(entry.path)) ExtractEntry(*source, entry, command, *target, written, tally);
  if (read == ReadResult::kBroken) tally.Fail(kErrorBrokenArchive);
  if (read == ReadResult::kVolumeMissing) tally.Fail(kErrorVolumeMissing);
  target->Finish();
  return tally.Result();
}

}  // namespace dv
