// LHA header layouts, numbers little-endian:
//   levels 0 and 1: size (1), sum (1), method (5), packed size (4; level 1
//     counts its extended headers in), original size (4), time (4),
//     attribute (1), level (1), name length (1), name, CRC-16 (2), then for
//     level 1 the OS letter (1) and the first extended header's size (2) as
//     the last bytes of the base header; level 0 may carry an OS letter there.
//   levels 2 and 3: size (2; level 3: 4 at offset 24), method (5), packed
//     size (4), original size (4), time (4), reserved (1), level (1),
//     CRC-16 (2), OS letter (1), then the first extended header's size
//     (2; level 3: 4).
//   an extended header: its size (which counts the size field itself), a
//     type (1) and data; the next header's size follows it, 0 ends the chain.
#include "libraries/core/read/LhaHeader.h"

#include <algorithm>
#include <utility>

#include "libraries/core/read/FileWindow.h"
#include "libraries/core/read/NameText.h"
#include "libraries/core/util/LittleEndian.h"

namespace dv {
namespace {

constexpr int kMaxExtendedHeaders = 256;
constexpr std::size_t kHeaderBlock = 1024;
// The name headers are read only up to this size; a longer one is no name.
constexpr std::size_t kMaxNameHeader = 0xFFFF;

enum ExtendedType : unsigned char {
  kExtFileName = 0x01,
  kExtFolderName = 0x02,
  kExtUtf16FileName = 0x44,
  kExtUtf16FolderName = 0x45,
  kExtCodePage = 0x46,
};

unsigned OsTypeOf(unsigned char letter) {
  static constexpr std::pair<unsigned char, unsigned> kLetters[] = {
      {'M', kLhaOsMsDos}, {'U', kLhaOsUnix},  {'A', kLhaOsAmiga}, {'m', kLhaOsMac}, {'2', kLhaOsOs2},
      {'9', kLhaOsOs9},   {'w', kLhaOsWin95}, {'W', kLhaOsWinNt}, {'J', kLhaOsJava}};
  for (const auto& [known, code] : kLetters)
    if (known == letter) return code;
  return kLhaOsOther;
}

// The name as the header stores it, before it becomes text.
struct StoredPath {
  std::string folder, file;  // folder names end in '/'
  bool folderUtf16 = false, fileUtf16 = false;
  std::string charset;  // declared by a code page header
};

void ApplyExtension(unsigned char type, std::string data, StoredPath& path) {
  switch (type) {
    case kExtFileName:
    case kExtUtf16FileName:
      path.file = std::move(data);
      path.fileUtf16 = type == kExtUtf16FileName;
      break;
    case kExtFolderName:
      // 0xFF parts the names: never a byte of CP932 or UTF-8 text.
      std::replace(data.begin(), data.end(), '\xFF', '/');
      path.folder = std::move(data);
      path.folderUtf16 = false;
      break;
    case kExtUtf16FolderName:
      for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        if (data[i] == '\xFF' && data[i + 1] == '\xFF') {
          data[i] = '/';
          data[i + 1] = '\0';
        }
      path.folder = std::move(data);
      path.folderUtf16 = true;
      break;
    case kExtCodePage:
      if (data.size() == 4) {
        const std::uint32_t page = Le32(reinterpret_cast<const unsigned char*>(data.data()));
        path.charset = page == 65001 ? "UTF-8" : "CP" + std::to_string(page);
      }
      break;
    default: break;
  }
}

bool NameHeader(unsigned char type) {
  return type == kExtFileName || type == kExtFolderName || type == kExtUtf16FileName || type == kExtUtf16FolderName ||
         type == kExtCodePage;
}

// Walks the chain of extended headers whose first size field (`width`
// bytes) is at `at`, taking the names into `path`; the bytes the headers
// take, or nothing when the chain breaks.
std::optional<std::uint64_t> ReadExtensions(FileWindow& window, std::int64_t at, std::size_t width, StoredPath& path) {
  std::uint64_t total = 0;
  for (int count = 0; count < kMaxExtendedHeaders; ++count) {
    const unsigned char* head = window.At(at, width);
    if (head == nullptr) return std::nullopt;
    const std::uint64_t size = width == 2 ? Le16(head) : Le32(head);
    if (size == 0) return total;
    if (size <= width) return std::nullopt;
    const unsigned char* type = window.At(at + static_cast<std::int64_t>(width), 1);
    if (type == nullptr) return std::nullopt;
    if (const std::uint64_t dataSize = size - width - 1; NameHeader(*type) && dataSize <= kMaxNameHeader) {
      const unsigned char kind = *type;
      const auto* data = window.At(at + static_cast<std::int64_t>(width) + 1, static_cast<std::size_t>(dataSize));
      if (data == nullptr) return std::nullopt;
      ApplyExtension(kind, std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(dataSize)), path);
    }
    total += size;
    at += static_cast<std::int64_t>(size);
  }
  return std::nullopt;
}

// A name ends at its first NUL, as it does for every other reader of it.
std::string PartText(const std::string& stored, bool utf16, const std::string& charset) {
  std::string text;
  if (auto converted = utf16 ? ConvertToUtf8(stored, "UTF-16LE") : std::nullopt)
    text = std::move(*converted);
  else
    text = StoredNameAsText(stored.substr(0, stored.find('\0')), charset.empty() ? nullptr : charset.c_str());
  return text.substr(0, text.find('\0'));
}

// Level 0 came from DOS, where '\' parts the names. It is replaced only
// once the name is text, so that no second byte of a character is taken.
std::string PathText(const StoredPath& stored, unsigned level) {
  std::string text = PartText(stored.folder, stored.folderUtf16, stored.charset) +
                     PartText(stored.file, stored.fileUtf16, stored.charset);
  if (level == 0) std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

}  // namespace

std::optional<LhaHeaderFacts> ReadLhaHeaderFacts(const PositionalFile& file, std::int64_t offset) {
  // One read takes in a whole header as a rule.
  FileWindow window(file, file.size(), kHeaderBlock);
  const unsigned char* head = window.At(offset, 24);
  if (head == nullptr || head[2] != '-' || head[3] != 'l' || head[6] != '-') return std::nullopt;
  LhaHeaderFacts facts;
  facts.packedSize = Le32(head + 7);
  const unsigned level = head[20];
  StoredPath stored;
  if (level >= 2) {
    if (level > 3) return std::nullopt;
    facts.crc = Le16(head + 21);
    facts.osType = OsTypeOf(head[23]);
    // A chain that breaks leaves the name to libarchive.
    if (ReadExtensions(window, offset + (level == 2 ? 24 : 28), level == 2 ? 2 : 4, stored))
      facts.path = PathText(stored, level);
    return facts;
  }
  const std::size_t nameLength = head[21];
  const std::size_t baseSize = static_cast<std::size_t>(head[0]) + 2;
  if (baseSize < 24 + nameLength || (head = window.At(offset, baseSize)) == nullptr) return std::nullopt;
  stored.file.assign(reinterpret_cast<const char*>(head + 22), nameLength);
  facts.crc = Le16(head + 22 + nameLength);
  if (baseSize > 24 + nameLength) facts.osType = OsTypeOf(head[24 + nameLength]);
  if (level == 1) {
    // The chain's bytes are counted in the packed size.
    const auto extensions = ReadExtensions(window, offset + static_cast<std::int64_t>(baseSize) - 2, 2, stored);
    if (!extensions || *extensions > facts.packedSize) return std::nullopt;
    facts.packedSize -= *extensions;
  }
  facts.path = PathText(stored, level);
  return facts;
}

}  // namespace dv
