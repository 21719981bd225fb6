// ARJ layout, all numbers little-endian:
//   header id 0x60 0xEA, basic header size (2; 0 ends the archive),
//   basic header: first-header size (1), version (1), version to extract (1),
//     host OS (1), flags (1), method (1), file type (1), reserved (1),
//     time stamp (4), compressed size (4), original size (4), CRC (4),
//     path-start offset (2), access mode (2), host data (2), optional extra
//     fields up to the first-header size, then the name and the comment,
//     each NUL-terminated,
//   CRC-32 of the basic header (4),
//   extended headers: size (2; 0 ends them), data, CRC-32 (4),
//   then, for a file entry, its compressed data.
// The first header is the archive's main header; file entries follow.
#include "libraries/core/ArjReader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "libraries/core/Crc32.h"
#include "libraries/core/DosTime.h"
#include "libraries/core/SignatureScan.h"
#include "libraries/core/LittleEndian.h"

namespace dv {
namespace {

constexpr unsigned char kId0 = 0x60, kId1 = 0xEA;
constexpr std::size_t kFixedSize = 30;     // basic header up to the extra fields
constexpr std::size_t kMaxBasicSize = 2600;
constexpr int kMaxExtendedHeaders = 64;
constexpr unsigned kHostUnix = 2;          // stamps are UNIX times, not DOS
constexpr unsigned kTypeBinary = 0, kTypeText = 1, kTypeDirectory = 3;
constexpr unsigned kMethodStored = 0;
constexpr std::size_t kDataBlock = 64 * 1024;
constexpr unsigned kDosReadOnly = 0x01;


struct Header {
  bool endOfArchive = false;
  std::vector<unsigned char> basic;  // the basic header, CRC checked
  std::int64_t dataOffset = 0;       // just past the extended headers
};

// The header at `offset`, or nothing when any of its checks fails.
std::optional<Header> ReadHeader(const ArchiveFile& file, std::int64_t offset) {
  unsigned char lead[4];
  if (!file.ReadExactly(offset, lead, sizeof lead) || lead[0] != kId0 || lead[1] != kId1) return std::nullopt;
  Header header;
  const std::size_t size = Le16(lead + 2);
  if (size == 0) {
    header.endOfArchive = true;
    return header;
  }
  if (size < kFixedSize || size > kMaxBasicSize) return std::nullopt;
  header.basic.resize(size + 4);
  if (!file.ReadExactly(offset + 4, header.basic.data(), header.basic.size())) return std::nullopt;
  if (Crc32(header.basic.data(), size) != Le32(header.basic.data() + size)) return std::nullopt;
  header.basic.resize(size);
  const std::size_t first = header.basic[0];
  // The name must start inside the header and end with a NUL there.
  if (first < kFixedSize || first >= size || std::memchr(&header.basic[first], 0, size - first) == nullptr)
    return std::nullopt;

  std::int64_t next = offset + 4 + static_cast<std::int64_t>(size) + 4;
  for (int count = 0;; ++count) {
    unsigned char extended[2];
    if (count > kMaxExtendedHeaders || !file.ReadExactly(next, extended, sizeof extended)) return std::nullopt;
    next += 2;
    if (Le16(extended) == 0) break;
    next += Le16(extended) + 4;
  }
  header.dataOffset = next;
  return header;
}

void FillEntry(const std::vector<unsigned char>& basic, Entry& entry) {
  entry = Entry{};
  entry.path = reinterpret_cast<const char*>(&basic[basic[0]]);
  const unsigned host = basic[3], method = basic[5], type = basic[6];
  const std::uint32_t stamp = Le32(&basic[8]);
  entry.packedSize = Le32(&basic[12]);
  entry.size = Le32(&basic[16]);
  entry.crc = Le32(&basic[20]);
  const std::uint16_t access = Le16(&basic[26]);
  entry.kind = type == kTypeDirectory                          ? EntryKind::kDirectory
               : type == kTypeBinary || type == kTypeText ? EntryKind::kFile
                                                          : EntryKind::kOther;  // comment or label
  if (host == kHostUnix) {
    entry.modified = static_cast<std::time_t>(stamp);
    entry.permissions = access & 0777u;
  } else {
    entry.storedDosStamp = SplitDosStamp(stamp);
    entry.modified = FromDosStamp(stamp);
    entry.permissions = (access & kDosReadOnly) ? 0555u : 0755u;
    if (!entry.IsDirectory()) *entry.permissions &= 0666u;
  }
  entry.method = method == kMethodStored ? "stored" : "method" + std::to_string(method);
  // Only stored data is read; the ARJ compression methods are not.
  entry.dataReadable = method == kMethodStored;
}

class ArjSource final : public EntrySource {
 public:
  ArjSource(std::shared_ptr<const ArchiveFile> file, std::int64_t firstEntry)
      : file_(std::move(file)), firstEntry_(firstEntry), next_(firstEntry) {}

  bool Rewind() override {
    next_ = firstEntry_;
    state_ = ReadResult::kEntry;
    return true;
  }

  ReadResult Next(Entry& entry) override {
    if (state_ != ReadResult::kEntry) return state_;
    const auto header = ReadHeader(*file_, next_);
    if (!header) return state_ = ReadResult::kBroken;
    if (header->endOfArchive) return state_ = ReadResult::kEnd;
    FillEntry(header->basic, entry);
    current_ = entry;
    dataOffset_ = header->dataOffset;
    next_ = header->dataOffset + *entry.packedSize;
    return ReadResult::kEntry;
  }

  DataResult ReadData(const DataSink& sink) override {
    if (state_ != ReadResult::kEntry) return DataResult::kBroken;
    if (!current_.dataReadable) return DataResult::kUnsupported;
    if (current_.kind != EntryKind::kFile) return DataResult::kDone;
    // Stored: the packed bytes are the file, and the CRC covers them.
    if (current_.packedSize != current_.size) return DataResult::kBroken;
    std::vector<unsigned char> block(kDataBlock);
    Crc32Accumulator crc;
    for (std::uint64_t done = 0, total = *current_.size; done < total;) {
      const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(total - done, block.size()));
      if (!file_->ReadExactly(dataOffset_ + static_cast<std::int64_t>(done), block.data(), wanted))
        return DataResult::kBroken;
      crc.Add(block.data(), wanted);
      if (!sink(block.data(), wanted)) return DataResult::kSinkFailed;
      done += wanted;
    }
    return crc.Value() == current_.crc ? DataResult::kDone : DataResult::kBroken;
  }

 private:
  std::shared_ptr<const ArchiveFile> file_;
  std::int64_t firstEntry_;
  std::int64_t next_;
  ReadResult state_ = ReadResult::kEntry;
  Entry current_;
  std::int64_t dataOffset_ = 0;
};

// The id and a basic-header size that may hold a header: worth a full read.
bool PlausibleHeaderAt(const ArchiveFile& file, std::int64_t offset) {
  unsigned char lead[4];
  if (!file.ReadExactly(offset, lead, sizeof lead) || lead[0] != kId0 || lead[1] != kId1) return false;
  const std::size_t size = Le16(lead + 2);
  return size >= kFixedSize && size <= kMaxBasicSize;
}

// Offset just past a main header at `offset`, when one is there. In an
// executable the header after it must read too: the stub may hold a whole
// fake main header, CRC and all.
std::optional<std::int64_t> MainHeaderAt(const ArchiveFile& file, std::int64_t offset, bool inExecutable) {
  const auto header = ReadHeader(file, offset);
  if (!header || header->endOfArchive) return std::nullopt;
  if (inExecutable && !ReadHeader(file, header->dataOffset)) return std::nullopt;
  return header->dataOffset;
}

}  // namespace

std::unique_ptr<EntrySource> OpenArjSource(std::shared_ptr<const ArchiveFile> file) {
  auto first = MainHeaderAt(*file, 0, false);
  if (!first && file->IsExecutable()) {
    // A self-extractor: the stub may hold the id bytes anywhere (even a whole
    // fake header), so every candidate whose checks fail is passed over; only
    // so many with a plausible size are checked in full (CRC and all).
    using namespace std::string_view_literals;
    SignatureScan scan(*file, 1, kSfxWindow, "\x60\xEA"sv);
    for (int tries = 0; !first && tries < kSfxCandidateLimit;) {
      const auto hit = scan.Next();
      if (!hit) break;
      if (!PlausibleHeaderAt(*file, *hit)) continue;
      ++tries;
      first = MainHeaderAt(*file, *hit, true);
    }
  }
  if (!first) return nullptr;
  return std::make_unique<ArjSource>(std::move(file), *first);
}

}  // namespace dv
