#include "libraries/core/ZipCentralDirectory.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "libraries/core/Crc32.h"
#include "libraries/core/DosTime.h"
#include "libraries/core/FileWindow.h"
#include "libraries/core/LittleEndian.h"
#include "libraries/core/NameText.h"

namespace dv {
namespace {

constexpr std::uint32_t kCentralSignature = 0x02014b50;       // PK\1\2
constexpr std::uint32_t kEndSignature = 0x06054b50;           // PK\5\6
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;      // PK\6\6
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;  // PK\6\7
constexpr std::uint32_t kDigitalSignature = 0x05054b50;       // PK\5\5, may close the directory
constexpr std::size_t kCentralSize = 46, kEndSize = 22, kLocatorSize = 20, kZip64EndSize = 56;
// The end record sits within its own size and the longest comment of the end.
constexpr std::int64_t kEndSearch = 0xFFFF + kEndSize;
constexpr std::size_t kWindowBlock = 64 * 1024;

std::uint64_t Le64(const unsigned char* p) { return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32; }

struct Directory {
  std::int64_t start = 0;  // where its first record is in the file
  std::int64_t size = 0;
  std::uint64_t entries = 0;
  bool zip64 = false;  // entries counted in 64 bits; else only their low 16 bits are known
};

// The ZIP64 end record a locator at `locator` names. It is looked for right
// before the locator (where it sits in a self-extractor, whose offsets count
// from the archive's own start) and at the offset the locator gives.
std::optional<Directory> ReadZip64End(const ArchiveFile& file, std::int64_t locator) {
  unsigned char bytes[kLocatorSize];
  if (locator < 0 || !file.ReadExactly(locator, bytes, sizeof bytes) || Le32(bytes) != kZip64LocatorSignature)
    return std::nullopt;
  // One volume only: the record on disk 0 of at most one disk.
  if (Le32(bytes + 4) != 0 || Le32(bytes + 16) > 1) return std::nullopt;
  const std::uint64_t stored = Le64(bytes + 8);
  const std::int64_t before = locator - static_cast<std::int64_t>(kZip64EndSize);
  for (const std::int64_t at : {before, static_cast<std::int64_t>(stored)}) {
    unsigned char end[kZip64EndSize];
    if (at < 0 || at > before || !file.ReadExactly(at, end, sizeof end) || Le32(end) != kZip64EndSignature)
      continue;
    // The record's size counts from after its first 12 bytes; any extensible
    // data lies between it and the locator.
    const std::uint64_t recordSize = Le64(end + 4);
    if (recordSize < kZip64EndSize - 12 || recordSize > static_cast<std::uint64_t>(locator - at) - 12) continue;
    if (Le32(end + 16) != 0 || Le32(end + 20) != 0 || Le64(end + 24) != Le64(end + 32)) return std::nullopt;
    const std::uint64_t size = Le64(end + 40), offset = Le64(end + 48);
    if (size > static_cast<std::uint64_t>(at)) return std::nullopt;
    Directory directory;
    directory.size = static_cast<std::int64_t>(size);
    directory.entries = Le64(end + 32);
    directory.zip64 = true;
    // Where the directory ends right before the record, or where the
    // record says it starts.
    directory.start = at - directory.size;
    if (offset <= static_cast<std::uint64_t>(at) - size && directory.start != static_cast<std::int64_t>(offset)) {
      unsigned char signature[4];
      const bool found = file.ReadExactly(directory.start, signature, 4) && Le32(signature) == kCentralSignature;
      if (directory.size > 0 && !found) directory.start = static_cast<std::int64_t>(offset);
    }
    return directory;
  }
  return std::nullopt;
}

// The last end record whose comment fits in the file, and the directory it
// names. Only that one: an earlier one may belong to a ZIP stored inside.
std::optional<Directory> FindDirectory(const ArchiveFile& file) {
  const std::int64_t size = file.size();
  if (size < static_cast<std::int64_t>(kEndSize)) return std::nullopt;
  const std::int64_t tailStart = size - std::min(size, kEndSearch);
  std::vector<unsigned char> tail(static_cast<std::size_t>(size - tailStart));
  if (!file.ReadExactly(tailStart, tail.data(), tail.size())) return std::nullopt;
  for (std::size_t i = tail.size() - kEndSize + 1; i-- > 0;) {
    const unsigned char* end = tail.data() + i;
    if (Le32(end) != kEndSignature) continue;
    if (i + kEndSize + Le16(end + 20) > tail.size()) continue;  // its comment would run past the file
    const std::int64_t at = tailStart + static_cast<std::int64_t>(i);
    if (auto zip64 = ReadZip64End(file, at - static_cast<std::int64_t>(kLocatorSize))) return zip64;
    // One volume only: this is disk 0 and holds the whole directory.
    if (Le16(end + 4) != 0 || Le16(end + 6) != 0 || Le16(end + 8) != Le16(end + 10)) return std::nullopt;
    const std::uint32_t length = Le32(end + 12), offset = Le32(end + 16);
    if (length > at) return std::nullopt;
    Directory directory;
    directory.size = length;
    directory.entries = Le16(end + 10);
    // A self-extractor's stub shifts the archive; its offsets may count from
    // the archive's own start. The directory ends where the end record starts.
    directory.start = at - length;
    if (length > 0) {
      unsigned char signature[4];
      const bool found = file.ReadExactly(directory.start, signature, 4) && Le32(signature) == kCentralSignature;
      if (!found && offset + static_cast<std::int64_t>(length) <= at) directory.start = offset;
    }
    return directory;
  }
  return std::nullopt;
}

// The lengths of one record's variable parts, or nothing at a record that
// is not there or runs past the directory's end.
struct RecordShape {
  std::size_t name = 0, extra = 0, comment = 0;
  std::int64_t Size() const { return static_cast<std::int64_t>(kCentralSize + name + extra + comment); }
};

std::optional<RecordShape> ShapeAt(FileWindow& window, std::int64_t at, std::int64_t end) {
  if (end - at < static_cast<std::int64_t>(kCentralSize)) return std::nullopt;
  const unsigned char* fixed = window.At(at, kCentralSize);
  if (fixed == nullptr || Le32(fixed) != kCentralSignature) return std::nullopt;
  RecordShape shape{Le16(fixed + 28), Le16(fixed + 30), Le16(fixed + 32)};
  if (shape.Size() > end - at) return std::nullopt;
  return shape;
}

// True when the records run from the directory's start to its end (or to a
// digital signature record) and their count is the one the end record gave.
bool DirectoryReads(const ArchiveFile& file, const Directory& directory) {
  const std::int64_t end = directory.start + directory.size;
  FileWindow window(file, end, kWindowBlock);
  std::uint64_t count = 0;
  std::int64_t at = directory.start;
  while (at < end) {
    if (const auto shape = ShapeAt(window, at, end)) {
      at += shape->Size();
      ++count;
      continue;
    }
    const unsigned char* signature = window.At(at, 4);
    if (signature == nullptr || Le32(signature) != kDigitalSignature) return false;
    break;
  }
  return directory.zip64 ? count == directory.entries : (count & 0xFFFF) == directory.entries;
}

// libarchive's names for the compression methods; the listing shows them as
// its reader of local headers does.
std::string MethodName(std::uint16_t method) {
  switch (method) {
    case 0: return "stored";
    case 1: return "shrinking";
    case 2: return "reduced-1";
    case 3: return "reduced-2";
    case 4: return "reduced-3";
    case 5: return "reduced-4";
    case 6: return "imploded";
    case 7: case 11: case 13: case 15: case 16: case 17: return "reserved";
    case 8: return "deflate";
    case 9: return "deflation-64-bit";
    case 10: return "ibm-terse";
    case 12: return "bzip";
    case 14: return "lzma";
    case 18: return "ibm-terse-new";
    case 19: return "ibm-lz777";
    case 95: return "xz";
    case 96: return "jpeg";
    case 97: return "wav-pack";
    case 98: return "ppmd-1";
    case 99: return "aes";
    default: return "??";
  }
}

// The fields of one record that the entry needs, decoded.
struct Record {
  std::uint8_t system = 0;  // of "version made by": 0 MS-DOS, 3 UNIX
  std::uint16_t flags = 0, method = 0, time = 0, date = 0;
  std::uint32_t crc = 0, external = 0;
  std::uint64_t packed = 0, size = 0;
};

// The extra fields that change what is listed: ZIP64 sizes, the times of
// the "UT" and old Info-ZIP "UX" fields, the Info-ZIP Unicode name. A field
// too short for what it claims is passed over.
void ApplyExtra(std::string_view extra, Record& record, Entry& entry) {
  const auto* p = reinterpret_cast<const unsigned char*>(extra.data());
  std::size_t at = 0;
  while (at + 4 <= extra.size()) {
    const std::uint16_t id = Le16(p + at);
    const std::size_t length = Le16(p + at + 2);
    const unsigned char* data = p + at + 4;
    if (at + 4 + length > extra.size()) break;
    at += 4 + length;
    switch (id) {
      case 0x0001: {  // ZIP64: the 32-bit fields that overflowed, in order
        std::size_t used = 0;
        for (std::uint64_t* value : {&record.size, &record.packed}) {
          if (*value != 0xFFFFFFFFu) continue;
          if (length - used < 8) break;
          *value = Le64(data + used);
          used += 8;
        }
        break;
      }
      case 0x5455:  // "UT": flags, then the modification time when bit 0 is set
        if (length >= 5 && (data[0] & 1) != 0) entry.modified = static_cast<std::time_t>(Le32(data + 1));
        break;
      case 0x5855:  // "UX": access time, modification time
        if (length >= 8) entry.modified = static_cast<std::time_t>(Le32(data + 4));
        break;
      case 0x7075:  // Unicode path: version, CRC-32 of the header's name, the name in UTF-8
        if (length >= 5 && Le32(data + 1) == Crc32(entry.path.data(), entry.path.size()))
          entry.path.assign(reinterpret_cast<const char*>(data + 5), length - 5);
        break;
      default: break;
    }
  }
}

// The file type and permission bits libarchive gives the entry: UNIX
// attributes as stored, MS-DOS ones mapped, none from other systems (then a
// plain file, rw-rw-r--). A name ending in "/" is a folder whatever the
// attributes said; any type but folder and link lists as a file.
std::uint32_t ModeOf(const Record& record, const std::string& path) {
  std::uint32_t mode = 0;
  if (record.system == 3) {
    mode = record.external >> 16;
  } else if (record.system == 0) {
    mode = (record.external & 0x10) != 0 ? (S_IFDIR | 0775) : (S_IFREG | 0664);
    if ((record.external & 0x01) != 0) mode &= 0555;  // read-only
  }
  if (mode == 0) mode = S_IFREG | 0664;
  if ((mode & S_IFMT) != S_IFDIR) {
    if (!path.empty() && path.back() == '/') mode = (mode & ~S_IFMT) | S_IFDIR | 0111;
    else if ((mode & S_IFMT) != S_IFLNK) mode = (mode & ~S_IFMT) | S_IFREG;
  }
  return mode;
}

EntryKind KindOf(std::uint32_t mode) {
  switch (mode & S_IFMT) {
    case S_IFDIR: return EntryKind::kDirectory;
    case S_IFLNK: return EntryKind::kSymlink;
    default: return EntryKind::kFile;
  }
}

class ZipCentralDirectory final : public EntrySource {
 public:
  ZipCentralDirectory(std::shared_ptr<const ArchiveFile> file, const Directory& directory)
      : file_(std::move(file)),
        directory_(directory),
        window_(*file_, directory.start + directory.size, kWindowBlock) {
    Rewind();
  }

  bool Rewind() override {
    at_ = directory_.start;
    state_ = ReadResult::kEntry;
    return true;
  }

  ReadResult Next(Entry& entry) override {
    if (state_ != ReadResult::kEntry) return state_;
    const std::int64_t end = directory_.start + directory_.size;
    const auto shape = at_ < end ? ShapeAt(window_, at_, end) : std::nullopt;
    if (!shape) {
      // The opening walked the same records: anything but the end here means
      // the file changed since.
      const unsigned char* signature = at_ < end ? window_.At(at_, 4) : nullptr;
      return state_ = at_ >= end || (signature != nullptr && Le32(signature) == kDigitalSignature)
                          ? ReadResult::kEnd
                          : ReadResult::kBroken;
    }
    const unsigned char* bytes = window_.At(at_, static_cast<std::size_t>(shape->Size()));
    if (bytes == nullptr) return state_ = ReadResult::kBroken;
    at_ += shape->Size();
    Fill(bytes, *shape, entry);
    return ReadResult::kEntry;
  }

  // A listing never reads data; extraction reads local headers instead.
  DataResult ReadData(const DataSink&) override { return DataResult::kUnsupported; }

 private:
  static void Fill(const unsigned char* bytes, const RecordShape& shape, Entry& entry) {
    entry = Entry{};
    Record record;
    record.system = bytes[5];
    record.flags = Le16(bytes + 8);
    record.method = Le16(bytes + 10);
    record.time = Le16(bytes + 12);
    record.date = Le16(bytes + 14);
    record.crc = Le32(bytes + 16);
    record.packed = Le32(bytes + 20);
    record.size = Le32(bytes + 24);
    record.external = Le32(bytes + 38);
    entry.path.assign(reinterpret_cast<const char*>(bytes + kCentralSize), shape.name);
    ApplyExtra(std::string_view(reinterpret_cast<const char*>(bytes + kCentralSize + shape.name), shape.extra), record,
               entry);
    // Read as libarchive's names are, flag or none: a name with the UTF-8
    // flag is UTF-8 and stays as it is.
    DecodeStoredName(entry.path);
    // Without a UT or UX field, the DOS field: local time, kept as stored for
    // the record and turned into an instant only when it names a real one.
    // (Converting it only when needed keeps mktime off most Unix-made entries.)
    if (!entry.modified) {
      entry.storedDosStamp = DosStamp{record.date, record.time};
      entry.modified = FromDosStamp(static_cast<std::uint32_t>(record.date) << 16 | record.time);
    }
    const std::uint32_t mode = ModeOf(record, entry.path);
    entry.kind = KindOf(mode);
    // A folder's name ends in "/" however it was stored.
    if (entry.kind == EntryKind::kDirectory && (entry.path.empty() || entry.path.back() != '/')) entry.path += '/';
    entry.permissions = mode & 07777;
    // A link's size is that of its target's name, which libarchive gives as
    // the link and not as data.
    entry.size = entry.kind == EntryKind::kSymlink ? 0 : record.size;
    entry.packedSize = record.packed;
    entry.crc = record.crc;
    entry.method = MethodName(record.method);
  }

  std::shared_ptr<const ArchiveFile> file_;
  Directory directory_;
  FileWindow window_;
  std::int64_t at_ = 0;
  ReadResult state_ = ReadResult::kEntry;
};

}  // namespace

std::unique_ptr<EntrySource> OpenZipCentralDirectory(std::shared_ptr<const ArchiveFile> file) {
  if (!file) return nullptr;
  const auto directory = FindDirectory(*file);
  if (!directory || !DirectoryReads(*file, *directory)) return nullptr;
  return std::make_unique<ZipCentralDirectory>(std::move(file), *directory);
}

}  // namespace dv
