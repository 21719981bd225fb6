// ARJ layout, all numbers little-endian:
//   header id 0x60 0xEA, basic header size (2; 0 ends the archive),
//   basic header: first-header size (1), version (1), version to extract (1),
//     host OS (1), flags (1), method (1), file type (1), reserved (1),
//     time stamp (4), compressed size (4), original size (4), CRC (4),
//     path-start offset (2), access mode (2), host data (2), optional extra
//     fields up to the first-header size (the first: where a part that
//     began in an earlier volume starts in the whole file), then the name
//     and the comment, each NUL-terminated,
//   CRC-32 of the basic header (4),
//   extended headers: size (2; 0 ends them), data, CRC-32 (4),
//   then, for a file entry, its compressed data.
// The first header is the archive's main header; file entries follow. A
// split archive is a series of such archives (ArjVolumes.h) whose flags
// say where an entry's data goes on or began.
#include "libraries/core/read/arj/ArjReader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "libraries/core/read/NameText.h"
#include "libraries/core/read/SignatureScan.h"
#include "libraries/core/read/arj/ArjDecoder.h"
#include "libraries/core/read/arj/ArjVolumes.h"
#include "libraries/core/util/Crc32.h"
#include "libraries/core/util/DosTime.h"
#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

constexpr unsigned char kId0 = 0x60, kId1 = 0xEA;
constexpr std::size_t kFixedSize = 30;  // basic header up to the extra fields
constexpr std::size_t kMaxBasicSize = 2600;
constexpr int kMaxExtendedHeaders = 64;
constexpr unsigned kHostUnix = 2;  // stamps are UNIX times, not DOS
constexpr unsigned kTypeBinary = 0, kTypeText = 1, kTypeDirectory = 3;
constexpr unsigned kDosReadOnly = 0x01;
constexpr unsigned kFlagGarbled = 0x01;        // encrypted with a password
constexpr unsigned kFlagContinues = 0x04;      // the data goes on in the next volume
constexpr unsigned kFlagMoreVolumes = 0x04;    // in the main header: a volume follows this one
constexpr unsigned kFlagStartsEarlier = 0x08;  // the data began in an earlier volume

struct Header {
  bool endOfArchive = false;
  std::vector<unsigned char> basic;  // the basic header, CRC checked
  std::int64_t dataOffset = 0;       // just past the extended headers
};

// The header at `offset`, or nothing when any of its checks fails.
std::optional<Header> ReadHeader(const PositionalFile& file, std::int64_t offset) {
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

// The id and a basic-header size that may hold a header: worth a full read.
bool PlausibleHeaderAt(const PositionalFile& file, std::int64_t offset) {
  unsigned char lead[4];
  if (!file.ReadExactly(offset, lead, sizeof lead) || lead[0] != kId0 || lead[1] != kId1) return false;
  const std::size_t size = Le16(lead + 2);
  return size >= kFixedSize && size <= kMaxBasicSize;
}

struct MainHeader {
  std::int64_t firstEntry = 0;  // just past the main header
  unsigned flags = 0;
};

// The main header at `offset`, when one is there. In an executable the
// header after it must read too: the stub may hold a whole fake main
// header, CRC and all.
std::optional<MainHeader> MainHeaderAt(const PositionalFile& file, std::int64_t offset, bool inExecutable) {
  const auto header = ReadHeader(file, offset);
  if (!header || header->endOfArchive) return std::nullopt;
  if (inExecutable && !ReadHeader(file, header->dataOffset)) return std::nullopt;
  return MainHeader{header->dataOffset, header->basic[4]};
}

// One volume of an archive: the file and its main header.
struct Volume {
  std::shared_ptr<const PositionalFile> file;
  MainHeader main;
};

// The volume after `volume`: kVolumeMissing when it is not there, kBroken
// when it is no ARJ archive.
ReadResult OpenNextVolume(const PositionalFile& volume, Volume& next) {
  const auto path = NextArjVolume(volume.path());
  if (!path) return ReadResult::kBroken;
  next.file = PositionalFile::Open(path->c_str());
  if (!next.file) return ReadResult::kVolumeMissing;
  const auto main = MainHeaderAt(*next.file, 0, false);
  if (!main) return ReadResult::kBroken;
  next.main = *main;
  return ReadResult::kEntry;
}

// What a file header says of its entry's data in this file: the whole
// data, or in a split archive one part of it.
struct Part {
  std::string path;
  ArjData data;
  std::uint32_t crc = 0;
  unsigned flags = 0;
  std::optional<std::uint32_t> startsAt;  // in the whole file, for a part that starts in an earlier volume
};

Part PartOf(const Header& header) {
  const std::vector<unsigned char>& basic = header.basic;
  Part part;
  part.path = reinterpret_cast<const char*>(&basic[basic[0]]);
  part.flags = basic[4];
  part.data.method = basic[5];
  part.data.offset = header.dataOffset;
  part.data.packedSize = Le32(&basic[12]);
  part.data.originalSize = Le32(&basic[16]);
  part.crc = Le32(&basic[20]);
  if ((part.flags & kFlagStartsEarlier) != 0 && basic[0] >= kFixedSize + 4) part.startsAt = Le32(&basic[kFixedSize]);
  return part;
}

bool Readable(const Part& part) { return ArjMethodKnown(part.data.method) && (part.flags & kFlagGarbled) == 0; }

void FillEntry(const std::vector<unsigned char>& basic, const Part& part, Entry& entry) {
  entry = Entry{};
  // arj stores a name's bytes as the system gave them: CP932 from Japanese
  // Windows, UTF-8 from Linux. The part keeps the bytes, which the next
  // volume's part is matched against.
  entry.path = StoredNameAsText(part.path);
  const unsigned host = basic[3], method = part.data.method, type = basic[6];
  const std::uint32_t stamp = Le32(&basic[8]);
  entry.packedSize = part.data.packedSize;
  entry.size = part.data.originalSize;
  entry.crc = part.crc;
  const std::uint16_t access = Le16(&basic[26]);
  entry.kind = type == kTypeDirectory                     ? EntryKind::kDirectory
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
  entry.method = method == kArjMethodStored ? "stored" : "method" + std::to_string(method);
  // Encrypted ("garbled") data needs a password this library is never given.
  entry.dataReadable = Readable(part);
}

// Unpacks one part and checks it against its CRC.
DataResult UnpackPart(const PositionalFile& file, const Part& part, const DataSink& sink) {
  if (!Readable(part)) return DataResult::kUnsupported;
  Crc32Accumulator crc;
  const DataResult result = UnpackArjData(file, part.data, [&crc, &sink](const void* data, std::size_t size) {
    crc.Add(data, size);
    return sink(data, size);
  });
  if (result != DataResult::kDone) return result;
  return crc.Value() == part.crc ? DataResult::kDone : DataResult::kBroken;
}

// The part of the entry `before` that the volume after `volume` starts
// with, when `done` bytes of it came before. kVolumeMissing when there is no
// such volume; kBroken when it does not go on with this entry.
DataResult NextPart(const PositionalFile& volume, const Part& before, std::uint64_t done, Volume& nextVolume,
                    Part& next) {
  switch (OpenNextVolume(volume, nextVolume)) {
    case ReadResult::kEntry: break;
    case ReadResult::kVolumeMissing: return DataResult::kVolumeMissing;
    default: return DataResult::kBroken;
  }
  const auto header = ReadHeader(*nextVolume.file, nextVolume.main.firstEntry);
  if (!header || header->endOfArchive) return DataResult::kBroken;
  next = PartOf(*header);
  const bool goesOn = (next.flags & kFlagStartsEarlier) != 0 && next.path == before.path && next.startsAt == done;
  return goesOn ? DataResult::kDone : DataResult::kBroken;
}

class ArjSource final : public EntrySource {
 public:
  ArjSource(Volume first, ArjVolumes volumes) : first_(std::move(first)), volumes_(volumes) { Rewind(); }

  bool Rewind() override {
    volume_ = first_;
    next_ = first_.main.firstEntry;
    skipContinuation_ = false;
    state_ = ReadResult::kEntry;
    return true;
  }

  ReadResult Next(Entry& entry) override {
    if (state_ != ReadResult::kEntry) return state_;
    for (;;) {
      const auto header = ReadHeader(*volume_.file, next_);
      if (!header) return state_ = ReadResult::kBroken;
      if (header->endOfArchive) {
        if (volumes_ == ArjVolumes::kThisFile || (volume_.main.flags & kFlagMoreVolumes) == 0)
          return state_ = ReadResult::kEnd;
        Volume nextVolume;
        if (const ReadResult opened = OpenNextVolume(*volume_.file, nextVolume); opened != ReadResult::kEntry)
          return state_ = opened;
        volume_ = std::move(nextVolume);
        next_ = volume_.main.firstEntry;
        skipContinuation_ = true;
        continue;
      }
      Part part = PartOf(*header);
      next_ = header->dataOffset + static_cast<std::int64_t>(part.data.packedSize);
      // A volume read on into starts with the rest of the entry before,
      // which that entry's data already takes in.
      const bool continuation = skipContinuation_ && (part.flags & kFlagStartsEarlier) != 0;
      skipContinuation_ = false;
      if (continuation) continue;
      part_ = std::move(part);
      FillEntry(header->basic, part_, entry);
      current_ = entry;
      return ReadResult::kEntry;
    }
  }

  DataResult ReadData(const DataSink& sink) override {
    if (state_ != ReadResult::kEntry) return DataResult::kBroken;
    if (!current_.dataReadable) return DataResult::kUnsupported;
    if (current_.kind != EntryKind::kFile) return DataResult::kDone;
    const bool follow = volumes_ == ArjVolumes::kFollow;
    // Its beginning is in a volume before the one given: what is here is no file.
    if (follow && (part_.flags & kFlagStartsEarlier) != 0) return DataResult::kVolumeMissing;
    Volume volume = volume_;
    Part part = part_;
    for (std::uint64_t done = 0;;) {
      if (const DataResult result = UnpackPart(*volume.file, part, sink); result != DataResult::kDone) return result;
      done += part.data.originalSize;
      if (!follow || (part.flags & kFlagContinues) == 0) return DataResult::kDone;
      Volume nextVolume;
      Part next;
      if (const DataResult found = NextPart(*volume.file, part, done, nextVolume, next); found != DataResult::kDone)
        return found;
      volume = std::move(nextVolume);
      part = std::move(next);
    }
  }

 private:
  Volume first_;
  ArjVolumes volumes_;
  Volume volume_;          // the volume the walk is in
  std::int64_t next_ = 0;  // the next header in it
  bool skipContinuation_ = false;
  ReadResult state_ = ReadResult::kEntry;
  Entry current_;
  Part part_;
};

}  // namespace

std::unique_ptr<EntrySource> OpenArjSource(std::shared_ptr<const PositionalFile> file, ArjVolumes volumes) {
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
  return std::make_unique<ArjSource>(Volume{std::move(file), *first}, volumes);
}

}  // namespace dv
