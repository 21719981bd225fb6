#include "libraries/core/read/zip/ZipLayout.h"

#include <algorithm>
#include <utility>

#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

// The end record sits within its own size and the longest comment of the end.
constexpr std::int64_t kEndSearch = 0xFFFF + kZipEndSize;

bool CentralSignatureAt(const PositionalFile& file, std::int64_t at) {
  unsigned char signature[4];
  return file.ReadExactly(at, signature, 4) && Le32(signature) == kZipCentralSignature;
}

// The ZIP64 end record a locator at `locator` names. It is looked for right
// before the locator (where it sits in a self-extractor, whose offsets count
// from the archive's own start) and at the offset the locator gives.
std::optional<ZipDirectory> ReadZip64End(const PositionalFile& file, std::int64_t locator) {
  unsigned char bytes[kZip64LocatorSize];
  if (locator < 0 || !file.ReadExactly(locator, bytes, sizeof bytes) || Le32(bytes) != kZip64LocatorSignature)
    return std::nullopt;
  // One volume only: the record on disk 0 of at most one disk.
  if (Le32(bytes + 4) != 0 || Le32(bytes + 16) > 1) return std::nullopt;
  const std::uint64_t stored = Le64(bytes + 8);
  const std::int64_t before = locator - static_cast<std::int64_t>(kZip64EndSize);
  for (const std::int64_t at : {before, static_cast<std::int64_t>(stored)}) {
    unsigned char end[kZip64EndSize];
    if (at < 0 || at > before || !file.ReadExactly(at, end, sizeof end) || Le32(end) != kZip64EndSignature) continue;
    // The record's size counts from after its first 12 bytes; any extensible
    // data lies between it and the locator.
    const std::uint64_t recordSize = Le64(end + 4);
    if (recordSize < kZip64EndSize - 12 || recordSize > static_cast<std::uint64_t>(locator - at) - 12) continue;
    if (Le32(end + 16) != 0 || Le32(end + 20) != 0 || Le64(end + 24) != Le64(end + 32)) return std::nullopt;
    const std::uint64_t size = Le64(end + 40), offset = Le64(end + 48);
    if (size > static_cast<std::uint64_t>(at)) return std::nullopt;
    ZipDirectory directory;
    directory.size = static_cast<std::int64_t>(size);
    directory.entries = Le64(end + 32);
    directory.zip64 = true;
    directory.storedStart = offset;
    directory.zip64EndAt = at;
    directory.locatorAt = locator;
    directory.storedZip64End = stored;
    // Where the directory ends right before the record, or where the
    // record says it starts.
    directory.start = at - directory.size;
    if (offset <= static_cast<std::uint64_t>(at) - size && directory.start != static_cast<std::int64_t>(offset) &&
        directory.size > 0 && !CentralSignatureAt(file, directory.start))
      directory.start = static_cast<std::int64_t>(offset);
    return directory;
  }
  return std::nullopt;
}

}  // namespace

std::optional<ZipDirectory> FindZipDirectory(const PositionalFile& file) {
  const std::int64_t size = file.size();
  if (size < static_cast<std::int64_t>(kZipEndSize)) return std::nullopt;
  const std::int64_t tailStart = size - std::min(size, kEndSearch);
  std::vector<unsigned char> tail(static_cast<std::size_t>(size - tailStart));
  if (!file.ReadExactly(tailStart, tail.data(), tail.size())) return std::nullopt;
  // Only the last one: an earlier one may belong to a ZIP stored inside.
  for (std::size_t i = tail.size() - kZipEndSize + 1; i-- > 0;) {
    const unsigned char* end = tail.data() + i;
    if (Le32(end) != kZipEndSignature) continue;
    if (i + kZipEndSize + Le16(end + 20) > tail.size()) continue;  // its comment would run past the file
    const std::int64_t at = tailStart + static_cast<std::int64_t>(i);
    if (auto zip64 = ReadZip64End(file, at - static_cast<std::int64_t>(kZip64LocatorSize))) {
      zip64->endAt = at;
      return zip64;
    }
    // One volume only: this is disk 0 and holds the whole directory.
    if (Le16(end + 4) != 0 || Le16(end + 6) != 0 || Le16(end + 8) != Le16(end + 10)) return std::nullopt;
    const std::uint32_t length = Le32(end + 12), offset = Le32(end + 16);
    if (length > at) return std::nullopt;
    ZipDirectory directory;
    directory.size = length;
    directory.entries = Le16(end + 10);
    directory.storedStart = offset;
    directory.endAt = at;
    // A self-extractor's stub shifts the archive; its offsets may count from
    // the archive's own start. The directory ends where the end record starts.
    directory.start = at - length;
    if (length > 0 && !CentralSignatureAt(file, directory.start) && offset + static_cast<std::int64_t>(length) <= at)
      directory.start = offset;
    return directory;
  }
  return std::nullopt;
}

std::optional<CentralRecordShape> CentralRecordAt(FileWindow& window, std::int64_t at, std::int64_t end) {
  if (end - at < static_cast<std::int64_t>(kZipCentralSize)) return std::nullopt;
  const unsigned char* fixed = window.At(at, kZipCentralSize);
  if (fixed == nullptr || Le32(fixed) != kZipCentralSignature) return std::nullopt;
  CentralRecordShape shape{Le16(fixed + 28), Le16(fixed + 30), Le16(fixed + 32)};
  if (shape.Size() > end - at) return std::nullopt;
  return shape;
}

Zip64Places Zip64PlacesOf(const unsigned char* record, const CentralRecordShape& shape) {
  Zip64Places places;
  const std::size_t extraStart = kZipCentralSize + shape.name, extraEnd = extraStart + shape.extra;
  std::size_t at = extraStart;
  while (at + 4 <= extraEnd && Le16(record + at) != 0x0001) at += 4 + Le16(record + at + 2);
  // A field that runs past the extra is none.
  if (at + 4 > extraEnd || at + 4 + Le16(record + at + 2) > extraEnd) return places;
  const std::size_t dataEnd = at + 4 + Le16(record + at + 2);
  // The field holds them in this order, each only when its own field is full.
  std::size_t next = at + 4;
  const std::pair<std::size_t, std::optional<std::size_t>*> fields[] = {
      {24, &places.size}, {20, &places.packed}, {42, &places.localOffset}};
  for (const auto& [field, place] : fields) {
    if (Le32(record + field) != 0xFFFFFFFFu) continue;
    if (dataEnd - next < 8) break;
    *place = next;
    next += 8;
  }
  return places;
}

std::optional<LocalOffsetPlace> LocalOffsetOf(const unsigned char* record, const CentralRecordShape& shape) {
  constexpr std::size_t kField = 42;
  if (const std::uint32_t field = Le32(record + kField); field != 0xFFFFFFFFu)
    return LocalOffsetPlace{kField, 4, field};
  const Zip64Places places = Zip64PlacesOf(record, shape);
  if (!places.localOffset) return std::nullopt;
  return LocalOffsetPlace{*places.localOffset, 8, Le64(record + *places.localOffset)};
}

std::optional<std::int64_t> WalkCentralRecords(const PositionalFile& file, const ZipDirectory& directory,
                                               const CentralRecordVisitor& visit) {
  const std::int64_t end = directory.end();
  FileWindow window(file, end);
  std::uint64_t count = 0;
  std::int64_t at = directory.start;
  while (at < end) {
    const auto shape = CentralRecordAt(window, at, end);
    if (!shape) {
      const unsigned char* signature = window.At(at, 4);
      if (signature == nullptr || Le32(signature) != kZipDigitalSignature) return std::nullopt;
      break;
    }
    const unsigned char* record = window.At(at, static_cast<std::size_t>(shape->Size()));
    if (record == nullptr || !visit(record, *shape, at)) return std::nullopt;
    at += shape->Size();
    ++count;
  }
  if (!directory.CountMatches(count)) return std::nullopt;
  return at;
}

}  // namespace dv
