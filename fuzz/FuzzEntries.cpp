#include "fuzz/FuzzEntries.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "contract/ResultCodes.h"
#include "fuzz/FuzzSupport.h"
#include "libraries/core/command/CommandParser.h"
#include "libraries/core/command/CommandTokens.h"
#include "libraries/core/read/NameText.h"
#include "libraries/core/read/PositionalFile.h"
#include "libraries/core/read/arj/ArjReader.h"
#include "libraries/core/read/sevenzip/SevenZipHeader.h"
#include "libraries/core/read/sevenzip/SevenZipListing.h"
#include "libraries/core/util/Crc32.h"

namespace dvfuzz {
namespace {

// ---- ARJ ---------------------------------------------------------------------

bool SameEntry(const dv::Entry& a, const dv::Entry& b) {
  return a.path == b.path && a.size == b.size && a.packedSize == b.packedSize && a.crc == b.crc &&
         a.modified == b.modified && a.permissions == b.permissions && a.kind == b.kind && a.method == b.method &&
         a.dataReadable == b.dataReadable;
}

char DataLetter(dv::DataResult result) {
  switch (result) {
    case dv::DataResult::kDone: return 'D';
    case dv::DataResult::kBroken: return 'B';
    case dv::DataResult::kUnsupported: return 'U';
    case dv::DataResult::kSinkFailed: return 'S';
    case dv::DataResult::kVolumeMissing: return 'V';
  }
  return '?';
}

// ---- listing -------------------------------------------------------------------

bool SameRecords(const std::vector<ENTRYINFO>& a, const std::vector<ENTRYINFO>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const ENTRYINFO& x, const ENTRYINFO& y) {
           return std::memcmp(&x, &y, sizeof x) == 0;
         });
}

template <std::size_t N>
bool Terminated(const char (&field)[N]) {
  return std::memchr(field, '\0', N) != nullptr;
}

// FindFirst with `wildcard`, then FindNext to the end or the bound.
void WalkOnce(const ListingFunctions& library, HARC handle, const char* wildcard, ListedRecords& walk,
              Outcome& outcome) {
  ENTRYINFO record;
  for (int status = library.findFirst(handle, wildcard, &record);; status = library.findNext(handle, &record)) {
    // A split archive whose next volume is not there ends its walk so.
    if (status == -1 || status == dv::kErrorVolumeMissing) return;
    if (status != 0) {
      Fault(outcome, "FindFirst/FindNext returned " + std::to_string(status));
      return;
    }
    if (!Terminated(record.szFileName) || !Terminated(record.szAttribute) || !Terminated(record.szMode))
      Fault(outcome, "record " + std::to_string(walk.records.size()) + " has an unterminated text");
    walk.records.push_back(record);
    if (walk.records.size() >= kMaxEntries) {
      walk.bounded = true;
      return;
    }
  }
}

ListedRecords ListOnce(const ListingFunctions& library, const std::string& path, DWORD mode, Outcome& outcome) {
  ListedRecords walk;
  const HARC handle = library.open(nullptr, path.c_str(), mode);
  walk.opened = handle != 0;
  if (!walk.opened) return walk;
  WalkOnce(library, handle, "", walk, outcome);
  ENTRYINFO record;
  if (!walk.bounded && library.findNext(handle, &record) != -1) Fault(outcome, "FindNext went on past the end");
  ListedRecords again;
  WalkOnce(library, handle, "*.*", again, outcome);
  if (!SameRecords(walk.records, again.records)) Fault(outcome, "a second FindFirst listed differently");
  if (library.close(handle) != 0) Fault(outcome, "CloseArchive failed");
  if (library.findNext(handle, &record) != -1) Fault(outcome, "FindNext listed through a closed handle");
  if (library.close(handle) != 0) Fault(outcome, "a second CloseArchive failed");
  return walk;
}

std::string EntryCount(const ListedRecords& walk) {
  return (walk.bounded ? "entries>=" : "entries=") + std::to_string(walk.records.size());
}

// What TarGetArchiveType may answer for a file it can read: 0 for none of
// its kinds, 1-7 for tar, gzip, compress and bzip2, 10-13 for xz and zstd
// (8 and 9 stay unused).
constexpr int kTarTypes[] = {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13};

// ---- command lines ---------------------------------------------------------------

struct LanguageName {
  dv::CommandLanguage language;
  const char* name;
};
// clang-format off
constexpr LanguageName kLanguages[] = {
    {dv::CommandLanguage::kLha, "lha"}, {dv::CommandLanguage::kUnzip, "unzip"}, {dv::CommandLanguage::kZip, "zip"},
    {dv::CommandLanguage::kCab, "cab"}, {dv::CommandLanguage::kRar, "rar"},     {dv::CommandLanguage::kTar, "tar"},
    {dv::CommandLanguage::kSevenZip, "7z"},
};
// clang-format on

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The tokens of `text` must be what a line written back from them reads as.
void CheckTokens(const std::string& text, Outcome& outcome) {
  const auto tokens = dv::Tokenise(text);
  if (!tokens) return;
  std::string written;
  for (const dv::Token& token : *tokens) {
    if (token.text.find('"') != std::string::npos) Fault(outcome, "a token holds a double quote");
    if (!token.quoted && (token.text.empty() || std::any_of(token.text.begin(), token.text.end(), IsBlank)))
      Fault(outcome, "an unquoted token is empty or holds a blank");
    written += token.quoted ? '"' + token.text + '"' : token.text;
    written += ' ';
  }
  const auto again = dv::Tokenise(written);
  if (!again || *again != *tokens) Fault(outcome, "the tokens written back read differently");
}

// The input as a file our readers open; null, with the fault told, when it cannot be.
std::shared_ptr<const dv::PositionalFile> OpenScratch(const std::string& scratch, const std::uint8_t* bytes,
                                                      std::size_t size, Outcome& outcome) {
  if (!WriteScratch(scratch, bytes, size)) {
    Fault(outcome, "cannot write " + scratch);
    return nullptr;
  }
  auto file = dv::PositionalFile::Open(scratch.c_str());
  if (!file) Fault(outcome, "cannot open " + scratch);
  return file;
}

}  // namespace

Outcome SevenZipHeaderOutcome(const std::string& scratch, const std::uint8_t* bytes, std::size_t size) {
  Outcome outcome;
  const auto file = OpenScratch(scratch, bytes, size, outcome);
  if (!file) return outcome;
  const auto header = dv::ReadSevenZipHeader(*file, 0);
  const auto listing = dv::OpenSevenZipListing(file);
  // The listing also finds an archive behind a self-extractor's stub.
  if (header && listing == nullptr) Fault(outcome, "the listing refused a header that reads");
  std::size_t listed = 0;
  if (listing) {
    std::vector<std::string> first, second;
    dv::Entry entry;
    while (listing->Next(entry) == dv::ReadResult::kEntry) first.push_back(entry.path);
    if (!listing->Rewind()) Fault(outcome, "the listing does not rewind");
    while (listing->Next(entry) == dv::ReadResult::kEntry) second.push_back(entry.path);
    if (first != second) Fault(outcome, "a second walk listed differently");
    listed = first.size();
  }
  if (!header) {
    outcome.summary = listing ? "behind a stub: entries=" + std::to_string(listed) : "refused";
    return outcome;
  }
  if (listed != header->items.size()) Fault(outcome, "the listing has not one entry an item");
  std::vector<std::uint64_t> used(header->folders.size(), 0);
  std::size_t withData = 0;
  for (std::size_t i = 0; i < header->items.size(); ++i) {
    const dv::SevenZipItem& item = header->items[i];
    if (!dv::IsUtf8(item.name)) Fault(outcome, "item " + std::to_string(i) + " has a name that is no UTF-8");
    if (!item.hasData) continue;
    ++withData;
    if (item.folder >= header->folders.size()) {
      Fault(outcome, "item " + std::to_string(i) + " is in no folder");
      continue;
    }
    used[item.folder] += item.size;
    if (used[item.folder] > header->folders[item.folder].unpackSize)
      Fault(outcome, "the items of folder " + std::to_string(item.folder) + " outgrow it");
  }
  outcome.summary = "items=" + std::to_string(header->items.size()) +
                    " folders=" + std::to_string(header->folders.size()) + " data=" + std::to_string(withData);
  return outcome;
}

Outcome ArjOutcome(const std::string& scratch, const std::uint8_t* bytes, std::size_t size) {
  Outcome outcome;
  const auto file = OpenScratch(scratch, bytes, size, outcome);
  if (!file) return outcome;
  // As extraction reads it: a split entry goes on into name.a01, which a
  // scratch file never has beside it.
  const auto source = dv::OpenArjSource(file, dv::ArjVolumes::kFollow);
  if (!source) {
    outcome.summary = "refused";
    return outcome;
  }
  std::vector<dv::Entry> entries;
  std::string data;
  dv::ReadResult last = dv::ReadResult::kEntry;
  while (entries.size() < kMaxEntries) {
    dv::Entry entry;
    if ((last = source->Next(entry)) != dv::ReadResult::kEntry) break;
    std::uint64_t copied = 0;
    dv::Crc32Accumulator crc;
    const dv::DataResult result = source->ReadData([&copied, &crc](const void* data, std::size_t count) {
      copied += count;
      crc.Add(data, count);
      return true;
    });
    data += DataLetter(result);
    if (result == dv::DataResult::kSinkFailed) Fault(outcome, "the data failed a sink that took everything");
    if (result == dv::DataResult::kDone && entry.kind == dv::EntryKind::kFile && copied != entry.size.value_or(0))
      Fault(outcome, "entry " + std::to_string(entries.size()) + " gave " + std::to_string(copied) + " bytes of " +
                         std::to_string(entry.size.value_or(0)));
    if (result == dv::DataResult::kDone && entry.kind == dv::EntryKind::kFile && crc.Value() != entry.crc)
      Fault(outcome, "entry " + std::to_string(entries.size()) + " passed with data that fails its CRC");
    entries.push_back(std::move(entry));
  }
  if (last != dv::ReadResult::kEntry) {
    dv::Entry after;
    if (source->Next(after) != last) Fault(outcome, "the walk did not stay at its end");
  }
  if (!source->Rewind()) {
    Fault(outcome, "the rewind failed");
  } else {
    dv::ReadResult lastAgain = dv::ReadResult::kEntry;
    std::size_t count = 0;
    for (dv::Entry entry; count < entries.size(); ++count)
      if ((lastAgain = source->Next(entry)) != dv::ReadResult::kEntry || !SameEntry(entry, entries[count])) break;
    dv::Entry entry;
    if (count != entries.size() || (last != dv::ReadResult::kEntry && source->Next(entry) != last))
      Fault(outcome, "the walk after the rewind differs");
  }
  outcome.summary = (last == dv::ReadResult::kEntry ? "entries>=" : "entries=") + std::to_string(entries.size()) +
                    (last == dv::ReadResult::kEnd             ? " end"
                     : last == dv::ReadResult::kBroken        ? " broken"
                     : last == dv::ReadResult::kVolumeMissing ? " volume-missing"
                                                              : "") +
                    " data=" + data;
  return outcome;
}

ListedRecords ListRecords(const ListingFunctions& library, const std::string& path, Outcome& outcome) {
  const ListedRecords plain = ListOnce(library, path, 0, outcome);
  const ListedRecords probe = ListOnce(library, path, kProbeOpenMode, outcome);
  if (plain.opened != probe.opened || !SameRecords(plain.records, probe.records))
    Fault(outcome, "the probe mode listed differently");
  return {plain.opened, plain.bounded, plain.records};
}

Outcome ListingOutcome(const ListingFunctions& library, const std::string& scratch, const std::uint8_t* bytes,
                       std::size_t size) {
  Outcome outcome;
  if (!WriteScratch(scratch, bytes, size)) {
    Fault(outcome, "cannot write " + scratch);
    return outcome;
  }
  const ListedRecords plain = ListRecords(library, scratch, outcome);
  const int check = library.check(scratch.c_str(), 0);
  if (check != TRUE && check != FALSE) Fault(outcome, "CheckArchive returned " + std::to_string(check));
  if (check == TRUE && !plain.opened) Fault(outcome, "CheckArchive took a file OpenArchive refused");
  outcome.summary = (plain.opened ? EntryCount(plain) : "refused") + " check=" + std::to_string(check);
  if (library.archiveType != nullptr) {
    const int type = library.archiveType(scratch.c_str());
    if (std::find(std::begin(kTarTypes), std::end(kTarTypes), type) == std::end(kTarTypes))
      Fault(outcome, "TarGetArchiveType returned " + std::to_string(type));
    // The listing opens a file exactly when the type says it is one of tar32's.
    if ((type > 0) != plain.opened) Fault(outcome, "TarGetArchiveType and OpenArchive disagree");
    outcome.summary += " type=" + std::to_string(type);
  }
  return outcome;
}

Outcome CommandLineOutcome(const std::uint8_t* bytes, std::size_t size) {
  Outcome outcome;
  const std::string raw(reinterpret_cast<const char*>(bytes), size);
  CheckTokens(raw, outcome);
  std::string line = raw.substr(0, raw.find('\0'));
  std::replace(line.begin(), line.end(), '@', '#');
  for (const LanguageName& language : kLanguages) {
    const dv::ParsedCommand parsed = dv::ParseCommandLine(language.language, line.c_str());
    const dv::Command& command = parsed.command;
    if (!outcome.summary.empty()) outcome.summary += ' ';
    outcome.summary += language.name;
    outcome.summary += '=';
    if (parsed.error == dv::kOk) {
      if (command.archive.empty()) Fault(outcome, std::string(language.name) + " took a line with no archive");
      const auto empty = [](const std::string& name) { return name.empty(); };
      if (std::any_of(command.names.begin(), command.names.end(), empty) ||
          std::any_of(command.excludes.begin(), command.excludes.end(), empty))
        Fault(outcome, std::string(language.name) + " kept an empty name");
      outcome.summary += std::string("ok/") + dv::OperationName(command.operation) + '/' +
                         std::to_string(command.names.size()) + '/' + std::to_string(command.excludes.size());
      continue;
    }
    // Without response files, a refusal is of the line itself.
    if (parsed.error != dv::kErrorBadCommand && parsed.error != dv::kErrorBadSwitch &&
        parsed.error != dv::kErrorBadLine)
      Fault(outcome, std::string(language.name) + " refused with " + std::to_string(parsed.error));
    if (parsed.message.empty()) Fault(outcome, std::string(language.name) + " refused without a message");
    outcome.summary += Hex(parsed.error);
  }
  return outcome;
}

}  // namespace dvfuzz
