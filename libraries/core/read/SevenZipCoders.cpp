#include "libraries/core/read/SevenZipCoders.h"

#include <archive.h>

#include <cstdio>

namespace dv {

std::string UndecodableCoder(const SevenZipFolder& folder) {
  static const bool arm64 = archive_version_number() >= 3007000;
  for (const SevenZipCoder& coder : folder.coders) {
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

std::optional<std::vector<std::string>> SevenZipUndecodableCoders(const PositionalFile& file, std::int64_t base) {
  const auto header = ReadSevenZipHeader(file, base);
  if (!header) return std::nullopt;
  std::vector<std::string> coders;
  coders.reserve(header->items.size());
  for (const SevenZipItem& item : header->items)
    coders.push_back(item.hasData ? UndecodableCoder(header->folders[item.folder]) : std::string());
  return coders;
}

}  // namespace dv
