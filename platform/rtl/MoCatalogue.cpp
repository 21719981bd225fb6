#include "platform/rtl/MoCatalogue.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {
constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::uint32_t kSwappedMagic = 0xde120495;

// The catalogue's 32-bit words, in the byte order its magic number shows.
struct Words {
  const std::string& bytes;
  bool swapped;
  bool At(std::uint64_t offset, std::uint32_t& value) const {
    if (offset + 4 > bytes.size()) return false;
    std::uint32_t little = 0;
    for (int i = 3; i >= 0; --i) little = (little << 8) | static_cast<unsigned char>(bytes[offset + i]);
    value = swapped ? __builtin_bswap32(little) : little;
    return true;
  }
};
}  // namespace

bool TMoCatalogue::Load(const std::string& path) {
  // The path is UTF-8 on every system.
  std::ifstream file(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
  if (!file) {
    texts_.clear();
    return false;
  }
  return Parse(std::string(std::istreambuf_iterator<char>(file), {}));
}

bool TMoCatalogue::Parse(const std::string& bytes) {
  texts_.clear();
  std::uint32_t magic = 0;
  if (!Words{bytes, false}.At(0, magic) || (magic != kMagic && magic != kSwappedMagic)) return false;
  const Words words{bytes, magic == kSwappedMagic};
  std::uint32_t count = 0, originals = 0, translations = 0;
  if (!words.At(8, count) || !words.At(12, originals) || !words.At(16, translations)) return false;
  // Each table row is a length and an offset; the text ends in a NUL not counted.
  const auto text = [&](std::uint64_t table, std::uint32_t index, std::string& out) {
    std::uint32_t length = 0, offset = 0;
    if (!words.At(table + 8ull * index, length) || !words.At(table + 8ull * index + 4, offset)) return false;
    if (std::uint64_t{offset} + length >= bytes.size()) return false;
    out.assign(bytes, offset, length);
    return true;
  };
  std::map<std::string, std::string> texts;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string original, translation;
    if (!text(originals, i, original) || !text(translations, i, translation)) return false;
    // The empty original holds the catalogue's header, no message.
    if (!original.empty()) texts.emplace(std::move(original), std::move(translation));
  }
  texts_ = std::move(texts);
  return true;
}

const char* TMoCatalogue::Find(const char* original) const {
  const auto found = texts_.find(original);
  return found == texts_.end() ? nullptr : found->second.c_str();
}
