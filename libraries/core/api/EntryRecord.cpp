#include "libraries/core/api/EntryRecord.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "libraries/core/api/CallerText.h"
#include "libraries/core/util/DosTime.h"

namespace dv {
namespace {

// "drwx" style: directory flag, then the owner's read, write and run bits.
void FillAttribute(const Entry& entry, char (&text)[8]) {
  const std::uint32_t bits = entry.permissions.value_or(entry.IsDirectory() ? 0755u : 0644u);
  text[0] = entry.IsDirectory() ? 'd' : '-';
  text[1] = (bits & 0400u) ? 'r' : '-';
  text[2] = (bits & 0200u) ? 'w' : '-';
  text[3] = (bits & 0100u) ? 'x' : '-';
}

template <std::size_t N>
void CopyCut(const std::string& text, char (&field)[N]) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

}  // namespace

std::uint32_t Clamp32(std::uint64_t value) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

std::uint16_t RatioPerMille(const Entry& entry) {
  if (!entry.size || !entry.packedSize || *entry.size == 0) return 0;
  // Divide first where a product could overflow; the ratio of such sizes
  // loses nothing that matters.
  const std::uint64_t packed = *entry.packedSize, size = *entry.size;
  const std::uint64_t ratio =
      packed <= std::numeric_limits<std::uint64_t>::max() / 1000 ? packed * 1000 / size : packed / (size / 1000 + 1);
  return static_cast<std::uint16_t>(std::min<std::uint64_t>(ratio, 0xFFFF));
}

DosStamp EntryDosStamp(const Entry& entry) {
  return entry.storedDosStamp ? *entry.storedDosStamp : ToDosStamp(entry.modified);
}

void FillRecord(const Entry& entry, ENTRYINFO& record) {
  std::memset(&record, 0, sizeof record);
  record.dwOriginalSize = Clamp32(entry.size.value_or(0));
  record.dwCompressedSize = Clamp32(entry.packedSize.value_or(0));
  record.dwCRC = entry.crc.value_or(0);
  record.wRatio = RatioPerMille(entry);
  const DosStamp stamp = EntryDosStamp(entry);
  record.wDate = stamp.date;
  record.wTime = stamp.time;
  // szFileName has 513 bytes: 512 of name and the terminator.
  CopyCut(ToCaller(entry.path), record.szFileName);
  FillAttribute(entry, record.szAttribute);
  CopyCut(entry.method, record.szMode);
}

}  // namespace dv
