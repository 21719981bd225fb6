// Builds small ARJ archives byte by byte, so tests can set fields no tool
// lets us choose: DOS or UNIX host, file type, attributes, broken headers,
// and packed data written bit by bit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::uint32_t TestCrc32(const std::string& bytes);

struct ArjEntry {
  std::string name;
  std::string data;
  std::uint32_t stamp = 0;               // DOS date<<16|time, or a UNIX time on a UNIX host
  unsigned host = 0;                     // 0 MS-DOS, 2 UNIX
  unsigned type = 0;                     // 0 binary, 3 directory
  std::uint16_t access = 0;              // DOS attributes or UNIX mode
  std::string extended;                  // one extended header's data, if any
  std::uint32_t packedSizeOverride = 0;  // when non-zero, the size the header claims
  unsigned method = 0;                   // with `packed` as its data; `data` gives size and CRC
  std::string packed;
};

// Bits written most significant first, as the ARJ decoders read them:
// each field is `width` bits of `value`; the last byte is padded with zeros.
struct BitField {
  std::uint32_t value;
  unsigned width;
};
std::string PackBits(const std::vector<BitField>& fields);

std::string ArjMainHeader();
// The entry's header followed by its data.
std::string ArjFile(const ArjEntry& entry);
inline std::string ArjEnd() { return std::string("\x60\xEA\x00\x00", 4); }
// A packed DOS stamp.
std::uint32_t DosStamp(int year, int month, int day, int hour, int minute, int second);
