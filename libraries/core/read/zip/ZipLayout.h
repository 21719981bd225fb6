// Where a ZIP archive's central directory is and how its records are laid
// out, for the readers and writers that work on the directory in place. The
// directory is found from its end records alone; it is read through a
// window of one block, so nothing here grows with the number of entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "libraries/core/read/FileWindow.h"
#include "libraries/core/read/PositionalFile.h"

namespace dv {

inline constexpr std::uint32_t kZipLocalSignature = 0x04034b50;      // PK\3\4
inline constexpr std::uint32_t kZipCentralSignature = 0x02014b50;    // PK\1\2
inline constexpr std::uint32_t kZipEndSignature = 0x06054b50;        // PK\5\6
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;      // PK\6\6
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;  // PK\6\7
inline constexpr std::uint32_t kZipDigitalSignature = 0x05054b50;    // PK\5\5, may close the directory
inline constexpr std::size_t kZipCentralSize = 46, kZipEndSize = 22, kZip64LocatorSize = 20, kZip64EndSize = 56;

struct ZipDirectory {
  std::int64_t start = 0;  // where its first record is in the file
  std::int64_t size = 0;
  std::uint64_t entries = 0;
  bool zip64 = false;  // entries counted in 64 bits; else only their low 16 bits are known
  // Where the end records say the directory starts. A self-extractor whose
  // offsets count from the archive's own start says less than `start`.
  std::uint64_t storedStart = 0;
  std::int64_t endAt = 0;  // the end record
  // The ZIP64 end record and its locator, when there are; the offset of the
  // record as the locator gives it.
  std::optional<std::int64_t> zip64EndAt, locatorAt;
  std::uint64_t storedZip64End = 0;

  std::int64_t end() const { return start + size; }
  // Whether `count` records are what the end records promise.
  bool CountMatches(std::uint64_t count) const { return zip64 ? count == entries : (count & 0xFFFF) == entries; }
};

// The last end record whose comment fits in the file, and the directory it
// names; nothing when there is none or it is not the one volume of a
// one-volume archive.
std::optional<ZipDirectory> FindZipDirectory(const PositionalFile& file);

// The lengths of one central record's variable parts.
struct CentralRecordShape {
  std::size_t name = 0, extra = 0, comment = 0;
  std::int64_t Size() const { return static_cast<std::int64_t>(kZipCentralSize + name + extra + comment); }
};

// The shape of the record at `at`; nothing when no record is there or it
// runs past `end`.
std::optional<CentralRecordShape> CentralRecordAt(FileWindow& window, std::int64_t at, std::int64_t end);

// Where a central record's ZIP64 extra field keeps the values whose 32-bit
// fields are full (0xFFFFFFFF): offsets of their 8 bytes in the record.
// Nothing for a value kept in its own field, or missing from a field too
// short for it.
struct Zip64Places {
  std::optional<std::size_t> size, packed, localOffset;
};
Zip64Places Zip64PlacesOf(const unsigned char* record, const CentralRecordShape& shape);

// Where a central record keeps its local header's offset: its place in the
// record, its width (4, or 8 in the ZIP64 field) and the value there;
// nothing when the 32-bit field is full and no ZIP64 field holds it.
struct LocalOffsetPlace {
  std::size_t at = 0;
  std::size_t width = 4;
  std::uint64_t value = 0;
};
std::optional<LocalOffsetPlace> LocalOffsetOf(const unsigned char* record, const CentralRecordShape& shape);

// Gets one whole record: its bytes (valid during the call), its shape and
// its offset. False stops the walk.
using CentralRecordVisitor =
    std::function<bool(const unsigned char* record, const CentralRecordShape& shape, std::int64_t at)>;

// Walks the records from the directory's start. Where the records end (the
// directory's end, or a digital signature record), when they run there
// cleanly, every visit agreed and their count is the one the end records
// gave; nothing otherwise.
std::optional<std::int64_t> WalkCentralRecords(const PositionalFile& file, const ZipDirectory& directory,
                                               const CentralRecordVisitor& visit);

}  // namespace dv
