#include "libraries/core/read/Compressions.h"

#include <archive.h>

#include <cstring>

#include "libraries/core/read/UnpackedSize.h"
#include "libraries/core/util/Crc32.h"
#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

using namespace std::string_view_literals;

// Deflate, and the reserved flag bits clear. Also the cheap look at a gzip
// signature in a stub, as zstd's check is zstd's.
bool GzipHeaderWhole(const PositionalFile& file, std::int64_t start) {
  unsigned char head[10];
  return file.ReadExactly(start, head, sizeof head) && head[2] == 8 && (head[3] & 0xE0) == 0;
}

bool Bzip2HeadPlausible(const PositionalFile& file, std::int64_t start) {
  unsigned char head[4];
  return file.ReadExactly(start, head, sizeof head) && head[0] == 'B' && head[1] == 'Z' && head[2] == 'h' &&
         head[3] >= '1' && head[3] <= '9';
}

// The stream flags and their CRC-32.
bool XzHeaderWhole(const PositionalFile& file, std::int64_t start) {
  unsigned char head[12];
  return file.ReadExactly(start, head, sizeof head) && Crc32(head + 6, 2) == Le32(head + 8);
}
// The stream flags after the magic: a check type of 0, 1, 4 or 10.
bool XzHeadPlausible(const PositionalFile& file, std::int64_t start) {
  unsigned char head[8];
  return file.ReadExactly(start, head, sizeof head) && head[6] == 0 &&
         (head[7] == 0 || head[7] == 1 || head[7] == 4 || head[7] == 10);
}

// The frame header's descriptor has its reserved bit clear.
bool ZstdHeaderWhole(const PositionalFile& file, std::int64_t start) {
  unsigned char head[6];
  return file.ReadExactly(start, head, sizeof head) && (head[4] & 0x08) == 0;
}

// The xz stream header's magic ("\x37" is the '7', which would otherwise
// continue the "\xFD"); its stub signature leaves out the last NUL.
constexpr std::string_view kXzMagic{"\xFD\x37zXZ\0", 6};

// bzip2's stub signature is the first block's magic, after "BZh" and the
// block size; compress is never looked for in a stub: two bytes show up too
// often in code to be worth a try each. Cut bzip2 or compress data tells
// nothing before it is unpacked.
const Compression kCompressions[] = {
    {.name = "gzip",
     .magic = "\x1F\x8B"sv,
     .tarType = kTarGzip,
     .plainType = kGzipOnly,
     .tarExtensions = ".tgz"sv,
     .plainExtensions = ".gz"sv,
     .readFilter = &archive_read_support_filter_gzip,
     .writeFilter = &archive_write_add_filter_gzip,
     .lowestLevel = 0,
     .highestLevel = 9,
     .levelSwitch = "z"sv,
     .headerWhole = &GzipHeaderWhole,
     .stubSignature = "\x1F\x8B\x08"sv,
     .stubPlausible = &GzipHeaderWhole},
    {.name = "compress",
     .magic = "\x1F\x9D"sv,
     .tarType = kTarCompress,
     .plainType = kCompressOnly,
     .tarExtensions = ".taz"sv,
     .plainExtensions = ".z"sv,
     .readFilter = &archive_read_support_filter_compress},
    {.name = "bzip2",
     .magic = "BZh"sv,
     .tarType = kTarBzip2,
     .plainType = kBzip2Only,
     .tarExtensions = ".tbz2 .tbz"sv,
     .plainExtensions = ".bz2 .bz"sv,
     .readFilter = &archive_read_support_filter_bzip2,
     .writeFilter = &archive_write_add_filter_bzip2,
     .lowestLevel = 1,
     .highestLevel = 9,
     .levelSwitch = "B"sv,
     .stubSignature = "1AY&SY"sv,
     .stubLead = 4,
     .stubPlausible = &Bzip2HeadPlausible},
    {.name = "xz",
     .magic = kXzMagic,
     .tarType = kTarXz,
     .plainType = kXzOnly,
     .tarExtensions = ".txz"sv,
     .plainExtensions = ".xz"sv,
     .readFilter = &archive_read_support_filter_xz,
     .writeFilter = &archive_write_add_filter_xz,
     .lowestLevel = 0,
     .highestLevel = 9,
     .levelSwitch = "J"sv,
     .headerWhole = &XzHeaderWhole,
     .unpackedSize = &XzUnpackedSize,
     .stubSignature = kXzMagic.substr(0, 5),
     .stubPlausible = &XzHeadPlausible},
    {.name = "zstd",
     .magic = "\x28\xB5\x2F\xFD"sv,
     .tarType = kTarZstd,
     .plainType = kZstdOnly,
     .tarExtensions = ".tzst"sv,
     .plainExtensions = ".zst"sv,
     .readFilter = &archive_read_support_filter_zstd,
     .writeFilter = &archive_write_add_filter_zstd,
     .lowestLevel = 1,
     .highestLevel = 19,
     .flagSwitch = "-zstd"sv,
     .levelSwitch = "-zstd="sv,
     .headerWhole = &ZstdHeaderWhole,
     .unpackedSize = &ZstdUnpackedSize,
     .stubSignature = "\x28\xB5\x2F\xFD"sv,
     .stubPlausible = &ZstdHeaderWhole},
};

constexpr std::size_t kLongestMagic = 6;

}  // namespace

std::span<const Compression> Compressions() { return kCompressions; }

const Compression* CompressionAt(const PositionalFile& file, std::int64_t start) {
  unsigned char magic[kLongestMagic] = {};
  // A file shorter than the longest magic may still be gzip, compress or bzip2.
  const std::int64_t got = file.ReadAt(start, magic, sizeof magic);
  if (got < 3) return nullptr;
  for (const Compression& compression : kCompressions) {
    const std::string_view wanted = compression.magic;
    if (static_cast<std::size_t>(got) >= wanted.size() && std::memcmp(magic, wanted.data(), wanted.size()) == 0)
      return &compression;
  }
  return nullptr;
}

const Compression* CompressionOfType(TarType type) {
  for (const Compression& compression : kCompressions)
    if (compression.tarType == type || compression.plainType == type) return &compression;
  return nullptr;
}

}  // namespace dv
