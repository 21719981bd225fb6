// 7z layout, numbers little-endian:
//   start header (32 bytes): signature (6), version (2), CRC-32 of the 20
//     bytes after it (4), offset of the header from the end of the start
//     header (8), its size (8), its CRC-32 (4);
//   header: property ids (one byte each) with their data, "numbers" of one
//     to nine bytes (Cursor::Number). Either the plain header (kHeader) or a
//     description of the folder that packs it (kEncodedHeader), which
//     unpacks to a header of either kind again.
#include "libraries/core/read/sevenzip/SevenZipHeader.h"

#include <lzma.h>

#include <cstdlib>
#include <new>
#include <span>

#include "libraries/core/read/LibArchiveSource.h"
#include "libraries/core/util/Crc32.h"
#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

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
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kName = 0x11,
  kCreationTime = 0x12,
  kAccessTime = 0x13,
  kModificationTime = 0x14,
  kWinAttributes = 0x15,
  kEncodedHeader = 0x17,
};

constexpr std::uint64_t kLzma = 0x030101, kLzma2 = 0x21;
// The most a header may take, packed or unpacked; a real one is far
// smaller (16,000 entries: about 1 MiB).
constexpr std::uint64_t kHeaderLimit = 64u << 20;
// Headers packed inside packed headers: 7-Zip writes one level.
constexpr int kMaxPackings = 4;

struct Unreadable {};

class Cursor {
 public:
  explicit Cursor(std::span<const unsigned char> bytes) : bytes_(bytes) {}
  bool AtEnd() const { return at_ == bytes_.size(); }
  std::size_t Left() const { return bytes_.size() - at_; }
  std::uint8_t Byte() {
    if (at_ >= bytes_.size()) throw Unreadable();
    return bytes_[at_++];
  }
  std::span<const unsigned char> Take(std::uint64_t count) {
    if (count > Left()) throw Unreadable();
    const auto taken = bytes_.subspan(at_, static_cast<std::size_t>(count));
    at_ += static_cast<std::size_t>(count);
    return taken;
  }
  std::uint32_t Le32Value() { return Le32(Take(4).data()); }
  std::uint64_t Le64Value() { return Le64(Take(8).data()); }
  // The leading one bits of the first byte count the bytes that follow
  // (low byte first); its other bits are the number's highest ones.
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
  // A count of things that each take at least a byte of what is left.
  std::uint64_t Count() {
    const std::uint64_t count = Number();
    if (count > Left()) throw Unreadable();
    return count;
  }
  // Property data of the size that precedes it, as a cursor of its own.
  Cursor Sized() { return Cursor(Take(Number())); }

 private:
  std::span<const unsigned char> bytes_;
  std::size_t at_ = 0;
};

// A bit per thing, highest bit first; a count beyond what the bytes can
// hold runs out of them and is refused.
std::vector<bool> Bits(Cursor& in, std::uint64_t count) {
  if (count / 8 > in.Left()) throw Unreadable();
  std::vector<bool> bits(static_cast<std::size_t>(count));
  std::uint8_t byte = 0;
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if (i % 8 == 0) byte = in.Byte();
    bits[i] = (byte & (0x80u >> (i % 8))) != 0;
  }
  return bits;
}

// Bits preceded by an "all defined" byte, which stands for all of them set.
std::vector<bool> DefinedBits(Cursor& in, std::uint64_t count) {
  if (in.Byte() != 0) return std::vector<bool>(static_cast<std::size_t>(count), true);
  return Bits(in, count);
}

std::vector<std::optional<std::uint32_t>> Digests(Cursor& in, std::uint64_t count) {
  const std::vector<bool> defined = DefinedBits(in, count);
  std::vector<std::optional<std::uint32_t>> digests(defined.size());
  for (std::size_t i = 0; i < defined.size(); ++i)
    if (defined[i]) digests[i] = in.Le32Value();
  return digests;
}

struct StreamsInfo {
  std::uint64_t packPosition = 0;
  std::vector<std::uint64_t> packSizes;
  std::vector<SevenZipFolder> folders;
  std::vector<std::uint64_t> streamSizes;  // of each entry's data, folder by folder
  std::vector<std::optional<std::uint32_t>> streamCrcs;
};

// A folder as its coders describe it: how many outputs the coders have,
// and which of them is the folder's result.
struct FolderShape {
  SevenZipFolder folder;
  std::uint64_t outputs = 0;
  std::uint64_t result = 0;
};

FolderShape ReadFolder(Cursor& in) {
  FolderShape shape;
  std::uint64_t inputs = 0;
  const std::uint64_t coders = in.Count();
  if (coders == 0) throw Unreadable();
  for (std::uint64_t i = 0; i < coders; ++i) {
    const std::uint8_t flags = in.Byte();
    if ((flags & 0xC0) != 0) throw Unreadable();  // alternative methods, reserved: never written
    SevenZipCoder coder;
    for (const unsigned char byte : in.Take(flags & 0x0F)) coder.id = coder.id << 8 | byte;
    const bool complex = (flags & 0x10) != 0;
    inputs += complex ? in.Count() : 1;
    shape.outputs += complex ? in.Count() : 1;
    if ((flags & 0x20) != 0) {
      const auto properties = in.Take(in.Number());
      coder.properties.assign(properties.begin(), properties.end());
    }
    shape.folder.coders.push_back(std::move(coder));
  }
  if (shape.outputs == 0 || inputs < shape.outputs - 1) throw Unreadable();
  // Each bind pair feeds one coder's output into another's input; the one
  // output bound to nothing is the folder's result.
  std::vector<bool> bound(static_cast<std::size_t>(shape.outputs), false);
  for (std::uint64_t i = 0; i + 1 < shape.outputs; ++i) {
    const std::uint64_t input = in.Number(), output = in.Number();
    if (input >= inputs || output >= shape.outputs || bound[static_cast<std::size_t>(output)]) throw Unreadable();
    bound[static_cast<std::size_t>(output)] = true;
  }
  if (const std::uint64_t packed = inputs - (shape.outputs - 1); packed > 1)
    for (std::uint64_t i = 0; i < packed; ++i)
      if (in.Number() >= inputs) throw Unreadable();
  for (std::size_t i = 0; i < bound.size(); ++i)
    if (!bound[i]) shape.result = i;
  return shape;
}

void ReadUnpackInfo(Cursor& in, StreamsInfo& info) {
  if (in.Byte() != kFolder) throw Unreadable();
  const std::uint64_t count = in.Count();
  if (in.Byte() != 0) throw Unreadable();  // folders kept elsewhere: never written
  std::vector<FolderShape> shapes;
  for (std::uint64_t i = 0; i < count; ++i) shapes.push_back(ReadFolder(in));
  if (in.Byte() != kCodersUnpackSize) throw Unreadable();
  for (FolderShape& shape : shapes) {
    for (std::uint64_t i = 0; i < shape.outputs; ++i) {
      const std::uint64_t size = in.Number();
      if (i == shape.result) shape.folder.unpackSize = size;
    }
    info.folders.push_back(std::move(shape.folder));
  }
  for (std::uint8_t id = in.Byte(); id != kEnd; id = in.Byte()) {
    if (id != kCrc) throw Unreadable();
    const auto digests = Digests(in, info.folders.size());
    for (std::size_t i = 0; i < digests.size(); ++i) info.folders[i].crc = digests[i];
  }
}

void ReadSubStreamsInfo(Cursor& in, StreamsInfo& info) {
  std::uint8_t id = in.Byte();
  if (id == kNumUnpackStream) {
    for (SevenZipFolder& folder : info.folders) folder.streams = in.Number();
    id = in.Byte();
  }
  // The sizes of each folder's entries but its last, which takes the rest.
  // Without them a folder holds one entry at most.
  const bool sized = id == kSize;
  for (const SevenZipFolder& folder : info.folders) {
    if (folder.streams == 0) continue;
    if (!sized && folder.streams > 1) throw Unreadable();
    std::uint64_t sum = 0;
    for (std::uint64_t i = 1; i < folder.streams; ++i) {
      const std::uint64_t size = in.Number();
      if (size > folder.unpackSize - sum) throw Unreadable();
      sum += size;
      info.streamSizes.push_back(size);
    }
    info.streamSizes.push_back(folder.unpackSize - sum);
  }
  if (sized) id = in.Byte();
  // A CRC for each entry whose folder's own CRC does not stand for it.
  std::uint64_t digests = 0;
  for (const SevenZipFolder& folder : info.folders)
    if (folder.streams != 1 || !folder.crc) digests += folder.streams;
  std::vector<std::optional<std::uint32_t>> listed;
  if (id == kCrc) {
    listed = Digests(in, digests);
    id = in.Byte();
  } else {
    listed.resize(static_cast<std::size_t>(digests));  // no more than the sizes just read
  }
  std::size_t next = 0;
  for (const SevenZipFolder& folder : info.folders) {
    if (folder.streams == 1 && folder.crc) {
      info.streamCrcs.push_back(folder.crc);
      continue;
    }
    for (std::uint64_t i = 0; i < folder.streams; ++i) info.streamCrcs.push_back(listed[next++]);
  }
  if (id != kEnd) throw Unreadable();
}

// Without substreams, each folder holds one entry, the whole folder.
void OneStreamEach(StreamsInfo& info) {
  for (const SevenZipFolder& folder : info.folders) {
    info.streamSizes.push_back(folder.unpackSize);
    info.streamCrcs.push_back(folder.crc);
  }
}

StreamsInfo ReadStreamsInfo(Cursor& in) {
  StreamsInfo info;
  std::uint8_t id = in.Byte();
  if (id == kPackInfo) {
    info.packPosition = in.Number();
    const std::uint64_t count = in.Count();
    for (std::uint8_t sub = in.Byte(); sub != kEnd; sub = in.Byte()) {
      if (sub == kSize) {
        for (std::uint64_t i = 0; i < count; ++i) info.packSizes.push_back(in.Number());
      } else if (sub == kCrc) {
        Digests(in, count);
      } else {
        throw Unreadable();
      }
    }
    id = in.Byte();
  }
  if (id == kUnpackInfo) {
    ReadUnpackInfo(in, info);
    id = in.Byte();
  }
  if (id == kSubStreamsInfo) {
    ReadSubStreamsInfo(in, info);
    id = in.Byte();
  } else {
    OneStreamEach(info);
  }
  if (id != kEnd) throw Unreadable();
  return info;
}

// The header packed as the only folder says, by LZMA or LZMA2 alone (as
// 7-Zip packs headers), its result checked against the folder's CRC. The
// output grows only as far as the data really unpacks.
std::vector<unsigned char> UnpackHeader(const PositionalFile& file, std::int64_t base, const StreamsInfo& info) {
  if (info.folders.size() != 1 || info.packSizes.size() != 1) throw Unreadable();
  const SevenZipFolder& folder = info.folders[0];
  if (folder.coders.size() != 1 || folder.unpackSize > kHeaderLimit || info.packSizes[0] > kHeaderLimit)
    throw Unreadable();
  const std::uint64_t at = static_cast<std::uint64_t>(base) + 32 + info.packPosition;
  if (info.packPosition > static_cast<std::uint64_t>(file.size()) ||
      at + info.packSizes[0] > static_cast<std::uint64_t>(file.size()))
    throw Unreadable();
  const SevenZipCoder& coder = folder.coders[0];
  lzma_filter filters[2] = {{LZMA_VLI_UNKNOWN, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
  filters[0].id = coder.id == kLzma ? LZMA_FILTER_LZMA1 : coder.id == kLzma2 ? LZMA_FILTER_LZMA2 : LZMA_VLI_UNKNOWN;
  if (filters[0].id == LZMA_VLI_UNKNOWN ||
      lzma_properties_decode(&filters[0], nullptr, coder.properties.data(), coder.properties.size()) != LZMA_OK)
    throw Unreadable();
  std::vector<unsigned char> packed(static_cast<std::size_t>(info.packSizes[0]));
  const bool read = file.ReadExactly(static_cast<std::int64_t>(at), packed.data(), packed.size());
  lzma_stream stream = LZMA_STREAM_INIT;
  const lzma_ret opened = read ? lzma_raw_decoder(&stream, filters) : LZMA_DATA_ERROR;
  std::free(filters[0].options);
  if (opened != LZMA_OK) throw Unreadable();
  struct Ender {
    lzma_stream& stream;
    ~Ender() { lzma_end(&stream); }
  } ender{stream};
  const std::size_t wanted = static_cast<std::size_t>(folder.unpackSize);
  std::vector<unsigned char> header;
  stream.next_in = packed.data();
  stream.avail_in = packed.size();
  lzma_ret status = LZMA_OK;
  while (status == LZMA_OK && header.size() < wanted) {
    const std::size_t done = header.size();
    header.resize(std::min(wanted, std::max<std::size_t>(done * 2, 64 * 1024)));
    stream.next_out = header.data() + done;
    stream.avail_out = header.size() - done;
    status = lzma_code(&stream, LZMA_FINISH);
    header.resize(header.size() - stream.avail_out);
    if (header.size() == done && status == LZMA_OK) break;  // no progress: the input ran out
  }
  if (header.size() != wanted || (folder.crc && Crc32(header.data(), header.size()) != *folder.crc)) throw Unreadable();
  return header;
}

// UTF-16LE up to a NUL, as UTF-8; a lone surrogate becomes U+FFFD.
std::string NameFromUtf16(Cursor& in) {
  std::string name;
  const auto put = [&name](std::uint32_t c) {
    if (c < 0x80) {
      name += static_cast<char>(c);
    } else if (c < 0x800) {
      name += static_cast<char>(0xC0 | c >> 6);
      name += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      name += static_cast<char>(0xE0 | c >> 12);
      name += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      name += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      name += static_cast<char>(0xF0 | c >> 18);
      name += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      name += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      name += static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  const auto unit = [&in] {
    const auto bytes = in.Take(2);
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8);
  };
  for (std::uint32_t c = unit(); c != 0; c = unit()) {
    if (c >= 0xD800 && c < 0xDC00 && in.Left() >= 2) {
      Cursor ahead = in;
      const std::uint32_t low = unit();
      if (low >= 0xDC00 && low < 0xE000) {
        put(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
        continue;
      }
      in = ahead;
    }
    put(c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
  }
  return name;
}

// A time or attribute property: which items have one, then an "external"
// byte (never set by 7-Zip), then the values in item order.
template <typename Value, typename Read>
void ReadDefined(Cursor property, std::vector<SevenZipItem>& items, std::optional<Value> SevenZipItem::*field,
                 Read read) {
  const std::vector<bool> defined = DefinedBits(property, items.size());
  if (property.Byte() != 0) throw Unreadable();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (defined[i]) items[i].*field = read(property);
}

std::vector<SevenZipItem> ReadFilesInfo(Cursor& in) {
  // Each item has a name of a character at least, and its terminator, in
  // UTF-16: four bytes of the header.
  const std::uint64_t count = in.Number();
  if (count > in.Left() / 4) throw Unreadable();
  std::vector<SevenZipItem> items(static_cast<std::size_t>(count));
  std::vector<std::size_t> withoutData;  // indexes of the items that have no data
  for (std::uint64_t id = in.Number(); id != kEnd; id = in.Number()) {
    Cursor property = in.Sized();
    switch (id) {
      case kEmptyStream: {
        const std::vector<bool> empty = Bits(property, items.size());
        withoutData.clear();
        for (std::size_t i = 0; i < items.size(); ++i) {
          items[i].hasData = !empty[i];
          if (empty[i]) withoutData.push_back(i);
        }
        break;
      }
      case kEmptyFile:
      case kAnti: {
        const std::vector<bool> set = Bits(property, withoutData.size());
        for (std::size_t i = 0; i < withoutData.size(); ++i)
          (id == kEmptyFile ? items[withoutData[i]].emptyFile : items[withoutData[i]].anti) = set[i];
        break;
      }
      case kName:
        if (property.Byte() != 0) throw Unreadable();
        for (SevenZipItem& item : items) item.name = NameFromUtf16(property);
        break;
      case kCreationTime:
      case kAccessTime:
      case kModificationTime: {
        auto field = id == kCreationTime ? &SevenZipItem::created
                     : id == kAccessTime ? &SevenZipItem::accessed
                                         : &SevenZipItem::modified;
        ReadDefined(property, items, field, [](Cursor& c) { return c.Le64Value(); });
        break;
      }
      case kWinAttributes:
        ReadDefined(property, items, &SevenZipItem::attributes, [](Cursor& c) { return c.Le32Value(); });
        break;
      default: break;  // comments, start positions, padding
    }
  }
  return items;
}

// Gives each item with data its size, CRC and folder, in order.
void PlaceData(const StreamsInfo& streams, std::vector<SevenZipItem>& items) {
  std::size_t stream = 0, folder = 0;
  std::uint64_t usedInFolder = 0;
  for (SevenZipItem& item : items) {
    if (!item.hasData) continue;
    while (folder < streams.folders.size() && usedInFolder == streams.folders[folder].streams)
      ++folder, usedInFolder = 0;
    if (folder == streams.folders.size() || stream >= streams.streamSizes.size()) throw Unreadable();
    item.folder = folder;
    item.size = streams.streamSizes[stream];
    item.crc = streams.streamCrcs[stream];
    ++stream;
    ++usedInFolder;
  }
}

SevenZipHeader ReadHeader(Cursor& in) {
  SevenZipHeader header;
  StreamsInfo main;
  std::uint8_t id = in.Byte();
  if (id == kArchiveProperties) {
    for (std::uint64_t type = in.Number(); type != kEnd; type = in.Number()) in.Sized();
    id = in.Byte();
  }
  if (id == kAdditionalStreamsInfo) {
    ReadStreamsInfo(in);
    id = in.Byte();
  }
  if (id == kMainStreamsInfo) {
    main = ReadStreamsInfo(in);
    id = in.Byte();
  }
  if (id == kFilesInfo) {
    header.items = ReadFilesInfo(in);
    id = in.Byte();
  }
  if (id != kEnd) throw Unreadable();
  PlaceData(main, header.items);
  header.folders = std::move(main.folders);
  return header;
}

}  // namespace

std::optional<SevenZipHeader> ReadSevenZipHeader(const PositionalFile& file, std::int64_t base) {
  try {
    unsigned char start[32];
    if (!file.ReadExactly(base, start, sizeof start) ||
        std::string_view(reinterpret_cast<const char*>(start), 6) != kSevenZipSignature ||
        Crc32(start + 12, 20) != Le32(start + 8))
      return std::nullopt;
    const std::uint64_t offset = Le64(start + 12), size = Le64(start + 20);
    const std::uint64_t room = static_cast<std::uint64_t>(file.size() - base) - 32;
    if (size > kHeaderLimit || offset > room || size > room - offset) return std::nullopt;
    if (size == 0) return SevenZipHeader{};  // an archive without entries
    std::vector<unsigned char> header(static_cast<std::size_t>(size));
    if (!file.ReadExactly(base + 32 + static_cast<std::int64_t>(offset), header.data(), header.size()) ||
        Crc32(header.data(), header.size()) != Le32(start + 28))
      return std::nullopt;
    for (int packings = 0; packings <= kMaxPackings; ++packings) {
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
