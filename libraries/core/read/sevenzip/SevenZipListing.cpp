#include "libraries/core/read/sevenzip/SevenZipListing.h"

#include <vector>

#include "libraries/core/read/LibArchiveSource.h"
#include "libraries/core/read/NameText.h"
#include "libraries/core/read/SevenZipCoders.h"
#include "libraries/core/read/SignatureScan.h"
#include "libraries/core/read/sevenzip/SevenZipHeader.h"
#include "libraries/core/util/Crc32.h"
#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

constexpr std::uint32_t kReadOnly = 0x01, kDirectory = 0x10;
// 7-Zip on Unix keeps the file's mode in the attributes' high 16 bits, with
// the file type in the Unix encoding (which not every system's headers have).
constexpr std::uint32_t kUnixExtension = 0x8000;
constexpr std::uint32_t kTypeMask = 0170000, kTypeDirectory = 0040000, kTypeFile = 0100000, kTypeLink = 0120000;

std::optional<std::time_t> FromFileTime(const std::optional<std::uint64_t>& ticks) {
  constexpr std::int64_t kTicksPerSecond = 10000000, kSecondsTo1970 = 11644473600;
  if (!ticks) return std::nullopt;
  return static_cast<std::time_t>(static_cast<std::int64_t>(*ticks / kTicksPerSecond) - kSecondsTo1970);
}

bool Encrypted(const SevenZipFolder& folder) {
  for (const SevenZipCoder& coder : folder.coders)
    if (coder.id == 0x06F10101 || coder.id == 0x06F10303 || coder.id == 0x06F10701) return true;
  return false;
}

// The file type and mode libarchive gives the item: the Unix mode when
// 7-Zip kept one, else one made of the DOS attributes; an item without data
// that is no empty file is a folder.
std::uint32_t ModeOf(const SevenZipItem& item) {
  const std::uint32_t attributes = item.attributes.value_or(0);
  std::uint32_t mode = attributes >> 16;
  if ((attributes & kUnixExtension) == 0) mode = 0;
  const bool folder = !item.hasData && !item.emptyFile;
  if (mode == 0) mode = folder || (attributes & kDirectory) != 0 ? (kTypeDirectory | 0777) : (kTypeFile | 0666);
  if (folder && (mode & kTypeMask) != kTypeDirectory) mode = (mode & ~kTypeMask) | kTypeDirectory;
  if ((attributes & kReadOnly) != 0) mode &= ~0222u;
  return mode;
}

Entry EntryOf(const SevenZipHeader& header, const SevenZipItem& item) {
  Entry entry;
  entry.path = item.name;
  DecodeStoredName(entry.path);
  const std::uint32_t mode = ModeOf(item);
  switch (mode & kTypeMask) {
    case kTypeFile: entry.kind = EntryKind::kFile; break;
    case kTypeDirectory: entry.kind = EntryKind::kDirectory; break;
    // A link's target is its data, which a listing leaves packed; one
    // without data is a plain file.
    case kTypeLink: entry.kind = item.hasData ? EntryKind::kSymlink : EntryKind::kFile; break;
    default: entry.kind = EntryKind::kOther; break;
  }
  if (entry.IsDirectory() && (entry.path.empty() || entry.path.back() != '/')) entry.path += '/';
  entry.permissions = mode & 07777;
  entry.size = entry.kind == EntryKind::kSymlink ? 0 : item.size;
  entry.crc = item.crc;
  entry.modified = FromFileTime(item.modified);
  // 7-Zip on Unix stores the inode's change time as the creation time;
  // libarchive gives it as neither, and nor do we.
  entry.accessed = FromFileTime(item.accessed);
  if (item.hasData) {
    const SevenZipFolder& folder = header.folders[item.folder];
    entry.encrypted = Encrypted(folder);
    if (std::string coder = UndecodableCoder(folder); !coder.empty()) {
      entry.dataReadable = false;
      entry.method = std::move(coder);
    }
  }
  return entry;
}

class SevenZipListing final : public EntrySource {
 public:
  SevenZipListing(std::shared_ptr<const PositionalFile> file, std::int64_t base, std::vector<Entry> entries)
      : file_(std::move(file)), base_(base), entries_(std::move(entries)) {}

  bool Rewind() override {
    next_ = 0;
    return true;
  }

  ReadResult Next(Entry& entry) override {
    if (next_ >= entries_.size()) return ReadResult::kEnd;
    entry = entries_[next_++];
    return ReadResult::kEntry;
  }

  // The entry's data through libarchive, whose walk is brought to the same
  // entry (from the start again when it is past it).
  DataResult ReadData(const DataSink& sink) override {
    if (next_ == 0) return DataResult::kBroken;
    const std::size_t wanted = next_ - 1;
    if (!data_ || dataGiven_ > wanted) {
      if (!data_ || !data_->Rewind()) data_ = OpenLibArchiveSourceAt(file_, Format::kSevenZip, base_);
      dataGiven_ = 0;
      if (!data_) return DataResult::kBroken;
    }
    Entry passed;
    while (dataGiven_ <= wanted) {
      if (data_->Next(passed) != ReadResult::kEntry) return DataResult::kBroken;
      ++dataGiven_;
    }
    if (passed.path != entries_[wanted].path) return DataResult::kBroken;
    return data_->ReadData(sink);
  }

 private:
  std::shared_ptr<const PositionalFile> file_;
  std::int64_t base_;  // where the archive starts: after a self-extractor's stub
  std::vector<Entry> entries_;
  std::size_t next_ = 0;
  std::unique_ptr<EntrySource> data_;  // libarchive's reader, once data is asked for
  std::size_t dataGiven_ = 0;          // entries it gave since it opened
};

// The signature's six bytes are easily met in a stub; a start header whose
// CRC matches is not. Only such places count as candidates.
bool StartHeaderChecks(const PositionalFile& file, std::int64_t at) {
  unsigned char head[32];
  return file.ReadExactly(at, head, sizeof head) && Crc32(head + 12, 20) == Le32(head + 8);
}

std::unique_ptr<EntrySource> ListingAt(std::shared_ptr<const PositionalFile> file, std::int64_t base,
                                       const SevenZipHeader& header) {
  std::vector<Entry> entries;
  entries.reserve(header.items.size());
  for (const SevenZipItem& item : header.items) entries.push_back(EntryOf(header, item));
  return std::make_unique<SevenZipListing>(std::move(file), base, std::move(entries));
}

}  // namespace

std::unique_ptr<EntrySource> OpenSevenZipListing(std::shared_ptr<const PositionalFile> file) {
  if (const auto header = ReadSevenZipHeader(*file, 0)) return ListingAt(std::move(file), 0, *header);
  if (!IsSevenZipExecutable(*file)) return nullptr;
  // A self-extractor: the first place past the stub's start where a whole
  // header reads, its CRCs and all; the stub's own bytes may hold the
  // signature anywhere.
  SignatureScan scan(*file, 1, kSfxWindow, kSevenZipSignature);
  for (int tries = 0; tries < kSfxCandidateLimit;) {
    const auto hit = scan.Next();
    if (!hit) break;
    if (!StartHeaderChecks(*file, *hit)) continue;
    ++tries;
    if (const auto header = ReadSevenZipHeader(*file, *hit)) return ListingAt(std::move(file), *hit, *header);
  }
  return nullptr;
}

}  // namespace dv
