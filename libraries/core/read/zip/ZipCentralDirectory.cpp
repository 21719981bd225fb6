#include "libraries/core/read/zip/ZipCentralDirectory.h"

#include <archive.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "libraries/core/read/LibArchiveReader.h"
#include "libraries/core/read/NameText.h"
#include "libraries/core/read/Utf8Locale.h"
#include "libraries/core/read/zip/ZipLayout.h"
#include "libraries/core/util/Crc32.h"
#include "libraries/core/util/DosTime.h"
#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

// A symbolic link's type in a UNIX mode as ZIP stores it (not every system
// names it).
constexpr std::uint32_t kUnixLink = 0120000;

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
    case 7:
    case 11:
    case 13:
    case 15:
    case 16:
    case 17: return "reserved";
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

// The methods libarchive unpacks (AES is encryption, refused on its own).
bool Decodable(std::uint16_t method) {
  switch (method) {
    case 0:
    case 8:
    case 12:
    case 14:
    case 95:
    case 98:
    case 99: return true;
    case 93: return archive_version_number() >= 3007000;  // zstd
    default: return false;
  }
}

// The fields of one record that the entry needs, decoded.
struct Record {
  std::uint8_t system = 0;  // of "version made by": 0 MS-DOS, 3 UNIX
  std::uint16_t flags = 0, method = 0, time = 0, date = 0;
  std::uint32_t crc = 0, external = 0;
  std::uint64_t packed = 0, size = 0;
};

// A Windows FILETIME (100 ns units since 1601, UTC) as a time_t, to the
// second below; nothing for 0, which says "not set".
std::optional<std::time_t> FromFileTime(std::uint64_t ticks) {
  constexpr std::uint64_t kTicksPerSecond = 10000000, kSecondsTo1970 = 11644473600;
  if (ticks == 0) return std::nullopt;
  return static_cast<std::time_t>(static_cast<std::int64_t>(ticks / kTicksPerSecond) -
                                  static_cast<std::int64_t>(kSecondsTo1970));
}

// 7-Zip and Windows tools store the times in the NTFS field, and the DOS
// field in the writer's local time (rounded up to even seconds): the NTFS
// field is the real moment.
void ApplyNtfsTimes(std::string_view field, Entry& entry) {
  const auto* p = reinterpret_cast<const unsigned char*>(field.data());
  for (std::size_t at = 4; at + 4 <= field.size();) {
    const std::uint16_t tag = Le16(p + at);
    const std::size_t length = Le16(p + at + 2);
    if (at + 4 + length > field.size()) return;
    if (tag == 1 && length >= 24) {
      if (const auto modified = FromFileTime(Le64(p + at + 4))) entry.modified = modified;
      if (const auto accessed = FromFileTime(Le64(p + at + 12))) entry.accessed = accessed;
      if (const auto created = FromFileTime(Le64(p + at + 20))) entry.created = created;
    }
    at += 4 + length;
  }
}

// The extra fields that change what is listed besides the ZIP64 sizes: the
// times of the "UT", old Info-ZIP "UX" and NTFS fields, the Info-ZIP Unicode
// name.
// A field too short for what it claims is passed over.
void ApplyExtra(std::string_view extra, Entry& entry) {
  const auto* p = reinterpret_cast<const unsigned char*>(extra.data());
  std::size_t at = 0;
  while (at + 4 <= extra.size()) {
    const std::uint16_t id = Le16(p + at);
    const std::size_t length = Le16(p + at + 2);
    const unsigned char* data = p + at + 4;
    if (at + 4 + length > extra.size()) break;
    at += 4 + length;
    switch (id) {
      case 0x5455:  // "UT": flags, then the modification time when bit 0 is set
        if (length >= 5 && (data[0] & 1) != 0) entry.modified = static_cast<std::time_t>(Le32(data + 1));
        break;
      case 0x5855:  // "UX": access time, modification time
        if (length >= 8) entry.modified = static_cast<std::time_t>(Le32(data + 4));
        break;
      case 0x000A:  // NTFS: 4 reserved bytes, then tags; tag 1 holds the times in UTC
        ApplyNtfsTimes(std::string_view(reinterpret_cast<const char*>(data), length), entry);
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
    if (!path.empty() && path.back() == '/')
      mode = (mode & ~S_IFMT) | S_IFDIR | 0111;
    else if ((mode & S_IFMT) != kUnixLink)
      mode = (mode & ~S_IFMT) | S_IFREG;
  }
  return mode;
}

EntryKind KindOf(std::uint32_t mode) {
  switch (mode & S_IFMT) {
    case S_IFDIR: return EntryKind::kDirectory;
    case kUnixLink: return EntryKind::kSymlink;
    default: return EntryKind::kFile;
  }
}

void SetupStreamingZip(struct archive* a) { archive_read_support_format_zip_streamable(a); }

class ZipCentralDirectory final : public EntrySource {
 public:
  ZipCentralDirectory(std::shared_ptr<const PositionalFile> file, const ZipDirectory& directory)
      : file_(std::move(file)), directory_(directory), window_(*file_, directory.end()) {
    Rewind();
  }

  bool Rewind() override {
    at_ = directory_.start;
    local_.reset();
    state_ = ReadResult::kEntry;
    return true;
  }

  ReadResult Next(Entry& entry) override {
    if (state_ != ReadResult::kEntry) return state_;
    const std::int64_t end = directory_.end();
    const auto shape = at_ < end ? CentralRecordAt(window_, at_, end) : std::nullopt;
    if (!shape) {
      // The opening walked the same records: anything but the end here means
      // the file changed since.
      const unsigned char* signature = at_ < end ? window_.At(at_, 4) : nullptr;
      return state_ = at_ >= end || (signature != nullptr && Le32(signature) == kZipDigitalSignature)
                          ? ReadResult::kEnd
                          : ReadResult::kBroken;
    }
    const unsigned char* bytes = window_.At(at_, static_cast<std::size_t>(shape->Size()));
    if (bytes == nullptr) return state_ = ReadResult::kBroken;
    at_ += shape->Size();
    Fill(bytes, *shape, entry);
    const auto local = LocalOffsetOf(bytes, *shape);
    local_ = local ? std::optional<std::uint64_t>(local->value) : std::nullopt;
    return ReadResult::kEntry;
  }

  // The data comes from the entry's own local header, through libarchive's
  // streaming reader over just that part of the file: nothing of the other
  // entries is kept.
  DataResult ReadData(const DataSink& sink) override {
    if (state_ != ReadResult::kEntry || !local_) return DataResult::kBroken;
    // A self-extractor's offsets may count from the archive's start; its
    // local headers all lie before the directory.
    const std::int64_t shift = directory_.start - static_cast<std::int64_t>(directory_.storedStart);
    const std::uint64_t at = *local_ + static_cast<std::uint64_t>(shift);
    local_.reset();
    if (shift < 0 || at >= static_cast<std::uint64_t>(directory_.start)) return DataResult::kBroken;
    const auto start = static_cast<std::int64_t>(at);
    ScopedUtf8Locale utf8;
    LibArchiveReader reader;
    struct archive_entry* header = nullptr;
    // No end before the file's: the reader looks ahead past a short entry's
    // data descriptor, into the directory.
    if (!reader.Open(file_, start, LibArchiveReader::kNoLimit, &SetupStreamingZip) ||
        NextArchiveHeader(reader.get(), header) != ReadResult::kEntry)
      return DataResult::kBroken;
    return CopyArchiveData(reader.get(), sink);
  }

 private:
  static void Fill(const unsigned char* bytes, const CentralRecordShape& shape, Entry& entry) {
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
    entry.path.assign(reinterpret_cast<const char*>(bytes + kZipCentralSize), shape.name);
    const Zip64Places zip64 = Zip64PlacesOf(bytes, shape);
    if (zip64.size) record.size = Le64(bytes + *zip64.size);
    if (zip64.packed) record.packed = Le64(bytes + *zip64.packed);
    ApplyExtra(std::string_view(reinterpret_cast<const char*>(bytes + kZipCentralSize + shape.name), shape.extra),
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
    entry.dataReadable = Decodable(record.method);
    entry.encrypted = (record.flags & 1) != 0;
  }

  std::shared_ptr<const PositionalFile> file_;
  ZipDirectory directory_;
  FileWindow window_;
  std::int64_t at_ = 0;
  std::optional<std::uint64_t> local_;  // of the entry Next gave last, as stored
  ReadResult state_ = ReadResult::kEntry;
};

}  // namespace

std::unique_ptr<EntrySource> OpenZipCentralDirectory(std::shared_ptr<const PositionalFile> file) {
  if (!file) return nullptr;
  const auto directory = FindZipDirectory(*file);
  const auto agree = [](const unsigned char*, const CentralRecordShape&, std::int64_t) { return true; };
  if (!directory || !WalkCentralRecords(*file, *directory, agree)) return nullptr;
  return std::make_unique<ZipCentralDirectory>(std::move(file), *directory);
}

}  // namespace dv
