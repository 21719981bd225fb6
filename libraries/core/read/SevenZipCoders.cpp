#include "libraries/core/read/SevenZipCoders.h"

#include <archive.h>
#include <lzma.h>

#include <cstdio>
#include <cstdlib>
#include <span>
#include <stdexcept>

#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

// Property ids of the header.
enum : std::uint8_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEncodedHeader = 0x17,
};

constexpr std::uint64_t kLzma = 0x030101, kLzma2 = 0x21;
// The most a header may unpack to here; a real one is far smaller.
constexpr std::uint64_t kHeaderLimit = 64u << 20;

struct Unreadable : std::runtime_error {
  Unreadable() : std::runtime_error("7z header") {}
};

struct Coder {
  std::uint64_t id = 0;
  std::vector<unsigned char> properties;
};

struct Folder {
  std::vector<Coder> coders;
  std::uint64_t outputs = 0;
  std::uint64_t unpackSize = 0;  // of its last output, the folder's result
  std::uint64_t streams = 1;     // entries it holds
  bool crcKnown = false;         // the folder's result has its CRC
};

struct StreamsInfo {
  std::uint64_t packPosition = 0;
  std::vector<std::uint64_t> packSizes;
  std::vector<Folder> folders;
};

class Cursor {
 public:
  explicit Cursor(std::span<const unsigned char> bytes) : bytes_(bytes) {}
  std::uint8_t Byte() {
    if (at_ >= bytes_.size()) throw Unreadable();
    return bytes_[at_++];
  }
  std::span<const unsigned char> Take(std::uint64_t count) {
    if (count > bytes_.size() - at_) throw Unreadable();
    const auto taken = bytes_.subspan(at_, static_cast<std::size_t>(count));
    at_ += static_cast<std::size_t>(count);
    return taken;
  }
  // 7z's numbers: the leading one bits of the first byte count the bytes
  // that follow; its other bits are the highest ones.
  std::uint64_t Number() {
    const std::uint8_t first = Byte();
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
      const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> i);
      if ((first & mask) == 0) return value | static_cast<std::uint64_t>(first & (mask - 1)) << (8 * i);
      value |= static_cast<std::uint64_t>(Byte()) << (8 * i);
    }
    return value;
  }
  // A count of things each at least a byte long: never more than is left.
  std::uint64_t Count() {
    const std::uint64_t count = Number();
    if (count > bytes_.size()) throw Unreadable();
    return count;
  }

 private:
  std::span<const unsigned char> bytes_;
  std::size_t at_ = 0;
};

std::vector<bool> Bits(Cursor& in, std::uint64_t count) {
  std::vector<bool> bits(count);
  std::uint8_t byte = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (i % 8 == 0) byte = in.Byte();
    bits[i] = (byte & (0x80u >> (i % 8))) != 0;
  }
  return bits;
}

// Passes over `count` CRCs, some of them left out; which are there.
std::vector<bool> SkipDigests(Cursor& in, std::uint64_t count) {
  const std::vector<bool> defined = in.Byte() != 0 ? std::vector<bool>(count, true) : Bits(in, count);
  for (bool bit : defined)
    if (bit) in.Take(4);
  return defined;
}

Folder ReadFolder(Cursor& in) {
  Folder folder;
  std::uint64_t inputs = 0;
  const std::uint64_t coders = in.Count();
  for (std::uint64_t i = 0; i < coders; ++i) {
    const std::uint8_t flags = in.Byte();
    if ((flags & 0x80) != 0) throw Unreadable();  // alternative methods: never written
    Coder coder;
    for (const unsigned char byte : in.Take(flags & 0x0F)) coder.id = coder.id << 8 | byte;
    const bool complex = (flags & 0x10) != 0;
    inputs += complex ? in.Count() : 1;
    folder.outputs += complex ? in.Count() : 1;
    if ((flags & 0x20) != 0) {
      const auto properties = in.Take(in.Count());
      coder.properties.assign(properties.begin(), properties.end());
    }
    folder.coders.push_back(std::move(coder));
  }
  if (folder.outputs == 0) throw Unreadable();
  const std::uint64_t bindPairs = folder.outputs - 1;
  for (std::uint64_t i = 0; i < bindPairs; ++i) in.Number(), in.Number();
  if (inputs < bindPairs) throw Unreadable();
  if (const std::uint64_t packed = inputs - bindPairs; packed > 1)
    for (std::uint64_t i = 0; i < packed; ++i) in.Number();
  return folder;
}

void ReadUnpackInfo(Cursor& in, StreamsInfo& info) {
  if (in.Byte() != kFolder) throw Unreadable();
  const std::uint64_t count = in.Count();
  if (in.Byte() != 0) throw Unreadable();  // folders kept elsewhere: never written
  for (std::uint64_t i = 0; i < count; ++i) info.folders.push_back(ReadFolder(in));
  if (in.Byte() != kCodersUnpackSize) throw Unreadable();
  for (Folder& folder : info.folders)
    for (std::uint64_t i = 0; i < folder.outputs; ++i) folder.unpackSize = in.Number();
  for (std::uint8_t id = in.Byte(); id != kEnd; id = in.Byte()) {
    if (id != kCrc) throw Unreadable();
    const std::vector<bool> known = SkipDigests(in, info.folders.size());
    for (std::size_t i = 0; i < known.size(); ++i) info.folders[i].crcKnown = known[i];
  }
}

void ReadSubStreamsInfo(Cursor& in, StreamsInfo& info) {
  std::uint8_t id = in.Byte();
  if (id == kNumUnpackStream) {
    for (Folder& folder : info.folders) folder.streams = in.Number();
    id = in.Byte();
  }
  if (id == kSize) {
    for (const Folder& folder : info.folders)
      for (std::uint64_t i = 1; i < folder.streams; ++i) in.Number();
    id = in.Byte();
  }
  // A CRC for each entry whose folder's own CRC does not stand for it.
  if (id == kCrc) {
    std::uint64_t digests = 0;
    for (const Folder& folder : info.folders) digests += folder.streams == 1 && folder.crcKnown ? 0 : folder.streams;
    SkipDigests(in, digests);
    id = in.Byte();
  }
  if (id != kEnd) throw Unreadable();
}

StreamsInfo ReadStreamsInfo(Cursor& in) {
  StreamsInfo info;
  for (std::uint8_t id = in.Byte(); id != kEnd; id = in.Byte()) {
    if (id == kPackInfo) {
      info.packPosition = in.Number();
      info.packSizes.resize(in.Count());
      for (std::uint8_t sub = in.Byte(); sub != kEnd; sub = in.Byte()) {
        if (sub == kSize) {
          for (std::uint64_t& size : info.packSizes) size = in.Number();
        } else if (sub == kCrc) {
          SkipDigests(in, info.packSizes.size());
        } else {
          throw Unreadable();
        }
      }
    } else if (id == kUnpackInfo) {
      ReadUnpackInfo(in, info);
    } else if (id == kSubStreamsInfo) {
      ReadSubStreamsInfo(in, info);
    } else {
      throw Unreadable();
    }
  }
  return info;
}

// The header packed as the archive's first folder says: LZMA or LZMA2 only,
// which is what 7-Zip packs headers with.
std::vector<unsigned char> UnpackHeader(const PositionalFile& file, std::int64_t base, const StreamsInfo& info) {
  if (info.folders.size() != 1 || info.packSizes.size() != 1) throw Unreadable();
  const Folder& folder = info.folders[0];
  if (folder.coders.size() != 1 || folder.unpackSize > kHeaderLimit || info.packSizes[0] > kHeaderLimit)
    throw Unreadable();
  const Coder& coder = folder.coders[0];
  lzma_filter filters[2] = {{LZMA_VLI_UNKNOWN, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
  filters[0].id = coder.id == kLzma ? LZMA_FILTER_LZMA1 : coder.id == kLzma2 ? LZMA_FILTER_LZMA2 : LZMA_VLI_UNKNOWN;
  if (filters[0].id == LZMA_VLI_UNKNOWN ||
      lzma_properties_decode(&filters[0], nullptr, coder.properties.data(), coder.properties.size()) != LZMA_OK)
    throw Unreadable();
  std::vector<unsigned char> packed(static_cast<std::size_t>(info.packSizes[0]));
  std::vector<unsigned char> header(static_cast<std::size_t>(folder.unpackSize));
  const bool read = file.ReadExactly(base + 32 + static_cast<std::int64_t>(info.packPosition), packed.data(),
                                     packed.size());
  lzma_stream stream = LZMA_STREAM_INIT;
  const lzma_ret opened = read ? lzma_raw_decoder(&stream, filters) : LZMA_DATA_ERROR;
  std::free(filters[0].options);
  if (opened != LZMA_OK) throw Unreadable();
  stream.next_in = packed.data();
  stream.avail_in = packed.size();
  stream.next_out = header.data();
  stream.avail_out = header.size();
  lzma_ret status = LZMA_OK;
  while (status == LZMA_OK && stream.avail_out > 0) status = lzma_code(&stream, LZMA_FINISH);
  const bool whole = stream.avail_out == 0;
  lzma_end(&stream);
  if (!whole) throw Unreadable();
  return header;
}

// The name of the first coder libarchive does not decode; "" when it
// decodes them all. Encryption is not decoding: it has its own refusal.
std::string UndecodableCoder(const Folder& folder) {
  static const bool arm64 = archive_version_number() >= 3007000;
  for (const Coder& coder : folder.coders) {
    switch (coder.id) {
      case 0x00:        // copy
      case 0x03:        // delta
      case 0x21:        // LZMA2
      case 0x030101:    // LZMA
      case 0x030401:    // PPMd
      case 0x040108:    // deflate
      case 0x040202:    // bzip2
      case 0x03030103:  // x86
      case 0x0303011B:  // x86 BCJ2
      case 0x03030205:  // PowerPC
      case 0x03030401:  // IA-64
      case 0x03030501:  // ARM
      case 0x03030701:  // ARM Thumb
      case 0x03030805:  // SPARC
      case 0x06F10101:  // ZIP encryption
      case 0x06F10303:  // RAR encryption
      case 0x06F10701:  // AES-256
        continue;
      case 0x0A:
        if (arm64) continue;
        return "ARM64";
      case 0x040109: return "Deflate64";
      default: {
        char hex[20];
        std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(coder.id));
        return std::string("coder ") + hex;
      }
    }
  }
  return {};
}

std::vector<std::string> MapEntries(Cursor& in, const StreamsInfo& streams) {
  const std::uint64_t count = in.Count();
  std::vector<bool> empty(count, false);
  for (std::uint8_t id = in.Byte(); id != kEnd; id = in.Byte()) {
    Cursor property(in.Take(in.Number()));
    if (id == kEmptyStream) empty = Bits(property, count);
  }
  std::vector<std::string> coders(count);
  std::size_t folder = 0;
  std::uint64_t used = 0;  // entries of that folder given out
  for (std::uint64_t i = 0; i < count; ++i) {
    if (empty[i]) continue;
    while (folder < streams.folders.size() && used == streams.folders[folder].streams) ++folder, used = 0;
    if (folder == streams.folders.size()) throw Unreadable();
    coders[i] = UndecodableCoder(streams.folders[folder]);
    ++used;
  }
  return coders;
}

std::vector<std::string> ReadHeader(Cursor& in) {
  StreamsInfo main;
  for (std::uint8_t id = in.Byte(); id != kEnd; id = in.Byte()) {
    switch (id) {
      case kArchiveProperties:
        for (std::uint8_t type = in.Byte(); type != kEnd; type = in.Byte()) in.Take(in.Number());
        break;
      case kAdditionalStreamsInfo: ReadStreamsInfo(in); break;
      case kMainStreamsInfo: main = ReadStreamsInfo(in); break;
      case kFilesInfo: return MapEntries(in, main);
      default: throw Unreadable();
    }
  }
  return {};
}

}  // namespace

std::optional<std::vector<std::string>> SevenZipUndecodableCoders(const PositionalFile& file, std::int64_t base) {
  try {
    unsigned char start[32];
    if (!file.ReadExactly(base, start, sizeof start)) return std::nullopt;
    const std::uint64_t offset = Le64(start + 12), size = Le64(start + 20);
    if (size > kHeaderLimit || offset > static_cast<std::uint64_t>(file.size())) return std::nullopt;
    std::vector<unsigned char> header(static_cast<std::size_t>(size));
    if (!file.ReadExactly(base + 32 + static_cast<std::int64_t>(offset), header.data(), header.size()))
      return std::nullopt;
    for (int depth = 0; depth < 4; ++depth) {
      Cursor in(header);
      const std::uint8_t id = in.Byte();
      if (id == kHeader) return ReadHeader(in);
      if (id != kEncodedHeader) return std::nullopt;
      header = UnpackHeader(file, base, ReadStreamsInfo(in));
    }
  } catch (const Unreadable&) {
  } catch (const std::bad_alloc&) {
  }
  return std::nullopt;
}

}  // namespace dv
