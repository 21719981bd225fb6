#include "tests/libraries/support/ArjBuilder.h"

#include "tests/libraries/support/LittleEndian.h"

namespace {

// id, size, basic header, its CRC, then the extended header if any.
std::string Wrap(const std::string& basic, const std::string& extended) {
  std::string out("\x60\xEA", 2);
  Put16(out, static_cast<std::uint32_t>(basic.size()));
  out += basic;
  Put32(out, TestCrc32(basic));
  if (!extended.empty()) {
    Put16(out, static_cast<std::uint32_t>(extended.size()));
    out += extended;
    Put32(out, TestCrc32(extended));
  }
  Put16(out, 0);
  return out;
}

std::string Fixed(unsigned host, unsigned method, unsigned type, std::uint32_t stamp, std::uint32_t packed,
                  std::uint32_t size, std::uint32_t crc, std::uint16_t access) {
  std::string basic;
  basic += static_cast<char>(30);  // first-header size: no extra fields
  basic += static_cast<char>(11);
  basic += static_cast<char>(1);
  basic += static_cast<char>(host);
  basic += static_cast<char>(0);  // flags
  basic += static_cast<char>(method);
  basic += static_cast<char>(type);
  basic += static_cast<char>(0);
  Put32(basic, stamp);
  Put32(basic, packed);
  Put32(basic, size);
  Put32(basic, crc);
  Put16(basic, 0);  // path-start offset
  Put16(basic, access);
  Put16(basic, 0);  // host data
  return basic;
}

}  // namespace

std::uint32_t TestCrc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

std::string ArjMainHeader() {
  std::string basic = Fixed(0, 0, 2, DosStamp(2000, 1, 1, 0, 0, 0), 0, 0, 0, 0);
  basic += std::string("x.arj\0\0", 7);
  return Wrap(basic, "");
}

std::string ArjFile(const ArjEntry& entry) {
  const auto size = static_cast<std::uint32_t>(entry.data.size());
  const std::string& data = entry.method == 0 ? entry.data : entry.packed;
  const auto packedSize = static_cast<std::uint32_t>(data.size());
  const std::uint32_t packed = entry.packedSizeOverride != 0 ? entry.packedSizeOverride : packedSize;
  std::string basic =
      Fixed(entry.host, entry.method, entry.type, entry.stamp, packed, size, TestCrc32(entry.data), entry.access);
  basic += entry.name + std::string(1, '\0') + std::string(1, '\0');
  return Wrap(basic, entry.extended) + data;
}

std::string PackBits(const std::vector<BitField>& fields) {
  std::string bytes;
  unsigned used = 8;  // bits of the last byte taken
  for (const BitField& field : fields) {
    for (unsigned bit = field.width; bit-- > 0;) {
      if (used == 8) {
        bytes += '\0';
        used = 0;
      }
      if ((field.value >> bit) & 1u) bytes.back() = static_cast<char>(bytes.back() | (0x80 >> used));
      ++used;
    }
  }
  return bytes;
}

std::uint32_t DosStamp(int year, int month, int day, int hour, int minute, int second) {
  const auto date = static_cast<std::uint32_t>((year - 1980) << 9 | month << 5 | day);
  const auto time = static_cast<std::uint32_t>(hour << 11 | minute << 5 | second / 2);
  return date << 16 | time;
}
